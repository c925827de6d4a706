#!/usr/bin/env bash
# Unpacks a kernel image package into DIR/image with dpkg-deb: the kernel in
# boot/, its modules in lib/modules/, and the uncompressed kernel that the
# guests boot in DIR/vmlinux. Module trees that no test can use in a
# virtual machine (sound, graphics, media, wireless, InfiniBand) are left out.
#
#   unpack_image.sh DIR PACKAGE VERSION
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1 package=$2 version=$3

rm -rf "$dir/image" "$dir/image.partial"
mkdir -p "$dir/image.partial"
deb=$(bash "$here/download.sh" "$dir/downloads" "$package" "$version")
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$dir/image.partial" \
  --exclude=kernel/sound --exclude=kernel/drivers/gpu --exclude=kernel/drivers/media \
  --exclude=kernel/drivers/net/wireless --exclude=kernel/drivers/infiniband
bash "$here/extract_vmlinux.sh" "$dir/image.partial/boot/vmlinuz-${package#linux-image-}" "$dir/vmlinux"
mv "$dir/image.partial" "$dir/image"
rm -f "$deb"
rmdir "$dir/downloads" 2>/dev/null || true
