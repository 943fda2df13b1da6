#!/usr/bin/env bash
# Builds the program for the built-in demo and runs it against a simulated board: a
# pseudo-terminal that appears as a USB serial port, with a stand-in espflash beside the program
# and a local firmware server on 127.0.0.1:47615.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

ports_dir=/tmp/vexlo-demo
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DVEXLO_PORT_LIST_COMMAND=ls ${ports_dir}/ttyUSB* 2>/dev/null" \
    -DVEXLO_FIRMWARE_ORIGIN=http://127.0.0.1:47615 >/dev/null
cmake --build build-demo -j2 --target vexlo-demo
build-demo/bin/vexlo-demo "$ports_dir"
