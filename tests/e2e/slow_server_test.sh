#!/usr/bin/env bash
# The widget against a server that answers only after a minute: the widget is drawn and the
# tray menu opens while the first download waits, 終了 from the menu and SIGTERM, SIGINT and
# SIGHUP each end the program long before the server answers, and the settings are saved.
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
trap session_stop EXIT

fail() { e2e_fail "$work" "$@"; }

e2e_require_tools "$work" Xvfb trayer xdotool xwininfo import convert
[ -x "$bindir/zomika2" ] && [ -x "$bindir/sample-service" ] || fail "build zomika2 and sample-service first"

rm -rf "$work"
mkdir -p "$work"
start_xvfb "$work" 1024x768x24 || fail "no X server"
start_tray "$work" || fail "no tray"
start_sample_service "$bindir" "$work" --delay-ms 60000 || fail "no sample service"
folder="$work/program"
now_ms() { date +%s%3N; }

# Starts the program on a fresh folder and waits until its widget shows the cleared forecast
# with the status while the first download waits for the server.
start_program() {
    # The live source, whose first download waits for the server.
    prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" "Server=2"
    "$folder/zomika2" >"$work/zomika2.log" 2>&1 &
    program=$!
    SESSION_PIDS+=("$program")
    widget=$(wait_for_widget 20) || fail "the widget did not appear while the download waited"
    local info x y w h colours=0
    info=$(xwininfo -id "$widget")
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    h=$(awk '/Height:/ {print $2}' <<<"$info")
    # The skin's background and the status text are drawn: more than a plain area's colours.
    for _ in $(seq 1 50); do
        import -window root "$work/screen.png"
        colours=$(convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage -format '%k' info:)
        [ "$colours" -gt 8 ] && break
        sleep 0.2
    done
    [ "$colours" -gt 8 ] || fail "the widget's area shows only $colours colours while downloading"
}

# Waits (at most 10 s, while the server would take 60) for the program to end; prints ms.
wait_for_end() {
    local start=$1
    for _ in $(seq 1 200); do
        kill -0 "$program" 2>/dev/null || {
            echo $(($(now_ms) - start))
            return 0
        }
        sleep 0.05
    done
    return 1
}

settings_saved() {
    local ini="$folder/zomika2.ini" line
    for line in "Left=40" "Top=30" "Showing=1" "ShowBalloon=0" 'Filename=Simple\small.ini'; do
        grep -qxF "$line" "$ini" || fail "$1: the settings file lacks $line"
    done
}

# 終了 from the tray menu, opened while the first download waits.
start_program
tray_icon=$(tray_icon)
[ -n "$tray_icon" ] || fail "no tray icon in the tray"
# One right click, as a person gives it: a lost click is a fault, not something to retry.
xdotool mousemove --window "$tray_icon" 8 8 click 3
menu=""
for _ in $(seq 1 200); do
    menu=$(menu_window) && break
    sleep 0.05
done
[ -n "$menu" ] || fail "a right click on the tray icon opened no menu while the download waited"
start=$(now_ms)
xdotool key x
exit_ms=$(wait_for_end "$start") || fail "終了 did not end the program while the download waited"
settings_saved "終了"
report="終了 ${exit_ms} ms"

for signal in TERM INT HUP; do
    start_program
    start=$(now_ms)
    kill -"$signal" "$program"
    ms=$(wait_for_end "$start") || fail "SIG$signal did not end the program while the download waited"
    settings_saved "SIG$signal"
    report="$report, SIG$signal ${ms} ms"
done
echo "PASS: drawn and menu open while downloading; ended with settings saved: $report"
