#!/usr/bin/env bash
# Writes the uncompressed kernel (an ELF file) found in a compressed x86
# kernel image. QEMU starts it directly through its PVH entry point, which
# spares the guest decompressing itself: seconds under emulation.
#
#   extract_vmlinux.sh BZIMAGE OUTPUT
set -euo pipefail
image=$1 output=$2
# Debian's kernels are compressed with xz; its stream starts with this magic.
offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ' "$image" | head -n 1 | cut -d: -f1)
[ -n "$offset" ] || { echo "extract_vmlinux: no xz stream in $image" >&2; exit 1; }
tail -c +$((offset + 1)) "$image" | xz -dc --single-stream > "$output.partial"
[ "$(head -c 4 "$output.partial" | od -An -tx1 | tr -d ' ')" = 7f454c46 ] ||
  { echo "extract_vmlinux: $image holds no ELF kernel" >&2; exit 1; }
mv "$output.partial" "$output"
