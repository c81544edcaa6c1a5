include_guard(GLOBAL)

# norvik_widget_test(name source...): GoogleTest on the grid and view widgets, on the
# offscreen platform, without the main window's library.
function(norvik_widget_test name)
  add_executable(${name} ${ARGN} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/widget_test_main.cpp)
  target_link_libraries(${name} PRIVATE norvik_views norvik_grid norvik_core norvik_testsupport
                        GTest::gtest Qt6::Test Qt6::Widgets)
  norvik_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES LABELS gui ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
