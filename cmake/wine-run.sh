#!/bin/sh
# Runs one of the Windows build's test programs for ctest: wine-run.sh WINE
# PROGRAM [ARGUMENTS].  Now and then Wine ends a program before it has run
# at all: a failing exit at once, and not a byte printed (a clean checkout's
# test run once had turn_tests fail in 0.01 s with no output, where the
# suite itself takes seconds and always prints).  A program that never ran
# is not a test's result, so such a start is said on standard error and
# tried again, three starts at most; once the program has printed anything,
# its exit code is the result as it stands.
wine=$1
shift
out=$(mktemp) || exit 1
err=$(mktemp) || { rm -f "$out"; exit 1; }
trap 'rm -f "$out" "$err"' EXIT
start=1
while :; do
    "$wine" "$@" >"$out" 2>"$err"
    rc=$?
    if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$start" -ge 3 ]; then
        break
    fi
    echo "wine-run: Wine ended $1 with exit code $rc before it printed anything (start $start of 3)" >&2
    start=$((start + 1))
done
cat "$out"
cat "$err" >&2
exit "$rc"
