# OmbixR_GetFanSpeed over HTTP keep-alive on loopback, beside the floor of the
# same two libraries: libcurl posting an empty body to a minimal Boost.Beast
# server that answers a constant; and the JSON text of its messages beside
# json_dumps on the same values.
add_executable(http_bench ${CMAKE_CURRENT_LIST_DIR}/http_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/json_encoding_bench.cpp)
# The executor before the simulated board, whose functions it calls.
target_link_libraries(http_bench PRIVATE
  ombixd_core ombixd_requests ombixRemoteCall_static ombix_transport_http ombixLocalWrap_static ombix_sim
  benchmark::benchmark_main)
