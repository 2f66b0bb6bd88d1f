#!/usr/bin/env bash
# The widget on a real X server: it appears at its saved position with the default skin's
# size and a drawn picture from the live source, its tray icon sits in the tray, and SIGTERM
# leaves the settings saved. Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
trap session_stop EXIT

fail() {
    echo "FAIL: $*" >&2
    for f in "$work"/*.log; do
        echo "--- $f" >&2
        tail -n 20 "$f" >&2 || true
    done
    exit 1
}

for tool in Xvfb trayer xdotool xwininfo import convert identify; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup installs it)"
done
[ -x "$bindir/zomika2" ] && [ -x "$bindir/sample-service" ] || fail "build zomika2 and sample-service first"

rm -rf "$work"
mkdir -p "$work"
start_xvfb "$work" 1024x768x24 || fail "no X server"
start_tray "$work" || fail "no tray"
start_sample_service "$bindir" "$work" || fail "no sample service"
folder="$work/program"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1"

# The default skin's size is its background picture's.
background=$(grep -i -m1 '^Background=' "$folder/Skin/Simple/small.ini" | cut -d= -f2 | tr -d '\r' | tr '\\' /)
read -r want_w want_h < <(identify -format '%w %h\n' "$folder/Skin/Simple/$background")

"$folder/zomika2" >"$work/zomika2.log" 2>&1 &
program=$!
SESSION_PIDS+=("$program")

widget=$(wait_for_widget 60) || fail "the widget window did not appear"
info=$(xwininfo -id "$widget")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
[ "$x,$y" = "40,30" ] || fail "widget at $x,$y instead of 40,30"
[ "$w"x"$h" = "$want_w"x"$want_h" ] || fail "widget is ${w}x$h, the skin's background ${want_w}x$want_h"

# The picture: wait until the forecast is drawn, then the widget's area must show more than a
# handful of colours.
colours=0
for _ in $(seq 1 50); do
    import -window root "$work/screen.png"
    colours=$(convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage -format '%k' info:)
    [ "$colours" -gt 50 ] && break
    sleep 0.2
done
[ "$colours" -gt 50 ] || fail "the widget's area has only $colours colours"

# The tray icon is embedded in trayer's panel.
xwininfo -root -tree | awk '/"panel"/ {p=1} p && /"Pelumi"/ {found=1} END {exit !found}' ||
    fail "no tray icon in the tray"

kill -TERM "$program"
for _ in $(seq 1 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
done
! kill -0 "$program" 2>/dev/null || fail "zomika2 did not end on SIGTERM"
ini="$folder/zomika2.ini"
for line in "Left=40" "Top=30" "Showing=1" "ShowBalloon=0" 'Filename=Simple\small.ini' \
    "UpdateCheckURL=${SAMPLE_URL}version.txt"; do
    grep -qxF "$line" "$ini" || fail "settings file lacks $line"
done
# A first start uses the live source, which looked the place up and kept its coordinates.
grep -qxF "Server=2" "$ini" || fail "settings file lacks Server=2"
grep -qE '^北海道,札幌市=[0-9]+(\.[0-9]+)?,[0-9]+(\.[0-9]+)?$' "$ini" ||
    fail "settings file lacks the coordinates of 札幌市"
echo "PASS: widget ${w}x$h at $x,$y with $colours colours, tray icon present, settings saved"
