#!/bin/sh
# Builds the benchmarks (Release with debug information) into build-bench/ and
# runs them all, then sums up the table store against its goals. Arguments go
# to every benchmark program, e.g. --benchmark_filter=Walk.
set -eu
cd "$(dirname "$0")/.."
build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQINGHE_BUILD_GUI=OFF -DQINGHE_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target benchmarks

results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT
for program in "$build"/bench/bench_*; do
    [ -x "$program" ] || continue
    name=$(basename "$program")
    echo "== $name"
    "$program" --benchmark_out="$results/$name.json" --benchmark_out_format=json "$@"
done

[ -f "$results/bench_store.json" ] || exit 0
python3 - "$results/bench_store.json" <<'EOF'
import json
import sys

# Real time of each benchmark in nanoseconds, by name without its suffixes;
# the median when the benchmarks ran repeatedly.
scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times, medians = {}, {}
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    if run.get("error_occurred"):
        continue
    name = run.get("run_name", run["name"]).replace("/manual_time", "")
    name = name.split("/iterations:")[0]
    value = run["real_time"] * scale[run["time_unit"]]
    if run.get("run_type") == "aggregate":
        if run.get("aggregate_name") == "median":
            medians[name] = value
    else:
        times[name] = value
times.update(medians)

goals = [
    ("first walk / in-memory decipher", "BM_StoreWalkFirst", "BM_DecipherInMemory", 1.3),
    ("first walk / read + decipher", "BM_StoreWalkFirst", "BM_ReadAndDecipher", None),
    ("repeated walk / SQLite scan", "BM_StoreWalkRepeated", "BM_SqliteScan", 1.0),
    ("append+writes+sync / SQLite row txn FULL", "BM_StoreAppendEntrySynced",
     "BM_SqliteInsertPerRowFull", 0.5),
    ("append+writes / SQLite row txn OFF", "BM_StoreAppendEntry", "BM_SqliteInsertPerRowOff",
     1.0),
    ("remove+purge / in-memory decipher", "BM_StoreRemovePurgeMiddle", "BM_DecipherInMemory",
     1.0),
    ("open 100,000 / open 1,000", "BM_StoreOpen/100000", "BM_StoreOpen/1000", None),
]
print("\n%-42s %8s %6s" % ("table store", "ratio", "goal"))
for label, ours, theirs, goal in goals:
    if ours not in times or theirs not in times:
        print("%-42s %8s" % (label, "n/a"))
        continue
    ratio = times[ours] / times[theirs]
    verdict = "" if goal is None else ("ok" if ratio <= goal else "MISSED")
    print("%-42s %8.3f %6s %s" % (label, ratio, "" if goal is None else "<= %g" % goal, verdict))
EOF
