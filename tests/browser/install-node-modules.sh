#!/usr/bin/env bash
# Installs the browser tests' npm packages into DIR/node_modules, exactly as
# package-lock.json names them (npm ci), and only when they are missing or
# the lock file changed: the tests themselves never reach the network.
#   install-node-modules.sh DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:?usage: install-node-modules.sh DIR}
mkdir -p "$dir"
if [ -d "$dir/node_modules" ] && cmp -s "$here/package-lock.json" "$dir/node_modules/.ombix-lock.json"; then
  exit 0
fi
cp "$here/package.json" "$here/package-lock.json" "$dir/"
# puppeteer-core drives the Chromium of the system and downloads no browser.
(cd "$dir" && npm ci --no-audit --no-fund --silent)
cp "$here/package-lock.json" "$dir/node_modules/.ombix-lock.json"
