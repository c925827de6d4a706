#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang-14, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs each for a bounded time. Any finding
# (crash, sanitizer report, leak, timeout) fails the script; its input is
# kept in BUILD_DIR/artifacts.
# usage: fuzz.sh BUILD_DIR [SECONDS_PER_TARGET]   (default 60, or $OMBIX_FUZZ_SECONDS)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:?usage: fuzz.sh BUILD_DIR [SECONDS_PER_TARGET]}
seconds=${2:-${OMBIX_FUZZ_SECONDS:-60}}
root=$PWD

# The targets: each is fuzz/fuzz_NAME.cpp, with its seeds in fuzz/seeds/NAME/
# (or made by make_seeds_NAME below) and its dictionary fuzz/NAME.dict.
targets=(executor stubs boot_sector command_line ombix_arguments ombixd_request)

# Stub seeds: every stub (first byte), codes 0 and 16, and a few answer shapes.
make_seeds_stubs() {
  local out=$1 stub answer
  for stub in $(seq 0 87); do
    for answer in '[{"i":"data","v":"QUJD"},{"i":"dataLength","v":3}]' '[{"i":"readData","v":"QUJDREVGR0g="}]' '[]'; do
      printf "\\x$(printf %02x "$stub")\\x01AAAAAAAAAAAAAAAA%s" "$answer" > "$out/seed_${stub}_${#answer}"
    done
  done
}

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
echo "=== $dir (fuzzing, ${seconds}s per target)"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBIX_FUZZ=ON \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" --target "${targets[@]/#/fuzz_}" -j "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$dir/artifacts"
for target in "${targets[@]}"; do
  echo "--- fuzz_$target"
  corpus="$dir/corpus/$target"
  mkdir -p "$corpus"
  if declare -F "make_seeds_$target" > /dev/null; then
    "make_seeds_$target" "$corpus"
  else
    cp "$root/fuzz/seeds/$target"/* "$corpus/"
  fi
  log="$dir/fuzz_$target.log"
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
      -dict="$root/fuzz/$target.dict" -artifact_prefix="$dir/artifacts/" -print_final_stats=1 "$corpus" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target found a problem; the input is in $dir/artifacts"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || tail -n 5 "$log"
done
echo "=== fuzzing found nothing"
