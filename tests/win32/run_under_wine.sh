#!/usr/bin/env bash
# Runs a Windows test program under Wine for CTest: the program's output
# reaches CTest, and so does its exit code.
#
# The output passes through a file. Wine's helper processes (services,
# explorer, ...) inherit the program's standard output and stay for a few
# seconds after it ends; were that CTest's pipe, CTest would wait for them
# as long (and, with a persistent wineserver, for as long as that lives).
set -u
output=$(mktemp)
trap 'rm -f "$output"' EXIT
wine "$@" >"$output" 2>&1 </dev/null
code=$?
cat "$output"
# Wine can end a process that crashed with exit code 0 (seen when COM had
# started threads of its own); its crash report is the sign that counts.
if [ "$code" -eq 0 ] && grep -q '^wine: Unhandled' "$output"; then
    echo "run_under_wine.sh: the program crashed (exit code $code)" >&2
    code=70
fi
exit "$code"
