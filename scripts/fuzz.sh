#!/bin/sh
# Builds the libFuzzer targets with clang, address and undefined-behaviour
# sanitizers into build-fuzz/, and runs the table fuzzer briefly over a copy of
# the seed corpus (the committed corpus is only read). Fails on any crash, leak
# or hang; the input that caused it is kept under build-fuzz/artifacts/.
# FUZZ_SECONDS sets the running time (default 60).
set -eu
cd "$(dirname "$0")/.."
build=build-fuzz
seconds=${FUZZ_SECONDS:-60}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DQINGHE_BUILD_GUI=OFF -DQINGHE_BUILD_TESTS=OFF -DQINGHE_BUILD_BENCH=OFF \
    -DQINGHE_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" --target table_fuzzer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp fuzz/corpus/* "$work/corpus/"
mkdir -p "$build/artifacts"

echo "== table_fuzzer (${seconds} s)"
if ! "$build/fuzz/table_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/artifacts/" "$work/corpus" fuzz/corpus >"$work/log" 2>&1; then
    # The sanitizer's or libFuzzer's report, without the progress lines before it.
    sed -n '/==ERROR\|runtime error\|ERROR: libFuzzer\|table_fuzzer: /,$p' "$work/log" | head -n 80
    echo "table_fuzzer failed; the input is in $build/artifacts/" >&2
    exit 1
fi
tail -n 1 "$work/log"
