#!/usr/bin/env bash
# Checks what the two API modules export, against the list of call names:
#   the executor exports ombixExecuteName and nothing else, and contains no
#   local API function; the client exports the 88 OmbixR_ stubs and
#   OMBIX_client and nothing else, and contains no transport.
# usage: check_exports.sh SERVER.so SERVER.a CLIENT.so CLIENT.a CALL_NAMES_HEADER
set -euo pipefail
server_so=$1 server_a=$2 client_so=$3 client_a=$4 names_header=$5
status=0

defined() { nm -D --defined-only --format=just-symbols "$1" | sort; }
compare() {  # what expected-file actual-file
  if ! diff -u "$2" "$3" > /tmp/exports.diff.$$; then
    echo "FAIL: $1"; cat /tmp/exports.diff.$$; status=1
  else
    echo "ok: $1"
  fi
  rm -f /tmp/exports.diff.$$
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo ombixExecuteName > "$work/server.expected"
defined "$server_so" > "$work/server.actual"
compare "the executor exports only ombixExecuteName" "$work/server.expected" "$work/server.actual"

grep -o '"Ombix[A-Za-z0-9]*"' "$names_header" | tr -d '"' | sed 's/^Ombix/OmbixR_/' > "$work/client.expected"
echo OMBIX_client >> "$work/client.expected"
sort -o "$work/client.expected" "$work/client.expected"
[ "$(grep -c '^OmbixR_' "$work/client.expected")" -eq 88 ] || { echo "FAIL: the name list does not hold 88 calls"; status=1; }
defined "$client_so" > "$work/client.actual"
compare "the client exports the 88 stubs and OMBIX_client" "$work/client.expected" "$work/client.actual"

# The executor links the local API beside it, and the client a transport.
if nm --defined-only --format=just-symbols "$server_so" "$server_a" 2>/dev/null | grep -E '^Ombix[A-Z]' | grep -v '_JSonWrap'; then
  echo "FAIL: the executor contains local API functions"; status=1
fi
if nm --defined-only --format=just-symbols "$client_so" "$client_a" 2>/dev/null | grep -qx OmbixExecuteRemoteCall; then
  echo "FAIL: the client contains a transport"; status=1
fi
exit $status
