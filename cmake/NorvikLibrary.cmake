# Each layer folder (transport, records, session, widgets) is the include root
# of the libraries in its subfolders, so that a header is named by its
# subfolder ("serial/serial_port.h") and a library sees only the roots of the
# layers it links: an include of a higher layer does not compile.
function(norvik_layer_root out)
  get_filename_component(root ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  set(${out} ${root} PARENT_SCOPE)
endfunction()

# norvik_core_library(name source...): a library of the core. It links no Qt,
# so Qt's project set-up must not turn moc on for it.
function(norvik_core_library name)
  add_library(${name} STATIC ${ARGN})
  norvik_layer_root(root)
  target_include_directories(${name} PUBLIC ${root})
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
  norvik_warnings(${name})
  norvik_core_warnings(${name})
  set_property(GLOBAL APPEND PROPERTY NORVIK_CORE_LIBRARIES ${name})
endfunction()

# norvik_widget_library(name source...): a library of the window layer.
function(norvik_widget_library name)
  add_library(${name} STATIC ${ARGN})
  norvik_layer_root(root)
  target_include_directories(${name} PUBLIC ${root})
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  norvik_warnings(${name})
  norvik_widget_switches(${name})
endfunction()

# Qt's safety switches for the window layer: no QString made from a char
# array without saying its encoding, no connection that narrows an argument,
# nothing Debian's Qt (6.4) already calls deprecated; and, as in the core,
# every narrowing spelt out.
function(norvik_widget_switches target)
  target_compile_definitions(${target} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
                                               QT_DISABLE_DEPRECATED_BEFORE=0x060400)
  norvik_core_warnings(${target})
endfunction()
