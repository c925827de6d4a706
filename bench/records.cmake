# A 512-entry list call end to end through the loopback transport, the
# executor's share of it, and the floor: the JSON work of the same answer.
add_executable(records_bench ${CMAKE_CURRENT_LIST_DIR}/records_bench.cpp)
target_link_libraries(records_bench PRIVATE ombixRemoteCall_static ombix_loopback_sim benchmark::benchmark_main)
