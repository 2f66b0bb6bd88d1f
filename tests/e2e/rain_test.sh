#!/usr/bin/env bash
# The rain of the next hour as a user sees it: the sample service brings rain to 千代田区 25
# minutes after its newest analysis. Under the test skin with the strip, the widget's strip
# shows the first cells dry and the last in the legend's 1-5 mm/h blue; the tray's tooltip
# carries "25分後に雨 (1-5mm/h)" (its figures read off the screen); exactly one balloon is
# announced, and a refresh by hand from the tray menu brings no second one. A picture of the
# widget and of the tooltip are left in the work folder (rain-widget.png, tooltip.png).
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
skin=$(cd "$(dirname "${BASH_SOURCE[0]}")/../data/skin/rain" && pwd)
e2e_begin "$work" "$bindir" Xvfb openbox trayer xdotool xwininfo xprop import convert tesseract
e2e_desktop "$work" 1280x900x24
# The rain comes 25 minutes after the analysis of the service's start, and the program must read
# that analysis: the service does not start in the last 40 seconds of one.
while [ $(($(date +%s) % 300)) -ge 260 ]; do sleep 1; done
start_sample_service "$bindir" "$work" --rain-in 1310100:25 || fail "no sample service"
folder="$work/program"
location=$(entry_index "$bindir" 東京都 千代田区)
[ -n "$location" ] || fail "urls.list lacks 千代田区"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" \
    "Location=$location"
mkdir -p "$folder/Skin/rain"
cp "$skin/rain.ini" "$skin/back.png" "$folder/Skin/rain/"
printf '[Skin]\nFilename=rain\\rain.ini\n' >>"$folder/zomika2.ini"

# pixel FILE X Y: "R G B" of a pixel, 0-255.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:
}
# near "R G B" R G B: each channel within 6 of the expected.
near() {
    local r g b d
    read -r r g b <<<"$1"
    for d in $((r - $2)) $((g - $3)) $((b - $4)); do
        [ "${d#-}" -le 6 ] || return 1
    done
}

# strip_filled: the strip (10,8 to 140,22 in the skin) shows its first cell empty (the skin's
# 64,64,64) and its last of the legend's 1-5 mm/h (160,210,255).
strip_filled() {
    local x y w h
    read -r x y w h < <(geometry "$widget")
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage "$work/rain-widget.png"
    near "$(pixel "$work/rain-widget.png" 15 15)" 64 64 64 &&
        near "$(pixel "$work/rain-widget.png" 135 15)" 160 210 255
}

balloons() { grep -c 'Pelumi: まもなく雨: ' "$work/zomika2.log" || true; }
one_balloon() { [ "$(balloons)" = 1 ]; }

touch "$work/zomika2.log"
e2e_start_widget "$folder" "$work/zomika2.log"
# Before the nowcast comes the strip is not drawn at all: the skin's background shows there.
wait_until 30 strip_filled ||
    fail "the strip does not show rain in 25 minutes (see $work/rain-widget.png)"
wait_until 10 one_balloon || fail "expected one balloon, the log has $(balloons)"
grep -q 'Pelumi: まもなく雨: 約25分後 (1-5mm/h): 気象庁の高解像度降水ナウキャスト ([0-9:]* 解析)' \
    "$work/zomika2.log" || fail "the balloon does not announce rain in 25 minutes: $(grep 'まもなく雨' "$work/zomika2.log")"

# The tooltip's rain line, read off the screen (the reader knows no Japanese: its figures).
[ -n "$(tray_icon)" ] || fail "no tray icon"
hint_read() {
    local tip x y w h
    tip=$(show_tray_hint) || return 1
    read -r x y w h < <(geometry "$tip")
    import -window root "$work/tip-screen.png"
    convert "$work/tip-screen.png" -crop "${w}x$h+$x+$y" +repage -scale 300% "$work/tooltip.png"
    tesseract "$work/tooltip.png" - 2>/dev/null >"$work/tooltip.txt"
    grep -E '^25.*\(1-5mm/h\)' "$work/tooltip.txt" >/dev/null
}
wait_until 20 hint_read ||
    fail "the tooltip has no line of rain in 25 minutes at 1-5mm/h (read: $(tr '\n' '|' <"$work/tooltip.txt" 2>/dev/null); see $work/tooltip.png)"
xdotool mousemove 600 600

# A refresh by hand reads the same shower again: no second balloon. The kept record is
# written by each feed's end, the rain's included.
kept() { find "$folder/cache" -name 'last-forecast-*.json' -newer "$work/refreshed" | grep -q .; }
touch "$work/refreshed"
sleep 1
open_tray_menu "to refresh"
xdotool key r
wait_until 20 kept || fail "the refresh by hand kept no record"
sleep 1
[ "$(balloons)" = 1 ] || fail "the refresh by hand announced the shower again ($(balloons) balloons)"
wait_until 10 strip_filled || fail "after the refresh the strip no longer shows the rain"
echo "PASS: the strip, the tooltip's rain line and one balloon; pictures in $work"
