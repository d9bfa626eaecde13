#!/usr/bin/env bash
# Runs the benchmarks of a build folder on an Xvfb of their own. Usage: run.sh BUILD
set -euo pipefail
build=$1
out="$build/bench"
runs=${BENCH_RUNS:-20}

# Trackpace with a valid settings file beside it, so that no box delays its window.
mkdir -p "$out/app"
cp "$build/trackpace" "$out/app/trackpace"
printf '[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n' >"$out/app/Trackpace.ini"

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$display_file"' EXIT
for _ in $(seq 1 50); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_file")"
# The display number comes a moment before the server takes connections.
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
export QT_QPA_PLATFORM=xcb

{
    echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/{print $2; exit}' /proc/cpuinfo), $(uname -sr)"
    echo
    "$build/bench/launch_bench" "$runs" "$out/app/trackpace" "$build/bench/bare_window"
    echo
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_micro" 2>/dev/null | grep -E -A1 "^RESULT"
    echo
    # The speed log at a million runs (BENCH_LOG_RUNS), its files made by a process of
    # their own so that the measuring one starts clean.
    logs=$(mktemp -d)
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_log" make "$logs" "${BENCH_LOG_RUNS:-1000000}" 2>/dev/null
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_log" measure "$logs" "${BENCH_LOG_RUNS:-1000000}" 2>/dev/null
    rm -rf "$logs"
    echo
    # A Trackpace trap on a pseudo-terminal: each pass line through to the log, then a quiet trap.
    QT_QPA_PLATFORM=offscreen "$build/bench/bench_device" 2>/dev/null | grep "^RESULT"
} | tee "$out/results.txt"
