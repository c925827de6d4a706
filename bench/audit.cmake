# A call that changes the board through ombixd's request handling, recorded
# by the audit and not, in the same run; and the writer thread's cost of one
# line of the JSON-lines file.
add_executable(audit_bench ${CMAKE_CURRENT_LIST_DIR}/audit_bench.cpp)
# The executor before the simulated board, whose functions it calls.
target_link_libraries(audit_bench PRIVATE ombixd_core ombixd_requests ombixLocalWrap_static ombix_sim
  benchmark::benchmark_main)
