#!/usr/bin/env bash
# Builds everything and runs the whole test suite twice: a plain build, then one with
# AddressSanitizer and UndefinedBehaviorSanitizer. Warnings are errors here (and so in CI).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -G Ninja -DVEXLO_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j2
    ctest --test-dir "$dir" --output-on-failure -j2
}

echo "== plain build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== sanitizer build (address, undefined behaviour)"
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DVEXLO_SANITIZE=ON
