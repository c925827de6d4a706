#!/bin/sh
# Serves the host's commands on the control port PORT, one at a time. The
# port is raw (no echo, no line editing, no character translation), and the
# guest announces itself with "@@READY <kernel release>". A request is the
# line "RUN <id> <seconds> <length>" followed by <length> bytes of shell
# script. The script runs in the initramfs with no input, in a session of its
# own that is killed whole after <seconds> (programs it left running in the
# background stay when it ends in time), and the answer is
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
  setsid sh "$work/$id.sh" </dev/null >"$work/$id.out" 2>"$work/$id.err" &
  script=$!
  setsid sh -c "sleep $seconds; kill -KILL -- -$script" >/dev/null 2>&1 &
  watcher=$!
  wait "$script"
  status=$?
  kill -KILL -- "-$watcher" 2>/dev/null
  echo "@@OUT $id $(wc -c < "$work/$id.out")"
  cat "$work/$id.out"
  echo "@@ERR $id $(wc -c < "$work/$id.err")"
  cat "$work/$id.err"
  echo "@@END $id $status"
  rm -f "$work/$id.sh" "$work/$id.out" "$work/$id.err"
done
