# The main window's widget tests. They need a QApplication and switch targets on, so they bring
# their own main() and run inside the lab's private network (as root).
add_executable(main_window_test
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowTestMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowFixture.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowCardTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowLookTest.cpp)
target_link_libraries(main_window_test PRIVATE vantorel_ui vantorel_test_lab vantorel_test_support
    Qt6::Test)
add_test(NAME main_window_test COMMAND main_window_test)
set_tests_properties(main_window_test PROPERTIES TIMEOUT 180
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")

# Renders the window with a few lab targets into PNGs for a person to look at; not a test.
add_executable(main_window_shots
    ${CMAKE_CURRENT_SOURCE_DIR}/MainWindowShots.cpp)
target_link_libraries(main_window_shots PRIVATE vantorel_ui vantorel_test_lab vantorel_test_support)
