# The overview's layout and paint cost. Its traceroutes trace through lab routers, so it needs the
# test lab (and root, for the lab's private network).
if(TARGET vantorel_test_lab)
    add_executable(dashboard_bench ${CMAKE_CURRENT_SOURCE_DIR}/DashboardBench.cpp)
    target_link_libraries(dashboard_bench PRIVATE vantorel_ui vantorel_test_lab
        vantorel_test_support benchmark::benchmark)
endif()
