#!/bin/sh
# Builds the benchmarks (Release with debug information, the flags of the
# program users run) into build-bench/ (or $QINGHE_BENCH_BUILD), runs them all,
# and ends with one table: each goal, the measured median ratio with its range
# (both sides of a ratio run in one process, alternating round by round), and
# the verdict. Arguments go to every benchmark program, e.g.
# --benchmark_filter=Open. QINGHE_BACKUP_BENCH_MB sets the size of the
# household of the backup benchmarks (default 1024); QINGHE_BENCH_MILLION=0
# leaves out the ledgers of a million entries.
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

echo
echo "load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg)"
python3 - "$results" <<'EOF'
import json
import os
import sys

# Every benchmark's counters by name (without its suffixes); the real time in
# nanoseconds as "time".
scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}
runs = {}
for result in sorted(os.listdir(sys.argv[1])):
    try:
        found = json.load(open(os.path.join(sys.argv[1], result)))["benchmarks"]
    except ValueError:
        continue  # a program whose benchmarks were all filtered out writes nothing
    for run in found:
        if run.get("error_occurred") or run.get("run_type") == "aggregate":
            continue
        name = run.get("run_name", run["name"]).replace("/manual_time", "")
        name = name.split("/iterations:")[0]
        run["time"] = run["real_time"] * scale[run["time_unit"]]
        runs[name] = run

