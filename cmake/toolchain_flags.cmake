# Warnings are errors everywhere; word size and sanitizers apply to every target.
add_compile_options(-Wall -Wextra -Werror -pedantic -Wshadow -Wformat=2 -Wundef)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wold-style-cast>)

if(OMBIX_M32)
  add_compile_options(-m32)
  add_link_options(-m32)
  # Debian's i386 jansson lives in the multiarch directory.
  set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
  list(PREPEND CMAKE_PREFIX_PATH /usr/lib/i386-linux-gnu)
  set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/i386-linux-gnu/pkgconfig:/usr/share/pkgconfig)
  # Some 64-bit kernels run no 32-bit programs (IA-32 emulation off). There the
  # tests run under QEMU's user-mode emulator, which CTest and test discovery
  # put in front of every test program; tests that start programs themselves
  # read OMBIX_TEST_EMULATOR.
  include(cmake/m32_runner.cmake)
endif()

if(OMBIX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(NOT OMBIX_BOOTDISK_ONLY)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(JANSSON REQUIRED IMPORTED_TARGET jansson)
endif()

# The API modules carry no exceptions and no run-time type information: every
# outcome is a return code, and allocation failures are handled where they occur.
# What a shared module exports is set by its linker version script (exports.map).
set(OMBIX_MODULE_CXX_FLAGS -fno-exceptions -fno-rtti -fvisibility-inlines-hidden)
