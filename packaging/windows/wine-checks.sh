#!/usr/bin/env bash
# The Windows downloads as a user gets them, under Wine in a real X server: the zip's
# program started from a folder whose name is in Cyrillic and Polish letters (its first
# box, its main window beside the Linux one, Preferences saved, the speed log, a printed
# table where Wine reaches a CUPS queue), then the installer installed silently for a
# user whose data folder has such a name, the installed program's first box and its
# files there, and the silent uninstall leaving nothing behind. Each step is done or the
# whole check fails; a step that cannot be tried here makes the last line SKIP, with
# the reason, never PASS.
#   wine-checks.sh BUILD_FOLDER LINUX_BUILD_FOLDER
# It runs on the X server named by TRACKPACE_E2E_DISPLAY (as CI sets it), else on an
# Xvfb of its own. With TRACKPACE_CUPS_QUEUE and TRACKPACE_CUPS_OUTPUT set (as CI sets
# them), the printed job is looked for in that folder.
set -uo pipefail

build=$(realpath "$1")
linux_build=$(realpath "$2")
skipped=()
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
    for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
fi
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=-all
version=$(cd "$(dirname "$0")/../.." && make -s version)
# shellcheck source=../../tests/e2e/type-runs.sh
. "$(dirname "$0")/../../tests/e2e/type-runs.sh"
work=$(mktemp -d)
pid=""

fail() {
    echo "FAIL: $*"
    exit 1
}
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
wineboot -i >/dev/null 2>&1

wait_window() {   # a visible window titled exactly $1, within 20 s
    timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}
wait_gone() {
    timeout 20 bash -c "while xdotool search --onlyvisible --name '^$1\$' >/dev/null 2>&1; do sleep 0.2; done"
}
# The text of a message box, copied out of it with Ctrl+C as a Windows user would
# (Windows copies title, text and buttons, each between lines of dashes).
box_text() {
    printf '' | xclip -selection clipboard
    xdotool windowfocus --sync "$1" key ctrl+c
    sleep 0.5
    xclip -o -selection clipboard 2>/dev/null | tr -d '\r' | awk '/^-+$/{n++; next} n==2'
}
start() {   # start EXE: the program as a user starts it, from its own folder
    # not exec'd: wineserver -k kills wine, and the shell would report it
    (cd "$(dirname "$1")" && wine "$1"; exit 0) >/dev/null 2>&1 &
    pid=$!
}
stop() {
    wineserver -k 2>/dev/null
    { wait "$pid"; } 2>/dev/null
    pid=""
}

# The Linux main window with the built-in defaults, made here on the same X server,
# for the Windows one to be compared with.
linux_copy="$work/linux"
mkdir -p "$linux_copy"
cp "$linux_build/trackpace" "$linux_build"/trackpace-*.so "$linux_copy/"
printf '[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n' >"$linux_copy/Trackpace.ini"
QT_QPA_PLATFORM=xcb "$linux_copy/trackpace" >/dev/null 2>&1 &
linux_pid=$!
linux_main=$(wait_window "Trackpace - Scale Speed Calculator")
[ -n "$linux_main" ] || fail "the Linux program showed no main window to compare with"
sleep 1
linux_shot="$work/linux-main-window.png"
import -window "$linux_main" "$linux_shot" || fail "no picture of the Linux main window"
kill "$linux_pid"; wait "$linux_pid" 2>/dev/null

# 1. The zip, unpacked into a folder whose name is outside the Windows code page.
downloads="$work/Модели Łódź"
mkdir -p "$downloads"
(cd "$downloads" && unzip -q "$build/Trackpace-$version-win64.zip") || fail "the zip does not unpack"
exe="$downloads/Trackpace/trackpace.exe"
start "$exe"
box=$(wait_window "Trackpace - Initialization Error")
[ -n "$box" ] || fail "the zip's program showed no first box"
text=$(box_text "$box")
windows_folder="Z:$(printf '%s' "$downloads/Trackpace" | tr '/' '\\')"
[ "$text" = "$windows_folder\\Trackpace.ini not found . . . using program defaults." ] ||
    fail "the first box says '$text', not that $windows_folder\\Trackpace.ini is missing"
