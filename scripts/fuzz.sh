#!/bin/sh
# Builds the libFuzzer targets with clang, address and undefined-behaviour
# sanitizers into build-fuzz/, and runs each briefly over a copy of its seed
# corpus (the committed corpora are only read): the table fuzzer, the image
# fuzzer, then the bill import's. Fails on any crash, leak or hang; the input
# that caused it is kept under build-fuzz/artifacts/. FUZZ_SECONDS sets the
# table fuzzer's running time (default 40), IMAGE_FUZZ_SECONDS the image
# fuzzer's (default 20), IMPORT_FUZZ_SECONDS the import's (default 20).
set -eu
cd "$(dirname "$0")/.."
build=build-fuzz
table_seconds=${FUZZ_SECONDS:-40}
image_seconds=${IMAGE_FUZZ_SECONDS:-20}
import_seconds=${IMPORT_FUZZ_SECONDS:-20}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DQINGHE_BUILD_GUI=OFF -DQINGHE_BUILD_TESTS=OFF -DQINGHE_BUILD_BENCH=OFF \
    -DQINGHE_BUILD_FUZZ=ON >/dev/null
cmake --build "$build" --target table_fuzzer image_fuzzer import_fuzzer

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"

# fuzz NAME SECONDS SEEDS
fuzz() {
    mkdir "$work/$1"
    cp "$3"/* "$work/$1/"
    echo "== $1 ($2 s)"
    if ! "$build/fuzz/$1" -max_total_time="$2" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/" "$work/$1" "$3" >"$work/$1.log" 2>&1; then
        # The sanitizer's or libFuzzer's report, without the progress lines before it.
        sed -n "/==ERROR\|runtime error\|ERROR: libFuzzer\|$1: /,\$p" "$work/$1.log" | head -n 80
        echo "$1 failed; the input is in $build/artifacts/" >&2
        exit 1
    fi
    tail -n 1 "$work/$1.log"
}

fuzz table_fuzzer "$table_seconds" fuzz/corpus
fuzz image_fuzzer "$image_seconds" fuzz/image_corpus
fuzz import_fuzzer "$import_seconds" fuzz/import_corpus
