#!/usr/bin/env bash
# Cross-builds the boot drive tool for Windows:
#   bash scripts/build-windows.sh BUILD_DIR [i686|x86_64]  ->  BUILD_DIR/bootdisk/vxbootdisk.exe
# i686 (the default) is the shipped 32-bit program; x86_64 builds the same
# sources as a 64-bit program, which wine64 runs where the kernel runs no
# 32-bit programs. The program is linked statically and imports nothing but
# kernel32 and the C runtime; the script fails when it imports anything else.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:?usage: build-windows.sh BUILD_DIR [i686|x86_64]}
arch=${2:-i686}
case $arch in
  i686) format=pei-i386 ;;
  x86_64) format=pei-x86-64 ;;
  *) echo "unknown architecture $arch"; exit 2 ;;
esac

echo "=== $dir ($arch)"
mkdir -p "$dir"
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw.cmake" \
  -DOMBIX_MINGW_ARCH="$arch" > "$dir/configure.log" 2>&1 || { cat "$dir/configure.log"; exit 1; }
cmake --build "$dir" --target vxbootdisk -j "$(nproc)"

exe=$dir/bootdisk/vxbootdisk.exe
objdump=$arch-w64-mingw32-objdump
$objdump -f "$exe" | grep -q "file format $format" || { echo "$exe is not a $arch Windows program"; exit 1; }
imports=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $imports; do
  case $dll in
    kernel32.dll|msvcrt.dll) ;;
    *) echo "$exe imports $dll; it may need only kernel32 and the C runtime"; exit 1 ;;
  esac
done
echo "built $exe (imports: $(echo $imports))"
