# The overview's widget tests: tiles fed through their monitors' record(), no network needed.
# They need a QApplication, so they bring their own main().
add_executable(ui_dashboard_test
    ${CMAKE_CURRENT_SOURCE_DIR}/DashboardTestMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DashboardTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/DialGaugeTest.cpp)
target_link_libraries(ui_dashboard_test PRIVATE vantorel_ui vantorel_test_support Qt6::Test)
add_test(NAME ui_dashboard_test COMMAND ui_dashboard_test)
set_tests_properties(ui_dashboard_test PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
