#!/usr/bin/env bash
# Checks the layout of every tracked C and C++ source against .clang-format;
# with --fix, rewrites the files that differ instead.
# The kernel test modules follow the kernel's own style and are left out.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.c' '*.h' '*.cpp' '*.inc' ':!:tests/kernel/modules/**')
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${files[@]}"
else
  clang-format-14 --dry-run -Werror "${files[@]}"
  echo "layout: ${#files[@]} files match .clang-format"
fi
