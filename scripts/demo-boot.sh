#!/usr/bin/env bash
# Main-job step: makes a 1.44 MB floppy image with mkfs.fat, copies the demo
# BOOTROM.SYS onto it with mcopy, makes it bootable with vxbootdisk and boots
# it in a headless PC emulator, then prints what the screen shows.
# Builds nothing: demo-boot.sh BUILD_DIR (a native build with vxbootdisk and
# the demo boot file in it).
set -euo pipefail

build=$(cd "${1:?usage: demo-boot.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/tests/loader/qemu_boot.sh"

vxbootdisk=$build/bootdisk/vxbootdisk
boot_file=$build/bootdisk/loader/demo/BOOTROM.SYS
for needed in "$vxbootdisk" "$boot_file"; do
  [ -f "$needed" ] || { echo "demo-boot: $needed is missing; build first" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
image=$work/floppy.img

mkfs.fat -C "$image" 1440 > /dev/null
mcopy -i "$image" "$boot_file" ::BOOTROM.SYS
VXBOOTDISK_A="$image" "$vxbootdisk" A: -ownrisk
qemu_boot "$image" floppy "$work" 30 "BOOTROM.SYS is running."

echo "--- the screen after booting the floppy image:"
sed -n '/V1\.6/,$p' "$work/screen.txt"
grep -q '^V1\.6+*$' "$work/screen.txt" && grep -qx 'BOOTROM.SYS is running.' "$work/screen.txt"