xdotool windowfocus --sync "$box" key Return
main=$(wait_window "Trackpace - Scale Speed Calculator")
[ -n "$main" ] || fail "no main window titled 'Trackpace - Scale Speed Calculator'"
sleep 1
import -window "$main" "$build/wine-main-window.png" || fail "no screenshot"
width=$(xwininfo -id "$main" | awk '/Width:/{print $2}')
height=$(xwininfo -id "$main" | awk '/Height:/{print $2}')
[ "$width" -eq 441 ] || fail "the main window is $width pixels wide, not 441"
echo "zip: the first box names $windows_folder\\Trackpace.ini; main window ${width}x$height"
# The same controls at the same places: the client areas (below the menu bar)
# compared as black-and-white outlines, pixel for pixel.
outline() {
    convert "$1" -gravity south -crop 441x250+0+0 +repage -colorspace gray -threshold 60% "$2"
}
outline "$linux_shot" "$work/linux.png"
outline "$build/wine-main-window.png" "$work/wine.png"
differ=$(compare -metric AE "$work/linux.png" "$work/wine.png" /dev/null 2>&1 | cut -d' ' -f1)
echo "zip: the main window's client area differs from Linux's in $differ of 110250 pixels (text rendering)"
[ "${differ%.*}" -lt 5000 ] || fail "the Windows main window does not look like the Linux one ($differ pixels differ)"

# Preferences saved beside the program, in that folder.
xdotool windowfocus --sync "$main" key alt+p
prefs=$(wait_window "Trackpace - Preferences")
[ -n "$prefs" ] || fail "Alt+P opened no preferences window"
xdotool windowfocus --sync "$prefs" key Tab Tab Tab space
ini="$downloads/Trackpace/Trackpace.ini"
timeout 10 bash -c "until [ -e '$ini' ]; do sleep 0.1; done" || fail "Save wrote no $ini"
[ "$(cat "$ini")" = "$(printf '[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n')" ] ||
    fail "the saved file holds $(od -c "$ini" | head -3)"
echo "zip: Preferences saved $windows_folder\\Trackpace.ini"

# The speed log, loaded from the zip's folder: two locomotives typed in, the curve
# (painted by the log itself on Windows) pictured, the file made beside the program.
xdotool windowfocus --sync "$main" key ctrl+l
log=$(wait_window "Trackpace - Speed Log - 0 runs")
[ -n "$log" ] || fail "Ctrl+L opened no empty speed log"
type_runs "$log" "GP9 4071|12|4.9" "GP9 4071|12|5.1" "GP9 4071|20|3.2" "SD40 5300|12|5.5" "SD40 5300|20|3.5"
[ -n "$(wait_window "Trackpace - Speed Log - 5 runs")" ] || fail "the typed runs did not all appear in the log"
xdotool windowfocus --sync "$log" key alt+v
sleep 1
import -window "$log" "$build/wine-speed-log.png" || fail "no speed log screenshot"
[ -s "$downloads/Trackpace/Trackpace.log.sqlite" ] || fail "no Trackpace.log.sqlite beside the program"
echo "speed log: 5 typed runs kept in $windows_folder\\Trackpace.log.sqlite"
xdotool windowfocus --sync "$log" key alt+F4
wait_gone "Trackpace - Speed Log - 5 runs" || fail "the speed log did not close"

# 2. Print, where Wine has the CI's CUPS queue as its default printer.
if [ -n "${TRACKPACE_CUPS_QUEUE:-}" ] && [ -d "${TRACKPACE_CUPS_OUTPUT:-}" ]; then
    before=$(ls "$TRACKPACE_CUPS_OUTPUT" | wc -l)
    menu_bar=$((height - 250))
    xdotool mousemove --window "$main" 225 $((menu_bar + 37)) click 1   # TIME vs. SPEED Table
    xdotool mousemove --window "$main" 384 $((menu_bar + 38)) click 1   # Create
    table=$(wait_window "Trackpace - Time vs. Speed Table")
    [ -n "$table" ] || fail "Create opened no table window"
    sleep 1
    xdotool mousemove --window "$table" 208 268 click 1   # Print
    timeout 60 bash -c "until [ \$(ls '$TRACKPACE_CUPS_OUTPUT' | wc -l) -gt $before ]; do sleep 0.5; done" ||
        fail "no job reached the queue $TRACKPACE_CUPS_QUEUE"
    job=$(ls -t "$TRACKPACE_CUPS_OUTPUT"/job-*.pdf | head -n 1)
    sleep 1
    grep -q '^%%Title: Trackpace - TIME vs. SPEED Table' "$job" || fail "the job $job is not the table"
    # Wine's printer driver sends PostScript, its text drawn as outlines: the title
    # and the pages are what can be read back.
    pages=$(grep -c '^%%Page:' "$job")
    [ "$pages" = 1 ] || fail "the job has $pages pages, not 1"
    echo "print: one page titled 'Trackpace - TIME vs. SPEED Table' reached $TRACKPACE_CUPS_QUEUE ($(basename "$job"))"
else
    skipped+=("print: not tried, as no CUPS queue is named by TRACKPACE_CUPS_QUEUE")
    echo "print: not tried (no CUPS queue named by TRACKPACE_CUPS_QUEUE)"
