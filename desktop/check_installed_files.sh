#!/bin/sh
# Compares a list of installed files (relative to the prefix, one a line, on
# standard input) with desktop/installed-files.txt. Prints what is missing or
# unexpected and fails then.
#   check_installed_files.sh EXPECTED_LIST < FILES
set -euf  # no globbing: the list holds patterns
expected=$1
files=$(cat)
status=0
patterns=$(grep -v '^#' "$expected" | grep -v '^$')

for file in $files; do
    matched=no
    for pattern in $patterns; do
        # shellcheck disable=SC2254
        case $file in $pattern) matched=yes; break ;; esac
    done
    if [ $matched = no ]; then
        echo "unexpected: $file"
        status=1
    fi
done
for pattern in $patterns; do
    found=no
    for file in $files; do
        # shellcheck disable=SC2254
        case $file in $pattern) found=yes; break ;; esac
    done
    if [ $found = no ]; then
        echo "missing: $pattern"
        status=1
    fi
done
exit $status
