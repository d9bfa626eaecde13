#!/usr/bin/env bash
# Runs the portable test suites of the Windows build as Windows programs under Wine, on
# Qt's offscreen platform, and prints one summary line.
#   wine-tests.sh BUILD_FOLDER QT_PREFIX LINUX_BUILD_FOLDER
# The speed log's printed page, which Windows cannot read back, is read by the Linux
# build of the same test from the PDF the Windows one wrote.
# Wine hands no QT_* variable to a Windows program, so the platform is given as
# -platform offscreen on the command line (to the suites that make windows).
set -uo pipefail

build=$(realpath "$1")
qt=$(realpath "$2")
linux_build=$(realpath "$3")
source=$(cd "$(dirname "$0")/../.." && pwd)
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
export WINEPATH="Z:$qt/bin;Z:$runtime;Z:/usr/x86_64-w64-mingw32/lib"
results=$build/wine-results
mkdir -p "$results"
wineboot -i >/dev/null 2>&1

passed=0
failed=()
total=0
while read -r suite gui; do
    [ -n "$suite" ] || continue
    name=$(basename "$suite" .exe)
    total=$((total + 1))
    args=(-o "$results/$name.txt,txt")
    [ "$gui" = 1 ] && args=(-platform offscreen "${args[@]}")
    if [ "$name" = tst_trap ]; then
        # The trap's firmware on a simulated board behind COM5, which Wine maps to the
        # pseudo-terminal trap_serve makes (Linux build, firmware on).
        serve=$linux_build/tests/trap_serve
        hex=$linux_build/firmware/speedtrap.hex
        if [ ! -x "$serve" ] || [ ! -f "$hex" ]; then
            echo "FAIL $name: $serve or $hex is missing (the Linux build needs -DTRACKPACE_FIRMWARE=ON)"
            failed+=("$name")
            continue
        fi
        serve_trap() {
            (cd "$(dirname "$suite")" && TRACKPACE_TRAP_PORT=COM5 timeout 600 bash "$source/tests/firmware/with_trap.sh" \
                "$serve" "$hex" "$WINEPREFIX/dosdevices/com5" wine "$suite" "${args[@]}" >/dev/null 2>&1)
        }
        serve_trap
        status=$?
        if [ "$status" -ne 0 ]; then
            # Under Wine the pass now and then never reaches the program (about one run in
            # seven; the cause is not yet found): the failure is shown, and the suite runs once more.
            echo "RETRY $name (status $status): $(grep -h '^Totals' "$results/$name.txt" 2>/dev/null)"
            grep -h -A2 '^FAIL' "$results/$name.txt" 2>/dev/null | head -6
            serve_trap
            status=$?
        fi
    elif [ "$name" = tst_station ]; then
        # The WiThrottle client against the layout in a box, run on this side on loopback.
        sim=$linux_build/tools/layout-sim
        if [ ! -x "$sim" ]; then
            echo "FAIL $name: $sim is missing (build Linux first)"
            failed+=("$name")
            continue
        fi
        events=$results/layout-sim.txt
        "$sim" --withrottle 0 --heartbeat 3 --loco 341 < /dev/null > "$events" 2>&1 &
        sim_pid=$!
        for _ in $(seq 1 50); do grep -q '^[0-9]* ready' "$events" 2>/dev/null && break; sleep 0.1; done
        port=$(awk '$2 == "withrottle" {print $4; exit}' "$events")
        (cd "$(dirname "$suite")" && TRACKPACE_WITHROTTLE=127.0.0.1:$port timeout 600 wine "$suite" "${args[@]}" \
            >/dev/null 2>&1)
        status=$?
        kill "$sim_pid" 2>/dev/null
        wait "$sim_pid" 2>/dev/null
        grep -q 'loco 341 released' "$events" || { echo "the simulator never saw locomotive 341 let go"; status=1; }
    else
        (cd "$(dirname "$suite")" && timeout 600 wine "$suite" "${args[@]}" >/dev/null 2>&1)
        status=$?
    fi
    summary=$(grep -h '^Totals' "$results/$name.txt" 2>/dev/null)
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        echo "PASS $name: $summary"
    else
        failed+=("$name")
        echo "FAIL $name (status $status): $summary"
        grep -h -A3 '^FAIL' "$results/$name.txt" 2>/dev/null | head -20
    fi
done < "$build/wine-suites.txt"
wineserver -k 2>/dev/null

# The speed log's page printed under Wine as the program prints it (with the system's
# fonts, which Qt's offscreen platform does not have on Windows), read on this side.
suite=$(awk '/tst_log/{print $1; exit}' "$build/wine-suites.txt")
page=$(dirname "$suite")/tst_log-page.pdf
rm -f "$page"
xvfb=""
if [ -n "${TRACKPACE_E2E_DISPLAY:-}" ]; then
    export DISPLAY=$TRACKPACE_E2E_DISPLAY
else
    display_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 1 50); do [ -s "$display_file" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$display_file")"
    rm -f "$display_file"
fi
(cd "$(dirname "$suite")" && timeout 300 wine "$suite" -platform windows pageHoldsTheStepTable \
    -o "$results/page-windows.txt,txt" >/dev/null 2>&1)
wineserver -k 2>/dev/null
[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
if [ -s "$page" ] && TRACKPACE_PAGE_FROM="$page" QT_QPA_PLATFORM=offscreen \
        "$linux_build/tests/tst_log" pageHoldsTheStepTable -o "$results/page.txt,txt" >/dev/null 2>&1 &&
        grep -q '^PASS   : TestLog::pageHoldsTheStepTable' "$results/page.txt"; then
    echo "PASS the speed log's page printed under Wine, read back here: $(grep -h '^Totals' "$results/page.txt")"
else
    failed+=("the speed log's page printed under Wine ($page)")
    echo "FAIL the speed log's page printed under Wine, read back here"
    grep -h -A3 '^FAIL' "$results/page.txt" 2>/dev/null | head -10
fi

echo "Wine: $total suites (tst_trap on COM5, a pseudo-terminal with the trap's firmware on simavr behind it; tst_station's WiThrottle client against the layout in a box on loopback), $passed passed${failed:+, failed: ${failed[*]}}; on Linux only (POSIX): tst_savefile (FIFOs, devices, other users, file size limits), tst_print (CUPS, pdftotext), tst_memory (glibc's heap figures), tst_fonts (fontconfig), tst_logfaults (killed writers, file size limits, other users), tst_spreadsheets (LibreOffice), layers and e2e"
[ ${#failed[@]} -eq 0 ]
