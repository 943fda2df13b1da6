#!/usr/bin/env bash
# Builds the parsers' libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for SECONDS (default 60) over its seed corpus. New inputs go to build-fuzz/corpus,
# findings to build-fuzz/findings; the seeds in fuzz/corpus stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/install-deps.sh fuzz

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DVEXLO_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build build-fuzz -j2 --target fuzzers

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for name in board_info firmware_image version_body appcast; do
    work=build-fuzz/corpus/$name findings=build-fuzz/findings/$name
    mkdir -p "$work" "$findings"
    dict=(); [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
    echo "== fuzz_$name for ${seconds} s"
    if ! build-fuzz/bin/fuzz_$name "${dict[@]}" -max_total_time="$seconds" -max_len=65536 \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/" \
        "$work" "fuzz/corpus/$name" 2>"build-fuzz/fuzz_$name.log"; then
        status=1
        echo "   FINDING: see build-fuzz/fuzz_$name.log and $findings/"
    fi
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^stat::new_units_added" \
        "build-fuzz/fuzz_$name.log" | sed "s/^/   /" || true
done
exit $status
