#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build
# (with the kernel tests, which boot Linux under QEMU), the 32-bit build, the
# sanitizer build, the Windows cross build under wine and short fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
bash scripts/check-format.sh

# build DIR [cmake options...]: configure with the tests, build and run them.
build_and_test() {
  local dir=$1; shift
  echo "=== $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBIX_TESTS=ON "$@" > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
  cmake --build "$dir" -j "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
}

# The shipped Windows program is 32-bit. Where this kernel runs no 32-bit
# programs (so no 32-bit wine either), the tests run a 64-bit build of the
# same sources under wine64 instead.
bash scripts/build-windows.sh "$root/build-windows"
windows_exe=$root/build-windows/bootdisk/vxbootdisk.exe
if ! bash scripts/runs-32-bit-programs.sh; then
  echo "this kernel runs no 32-bit programs: the Windows tests use a 64-bit build under wine64"
  bash scripts/build-windows.sh "$root/build-windows64" x86_64
  windows_exe=$root/build-windows64/bootdisk/vxbootdisk.exe
fi
windows_options=(-DVXBOOTDISK_WINDOWS_EXE="$windows_exe")

# The 32-bit build first: the native build's kernel tests boot Linux under
# QEMU and run the Linux board's suites a second time with its ombixd.
build_and_test build-m32 -DOMBIX_M32=ON
# The dashboard's browser tests take their npm packages from the build folder,
# installed here (npm ci, only when missing or changed) and not at test time.
bash tests/browser/install-node-modules.sh "$root/build-native/browser-node"
build_and_test build-native "${windows_options[@]}" -DOMBIX_BENCH=ON -DOMBIX_KERNEL_TESTS=ON -DOMBIX_BROWSER_TESTS=ON \
  -DOMBIX_KERNEL_TESTS_M32_OMBIXD="$root/build-m32/httpd/ombixd"
bash scripts/valgrind-unit-tests.sh build-native
build_and_test build-sanitize -DOMBIX_SANITIZE=ON
bash scripts/test-package.sh "$root/build-package"

bash scripts/fuzz.sh "$root/build-fuzz" 15
echo "=== all builds passed"
