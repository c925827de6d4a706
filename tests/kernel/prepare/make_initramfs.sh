#!/usr/bin/env bash
# Makes DIR/initramfs.cpio.gz: busybox (static) with its applets, the guest's
# scripts from GUEST_SOURCE, and the modules that mounting the host's root
# needs (virtio, 9p, overlay), in the order they load.
#
#   make_initramfs.sh DIR RELEASE GUEST_SOURCE
set -euo pipefail
dir=$1 release=$2 guest=$3
root=$dir/initramfs.root

rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,etc,host,lower,upper,lib/modules}
cp /bin/busybox "$root/bin/busybox"
for applet in $(/bin/busybox --list); do
  [ "$applet" = busybox ] || ln -s busybox "$root/bin/$applet"
done
install -m 0755 "$guest/init.sh" "$root/init"
install -m 0755 "$guest/control.sh" "$root/bin/ombix-control"
install -m 0755 "$guest/modprobe.sh" "$root/bin/ombix-modprobe"

modprobe -C /dev/null -d "$dir/image" -S "$release" -a --show-depends virtio_pci 9pnet_virtio 9p overlay |
  awk '$1 == "insmod" && !seen[$2]++ {print $2}' > "$dir/boot-modules.txt"
while read -r module; do
  cp "$module" "$root/lib/modules/"
  basename "$module" >> "$root/etc/boot-modules"
done < "$dir/boot-modules.txt"

(cd "$root" && find . -print0 | LC_ALL=C sort -z | cpio --null -o -H newc -R 0:0 --quiet) | gzip -6 > "$dir/initramfs.cpio.gz.partial"
mv "$dir/initramfs.cpio.gz.partial" "$dir/initramfs.cpio.gz"
rm -rf "$root"
