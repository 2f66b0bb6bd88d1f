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
e2e_begin "$work" "$bindir" Xvfb trayer xdotool xwininfo import convert
start_xvfb "$work" 1024x768x24 || fail "no X server"
start_tray "$work" || fail "no tray"
start_sample_service "$bindir" "$work" --delay-ms 60000 || fail "no sample service"
folder="$work/program"

# Starts the program on a fresh folder and waits until its widget shows the cleared forecast
# with the status while the first download waits for the server.
start_program() {
    # The live source, whose first download waits for the server.
    prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" "Server=2"
    e2e_start_widget "$folder" "$work/zomika2.log"
    local x y w h colours=0
    read -r x y w h < <(geometry "$widget")
    # The skin's background and the status text are drawn: more than a plain area's colours.
    for _ in $(seq 1 50); do
        import -window root "$work/screen.png"
        colours=$(convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage -format '%k' info:)
        [ "$colours" -gt 8 ] && break
        sleep 0.2
    done
    [ "$colours" -gt 8 ] || fail "the widget's area shows only $colours colours while downloading"
}

# 終了 from the tray menu, opened while the first download waits, and the signals; each quit
# must come within wait_for_end's 10 s, while the server would take 60.
saved() { settings_saved "$1" "$folder/zomika2.ini"; }
report=$(quit_every_way "while the download waited" saved)
echo "PASS: drawn and menu open while downloading; ended with settings saved: $report"
