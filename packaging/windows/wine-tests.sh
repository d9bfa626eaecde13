#!/usr/bin/env bash
# Runs the portable test suites of the Windows build as Windows programs under Wine, on
# Qt's offscreen platform, and prints one summary line.
#   wine-tests.sh BUILD_FOLDER QT_PREFIX
# Wine hands no QT_* variable to a Windows program, so the platform is given as
# -platform offscreen on the command line (to the suites that make windows).
set -uo pipefail

build=$(realpath "$1")
qt=$(realpath "$2")
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
    (cd "$(dirname "$suite")" && timeout 600 wine "$suite" "${args[@]}" >/dev/null 2>&1)
    status=$?
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

echo "Wine: $total suites, $passed passed${failed:+, failed: ${failed[*]}}; on Linux only (POSIX): tst_savefile (FIFOs, devices, other users, file size limits), tst_print (CUPS, pdftotext), tst_memory (glibc's heap figures), tst_fonts (fontconfig), layers and e2e"
[ ${#failed[@]} -eq 0 ]
