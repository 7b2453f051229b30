# The tray icon and its popover, with real targets probing a TUN path of the test's own (so the
# binary runs in a private network namespace and needs root).
add_executable(ui_tray_test
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayExtraTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayPopoverTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayTestSupport.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/TrayTestSupport.h)
target_link_libraries(ui_tray_test PRIVATE vantorel_ui vantorel_test_support vantorel_test_lab)
add_test(NAME ui_tray_test COMMAND ui_tray_test)
set_tests_properties(ui_tray_test PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")
