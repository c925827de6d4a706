#!/usr/bin/env bash
# Writes the uncompressed kernel (an ELF file) found in a compressed x86
# kernel image. QEMU starts it directly through its PVH entry point, which
# spares the guest decompressing itself: seconds under emulation.
#
#   extract_vmlinux.sh BZIMAGE OUTPUT
set -euo pipefail
image=$1 output=$2
# Debian's kernels are compressed with xz; its stream starts with this magic.
# No pipes that end early: the writer would die of SIGPIPE, failing the script.
matches=$(LC_ALL=C grep -obUaP -m 1 '\xfd7zXZ' "$image" || true)
offset=${matches%%:*}
[ -n "$offset" ] || { echo "extract_vmlinux: no xz stream in $image" >&2; exit 1; }
tail -c +$((offset + 1)) "$image" > "$output.xz"
xz -dc --single-stream "$output.xz" > "$output.partial"
rm -f "$output.xz"
[ "$(head -c 4 "$output.partial" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] ||
  { echo "extract_vmlinux: $image holds no ELF kernel" >&2; exit 1; }
mv "$output.partial" "$output"
