#!/usr/bin/env bash
# Runs a test program with the trap's firmware on a simulated board behind LINK, a pass
# of 1.234567 s driven once the program has set the trap's spacing.
#   with_trap.sh TRAP_SERVE SPEEDTRAP_HEX LINK PROGRAM [ARGUMENTS...]
set -uo pipefail
serve=$1 hex=$2 link=$3
shift 3
"$serve" "$hex" "$link" 1234567 &
trap_pid=$!
for _ in $(seq 1 100); do [ -L "$link" ] && break; sleep 0.05; done
# The port as the program names it: LINK itself, unless given (COM5 under Wine).
TRACKPACE_TRAP_PORT=${TRACKPACE_TRAP_PORT:-$link} "$@"
status=$?
kill "$trap_pid" 2>/dev/null
wait "$trap_pid" 2>/dev/null
exit $status
