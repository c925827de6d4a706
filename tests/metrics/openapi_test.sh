#!/usr/bin/env bash
# The OpenAPI document passes a real validator, installed from npm into the
# build folder on first use, and every example request in it is answered 200
# by ombixd on the simulated board.
#   openapi_test.sh OMBIXD OMBIX NPM_DIR
set -euo pipefail
ombixd=$1
ombix=$2
npm_dir=$3
here=$(cd "$(dirname "$0")" && pwd)

if [ ! -d "$npm_dir/node_modules/@seriousme/openapi-schema-validator" ]; then
  mkdir -p "$npm_dir"
  npm install --prefix "$npm_dir" --no-audit --no-fund --silent @seriousme/openapi-schema-validator@2.11.0 > /dev/null
fi

work=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  rm -rf "$work"
}
trap cleanup EXIT

"$ombix" calls --json > "$work/openapi.json"
"$ombixd" --listen 127.0.0.1:0 > "$work/ombixd.out" 2>&1 &
pid=$!
for _ in $(seq 1 50); do
  grep -q listening "$work/ombixd.out" && break
  sleep 0.1
done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\) .*/\1/p' "$work/ombixd.out")
[ -n "$port" ] || { echo "ombixd did not start: $(cat "$work/ombixd.out")" >&2; exit 1; }
node "$here/openapi_check.mjs" "$npm_dir" "$work/openapi.json" "http://127.0.0.1:$port"
