# Storage transfers of the largest size end to end through the loopback
# transport, beside their floor (base64 both ways and the JSON text work).
add_executable(transfers_bench ${CMAKE_CURRENT_LIST_DIR}/transfers_bench.cpp)
target_link_libraries(transfers_bench PRIVATE ombixRemoteCall_static ombix_loopback_sim benchmark::benchmark_main)
target_include_directories(transfers_bench PRIVATE ${PROJECT_SOURCE_DIR}/protocol)
