# Building the results pane over a day of samples, and one scroll step of its list with the paint
# that follows, offscreen.
add_executable(results_list_bench ${CMAKE_CURRENT_SOURCE_DIR}/ResultsListBench.cpp)
target_link_libraries(results_list_bench PRIVATE vantorel_ui vantorel_test_support
    benchmark::benchmark)
