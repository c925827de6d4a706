# The Linux board's SMBus and I2C reads in process beside the bare ioctl and
# i2c-tools' programs, measured in a kernel-test guest (i2c-stub and the
# rig's register device): linux_buses_in_guest boots it and runs
# linux_buses_bench there. The runner needs the kernel test rig.
add_executable(linux_buses_bench ${CMAKE_CURRENT_LIST_DIR}/linux_buses_bench.cpp)
target_link_libraries(linux_buses_bench PRIVATE ombixLinuxBoard_static benchmark::benchmark_main)
if(TARGET ombix_kernel_rig)
  add_executable(linux_buses_in_guest ${CMAKE_CURRENT_LIST_DIR}/linux_buses_in_guest.cpp)
  target_link_libraries(linux_buses_in_guest PRIVATE ombix_kernel_rig)
  target_compile_definitions(linux_buses_in_guest PRIVATE LINUX_BUSES_BENCH_PATH="$<TARGET_FILE:linux_buses_bench>")
  add_dependencies(linux_buses_in_guest kernel_rig linux_buses_bench)
endif()
