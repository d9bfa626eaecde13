#!/usr/bin/env bash
# The built program as a person starts it: a copy in a fresh folder (whose name is
# not valid UTF-8, as a Latin-1 "café" is not), started from another directory, in a
# real X server, driven by xdotool. Usage: e2e.sh PROGRAM SHOTS
# It moves the pointer and types, so it runs only on the X server named by
# TRACKPACE_E2E_DISPLAY (an Xvfb of its own), never on somebody's desktop.
set -uo pipefail

program=$1
shots=${2:-.}
skip=77

if [ -z "${TRACKPACE_E2E_DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v xwininfo >/dev/null ||
    ! command -v import >/dev/null; then
    echo "SKIP: needs TRACKPACE_E2E_DISPLAY (an Xvfb display), xdotool, xwininfo and ImageMagick"
    exit $skip
fi
export DISPLAY=$TRACKPACE_E2E_DISPLAY
export QT_QPA_PLATFORM=xcb

work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
app="$work/$(printf 'caf\351')"
mkdir -p "$app" "$work/elsewhere" "$shots"
cp "$program" "$app/trackpace"
# Its modules (printing, the speed log) beside it, as in an unpacked copy.
cp "$(dirname "$program")"/trackpace-*.so "$app/"
ini="$app/Trackpace.ini"

fail() {
    echo "FAIL: step $1: $2"
    exit 1
}

# Waits at most 10 s for a visible window whose title is exactly $1; prints its id.
wait_window() {
    timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

start() {
    (cd "$work/elsewhere" && exec "$app/trackpace") >/dev/null 2>&1 &
    pid=$!
}

# Waits at most $1 seconds for the program to end; sets status to its exit status,
# or to "running". (Not in a subshell: only this shell can wait for its child.)
wait_exit() {
    local waited=0
    status=running
    while kill -0 "$pid" 2>/dev/null; do
        [ "$waited" -ge $(( $1 * 10 )) ] && return
        sleep 0.1
        waited=$((waited + 1))
    done
    wait "$pid"
    status=$?
    pid=""
}

main_title="Trackpace - Scale Speed Calculator"
# shellcheck source=type-runs.sh
. "$(dirname "$0")/type-runs.sh"

# 1. No settings file: the warning comes first, the main window after it.
start
box=$(wait_window "Trackpace - Initialization Error")
[ -n "$box" ] || fail 1 "no warning box titled 'Trackpace - Initialization Error'"
[ -z "$(xdotool search --onlyvisible --name "^$main_title\$" 2>/dev/null)" ] ||
    fail 1 "the main window showed before the warning was dismissed"
xdotool windowfocus --sync "$box" key Return
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 1 "no main window after the warning"
width=$(xwininfo -id "$main" | awk '/Width:/{print $2}')
height=$(xwininfo -id "$main" | awk '/Height:/{print $2}')
menu_bar=$((height - 250))
[ "$width" -eq 441 ] && [ "$menu_bar" -ge 15 ] && [ "$menu_bar" -le 40 ] ||
    fail 1 "main window is ${width}x${height}, not a 441x250 client area under a menu bar"
[ ! -e "$ini" ] || fail 1 "start-up created the settings file"
# With the built-in defaults, for the Windows build to be compared with.
sleep 0.3
import -window "$main" "$shots/main-window-defaults.png" || fail 1 "no screenshot"
kill "$pid"; wait "$pid" 2>/dev/null; pid=""

# 2. A settings file of N, CIRCLE, 120 beside the copy: no warning.
printf '[TRACKPACE]\r\nScale=N\r\nTrackConfig=CIRCLE\r\nTrackLength=120\r\n' >"$ini"
cp "$ini" "$work/ini.before"
start
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 2 "no main window"
[ -z "$(xdotool search --name "^Trackpace - Initialization Error\$" 2>/dev/null)" ] || fail 2 "a warning box appeared"
sleep 0.3  # let the first paint settle before the picture
import -window "$main" "$shots/main-window.png" || fail 2 "no screenshot"

# The table window, for people to look at: TIME vs. SPEED Table, then Create.
xdotool mousemove --window "$main" 225 $((menu_bar + 37)) click 1
xdotool mousemove --window "$main" 384 $((menu_bar + 38)) click 1
table=$(wait_window "Trackpace - Time vs. Speed Table")
[ -n "$table" ] || fail 2 "Create opened no table window"
sleep 0.3
import -window "$table" "$shots/table-window.png" || fail 2 "no table screenshot"
xdotool mousemove --window "$table" 288 268 click 1   # its Exit
timeout 10 bash -c "while xdotool search --onlyvisible --name '^Trackpace - Time vs. Speed Table\$' >/dev/null 2>&1; do sleep 0.1; done" ||
    fail 2 "the table window did not close"

# 3. Exit, clicked where the window has it, ends the program at once with status 0.
xdotool mousemove --window "$main" 376 $((menu_bar + 220)) click 1
wait_exit 2
[ "$status" = "0" ] || fail 3 "Exit ended the program with '$status' (want 0 within 2 s)"
cmp -s "$ini" "$work/ini.before" || fail 3 "the settings file changed"

# 4. Preferences, Save through the keyboard: the file beside the copy is written.
rm -f "$ini"
start
box=$(wait_window "Trackpace - Initialization Error")
[ -n "$box" ] || fail 4 "no warning box without a file"
xdotool windowfocus --sync "$box" key Return
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 4 "no main window"
xdotool windowfocus --sync "$main" key alt+p
prefs=$(wait_window "Trackpace - Preferences")
[ -n "$prefs" ] || fail 4 "Alt+P opened no preferences window"
xdotool windowfocus --sync "$prefs" key Tab Tab Tab space
timeout 10 bash -c "until [ -e '$ini' ]; do sleep 0.1; done" || fail 4 "Save wrote no file beside the program"
[ "$(cat "$ini")" = "$(printf '[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n')" ] ||
    fail 4 "the file holds $(od -c "$ini" | head -3)"
[ ! -e "$work/elsewhere/Trackpace.ini" ] || fail 4 "a file was written into the working directory"
kill "$pid"; wait "$pid" 2>/dev/null; pid=""

# 5. The run timer, opened from the menu and timed with Space for about two seconds,
#    hands 2 to the main window's elapsed time: its box then looks exactly as it did
#    when the time was spun to 2 by hand.
start
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 5 "no main window"
# Ctrl+T in the main window, then a run of about $1 seconds timed with Space; $2 is the
# step that fails if no timer opens. Leaves the timer's window id in $timer.
time_run() {
    xdotool windowfocus --sync "$main" key ctrl+t
    timer=$(wait_window "Trackpace - Run Timer")
    [ -n "$timer" ] || fail "$2" "Ctrl+T opened no run timer"
    xdotool windowfocus --sync "$timer" key space
    sleep "$1"
    xdotool key space
}
menu_bar=$(( $(xwininfo -id "$main" | awk '/Height:/{print $2}') - 250 ))
time_box() {   # the elapsed time's box (2412, 1080 twips in the Task frame), as shown
    xdotool mousemove 0 0
    sleep 0.3
    import -window "$main" -crop "23x21+369+$((menu_bar + 80))" +repage "$1"
}
xdotool mousemove --window "$main" 400 $((menu_bar + 84)) click 1   # the up arrow: 2
time_box "$work/spun.png"
xdotool mousemove --window "$main" 400 $((menu_bar + 96)) click 1   # the down arrow: 1
time_box "$work/one.png"
time_run 2 5
sleep 0.3
# Beside the main window, not over it; the picture shows the two side by side.
geometry() {   # x y width height of a window, on the screen
    xwininfo -id "$1" | awk '/Absolute upper-left X:/{x=$4} /Absolute upper-left Y:/{y=$4}
                             /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
read -r mx my mw mh <<<"$(geometry "$main")"
read -r tx ty tw th <<<"$(geometry "$timer")"
[ "$tx" -ge $((mx + mw)) ] || [ $((tx + tw)) -le "$mx" ] ||
    fail 5 "the run timer ($tx,$ty ${tw}x$th) opened over the main window ($mx,$my ${mw}x$mh)"
left=$((mx < tx ? mx : tx)); top=$((my < ty ? my : ty))
right=$((mx + mw > tx + tw ? mx + mw : tx + tw)); bottom=$((my + mh > ty + th ? my + mh : ty + th))
import -window root -crop "$((right - left + 8))x$((bottom - top + 8))+$((left - 4))+$((top - 4))" +repage \
    "$shots/run-timer.png" || fail 5 "no run timer screenshot"
xdotool windowfocus --sync "$timer" key Escape
timeout 10 bash -c "while xdotool search --onlyvisible --name '^Trackpace - Run Timer\$' >/dev/null 2>&1; do sleep 0.1; done" ||
    fail 5 "the run timer did not close"
time_box "$work/timed.png"
same() { [ "$(convert "$1" rgba:- | md5sum)" = "$(convert "$2" rgba:- | md5sum)" ]; }
! same "$work/spun.png" "$work/one.png" || fail 5 "the time box shows 2 and 1 alike"
same "$work/timed.png" "$work/spun.png" || fail 5 "after about two seconds' timing the elapsed time does not show 2"

kill "$pid"; wait "$pid" 2>/dev/null; pid=""

# 6. The speed log: Ctrl+L, a locomotive and its throttle step typed, a run timed
#    with Space in the run timer: the run shows in the log window (its title counts
#    it) and is kept beside the copy. Killed right after, the next start still has it.
start
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 6 "no main window"
xdotool windowfocus --sync "$main" key ctrl+l
log=$(wait_window "Trackpace - Speed Log - 0 runs")
[ -n "$log" ] || fail 6 "Ctrl+L opened no empty speed log"
xdotool windowfocus --sync "$log" key alt+l
xdotool type --delay 20 "GP9 4071"
xdotool key alt+h ctrl+a
xdotool type --delay 20 "12"
time_run 5 6
[ -n "$(wait_window "Trackpace - Speed Log - 1 run")" ] || fail 6 "the timed run did not appear in the log window"
[ -s "$app/Trackpace.log.sqlite" ] || fail 6 "no log file beside the program"
kill -KILL "$pid"; wait "$pid" 2>/dev/null; pid=""
start
main=$(wait_window "$main_title")
[ -n "$main" ] || fail 6 "no main window after the kill"
xdotool windowfocus --sync "$main" key ctrl+l
[ -n "$(wait_window "Trackpace - Speed Log - 1 run")" ] || fail 6 "the run was lost when the program was killed"

# Three locomotives typed in, both ways, for the curve of the README.
log=$(wait_window "Trackpace - Speed Log - 1 run")
type_runs "$log" "GP9 4071|12|4.9" "GP9 4071|12|5.1" "GP9 4071|20|3.2" "GP9 4071|20|3.3" "GP9 4071|28|2.4" \
    "GP9 4071|4|10.4" "GP9 4071|12|5.4|reverse" "GP9 4071|20|3.5|reverse" "GP9 4071|28|2.6|reverse" \
    "SD40-2 5300 Union Pacific|4|12.1" "SD40-2 5300 Union Pacific|12|5.5" "SD40-2 5300 Union Pacific|20|3.5" \
    "SD40-2 5300 Union Pacific|28|2.6" "SD40-2 5300 Union Pacific|12|5.9|reverse" \
    "SD40-2 5300 Union Pacific|28|2.8|reverse" "Mikado 1066|4|14.0" "Mikado 1066|12|6.2" "Mikado 1066|20|4.1" \
    "Mikado 1066|28|3.0" "Mikado 1066|12|6.6|reverse" "Mikado 1066|28|3.3|reverse"
[ -n "$(wait_window "Trackpace - Speed Log - 22 runs")" ] || fail 6 "typed runs did not all appear"
# On this 1280 x 1024 screen the log opened narrowed beside the main window, clear of
# it and the run timer; for the picture, at the size it has on a larger screen.
xdotool windowsize --sync "$log" 860 700 windowmove --sync "$log" 0 0
xdotool windowfocus --sync "$log" key alt+v alt+g ctrl+a
xdotool type "60"
xdotool key Tab
sleep 0.5
import -window "$log" "$shots/speed-log-curve.png" || fail 6 "no speed log screenshot"

echo "PASS: all six steps"
