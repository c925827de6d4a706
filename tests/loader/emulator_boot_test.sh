#!/usr/bin/env bash
# End-to-end boot of the loader: formats an image with mkfs.fat, copies the
# probe boot file with mcopy, makes the volume bootable with vxbootdisk and
# boots it in a headless PC emulator: QEMU, or Bochs for a second BIOS
# implementation (its own disk emulation, and a BIOS that runs on the
# caller's stack).
#
# emulator_boot_test.sh EMULATOR CASE VXBOOTDISK PROBE WORKDIR
#   EMULATOR: qemu or bochs (exits 77, a skip, when Bochs is not installed).
#   CASE: floppy1440, floppy720 (a real 720K disk, in a 1.44 MB drive),
#   floppy2880, floppy1440-in-2880k-drive (QEMU only), harddisk,
#   harddisk-beyond-chs, missing-file (QEMU only)
set -euo pipefail

emulator=$1 case_name=$2 vxbootdisk=$3 probe=$4 work=$5/$1-$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_boot.sh"
. "$here/bochs_boot.sh"

if [ "$emulator" = bochs ] && ! bochs_available; then
  echo "SKIP ($emulator $case_name): Bochs, its BIOS or the VGA BIOS is not installed (bochs, bochsbios, vgabios)"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
image=$work/disk.img
sector=512
boot_seconds=40

fail() {
  echo "FAIL ($emulator $case_name): $*"
  echo "--- debug console"; cat "$work/debugcon.log" 2>/dev/null || true
  echo "--- screen"; cat "$work/screen.txt" 2>/dev/null || true
  if [ -f "$work/bochs.log" ]; then echo "--- end of the Bochs log"; tail -20 "$work/bochs.log"; fi
  exit 1
}

# The probe with the word behind it that balances its rolling sum to zero.
make_boot_file() {
  local sum=0 word
  for word in $(od -An -v -tu2 "$probe"); do
    sum=$(( (((sum << 1) | (sum >> 15)) & 0xFFFF) ^ word ))
  done
  local balance=$(( ((sum << 1) | (sum >> 15)) & 0xFFFF ))
  cp "$probe" "$work/BOOTROM.SYS"
  printf "$(printf '\\x%02x\\x%02x' $((balance & 0xFF)) $((balance >> 8)))" >> "$work/BOOTROM.SYS"
}

# partition_table START SECTORS TYPE: one active partition, addressed by LBA
# (the CHS fields say "beyond reach").
partition_table() {
  local start=$1 count=$2 type=$3 entry
  le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }
  entry="\\x80\\xfe\\xff\\xff\\x$(printf %02x "$type")\\xfe\\xff\\xff$(le32 "$start")$(le32 "$count")"
  printf "$entry" | dd of="$image" bs=1 seek=446 conv=notrunc status=none
  printf '\x55\xaa' | dd of="$image" bs=1 seek=510 conv=notrunc status=none
}

# hard_disk_image START: a 64 MiB FAT16 partition at START behind a standard
# MBR, on a disk of whole cylinders of 16 heads and 63 sectors (Bochs takes
# its geometry from the size).
hard_disk_image() {
  local start=$1 count=131072 cylinder=$((16 * 63))
  truncate -s $(( (start + count + cylinder - 1) / cylinder * cylinder * sector )) "$image"
  mkfs.fat -F 16 --offset="$start" -h "$start" "$image" $((count / 2)) > /dev/null
  dd if=/usr/lib/syslinux/mbr/mbr.bin of="$image" bs=440 count=1 conv=notrunc status=none
  partition_table "$start" "$count" 0x0E
  offset=$((start * sector))
}

