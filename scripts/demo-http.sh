#!/usr/bin/env bash
# The board report over HTTP: starts ombixd on a board (the simulated one
# unless given) on a free loopback port, runs `ombix report` against it and
# stops the server.
# Usage: scripts/demo-http.sh BUILD_DIR [sim|linux]   (a native build with ombixd and ombix)
set -euo pipefail
build=${1:?usage: $0 BUILD_DIR [sim|linux]}
board=${2:-sim}
ombixd=$build/httpd/ombixd
ombix=$build/cli/ombix
for program in "$ombixd" "$ombix"; do
  [ -x "$program" ] || { echo "demo-http: $program is missing; build the project first" >&2; exit 2; }
done

out=$(mktemp)
server=
cleanup() {
  if [ -n "$server" ] && kill -0 "$server" 2>/dev/null; then
    kill -TERM "$server"
    wait "$server" 2>/dev/null || true
  fi
  rm -f "$out"
}
trap cleanup EXIT

"$ombixd" --listen 127.0.0.1:0 --board "$board" > "$out" &
server=$!
# The server prints "ombixd: listening on http://127.0.0.1:PORT (...)" once it serves.
for _ in $(seq 100); do
  url=$(sed -n 's/^ombixd: listening on \([^ ]*\).*/\1/p' "$out")
  [ -n "$url" ] && break
  kill -0 "$server" 2>/dev/null || { echo "demo-http: ombixd did not start" >&2; exit 1; }
  sleep 0.1
done
[ -n "$url" ] || { echo "demo-http: ombixd did not report its address" >&2; exit 1; }

[ "$board" = sim ] && what="the simulated board" || what="the $board board (this machine)"
echo "ombixd serves $what at $url"
echo
status=0
"$ombix" --url "$url" report || status=$?
exit "$status"
