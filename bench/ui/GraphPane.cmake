# One paint of the latency history chart over a full ten-minute window, offscreen.
add_executable(history_chart_bench ${CMAKE_CURRENT_SOURCE_DIR}/HistoryChartBench.cpp)
target_link_libraries(history_chart_bench PRIVATE vantorel_ui vantorel_test_support
    benchmark::benchmark)
