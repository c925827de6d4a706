#!/usr/bin/env bash
# Exits with 0 when this kernel executes 32-bit x86 programs (IA-32
# emulation), 1 when it does not.
set -euo pipefail
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf 'int main(void) { return 0; }\n' > "$dir/probe.c"
gcc -m32 -o "$dir/probe" "$dir/probe.c"
"$dir/probe" 2> /dev/null || exit 1
