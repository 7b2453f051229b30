# The add-target sheet and the preferences window, driven through their real widgets.
add_executable(ui_forms_test
    ${CMAKE_CURRENT_SOURCE_DIR}/FormsMain.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/FormsAddTargetSheetTest.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/FormsPreferencesWindowTest.cpp)
target_link_libraries(ui_forms_test PRIVATE vantorel_ui vantorel_test_support Qt6::Test)
add_test(NAME ui_forms_test COMMAND ui_forms_test)
set_tests_properties(ui_forms_test PROPERTIES TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=0")

# Renders both windows in both colour schemes to PNG files for a person to look at:
# ui_forms_screenshots <folder>
add_executable(ui_forms_screenshots ${CMAKE_CURRENT_SOURCE_DIR}/FormsScreenshots.cpp)
target_link_libraries(ui_forms_screenshots PRIVATE vantorel_ui vantorel_test_support)
