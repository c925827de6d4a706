#!/usr/bin/env bash
# Builds each folder of MODULES_SOURCE out of tree against the installed
# headers of RELEASE (kbuild), after copying in the kernel source files its
# kernel-sources.txt names (from DIR/source) and applying its patches. The
# modules go to DIR/image/lib/modules/RELEASE/updates/ombix, and depmod
# indexes the tree so that modprobe finds them and their dependencies.
#
#   build_modules.sh DIR RELEASE MODULES_SOURCE
set -euo pipefail
dir=$1 release=$2 modules_source=$3
headers=/usr/src/linux-headers-$release
target=$dir/image/lib/modules/$release/updates/ombix

rm -rf "$dir/build" "$target"
mkdir -p "$dir/build" "$target"
for folder in "$modules_source"/*/; do
  name=$(basename "$folder")
  build=$dir/build/$name
  cp -r "$folder" "$build"
  if [ -f "$build/kernel-sources.txt" ]; then
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$build/kernel-sources.txt" | while read -r path copy; do
      cp "$dir/source/$path" "$build/${copy:-$(basename "$path")}"
    done
  fi
  for patch in "$build"/*.patch; do
    [ -e "$patch" ] || continue
    patch -s -p1 -d "$build" < "$patch"
  done
  # A build of its own, not a part of the calling make's job server.
  if ! env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -C "$headers" M="$build" -j2 modules > "$build/build.log" 2>&1; then
    cat "$build/build.log" >&2
    echo "kernel rig: building the modules of $name failed" >&2
    exit 1
  fi
  cp "$build"/*.ko "$target/"
done
depmod -b "$dir/image" "$release"
