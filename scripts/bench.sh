#!/bin/sh
# Builds the benchmarks (Release with debug information) into build-bench/ (or
# $QINGHE_BENCH_BUILD) and runs them all, then sums up the table store, the
# lists and the voucher images against their goals. Arguments go to every benchmark program, e.g.
# --benchmark_filter=Walk.
set -eu
cd "$(dirname "$0")/.."
build=${QINGHE_BENCH_BUILD:-build-bench}
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

python3 - "$results" <<'EOF'
import json
import os
import sys

# Real time of each benchmark in nanoseconds, by name without its suffixes;
# the median when the benchmarks ran repeatedly.
scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
times, medians = {}, {}
# Ratios a benchmark measured itself against its yardstick (counter "ratio"),
# and any other counters it reported (a ratio's range, a peak of memory).
ratios, median_ratios = {}, {}
counters = {}
for result in sorted(os.listdir(sys.argv[1])):
    try:
        runs = json.load(open(os.path.join(sys.argv[1], result)))["benchmarks"]
    except ValueError:
        continue  # a program whose benchmarks were all filtered out writes nothing
    for run in runs:
        if run.get("error_occurred"):
            continue
        name = run.get("run_name", run["name"]).replace("/manual_time", "")
        name = name.split("/iterations:")[0]
        value = run["real_time"] * scale[run["time_unit"]]
        if run.get("run_type") == "aggregate":
            if run.get("aggregate_name") == "median":
                medians[name] = value
                if "ratio" in run:
                    median_ratios[name] = run["ratio"]
        else:
            times[name] = value
            if "ratio" in run:
                ratios[name] = run["ratio"]
            counters[name] = run
times.update(medians)
ratios.update(median_ratios)

store_goals = [
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
# The lists against bare walks of the same fields, both on warm caches; each
# list benchmark times its bare walks within the same iterations.
list_goals = [
    ("fillEntryList+fillQueryList / 2 bare walks", "BM_FillEntryListThenQueryList", 1.3),
    ("fillEntryAndQueryLists / 1 bare walk", "BM_FillEntryAndQueryLists", 1.3),
    ("rebuildLedgerList / bare figure walks", "BM_RebuildLedgerList", 1.3),
]


def verdict(label, ratio, goal):
    if ratio is None:
        print("%-42s %8s" % (label, "n/a"))
        return
    mark = "" if goal is None else ("ok" if ratio <= goal else "MISSED")
    print("%-42s %8.3f %6s %s" % (label, ratio, "" if goal is None else "<= %g" % goal, mark))


def summary(title, goals):
    if not any(ours in times for _, ours, _, _ in goals):
        return
    print("\n%-42s %8s %6s" % (title, "ratio", "goal"))
    for label, ours, theirs, goal in goals:
        ratio = None
        if ours in times and theirs in times:
            ratio = times[ours] / times[theirs]
        verdict(label, ratio, goal)


def measured_summary(title, goals):
    if not any(ours in times for _, ours, _ in goals):
        return
    print("\n%-42s %8s %6s" % (title, "ratio", "goal"))
    for label, ours, goal in goals:
        verdict(label, ratios.get(ours), goal)


# Voucher images: each ratio is the median of rounds that ran both sides one
# after the other, shown with its range.
voucher_goals = [
    ("viewer opens 12 MP, 4 MB / full decode", "BM_ViewerOpen12Mp", 0.5),
    ("viewer opens 12 MP, 2 MB / full decode", "BM_ViewerOpen12MpSmallFile", None),
    ("1/8 decode, the floor / full decode", "BM_EntropyDecodingFloor", None),
    ("strip shows next of 20 / full decode", "BM_StripNextPhoto", 0.2),
    ("same without thumbnails / full decode", "BM_StripNextPhotoWithoutThumbnail", None),
    ("split of 80 MB / one memchr pass", "BM_SplitVouchers", 1.2),
]
voucher_limits = [
    ("viewer opens 40 MP: MiB above baseline", "BM_ViewerOpen40MpMemory", "peak_mib", 64),
    ("full decode of 40 MP: MiB above baseline", "BM_ViewerOpen40MpMemory", "full_decode_mib",
     None),
]


def ranged_summary(title, goals, limits):
    if not any(name in counters for _, name, _ in goals):
        return
    print("\n%-42s %8s %6s  %s" % (title, "ratio", "goal", "range"))
    for label, name, goal in goals:
        run = counters.get(name, {})
        if "ratio" not in run:
            verdict(label, None, goal)
            continue
        ratio = run["ratio"]
        mark = "" if goal is None else ("ok" if ratio <= goal else "MISSED")
        print("%-42s %8.3f %6s  %.3f-%.3f %s" % (label, ratio, "" if goal is None else "<= %g" % goal,
                                                run.get("ratio_min", ratio),
                                                run.get("ratio_max", ratio), mark))
    for label, name, counter, limit in limits:
        value = counters.get(name, {}).get(counter)
        if value is None:
            print("%-42s %8s" % (label, "n/a"))
            continue
        mark = "" if limit is None else ("ok" if value < limit else "MISSED")
        print("%-42s %8.1f %6s %s" % (label, value, "" if limit is None else "< %g" % limit, mark))


summary("table store", store_goals)
measured_summary("lists", list_goals)
ranged_summary("voucher images", voucher_goals, voucher_limits)
EOF
