#!/usr/bin/env bash
# Valgrind memcheck over the unit tests of a non-sanitized build that start no
# other program (no wine, QEMU or server process), as many at a time as there
# are cores, the slowest first. Any memory error or definite leak fails the
# step; the log of a failing test is printed.
# usage: valgrind-unit-tests.sh BUILD_DIR
set -euo pipefail
dir=${1:?usage: valgrind-unit-tests.sh BUILD_DIR}
tests=(
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
  tests/transport/json_dump_tests
  tests/transport/loopback_transport_tests
)
echo "=== valgrind ($dir)"
mkdir -p "$dir/valgrind"
start=$SECONDS
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
failed=0
printf '%s\n' "${tests[@]}" | xargs -P "$(nproc)" -I{} bash -c 'run_one "$1"' _ {} || failed=1
echo "valgrind step: $((SECONDS - start)) s"
exit "$failed"
