# Cross build of the boot drive tool for Windows with Debian's mingw-w64.
# OMBIX_MINGW_ARCH: i686 (the shipped 32-bit program, default) or x86_64 (a
# 64-bit build of the same sources, for tests under wine64 on machines whose
# kernel runs no 32-bit programs).
if(NOT OMBIX_MINGW_ARCH)
  set(OMBIX_MINGW_ARCH i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${OMBIX_MINGW_ARCH})

set(CMAKE_C_COMPILER ${OMBIX_MINGW_ARCH}-w64-mingw32-gcc)
set(CMAKE_CXX_COMPILER ${OMBIX_MINGW_ARCH}-w64-mingw32-g++)
set(CMAKE_RC_COMPILER ${OMBIX_MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${OMBIX_MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Only the boot drive tool exists for Windows.
set(OMBIX_BOOTDISK_ONLY ON CACHE BOOL "" FORCE)
