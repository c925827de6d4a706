#!/usr/bin/env bash
# End-to-end boot of the loader: formats an image with mkfs.fat, copies the
# probe boot file with mcopy, makes the volume bootable with vxbootdisk and
# boots it in a headless PC emulator.
#
# qemu_boot_test.sh CASE VXBOOTDISK PROBE WORKDIR
#   CASE: floppy1440, floppy720, floppy2880, harddisk, harddisk-beyond-chs,
#   missing-file, real-720k-disk
set -euo pipefail

case_name=$1 vxbootdisk=$2 probe=$3 work=$4/$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/qemu_boot.sh"

rm -rf "$work"
mkdir -p "$work"
image=$work/disk.img
sector=512
boot_seconds=40

fail() {
  echo "FAIL ($case_name): $*"
  echo "--- debug console"; cat "$work/debugcon.log" 2>/dev/null || true
  echo "--- screen"; cat "$work/screen.txt" 2>/dev/null || true
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

# hard_disk_image START: a 64 MiB FAT16 partition at START behind a standard MBR.
hard_disk_image() {
  local start=$1 count=131072
  truncate -s $(( (start + count) * sector )) "$image"
  mkfs.fat -F 16 --offset="$start" -h "$start" "$image" $((count / 2)) > /dev/null
  dd if=/usr/lib/syslinux/mbr/mbr.bin of="$image" bs=440 count=1 conv=notrunc status=none
  partition_table "$start" "$count" 0x0E
  offset=$((start * sector))
}

make_boot_file
media=floppy
drive_letter=A
volume_start=""
offset=0
expect_dl=00
expect_geometry=""
case $case_name in
  floppy1440)
    mkfs.fat -C "$image" 1440 > /dev/null
    expect_geometry="spt=0012 heads=0002" ;;
  floppy2880)
    mkfs.fat -C "$image" 2880 > /dev/null
    expect_geometry="spt=0024 heads=0002" ;;
  floppy720)
    # The emulator has no 720K drive: the file system of a 720K disk at the
    # start of a 1.44 MB image. Its BPB says 9 sectors per track; the BIOS
    # reports its drive's 18, and the loader goes by the BIOS.
    truncate -s 1474560 "$image"
    mkfs.fat -F 12 -g 2/9 -s 2 -r 112 -M 0xF9 "$image" 720 > /dev/null 2>&1
    expect_geometry="spt=0012 heads=0002" ;;
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
  real-720k-disk)
    # A whole 720K image: the emulator puts 720K media into its 1.44 MB
    # drive, whose 18 sectors per track the BIOS reports. The loader goes by
    # the BIOS, so the sectors it asks for past the ninth of a track do not
    # exist: the first data sector fails five times and it stops with "!Rd".
    mkfs.fat -C "$image" 720 > /dev/null ;;
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

# stops_with TEXT: the loader ends on the screen with TEXT and never enters the file.
stops_with() {
  qemu_boot "$image" "$media" "$work" "$boot_seconds" "$1"
  grep -qx -- "$1" "$work/screen.txt" || fail "no \"$1\" line on the screen"
  [ ! -s "$work/debugcon.log" ] || fail "the boot file ran"
  echo "PASS ($case_name): $1"
  rm -f "$image"
  exit 0
}
[ "$case_name" = missing-file ] && stops_with 'V1.6!BOOTROM SYS'
[ "$case_name" = real-720k-disk ] && stops_with 'V1.6!Rd'

qemu_boot "$image" "$media" "$work" "$boot_seconds"
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
grep -qx -- "$progress" "$work/screen.txt" || fail "no \"$progress\" line on the screen"
echo "PASS ($case_name): $progress; $(tr '\n' ' ' < "$work/debugcon.log")"
rm -f "$image"
