#!/usr/bin/env bash
# The Linux board exports the 88 board functions, OmbixApiThreadSafe and
# OmbixLinuxBoardConfigure, and nothing else.
# usage: check_exports.sh BOARD.so CALL_NAMES_HEADER
set -euo pipefail
board_so=$1 names_header=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
{ grep -o '"Ombix[A-Za-z0-9]*"' "$names_header" | tr -d '"'; echo OmbixApiThreadSafe; echo OmbixLinuxBoardConfigure; } |
  sort > "$work/expected"
[ "$(wc -l < "$work/expected")" -eq 90 ] || { echo "FAIL: the name list does not hold 88 calls"; exit 1; }
nm -D --defined-only --format=just-symbols "$board_so" | sort > "$work/actual"
diff -u "$work/expected" "$work/actual" && echo "ok: the Linux board exports the 88 calls and its two own names"
