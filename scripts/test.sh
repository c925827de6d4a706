#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build,
# the 32-bit build, the sanitizer build, the Windows cross build under wine
# and short fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh

# build DIR [cmake options...]: configure, build and run the whole suite.
build_and_test() {
  local dir=$1; shift
  echo "=== $dir"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
  cmake --build "$dir" -j "$(nproc)"
  ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600
}

# Valgrind memcheck over the unit tests of a non-sanitized build that start
# no other program (no wine, QEMU or server process), as many at a time as
# there are cores, the slowest first. Any memory error or definite leak fails
# the step; the log of a failing test is printed.
valgrind_unit_tests() {
  local dir=$1
  local tests=(
    tests/base64/base64_tests
    tests/allocation_failures/refusal_loopback_tests
    tests/allocation_failures/refusal_executor_stub_tests
    tests/loader/loader_tests
    tests/api/public_header_tests
    tests/bootdisk/bootdisk_tests
    tests/client/client_end_to_end_tests
    tests/client/client_frame_tests
    tests/http/http_unit_tests
    tests/records/record_client_tests
    tests/records/record_end_to_end_tests
    tests/records/record_server_tests
    tests/server/server_tests
    tests/transfers/transfer_client_tests
    tests/transfers/transfer_end_to_end_tests
    tests/transfers/transfer_server_tests
    tests/transport/loopback_transport_tests
  )
  echo "=== valgrind ($dir)"
  mkdir -p "$dir/valgrind"
  local start=$SECONDS failed=0
  run_one() {
    local test=$1 log="$dir/valgrind/$(basename "$1").log"
    if valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite \
        --show-leak-kinds=definite "$dir/$test" --gtest_brief=1 > "$log" 2>&1; then
      echo "--- $test passed"
    else
      echo "--- $test FAILED under valgrind:"
      cat "$log"
      return 1
    fi
  }
  export -f run_one
  export dir
  printf '%s\n' "${tests[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_one "$1"' _ {} || failed=1
  echo "valgrind step: $((SECONDS - start)) s"
  [ "$failed" -eq 0 ] || exit 1
}

windows_options=()
if [ -f scripts/build-windows.sh ]; then
  bash scripts/build-windows.sh "$root/build-windows"
  windows_options=(-DVXBOOTDISK_WINDOWS_EXE="$root/build-windows/bootdisk/vxbootdisk.exe")
fi

build_and_test build-native "${windows_options[@]}"
valgrind_unit_tests build-native
build_and_test build-m32 -DOMBIX_M32=ON -DOMBIX_BENCH=OFF
build_and_test build-sanitize -DOMBIX_SANITIZE=ON -DOMBIX_BENCH=OFF

if [ -f scripts/fuzz.sh ]; then
  bash scripts/fuzz.sh "$root/build-fuzz"
fi
echo "=== all builds passed"