make_boot_file
media=floppy1440
drive_letter=A
volume_start=""
offset=0
expect_dl=00
expect_geometry=""
case $case_name in
  floppy1440)
    mkfs.fat -C "$image" 1440 > /dev/null
    expect_geometry="spt=0012 heads=0002" ;;
  floppy1440-in-2880k-drive)
    # The BIOS reports the drive's 36 sectors per track; the BPB's 18 stand.
    [ "$emulator" = qemu ] || { echo "case $case_name runs in QEMU only"; exit 2; }
    media=floppy-in-2880k-drive
    mkfs.fat -C "$image" 1440 > /dev/null
    expect_geometry="spt=0012 heads=0002" ;;
  floppy2880)
    media=floppy2880
    mkfs.fat -C "$image" 2880 > /dev/null
    expect_geometry="spt=0024 heads=0002" ;;
  floppy720)
    # A whole 720K image. Both emulators put it into a 1.44 MB drive, whose
    # 18 sectors per track the BIOS reports; the loader goes by the BPB's 9.
    media=floppy720
    mkfs.fat -C "$image" 720 > /dev/null
    expect_geometry="spt=0009 heads=0002" ;;
  harddisk)
    media=disk drive_letter=C expect_dl=80
    hard_disk_image 2048
    volume_start=2048 ;;
  harddisk-beyond-chs)
    # A partition past cylinder 1023 of any CHS geometry (over 8 GB): the
    # loader reads it through the BIOS extended read. The image is sparse.
    media=disk drive_letter=C expect_dl=80
    hard_disk_image 17000000
    volume_start=17000000 ;;
  missing-file)
    mkfs.fat -C "$image" 1440 > /dev/null ;;
  *) echo "unknown case $case_name"; exit 2 ;;
esac

if [ "$case_name" != missing-file ]; then
  mcopy -i "$image@@$offset" "$work/BOOTROM.SYS" ::BOOTROM.SYS
else
  echo "not the boot file" > "$work/README.TXT"
  mcopy -i "$image@@$offset" "$work/README.TXT" ::README.TXT
fi

target=$image
[ -n "$volume_start" ] && target=$image@$volume_start
env "VXBOOTDISK_$drive_letter=$target" "$vxbootdisk" "$drive_letter:" -ownrisk > "$work/vxbootdisk.log" ||
  { cat "$work/vxbootdisk.log"; fail "vxbootdisk refused the volume"; }

# QEMU picks the floppy drive type by the image unless told otherwise.
boot() {
  if [ "$emulator" = bochs ]; then
    bochs_boot "$image" "$media" "$work" "$boot_seconds" || fail "Bochs did not reach the boot file's end"
  else
    local qemu_media=$media
    case $media in floppy1440 | floppy2880 | floppy720) qemu_media=floppy ;; esac
    qemu_boot "$image" "$qemu_media" "$work" "$boot_seconds" "$@"
  fi
}

# stops_with TEXT: the loader ends on the screen with TEXT and never enters
# the file (QEMU only: its monitor shows the screen).
stops_with() {
  [ "$emulator" = qemu ] || { echo "case $case_name runs in QEMU only"; exit 2; }
  boot "$1"
  grep -qx -- "$1" "$work/screen.txt" || fail "no \"$1\" line on the screen"
  [ ! -s "$work/debugcon.log" ] || fail "the boot file ran"
  echo "PASS ($emulator $case_name): $1"
  rm -f "$image"
  exit 0
}
[ "$case_name" = missing-file ] && stops_with 'V1.6!BOOTROM SYS'

boot
size=$(stat -c %s "$work/BOOTROM.SYS")
progress="V1.6$(printf '+%.0s' $(seq 1 $((size / sector + 1))))"
grep -qx end "$work/debugcon.log" || fail "the boot file did not report"
grep -qx "dl=$expect_dl" "$work/debugcon.log" || fail "DL is not $expect_dl"
grep -qx "drive=$expect_dl" "$work/debugcon.log" || fail "the boot sector's drive number is not $expect_dl"
grep -qx "sector=ok" "$work/debugcon.log" || fail "the boot sector is not at 0000:7C00"
grep -qx "sum=ok" "$work/debugcon.log" || fail "the boot file was not loaded whole"
if [ -n "$expect_geometry" ]; then
  grep -qx "$expect_geometry" "$work/debugcon.log" || fail "the geometry is not $expect_geometry"
fi
grep -qx -- "screen=$progress" "$work/debugcon.log" || fail "the loader did not write \"$progress\" on its line"
if [ "$emulator" = qemu ]; then
  grep -qx -- "$progress" "$work/screen.txt" || fail "no \"$progress\" line on the screen"
fi
echo "PASS ($emulator $case_name): $progress; $(grep -E '^[a-z]+=' "$work/debugcon.log" | tr '\n' ' ')"
rm -f "$image"
