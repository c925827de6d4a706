# The Linux board's readings on a fake sysfs of 16 chips beside the floor of
# reading the same files with pread on descriptors kept open, and calls per
# second through an in-process ombixd with 1, 4 and 16 clients.
add_executable(linux_board_bench ${CMAKE_CURRENT_LIST_DIR}/linux_board_bench.cpp)
# The executor before the Linux board, whose functions it calls.
target_link_libraries(linux_board_bench PRIVATE
  ombixd_core ombixd_requests ombixRemoteCall_static ombix_transport_http ombixLocalWrap_static
  ombixLinuxBoard_static benchmark::benchmark_main)
