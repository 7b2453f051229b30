# The graph pane and history chart tests. They need a QApplication and run real monitors, so they
# bring their own main() and run inside the lab's private network (as root).
add_executable(ui_graph_pane_test
    ${CMAKE_CURRENT_SOURCE_DIR}/GraphPaneTestMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/GraphPaneFixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/GraphPaneChartTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/GraphPaneTest.cpp)
target_link_libraries(ui_graph_pane_test PRIVATE vantorel_ui vantorel_test_lab vantorel_test_support
    Qt6::Test)
add_test(NAME ui_graph_pane_test COMMAND ui_graph_pane_test)
set_tests_properties(ui_graph_pane_test PROPERTIES TIMEOUT 180
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
