#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; does nothing when all
# of it is already there. Packages are listed one per line below.
set -euo pipefail

packages=(
  # build
  cmake g++ g++-multilib make pkg-config
  # JSON, native and 32-bit
  libjansson-dev:amd64 libjansson-dev:i386
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev valgrind
  # boot drive tool: Windows cross build, wine, images
  g++-mingw-w64-i686 wine wine32:i386 dosfstools mtools
  # boot loader: assembler, emulators, MBR boot code
  nasm libunicorn-dev qemu-system-x86 mbr syslinux-common
  # fuzzing and benchmark baselines
  clang-14 libclang-rt-14-dev llvm-14 libmodpbase64-dev libssl-dev
  # HTTP server, transport and client
  libboost1.81-dev libcurl4-openssl-dev curl gnutls-bin
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
