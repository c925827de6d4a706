#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian, installs it on this
# machine with apt-get, checks the installed unit (systemd-analyze verify, and
# the security exposure score, recorded), has the installed ombixd serve
# `ombix report` as the service user (401 while its token store is empty,
# the report with a token that root added), then purges the package.
# Usage: test-package.sh BUILD_DIR. Needs root; the findings land in
# BUILD_DIR/package-findings.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: test-package.sh BUILD_DIR}
if [ "$(id -u)" -ne 0 ]; then
  echo "test-package: skipped: installing a package needs root"
  exit 0
fi
if dpkg-query -W -f='${Status}' ombix 2>/dev/null | grep -q 'installed'; then
  echo "test-package: a package ombix is installed already; not replacing it" >&2
  exit 1
fi

echo "=== $build (Debian package)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr > "$build.configure.log" 2>&1 ||
  { cat "$build.configure.log"; exit 1; }
cmake --build "$build" -j "$(nproc)"
rm -f "$build"/ombix_*.deb
(cd "$build" && cpack -G DEB > cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/ombix_*.deb)
findings=$build/package-findings.txt
: > "$findings"

failed=0
check() {  # check WHAT COMMAND...: runs it, records the outcome
  if "${@:2}"; then echo "ok: $1" | tee -a "$findings"; else echo "FAILED: $1" | tee -a "$findings"; failed=1; fi
}

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/bin/ombixd ./usr/bin/ombix ./usr/bin/vxbootdisk ./lib/systemd/system/ombixd.service \
  ./lib/udev/rules.d/60-ombix.rules ./etc/ombix/ombixd.conf ./usr/share/man/man8/ombixd.8.gz \
  ./usr/share/man/man1/ombix.1.gz ./usr/share/man/man1/vxbootdisk.1.gz; do
  check "the package holds $path" grep -q " $path\$" <<< "$contents"
done
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends" >> "$findings"
check "dpkg-shlibdeps found the libraries (libjansson4, libsystemd0 among them)" \
  bash -c '[[ "$1" == *libjansson4* && "$1" == *libsystemd0* ]]' _ "$depends"

lintian --fail-on error --no-tag-display-limit "$deb" > "$build/lintian.txt" 2>&1 && lintian_ok=1 || lintian_ok=0
echo "lintian: $(grep -c '^E:' "$build/lintian.txt" || true) errors, $(grep -c '^W:' "$build/lintian.txt" || true) warnings" >> "$findings"
check "lintian shows no errors" test "$lintian_ok" -eq 1
grep '^E:' "$build/lintian.txt" || true

purge() { DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq ombix > /dev/null 2>&1 || true; }
trap purge EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$(realpath "$deb")" > "$build/apt-install.log" 2>&1 ||
  { cat "$build/apt-install.log"; exit 1; }
check "the service user exists" bash -c "getent passwd ombix > /dev/null"
check "systemd-analyze verify accepts the unit" systemd-analyze verify /lib/systemd/system/ombixd.service
exposure=$(systemd-analyze security --offline=true /lib/systemd/system/ombixd.service 2> /dev/null |
  grep -o 'Overall exposure level.*' || echo "no score")
echo "systemd-analyze security: $exposure" | tee -a "$findings"

check "postinst made the token store root:ombix 0640" \
  bash -c '[ "$(stat -c %U:%G:%a /etc/ombix/tokens)" = root:ombix:640 ]'

# The installed ombixd, started as the service would start it (its user, its
# configuration file), on a free port.
output=$(mktemp)
# setpriv runs ombixd in its own process (runuser would stay its parent and
# keep the SIGHUP below from it).
setpriv --reuid=ombix --regid=ombix --init-groups -- \
  /usr/bin/ombixd --config /etc/ombix/ombixd.conf --listen 127.0.0.1:0 > "$output" 2>&1 &
server=$!
port=
for _ in $(seq 100); do
  port=$(sed -n 's/.*listening on http:\/\/127\.0\.0\.1:\([0-9]*\).*/\1/p' "$output")
  [ -n "$port" ] && break
  sleep 0.1
done
check "the installed ombixd serves" test -n "$port"
if [ -n "$port" ]; then
  check "with its empty token store it refuses a call (401)" bash -c \
    '[ "$(curl --noproxy "*" -s -o /dev/null -w "%{http_code}" -X POST "http://127.0.0.1:$1/call/OmbixGetFanCount")" = 401 ]' \
    _ "$port"
  # A token added by root, read by the service's user after SIGHUP.
  token_file=$(mktemp)
  /usr/bin/ombixd token add package-test --role reader > "$token_file"
  check "an edit by root keeps the store root:ombix 0640" \
    bash -c '[ "$(stat -c %U:%G:%a /etc/ombix/tokens)" = root:ombix:640 ]'
  kill -HUP "$server"
  for _ in $(seq 50); do grep -q 'tokens reloaded' "$output" && break; sleep 0.1; done
  check "the installed ombix prints the report of the installed ombixd with that token" \
    bash -c '/usr/bin/ombix --url "http://127.0.0.1:$1" --token-file "$3" report > "$2" && grep -q . "$2"' \
    _ "$port" "$build/report.txt" "$token_file"
  rm -f "$token_file"
fi
kill "$server" 2> /dev/null || true
wait "$server" 2> /dev/null || true
rm -f "$output"

purge
trap - EXIT
check "the purge removes the programs and the configuration" bash -c '! test -e /usr/bin/ombixd && ! test -e /etc/ombix'
echo "test-package: findings in $findings"
exit $failed
