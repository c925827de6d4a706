# Decides how 32-bit programs run in the tests: directly where the kernel
# executes them, else under qemu-i386 (Debian's qemu-user), as on 64-bit
# kernels built without IA-32 emulation. In that case CTest and test discovery
# put the emulator in front of every test program, and ombix_runnable_program()
# gives tests a launcher for the programs they start themselves.
set(probe_dir ${CMAKE_BINARY_DIR}/m32_probe)
file(WRITE ${probe_dir}/probe.c "int main(void) { return 0; }\n")
try_run(m32_runs m32_compiles ${probe_dir} ${probe_dir}/probe.c
        COMPILE_DEFINITIONS -m32 LINK_OPTIONS -m32)
if(NOT m32_compiles)
  message(FATAL_ERROR "the compiler cannot build 32-bit programs (install g++-multilib)")
endif()
set(OMBIX_TEST_EMULATOR "")
if(NOT m32_runs EQUAL 0)
  find_program(QEMU_I386 qemu-i386 REQUIRED)
  set(OMBIX_TEST_EMULATOR ${QEMU_I386})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_I386})
  message(STATUS "32-bit programs do not run on this kernel: tests run them under ${QEMU_I386}")
endif()
