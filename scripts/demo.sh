#!/usr/bin/env bash
# Builds the program for the built-in demo and runs it against a simulated board: a
# pseudo-terminal that appears as a USB serial port, with a stand-in espflash beside the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

ports_dir=/tmp/vexlo-demo
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DVEXLO_PORT_LIST_COMMAND=ls ${ports_dir}/ttyUSB* 2>/dev/null" >/dev/null
cmake --build build-demo -j2 --target vexlo-demo
build-demo/bin/vexlo-demo "$PWD/build-demo/bin/vexlo-utility" "$PWD/build-demo/bin/fake_espflash" \
    "$PWD/build-demo/share/vexlo-utility" "$ports_dir"