fi
stop

# 3. The installer, silently, then the installed program's first start, for a user whose
#    data folder is named in Greek and Chinese letters.
program_files=$(wine cmd /c 'echo %ProgramW6432%' 2>/dev/null | tr -d '\r')
install_dir=$(winepath -u "$program_files\\Trackpace" 2>/dev/null)
profile=$(wine cmd /c 'echo %USERPROFILE%' 2>/dev/null | tr -d '\r')
app_data="$profile\\Μοντέλα 模型\\AppData"
shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders'
old_app_data=$(wine reg query "$shell_folders" /v AppData 2>/dev/null | tr -d '\r' | awk -F'REG_EXPAND_SZ *' '/AppData/{print $2}')
wine reg add "$shell_folders" /v AppData /t REG_EXPAND_SZ /d "$app_data" /f >/dev/null 2>&1 ||
    fail "the user's data folder could not be named $app_data"
mkdir -p "$(winepath -u "$app_data" 2>/dev/null)"
# A first start: nothing left there by an earlier run in the same Wine prefix.
rm -rf "$(winepath -u "$app_data\\Trackpace" 2>/dev/null)"
wine "$build/Trackpace-$version-setup.exe" /S >/dev/null 2>&1 || fail "the silent install failed"
wineserver -w
[ -f "$install_dir/trackpace.exe" ] && [ -f "$install_dir/Uninstall.exe" ] ||
    fail "nothing installed in $install_dir"
start_menu=$(winepath -u "$(wine cmd /c 'echo %ProgramData%' 2>/dev/null | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null)
[ -f "$start_menu/Trackpace.lnk" ] || fail "no Start-menu entry in $start_menu"
installed_files=$(find "$install_dir" -type f | wc -l)
echo "installer: $installed_files files in $install_dir, and the Start-menu entry"
start "$install_dir/trackpace.exe"
box=$(wait_window "Trackpace - Initialization Error")
[ -n "$box" ] || fail "the installed program showed no first box"
text=$(box_text "$box")
[ "$text" = "$app_data\\Trackpace\\Trackpace.ini not found . . . using program defaults." ] ||
    fail "the installed program's first box says '$text', not $app_data\\Trackpace\\Trackpace.ini"
echo "installed: the first box names $app_data\\Trackpace\\Trackpace.ini"
xdotool windowfocus --sync "$box" key Return
main=$(wait_window "Trackpace - Scale Speed Calculator")
[ -n "$main" ] || fail "the installed program showed no main window"
xdotool windowfocus --sync "$main" key alt+p
prefs=$(wait_window "Trackpace - Preferences")
[ -n "$prefs" ] || fail "Alt+P opened no preferences window in the installed program"
xdotool windowfocus --sync "$prefs" key Tab Tab Tab space
user_folder=$(winepath -u "$app_data\\Trackpace" 2>/dev/null)
timeout 10 bash -c "until [ -e '$user_folder/Trackpace.ini' ]; do sleep 0.1; done" ||
    fail "the installed program's Save wrote no $app_data\\Trackpace\\Trackpace.ini"
xdotool windowfocus --sync "$main" key ctrl+l
[ -n "$(wait_window "Trackpace - Speed Log - 0 runs")" ] || fail "the installed program opened no speed log"
timeout 10 bash -c "until [ -s '$user_folder/Trackpace.log.sqlite' ]; do sleep 0.1; done" ||
    fail "the installed program keeps no log in $app_data\\Trackpace"
echo "installed: Preferences and the speed log kept in $app_data\\Trackpace"
stop
if [ -n "$old_app_data" ]; then
    wine reg add "$shell_folders" /v AppData /t REG_EXPAND_SZ /d "$old_app_data" /f >/dev/null 2>&1
fi

# 4. Uninstalled silently: not a file of its own left.
wine "$install_dir/Uninstall.exe" /S >/dev/null 2>&1
wineserver -w
sleep 2
[ ! -e "$install_dir" ] || fail "left behind: $(find "$install_dir" | head -5 | tr '\n' ' ')"
[ ! -e "$start_menu/Trackpace.lnk" ] || fail "the Start-menu entry is left behind"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Trackpace' >/dev/null 2>&1 &&
    fail "the uninstall entry is left in the registry"
echo "uninstalled: $install_dir, the Start-menu entry and the uninstall entry are gone"
if [ ${#skipped[@]} -gt 0 ]; then
    echo "SKIP: the zip, the installer and the uninstaller passed under Wine, but not everything was tried:"
    printf '  %s\n' "${skipped[@]}"
else
    echo "PASS: the zip, printing, the installer and the uninstaller under Wine"
fi
