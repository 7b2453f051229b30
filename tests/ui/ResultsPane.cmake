# The results pane: its sample list, chips and sweep host list over real monitors probing the
# lab's hosts, so the binary runs in a private network namespace (as root).
add_executable(ui_results_pane_test
    ${CMAKE_CURRENT_SOURCE_DIR}/ResultsPaneTestMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ResultsPaneFixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ResultsPaneSampleListTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/ResultsPaneChipsTest.cpp)
target_link_libraries(ui_results_pane_test PRIVATE vantorel_ui vantorel_test_lab
    vantorel_test_support Qt6::Test)
add_test(NAME ui_results_pane_test COMMAND ui_results_pane_test)
set_tests_properties(ui_results_pane_test PROPERTIES TIMEOUT 180
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
