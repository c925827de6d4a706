# One /metrics scrape of the simulated board beside the same calls made
# directly and formatted by hand; GetFanSpeed latency with and without a
# scrape every second.
add_executable(metrics_bench ${CMAKE_CURRENT_LIST_DIR}/metrics_bench.cpp)
# The executor before the simulated board, whose functions it calls.
target_link_libraries(metrics_bench PRIVATE
  ombixd_core ombixd_requests ombix_openapi ombixRemoteCall_static ombix_transport_http ombixLocalWrap_static ombix_sim
  benchmark::benchmark_main)