# (goal, benchmark, what is compared, limit): the benchmark's "ratio" counter
# (median of alternating rounds, with ratio_min and ratio_max) against the limit,
# or another counter when one is named.
goals = [
    ("store: first walk / in-memory decipher", "BM_FirstWalkAgainstDecipher", None, 1.3),
    ("store: repeated walk / SQLite scan", "BM_RepeatedWalkAgainstSqliteScan", None, 1.0),
    ("store: append + writes + flush / SQLite row txn FULL",
     "BM_AppendSyncedAgainstSqliteFull", None, 0.5),
    ("store: remove + purge the middle / in-memory decipher", "BM_RemovePurgeAgainstDecipher",
     None, 1.0),
    ("open ledger 100k (walk + lists) / read + decipher", "BM_OpenLedger/100000", None, 1.0),
    ("open ledger 1M (walk + lists) / read + decipher", "BM_OpenLedger/1000000", None, 1.0),
    ("refill both lists 100k / SQLite scan", "BM_RefillListsAgainstSqliteScan/100000", None, 0.2),
    ("refill both lists 1M / SQLite scan", "BM_RefillListsAgainstSqliteScan/1000000", None, 0.2),
    ("query with a note filter 100k / SQLite LIKE scan", "BM_QueryNoteAgainstSqlite/100000",
     None, 0.2),
    ("query with a note filter 1M / SQLite LIKE scan", "BM_QueryNoteAgainstSqlite/1000000",
     None, 0.2),
    ("statistics by day 100k / SQLite GROUP BY", "BM_StatisticsByDayAgainstSqlite/100000",
     None, 0.2),
    ("statistics by day 1M / SQLite GROUP BY", "BM_StatisticsByDayAgainstSqlite/1000000",
     None, 0.2),
    # A search through the days seen so far takes 3.65 times as long (search_ratio).
    ("statistics by day 100k: 3,650 days / 1,000 days", "BM_StatisticsDaysGrowth/100000",
     None, 2.0),
    ("ledger list after login: 1M household / empty", "BM_LedgerListAfterLogin", None, 1.2),
    ("delete middle after opening 100k / decipher", "BM_DeleteMiddleAfterOpening/100000",
     None, 1.0),
    ("delete middle after opening 1M / decipher", "BM_DeleteMiddleAfterOpening/1000000",
     None, 1.0),
    ("add an entry with its flush / 4 KiB write + fdatasync",
     "BM_AddEntryAgainstAFlushedWrite/100000", None, 1.5),
    ("add an entry: 100k ledger / 1k ledger", "BM_AddEntryScaling", None, 1.5),
    ("change an entry: 100k ledger / 1k ledger", "BM_ChangeEntryScaling", None, 1.5),
    ("add an entry with a new item among 100,000: ms", "BM_AddEntryWithManyItemNames", "ours_ms",
     100),
    ("add an entry with five 4 MB photos / the same bytes written + fdatasync",
     "BM_AddEntryWithFivePhotosAgainstAFlushedWrite/100000", None, 1.5),
    ("delete middle of 100k / the store's purge alone", "BM_DeleteEntryAgainstPurge", None, 1.2),
    ("open the add and entry windows: 100k / 1k", "BM_OpenEntryWindows", None, 1.5),
    ("open the add and entry windows on 100k: ms", "BM_OpenEntryWindows", "ours_ms", 16.7),
    ("qinghe-cli entries 100k / sqlite3 -json", "BM_CliEntriesAgainstSqlite3Json/100000", None,
     1.0),
    ("qinghe-cli entries 1M / sqlite3 -json", "BM_CliEntriesAgainstSqlite3Json/1000000", None,
     1.0),
    ("qinghe-cli entries 100k: peak MiB", "BM_CliEntriesAgainstSqlite3Json/100000",
     "cli_peak_mib", 60),
    # A click on a column header of 记账 or 查账; the slowest of ten sorts.
    ("sort 1M rows by date (header click): ms", "BM_SortMillionRows/key:0", "sort_ms", 500),
    ("sort 1M rows by amount (header click): ms", "BM_SortMillionRows/key:1", "sort_ms", 500),
    ("sort 1M rows by item (header click): ms", "BM_SortMillionRows/key:2", "sort_ms", 500),
    ("sort 1M rows by member (header click): ms", "BM_SortMillionRows/key:3", "sort_ms", 500),
    ("rows of 100k in memory / (2 x texts + 40 B)", "BM_OpenLedgerMemory/100000", None, 1.0),
    ("rows of 1M in memory / (2 x texts + 40 B)", "BM_OpenLedgerMemory/1000000", None, 1.0),
    ("csv export 100k / bare walk + the same bytes", "BM_ExportCsv/100000", None, 2.0),
    ("viewer opens 12 MP, 4 MB / full decode", "BM_ViewerOpen12Mp", None, 0.5),
    ("strip shows next of 20 / full decode", "BM_StripNextPhoto", None, 0.2),
    ("split of 80 MB / one memchr pass", "BM_SplitVouchers", None, 1.2),
    ("viewer opens 40 MP: MiB above baseline", "BM_ViewerOpen40MpMemory", "peak_mib", 64),
    # A backup and a restore are on the disk when they return: against a copy
    # that is too (cp -r, then sync).
    ("start-up backup, nothing changed / cp -r + sync", "BM_BackupUnchanged", None, 0.05),
    ("backup after one entry / cp -r + sync", "BM_BackupAfterOneEntry", None, 0.15),
    ("backup after one entry with picture / cp -r + sync",
     "BM_BackupAfterOneEntryWithPicture", None, 0.15),
    ("restore of the latest, unchanged / cp -r + sync", "BM_RestoreLatest", None, 1.2),
    ("restore of the latest, one entry / cp -r + sync", "BM_RestoreLatestAfterOneEntry", None,
     1.2),
    ("restore of the latest, all changed / cp -r + sync",
     "BM_RestoreLatestAfterEveryLedgerChanged", None, 1.2),
]

print("\n%-56s %7s %8s  %-15s %s" % ("goal", "limit", "measured", "range", "verdict"))
for label, name, counter, limit in goals:
    run = runs.get(name)
    key = counter or "ratio"
    if run is None or key not in run:
        continue
    value = run[key]
    spread = ""
    if counter is None and "ratio_min" in run:
        spread = "%.3f..%.3f" % (run["ratio_min"], run["ratio_max"])
    verdict = "ok" if value <= limit else "MISSED"
    print("%-56s %7s %8.3f  %-15s %s" % (label, "<= %g" % limit, value, spread, verdict))
EOF
