# norvik_core_library(name source...): a library of the core. It links no Qt,
# so Qt's project set-up must not turn moc on for it.
function(norvik_core_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  norvik_warnings(${name})
  norvik_core_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY NORVIK_CORE_LIBRARIES ${name})
endfunction()

# norvik_widget_library(name source...): a library of the window layer.
function(norvik_widget_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  norvik_warnings(${name})
endfunction()
