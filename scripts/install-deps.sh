#!/usr/bin/env bash
# Installs what building and testing need on Debian 12 (run as root), a virtual display and a way
# to press the window's button included; with "demo", also what the demo needs to capture the
# window; with "fuzz", clang and its libFuzzer for scripts/fuzz.sh. Does nothing when everything
# is there already.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
          qcoro-qt6-dev libcurl4-openssl-dev curl openssl desktop-file-utils appstream dpkg-dev file
          lintian xvfb xauth xdotool)
if [ "${1:-}" = demo ]; then
    packages+=(imagemagick)
fi
if [ "${1:-}" = fuzz ]; then
    packages+=(clang-14 libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi
