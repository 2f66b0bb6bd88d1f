#!/usr/bin/env bash
# Warnings in force for the chosen place, as a user sees them: with a 大雨警報 and a 強風注意報 from
# the sample service, the widget shows the 警報 badge below its header, the tray icon carries the
# red corner mark and its hint comes up on the pointer, and one balloon is announced; after 終了
# and a new start the warnings are back but no second balloon comes. Pictures of the widget at
# 1x and 2x are left in the work folder (warnings-1x.png, warnings-2x.png).
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
e2e_begin "$work" "$bindir" Xvfb openbox trayer xdotool xwininfo xprop import convert
e2e_desktop "$work" 1280x900x24
# 千代田区 (class20 1310100): レベル3大雨警報 and 強風注意報 in force.
start_sample_service "$bindir" "$work" --warning 1310100:03 --warning 1310100:15 ||
    fail "no sample service"
folder="$work/program"
ini="$folder/zomika2.ini"
location=$(entry_index "$bindir" 東京都 千代田区)
[ -n "$location" ] || fail "urls.list lacks 千代田区"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" \
    "Location=$location"

# pixel FILE X Y: "R G B" of a pixel, 0-255.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# reddish "R G B": the 警報 colour (216, 36, 36), give or take smoothing.
reddish() {
    local r g b
    read -r r g b <<<"$1"
    [ "$r" -ge 170 ] && [ "$g" -le 90 ] && [ "$b" -le 90 ]
}

# The widget's picture into FILE.
shoot_widget() {
    local x y w h
    read -r x y w h < <(geometry "$widget")
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage "$1"
}

# badge_shown SCALE: the badge's pill (at 40, 39 of the skin) is the 警報 red.
badge_shown() {
    shoot_widget "$work/widget.png"
    reddish "$(pixel "$work/widget.png" $((40 * $1)) $((39 * $1)))"
}

balloons() { grep -c 'Pelumi: 気象警報・注意報: ' "$work/zomika2.log" || true; }

start_program() { e2e_start_widget "$folder" "$work/zomika2.log" "$@"; }

quit_program() {
    open_tray_menu "to quit"
    xdotool key x
    wait_until 20 program_ended || fail "終了 did not end the program"
}

touch "$work/zomika2.log"

# --- first start: the badge, the mark, the hint, one balloon --------------------------------

start_program
wait_until 30 badge_shown 1 || fail "the widget shows no 警報 badge (see $work/widget.png)"
cp "$work/widget.png" "$work/warnings-1x.png"

one_balloon() { [ "$(balloons)" = 1 ]; }
wait_until 20 one_balloon || fail "expected one balloon, the log has $(balloons)"
grep -q 'Pelumi: 気象警報・注意報: 千代田区にレベル3大雨警報が発表されています' "$work/zomika2.log" ||
    fail "the balloon does not name the 大雨警報 of 千代田区"

icon=$(tray_icon)
[ -n "$icon" ] || fail "no tray icon"
mark_shown() {
    import -window "$icon" "$work/tray.png" 2>/dev/null || return 1
    local w
    w=$(identify -format '%w' "$work/tray.png")
    # The corner mark lies over the icon's upper right; the tray centres the icon in its cell.
    reddish "$(pixel "$work/tray.png" $((w / 2 + 6)) $(($(identify -format '%h' "$work/tray.png") / 2 - 6)))"
}
wait_until 10 mark_shown || fail "the tray icon carries no red corner mark (see $work/tray.png)"

# The hint comes up on the pointer resting on the icon (its text is checked by gui.Warnings*).
show_tray_hint >/dev/null || fail "no hint on the tray icon"
import -window root "$work/hint.png"
xdotool mousemove 600 600

quit_program

# --- second start: the warnings again, no second balloon ---------------------------------------

start_program
wait_until 30 badge_shown 1 || fail "after a restart the widget shows no 警報 badge"
# A balloon would have been announced before the warnings were drawn; a moment for its log line.
sleep 0.5
[ "$(balloons)" = 1 ] || fail "a restart announced the warnings again ($(balloons) balloons)"
quit_program

# --- at twice the pixel ratio -------------------------------------------------------------------

start_program QT_SCALE_FACTOR=2
wait_until 30 badge_shown 2 || fail "at 2x the widget shows no 警報 badge (see $work/widget.png)"
cp "$work/widget.png" "$work/warnings-2x.png"
quit_program
echo "warnings: badge, tray mark, hint and one balloon shown; pictures in $work"
