#!/usr/bin/env bash
# Extracts from Debian's kernel source package, at the version of the kernel
# package, only the files that the module lists name (first word of each
# line, '#' starts a comment), into DIR/source.
#
#   extract_sources.sh DIR SERIES VERSION LIST...
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$1 series=$2 version=$3
shift 3

paths=()
while read -r path _; do
  paths+=("linux-source-$series/$path")
done < <(cat "$@" | sed -e 's/#.*//' -e '/^[[:space:]]*$/d')

rm -rf "$dir/source" "$dir/source.partial"
mkdir -p "$dir/source.partial"
deb=$(bash "$here/download.sh" "$dir/downloads" "linux-source-$series" "$version")
dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/src/linux-source-$series.tar.xz" |
  tar -xJ -C "$dir/source.partial" --strip-components=1 "${paths[@]}"
mv "$dir/source.partial" "$dir/source"
rm -f "$deb"
rmdir "$dir/downloads" 2>/dev/null || true
