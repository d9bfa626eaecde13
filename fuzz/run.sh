#!/usr/bin/env bash
# Runs each fuzz target for a bounded time. Usage: run.sh BUILD SECONDS
# A crash, a leak, a timeout over 1 s or a broken invariant fails the run; the input
# that found it is left in BUILD/fuzz-artifacts/ to be added to fuzz/corpus/ with the fix.
set -euo pipefail
build=$1
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$build/fuzz-artifacts"
status=0
for target in settings length; do
    work="$build/fuzz-corpus/$target"
    mkdir -p "$work"
    log="$build/fuzz-$target.log"
    echo "== ${target}_fuzzer for ${seconds} s"
    if "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=1 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/${target}-" "$work" "$here/corpus/$target" >"$log" 2>&1; then
        runs=$(awk '/stat::number_of_executed_units/{print $2}' "$log")
        time=$(awk '/stat::average_exec_per_sec/{print $2}' "$log")
        echo "   passed: $runs executions, $time per second"
    else
        echo "   FAILED: see $log"
        tail -n 30 "$log"
        status=1
    fi
done
exit $status
