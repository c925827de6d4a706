# Dispatcher, wrapper and loopback round-trip benchmarks, with their floors.
add_executable(dispatch_bench ${CMAKE_CURRENT_LIST_DIR}/dispatch_bench.cpp)
target_link_libraries(dispatch_bench PRIVATE ombixLocalWrap_static ombix_sim benchmark::benchmark_main)
target_include_directories(dispatch_bench PRIVATE ${PROJECT_SOURCE_DIR}/server ${PROJECT_SOURCE_DIR}/protocol
                                                   ${PROJECT_SOURCE_DIR}/tests/server)

add_executable(loopback_bench ${CMAKE_CURRENT_LIST_DIR}/loopback_bench.cpp)
target_link_libraries(loopback_bench PRIVATE ombixRemoteCall_static ombix_loopback_sim benchmark::benchmark_main)
