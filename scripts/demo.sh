#!/usr/bin/env bash
# Builds the program for the built-in demo and lets it do its whole job against a simulated
# machine: a board on a pseudo-terminal that appears as a USB serial port, a stand-in espflash
# beside the program and a local firmware server on 127.0.0.1:47615. The demo presses the install
# button itself and ends with a verdict; with --interactive the pressing is yours. With --batch,
# vexlo-flash installs three simulated boards (two ESP32, one Control Board) at once instead.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --batch ]; then
    bash scripts/install-deps.sh
else
    bash scripts/install-deps.sh demo
fi

ports_dir=/tmp/vexlo-demo
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DVEXLO_PORT_LIST_COMMAND=ls ${ports_dir}/ttyUSB* 2>/dev/null" \
    -DVEXLO_FIRMWARE_ORIGIN=http://127.0.0.1:47615 >/dev/null
if [ "${1:-}" = --batch ]; then
    cmake --build build-demo -j2 --target vexlo-batch-demo
    exec build-demo/bin/vexlo-batch-demo "$ports_dir"
fi
cmake --build build-demo -j2 --target vexlo-demo
build-demo/bin/vexlo-demo "$ports_dir" "$@"
