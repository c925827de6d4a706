#!/usr/bin/env bash
# Installs the build into a temporary prefix and builds two C programs
# against the installed libraries with pkg-config alone.
# usage: install_test.sh BUILD_DIR SOURCE_DIR [extra compiler flags...]
set -euo pipefail
build=$1 source=$2; shift 2
extra=("$@")
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null
libdir=$(find "$prefix" -name ombixRemoteCall.pc -printf '%h\n' | head -1)
export PKG_CONFIG_PATH=$libdir
[ -n "${PKG_CONFIG_LIBDIR:-}" ] && export PKG_CONFIG_LIBDIR="$libdir:$PKG_CONFIG_LIBDIR"
export LD_LIBRARY_PATH=$prefix/lib:$(dirname "$libdir")

build_c() {  # output source packages...
  local out=$1 src=$2; shift 2
  # shellcheck disable=SC2046
  cc -std=c99 -Wall -Werror "${extra[@]}" -o "$prefix/$out" "$src" $(pkg-config --cflags --libs "$@")
}
build_c client "$source/tests/install/client_program.c" ombixRemoteCall
build_c server "$source/tests/install/server_program.c" ombixLocalWrap ombixSimBoard
# The Linux board as the local API of the same server: built, not run (it reads this machine).
build_c linux_server "$source/tests/install/server_program.c" ombixLocalWrap ombixLinuxBoard
# OMBIX_TEST_EMULATOR: the emulator 32-bit programs need here, if any.
${OMBIX_TEST_EMULATOR:-} "$prefix/client"
${OMBIX_TEST_EMULATOR:-} "$prefix/server"
[ -x "$prefix/bin/ombix_board_report" ] || { echo "programs are not installed"; exit 1; }
echo "installed libraries, headers and pkg-config files work"
