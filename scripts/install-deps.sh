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
  g++-mingw-w64-i686 g++-mingw-w64-x86-64-win32 wine wine32:i386 wine64 dosfstools mtools
  # boot loader: assembler, emulators, MBR boot code; Bochs with its own BIOS
  # and its text display (the one that runs headless)
  nasm libunicorn-dev:amd64 libunicorn-dev:i386 qemu-system-x86 mbr syslinux-common bochs bochs-term bochsbios vgabios
  # 32-bit tests on kernels that run no 32-bit programs
  qemu-user
  # fuzzing and benchmark baselines
  clang-14 clang-format-14 libclang-rt-14-dev llvm-14 libmodpbase64-dev libssl-dev:amd64
  # HTTP server, transport and client; native and 32-bit
  libboost1.81-dev:amd64 libboost1.81-dev:i386 libcurl4-openssl-dev:amd64 libcurl4-openssl-dev:i386
  libssl-dev:i386 curl gnutls-bin
  # ombixd under systemd (sd_notify); the unit, manual pages and Debian package checked and built
  libsystemd-dev:amd64 libsystemd-dev:i386 systemd scdoc mandoc lintian dpkg-dev file
  # ombixd's metrics (prometheus-cpp: the 32-bit build uses the native headers, see httpd/),
  # and the Prometheus server and promtool its tests run
  prometheus-cpp-dev:amd64 libprometheus-cpp-core1.0:i386 prometheus jq
  # the Linux board: hwmon, GPIO, PCI (with its names), password hashing; native and 32-bit
  libsensors-dev:amd64 libsensors-dev:i386 libgpiod-dev:amd64 libgpiod-dev:i386 libpci-dev:amd64 libpci-dev:i386
  libcrypt-dev:amd64 libcrypt-dev:i386 pci.ids
  # the Linux board: I2C/SMBus, block devices and disk health; native and 32-bit
  libi2c-dev:amd64 libi2c-dev:i386 libblkid-dev:amd64 libblkid-dev:i386 libatasmart-dev:amd64 libatasmart-dev:i386
  # kernel test rig: guest userland, tools run in the guest, images and modules
  busybox-static kmod cpio patch fdisk i2c-tools gpiod spi-tools smartmontools e2fsprogs
  # the dashboard's tests: a real browser, and a font for its screenshots
  chromium fonts-dejavu-core
)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q '^install ok installed$'; }

# The kernel test rig builds modules against the headers of the kernel that
# linux-image-amd64 depends on, at that kernel's exact version, given as
# "linux-headers-<release>=<version>"; the name changes with security updates,
# and is unknown until the package lists are there.
kernel_headers() {
  apt-cache show --no-all-versions linux-image-amd64 2>/dev/null |
    sed -n 's/^Depends: linux-image-\([^ ,]*\) (= \([^)]*\)).*/linux-headers-\1=\2/p' | head -n 1
}
headers_installed() {
  [ -n "$1" ] && installed "${1%%=*}" && [ "$(dpkg-query -W -f='${Version}' "${1%%=*}")" = "${1#*=}" ]
}
headers=$(kernel_headers)

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done
# The OpenAPI test installs its validator with npm: Debian's node and npm,
# unless a node with its npm is installed already (from another source).
command -v npm > /dev/null || missing+=(nodejs npm)
headers_installed "$headers" && headers_missing=0 || headers_missing=1
[ ${#missing[@]} -eq 0 ] && [ $headers_missing -eq 0 ] && exit 0

echo "installing: ${missing[*]}$( [ $headers_missing -eq 1 ] && echo " ${headers:-(kernel headers)}")"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
dpkg --print-foreign-architectures | grep -qx i386 || "${sudo_cmd[@]}" dpkg --add-architecture i386
"${sudo_cmd[@]}" apt-get update -qq
if [ $headers_missing -eq 1 ]; then
  headers=$(kernel_headers)
  [ -n "$headers" ] || { echo "install-deps: linux-image-amd64 names no kernel package" >&2; exit 1; }
  missing+=("$headers")
fi
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
