# Every switch and setting of the build, in one place. A plain configure builds
# the libraries and programs only and needs only what they need; tests,
# benchmarks and fuzz targets are switched on explicitly (scripts/test.sh does).

# What is built.
option(OMBIX_TESTS "Build the tests in tests/ (needs GoogleTest)" OFF)
option(OMBIX_BENCH "Build the benchmarks in bench/ (needs Google Benchmark, libcrypto, libmodpbase64)" OFF)
option(OMBIX_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang; scripts/fuzz.sh sets it)" OFF)
option(OMBIX_KERNEL_TESTS "Prepare the kernel test rig and run the tests that boot Linux under QEMU" OFF)
option(OMBIX_BROWSER_TESTS "Run the dashboard's tests in headless Chromium (needs chromium, node and the npm packages of tests/browser/install-node-modules.sh)" OFF)
option(OMBIX_BOOTDISK_ONLY "Build only the boot drive tool (the Windows cross build)" OFF)

# How it is built. The board side is 32-bit Linux code: OMBIX_M32 builds
# everything (libraries, tests) with -m32 against the i386 packages.
option(OMBIX_M32 "Build for 32-bit x86 (-m32)" OFF)
option(OMBIX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

# Settings.
set(OMBIXD_LOCAL_API ombix_sim CACHE STRING "Library target of the local board API that ombixd links")
set(VXBOOTDISK_WINDOWS_EXE "" CACHE FILEPATH "The cross-built vxbootdisk.exe to test under wine")
set(OMBIX_KERNEL_TESTS_M32_OMBIXD "" CACHE FILEPATH
    "The 32-bit build's ombixd: the kernel tests run every Linux board suite a second time with it (kernel.m32.*)")
