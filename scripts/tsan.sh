#!/bin/sh
# Builds the core and its tests with ThreadSanitizer into build-tsan/ and runs
# the tests of the two parts that work on threads of their own: the store (the
# read-ahead of a table's chunks) and the ledgers (the ledger list's figures
# worker). Their crash sweeps are left out: they repeat one flow failing at
# each step in turn and take most of the time, while the tests that remain
# walk tables on the read-ahead and fill the ledger list with the worker.
# Any report fails the run.
set -eu
cd "$(dirname "$0")/.."
build=build-tsan
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQINGHE_SANITIZE_THREAD=ON \
    -DQINGHE_WARNINGS_AS_ERRORS=ON -DQINGHE_BUILD_GUI=OFF -DQINGHE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target store_tests ledger_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
echo "== store_tests under ThreadSanitizer"
"$build/tests/store/store_tests" --gtest_brief=1 \
    --gtest_filter='-CrashTest.*:StoreCrashTest.*:ChangeLogTest.*'
echo "== ledger_tests under ThreadSanitizer"
"$build/tests/ledger/ledger_tests" --gtest_brief=1 --gtest_filter='-LedgerCrashTest.*'
