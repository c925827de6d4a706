#!/usr/bin/env bash
# Cross-builds the boot drive tool for 32-bit Windows:
#   bash scripts/build-windows.sh BUILD_DIR   ->  BUILD_DIR/bootdisk/vxbootdisk.exe
# The program is linked statically and imports nothing but kernel32 and the
# C runtime; the script fails when it imports anything else.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:?usage: build-windows.sh BUILD_DIR}

echo "=== $dir"
mkdir -p "$dir"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
  > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --target vxbootdisk -j "$(nproc)"

exe=$dir/bootdisk/vxbootdisk.exe
i686-w64-mingw32-objdump -f "$exe" | grep -q 'file format pei-i386' || { echo "$exe is not a 32-bit Windows program"; exit 1; }
imports=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
  case $dll in
    kernel32.dll|msvcrt.dll) ;;
    *) echo "$exe imports $dll; it may need only kernel32 and the C runtime"; exit 1 ;;
  esac
done
echo "built $exe (imports: $(echo $imports))"
