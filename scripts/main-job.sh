#!/usr/bin/env bash
# The main job: installs what is missing, builds, and shows the system at
# work: a board report through the client stubs and the executor, a boot
# floppy made by vxbootdisk and booted in an emulator, a board report
# fetched over HTTP, and the report of this machine through the Linux board.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-main -DCMAKE_BUILD_TYPE=Release > build-main.configure.log 2>&1 \
  || { cat build-main.configure.log; exit 1; }
cmake --build build-main -j "$(nproc)" > build-main.build.log 2>&1 || { tail -50 build-main.build.log; exit 1; }

echo "=== The executor on the simulated board: requests and answers"
./build-main/examples/ombix_executor_demo
echo
echo "=== A client application: stubs, loopback transport, executor, simulated board"
./build-main/examples/ombix_board_report
for step in scripts/demo-boot.sh scripts/demo-http.sh; do
  echo
  bash "$step" "$PWD/build-main"
done
echo
echo "=== This machine through ombixd --board linux"
bash scripts/demo-http.sh "$PWD/build-main" linux
