#!/bin/sh
# Builds the core and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ and runs the tests of the
# store, the ledgers, the entries, the query and export, backup and restore,
# and the command-line tool there. Any report fails the run.
set -eu
cd "$(dirname "$0")/.."
build=build-sanitize
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQINGHE_SANITIZE=ON \
    -DQINGHE_WARNINGS_AS_ERRORS=ON -DQINGHE_BUILD_GUI=OFF -DQINGHE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target store_tests ledger_tests entry_tests report_tests \
    maintenance_tests cli_tests qinghe-cli
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for tests in store ledger entry report maintenance cli; do
    echo "== ${tests}_tests under the sanitizers"
    "$build/tests/$tests/${tests}_tests" --gtest_brief=1
done
