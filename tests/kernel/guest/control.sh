#!/bin/sh
# Serves the host's commands on the control port PORT, one at a time. The
# port is raw (no echo, no line editing, no character translation), and the
# guest announces itself with "@@READY <kernel release>". A request is the
# line "RUN <id> <seconds> <length>" followed by <length> bytes of shell
# script. The script runs in the initramfs with no input, is killed after
# <seconds>, and the answer is
#   @@OUT <id> <length>\n<standard output>@@ERR <id> <length>\n<standard error>@@END <id> <status>\n
#
#   ombix-control PORT
port=$1
work=/tmp/ombix-control
mkdir -p "$work"
stty -F "$port" raw -echo -iexten || exit 1
exec <"$port" >"$port"
echo "@@READY $(uname -r)"
while read -r verb id seconds length; do
  if [ "$verb" != RUN ]; then
    echo "@@BAD $verb"
    continue
  fi
  head -c "$length" > "$work/$id.sh"
  timeout -s KILL "$seconds" sh "$work/$id.sh" </dev/null >"$work/$id.out" 2>"$work/$id.err"
  status=$?
  echo "@@OUT $id $(wc -c < "$work/$id.out")"
  cat "$work/$id.out"
  echo "@@ERR $id $(wc -c < "$work/$id.err")"
  cat "$work/$id.err"
  echo "@@END $id $status"
  rm -f "$work/$id.sh" "$work/$id.out" "$work/$id.err"
done
