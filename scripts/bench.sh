#!/bin/sh
# Builds the benchmarks (Release with debug information) into build-bench/ (or
# $QINGHE_BENCH_BUILD) and runs them all, then sums up the table store and the
# lists, backup and restore against their goals. Arguments go to every
# benchmark program, e.g. --benchmark_filter=Walk. QINGHE_BACKUP_BENCH_MB sets
# the size of the household the backup benchmarks use (default 1024).
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
# and any other counters it reported (ranges, second yardsticks).
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


# Backup and restore against a plain cp -r of books/ and data/, round by round
# in one process: the median ratio of the rounds with its range, and the ratio
# against a copy that flushes every file as backup and restore do.
backup_goals = [
    ("start-up backup, nothing changed / cp -r", "BM_BackupUnchanged", 0.05),
    ("backup after one entry / cp -r", "BM_BackupAfterOneEntry", 0.15),
    ("backup after one entry with picture / cp -r", "BM_BackupAfterOneEntryWithPicture",
     0.15),
    ("restore of the latest, unchanged / cp -r", "BM_RestoreLatest", 1.2),
    ("restore of the latest, one entry / cp -r", "BM_RestoreLatestAfterOneEntry", 1.2),
    ("restore of the latest, all changed / cp -r", "BM_RestoreLatestAfterEveryLedgerChanged",
     1.2),
]


def backup_summary(goals):
    if not any(ours in counters for _, ours, _ in goals):
        return
    mb = next(counters[o].get("household_mb") for _, o, _ in goals if o in counters)
    print("\n%-44s %8s %6s        %-17s %s" % ("backup (%d MB household)" % mb, "ratio",
                                              "goal", "range", "flushed copy"))
    for label, ours, goal in goals:
        run = counters.get(ours)
        if run is None or "ratio" not in run:
            print("%-44s %8s" % (label, "n/a"))
            continue
        ratio = run["ratio"]
        mark = "ok" if ratio <= goal else "MISSED"
        print("%-44s %8.3f %6s %-6s %6.3f..%-8.3f %8.3f" % (
            label, ratio, "<= %g" % goal, mark, run["ratio_min"], run["ratio_max"],
            run["durable_ratio"]))


summary("table store", store_goals)
measured_summary("lists", list_goals)
backup_summary(backup_goals)
EOF
