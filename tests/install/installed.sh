#!/usr/bin/env bash
# The Debian package as a user gets it: installed with apt-get, checked by the
# validators, started as an ordinary user with a fresh home folder in a real X
# server, then removed again without a trace. Needs root and an Xvfb display.
# Usage: installed.sh PACKAGE.deb DISPLAY
set -uo pipefail

deb=$(realpath "$1")
export DISPLAY=$2
export QT_QPA_PLATFORM=xcb
id=org.trackpace.Trackpace
user=trackpace-user
work=$(mktemp -d)
home=$work/home
pid=""
chmod 755 "$work"

fail() {
    echo "FAIL: $*"
    exit 1
}

cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    userdel "$user" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Waits at most 10 s for a visible window whose title is exactly $1; prints its id.
wait_window() {
    timeout 10 xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Starts the installed program as the user, from a folder of nobody's, with nothing
# of root's environment but the display.
start() {
    (cd /tmp && exec runuser -u "$user" -- env -i HOME="$home" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
        PATH=/usr/bin:/bin /usr/bin/trackpace) >"$work/output.txt" 2>&1 &
    pid=$!
}

stop() {
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    pid=""
}

# The text of a message box, selected and copied out of it as a user would.
box_text() {
    local box=$1 WIDTH HEIGHT X Y SCREEN
    eval "$(xdotool getwindowgeometry --shell "$box")"
    printf '' | xclip -selection clipboard
    xdotool windowfocus --sync "$box"
    xdotool mousemove --window "$box" $((WIDTH * 6 / 10)) 22 click 1
    xdotool key ctrl+a ctrl+c
    sleep 0.3
    xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null
}

echo "== install"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null || fail "apt-get could not install $deb"
dpkg -L trackpace >"$work/files.txt"
echo "   $(dpkg-query -W -f='${Package} ${Version}, ${Installed-Size} KiB installed' trackpace)"
echo "   depends: $(dpkg-query -W -f='${Depends}' trackpace)"

sim=$(grep '/layout-sim$' "$work/files.txt")
"$sim" --help 2>&1 | grep -q '^A layout in a box for Trackpace' || fail "the layout in a box ($sim) does not start"
echo "   layout in a box: $sim"

echo "== validators"
desktop-file-validate /usr/share/applications/$id.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml || fail "appstreamcli validate"
# lintian refuses to be trusted as root; it reads the package as nobody.
cp "$deb" "$work/package.deb" && chmod 644 "$work/package.deb"
runuser -u nobody -- lintian --fail-on error,warning --display-info "$work/package.deb" ||
    fail "lintian reported errors or warnings"
man -l /usr/share/man/man1/trackpace.1.gz >/dev/null 2>&1 || zcat /usr/share/man/man1/trackpace.1.gz | grep -q '^.TH TRACKPACE' ||
    fail "no readable manual page"

echo "== first start as an ordinary user"
useradd --no-create-home --home-dir "$home" --shell /usr/sbin/nologin "$user" || fail "useradd"
mkdir -p "$home" && chown "$user:" "$home" && chmod 700 "$home"
ini=$home/.config/Trackpace/Trackpace.ini
bin_before=$(ls -la /usr/bin | md5sum)
start
box=$(wait_window "Trackpace - Initialization Error")
[ -n "$box" ] || fail "no warning box at the first start ($(cat "$work/output.txt"))"
text=$(box_text "$box")
[ "$text" = "$ini not found . . . using program defaults." ] || fail "the first box says '$text', not that $ini is missing"
xdotool key Escape
main=$(wait_window "Trackpace - Scale Speed Calculator")
[ -n "$main" ] || fail "no main window after the box"

echo "== Preferences, Save"
xdotool windowfocus --sync "$main" key alt+p
prefs=$(wait_window "Trackpace - Preferences")
[ -n "$prefs" ] || fail "Alt+P opened no preferences window"
# From the selected scale: Straight, the length, Save.
xdotool windowfocus --sync "$prefs" key Tab Tab Tab space
timeout 10 bash -c "until [ -e '$ini' ]; do sleep 0.1; done" || fail "Save wrote no $ini"
[ "$(cat "$ini")" = "$(printf '[TRACKPACE]\r\nScale=HO\r\nTrackConfig=STRAIGHT\r\nTrackLength=48\r\n')" ] ||
    fail "the saved file holds $(od -c "$ini" | head -3)"
[ "$(stat -c %U "$ini")" = "$user" ] || fail "$ini is not the user's own"
[ "$(stat -c %a "$home/.config/Trackpace")" = 700 ] || fail "the new folder is not the user's alone"
[ "$(ls -la /usr/bin | md5sum)" = "$bin_before" ] || fail "something was written into /usr/bin"
stop

echo "== second start reads the saved file"
start
main=$(wait_window "Trackpace - Scale Speed Calculator")
[ -n "$main" ] || fail "no main window at the second start"
[ -z "$(xdotool search --name '^Trackpace - Initialization Error$' 2>/dev/null)" ] || fail "a warning box at the second start"
# The speed log: its module found where the package put it, its file made in the
# user's data folder, the user's own.
xdotool windowfocus --sync "$main" key ctrl+l
log=$(wait_window "Trackpace - Speed Log - 0 runs")
[ -n "$log" ] || fail "Ctrl+L opened no speed log ($(cat "$work/output.txt"))"
database=$home/.local/share/Trackpace/Trackpace.log.sqlite
[ -s "$database" ] || fail "no $database"
[ "$(stat -c %U "$database")" = "$user" ] || fail "$database is not the user's own"
echo "   speed log: $database"
# The main window on top again, for the clicks below.
xdotool windowraise "$main"
xdotool windowfocus --sync "$main"
# Print, where a CUPS queue takes the jobs (as in CI): the printing module is found
# where the package put it, and the page reaches the queue.
if [ -n "${TRACKPACE_CUPS_OUTPUT:-}" ] && [ -d "$TRACKPACE_CUPS_OUTPUT" ]; then
    before=$(ls "$TRACKPACE_CUPS_OUTPUT" | wc -l)
    menu_bar=$(( $(xwininfo -id "$main" | awk '/Height:/{print $2}') - 250 ))
    xdotool mousemove --window "$main" 225 $((menu_bar + 37)) click 1   # TIME vs. SPEED Table
    xdotool mousemove --window "$main" 384 $((menu_bar + 38)) click 1   # Create
    table=$(wait_window "Trackpace - Time vs. Speed Table")
    [ -n "$table" ] || fail "Create opened no table window"
    xdotool windowfocus --sync "$table" key Return   # Print has the focus
    timeout 30 bash -c "until [ \$(ls '$TRACKPACE_CUPS_OUTPUT' | wc -l) -gt $before ]; do sleep 0.2; done" ||
        fail "the installed program's table reached no print queue"
    echo "   printed: $(ls -t "$TRACKPACE_CUPS_OUTPUT" | head -n 1)"
fi
stop

echo "== remove"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq trackpace >/dev/null || fail "apt-get could not remove the package"
left=""
while read -r path; do
    [ -d "$path" ] && continue   # folders shared with other packages stay
    [ -e "$path" ] && left="$left $path"
done <"$work/files.txt"
[ -z "$left" ] || fail "left behind:$left"
[ ! -e /usr/share/doc/trackpace ] || fail "/usr/share/doc/trackpace left behind"
echo "PASS: installed, validated, used by $user, removed"
