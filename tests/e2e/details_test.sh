#!/usr/bin/env bash
# 詳しい予報 as a user opens it: with the sample service's forecast, overview and a warning in
# force for 千代田区, a right click on the tray icon and a click on the menu's first entry open
# the window of details, named after the place; Esc closes it; a double-click on the widget opens
# it again. The same at twice the pixel ratio. Pictures of the window are left in the work folder
# (details-1x.png, details-2x.png).
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
e2e_begin "$work" "$bindir" Xvfb openbox trayer xdotool xwininfo xprop import
e2e_desktop "$work" 1600x1200x24
# 千代田区 (class20 1310100): a レベル3大雨警報 in force.
start_sample_service "$bindir" "$work" --warning 1310100:03 || fail "no sample service"
folder="$work/program"
location=$(entry_index "$bindir" 東京都 千代田区)
[ -n "$location" ] || fail "urls.list lacks 千代田区"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" \
    "Location=$location"

# The window of details: a visible window of the program whose title begins with 詳しい予報.
details_window() {
    local id
    for id in $(xdotool search --onlyvisible --classname '^zomika2$' 2>/dev/null); do
        xprop -id "$id" _NET_WM_NAME 2>/dev/null | grep -F '"詳しい予報' >/dev/null || continue
        echo "$id"
        return 0
    done
    return 1
}
no_details_window() { ! details_window >/dev/null; }
# The forecast and its overview have come (the overview is kept in the program's cache folder).
overview_kept() { [ -s "$folder/cache/jma/overview/130000.answer" ]; }

start_program() {
    env "$@" "$folder/zomika2" >>"$work/zomika2.log" 2>&1 &
    program=$!
    SESSION_PIDS+=("$program")
    widget=$(wait_for_widget 60) || fail "the widget window did not appear"
    wait_until 60 overview_kept || fail "no overview was fetched"
}

# open_from_menu SCALE: a right click on the tray icon, then a click on the menu's first entry.
open_from_menu() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    local menu
    menu=$(wait_until 10 menu_window && menu_window) ||
        fail "a right click on the tray icon opened no menu"
    xdotool mousemove --window "$menu" $((40 * $1)) $((12 * $1)) click 1
    wait_until 20 details_window >/dev/null || fail "詳しい予報 in the tray menu opened no window"
}

# check_and_close NAME: the window is named after the place and has room for its parts; its
# picture goes to NAME; Esc closes it.
check_and_close() {
    local id w h
    id=$(details_window)
    xprop -id "$id" _NET_WM_NAME | grep -F '"詳しい予報 - 千代田区"' >/dev/null ||
        fail "the window's title is $(xprop -id "$id" _NET_WM_NAME)"
    read -r w h < <(xwininfo -id "$id" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
    [ "$w" -ge 400 ] && [ "$h" -ge 400 ] || fail "the window is only ${w}x$h"
    sleep 1
    import -window "$id" "$work/$1"
    xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus --sync "$id"
    xdotool key Escape
    wait_until 10 no_details_window || fail "Esc did not close the window"
}

quit_program() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    wait_until 10 menu_window >/dev/null || fail "a right click on the tray icon opened no menu"
    xdotool key x
    wait_until 20 program_ended || fail "終了 did not end the program"
}

touch "$work/zomika2.log"

# --- at 1x: from the tray menu, then by a double-click on the widget ------------------------

start_program
open_from_menu 1
check_and_close details-1x.png
xdotool mousemove --window "$widget" 60 60 click --repeat 2 --delay 60 1
wait_until 20 details_window >/dev/null || fail "a double-click on the widget opened no window"
check_and_close details-dblclick.png
quit_program

# --- at twice the pixel ratio ---------------------------------------------------------------

start_program QT_SCALE_FACTOR=2
open_from_menu 2
check_and_close details-2x.png
quit_program
echo "details: opened from the tray menu and by a double-click, closed with Esc; pictures in $work"
