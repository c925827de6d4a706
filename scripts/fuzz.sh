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

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
echo "=== $dir (fuzzing, ${seconds}s per target)"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBIX_FUZZ=ON \
  -DOMBIX_TESTS=OFF -DOMBIX_BENCH=OFF -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" --target fuzz_executor fuzz_stubs -j "$(nproc)"

mkdir -p "$dir/corpus/executor" "$dir/corpus/stubs" "$dir/artifacts"
cp "$root"/fuzz/seeds/executor/* "$dir/corpus/executor/"
# Stub seeds: every stub (first byte), codes 0 and 16, and a few answer shapes.
for stub in $(seq 0 87); do
  for answer in '[{"i":"data","v":"QUJD"},{"i":"dataLength","v":3}]' '[{"i":"readData","v":"QUJDREVGR0g="}]' '[]'; do
    file="$dir/corpus/stubs/seed_${stub}_${#answer}"
    printf "\\x$(printf %02x "$stub")\\x01AAAAAAAAAAAAAAAA%s" "$answer" > "$file"
  done
done

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in executor stubs; do
  echo "--- fuzz_$target"
  log="$dir/fuzz_$target.log"
  if ! "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=20 -rss_limit_mb=4096 \
      -dict="$root/fuzz/$target.dict" -artifact_prefix="$dir/artifacts/" -print_final_stats=1 \
      "$dir/corpus/$target" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$target found a problem; the input is in $dir/artifacts"
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || tail -n 5 "$log"
done
echo "=== fuzzing found nothing"
