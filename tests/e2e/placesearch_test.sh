#!/usr/bin/env bash
# Finding a place by typing, as a new user does: settings without a place open the location
# dialog at the first start, its search field focused; "かるいざわ" typed, Enter and OK, and the
# widget shows 軽井沢町 with its forecast from the agency. From the tray menu the dialog then
# finds 竹富町, a municipality outside urls.list, which the settings keep by its names and code
# and the next start shows again.
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
E2E_PROGRAMS="zomika2 sample-service forecast-dump skin-render" e2e_begin "$work" "$bindir" \
    Xvfb openbox trayer xdotool xwininfo xprop import convert compare
e2e_desktop "$work"
start_sample_service "$bindir" "$work" || fail "no sample service"
folder="$work/program"
ini="$folder/zomika2.ini"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" --no-place

ini_value() {
    awk -v s="[$1]" -v k="$2" '/^\[/ {in_s = ($0 == s)} in_s && index($0, k "=") == 1 {
        sub(/^[^=]*=/, ""); sub(/\r$/, ""); print; exit}' "$ini"
}

# reference PREFECTURE MUNICIPALITY: what the default skin draws of the agency's forecast for
# that place, into $work/expected.png.
reference() {
    local now
    # The widget reads the agency's forecast by Japan's clock; so does the drawing here.
    now=$(TZ=Asia/Tokyo date +%Y-%m-%dT%H:%M:%S)
    "$bindir/forecast-dump" jma "${SAMPLE_URL}bosai/" "$SAMPLE_URL" "$1" "$2" --now "$now" \
        --cache "$work/jma-cache" >"$work/record.json" 2>>"$work/forecast-dump.log" || return 1
    grep -qF "\"$2\"" "$work/record.json" || return 1
    TZ=Asia/Tokyo "$bindir/skin-render" "$folder/Skin/Simple/small.ini" "$work/record.json" \
        "$work/expected.png" --now "$now" >/dev/null
}
# expect_forecast PREFECTURE MUNICIPALITY: the widget shows the reference, pixel for pixel, within
# 20 s (a new reference once, for a three-hour slot that turned meanwhile).
expect_forecast() {
    reference "$1" "$2" || fail "no reference drawing of the forecast of $1 $2"
    wait_until 15 widget_shows "$work" "$work/expected.png" && return 0
    reference "$1" "$2" || fail "no reference drawing of the forecast of $1 $2"
    wait_until 5 widget_shows "$work" "$work/expected.png" ||
        fail "the widget does not show the forecast of $1 $2 ($(cat "$work/diff.txt" 2>/dev/null) pixels differ; see $work/shown.png and $work/expected-flat.png)"
}

# find_place TEXT: types TEXT into the focused search field of the open dialog, chooses the
# first result with Enter and confirms with a second Enter on OK.
find_place() {
    local id
    wait_until 20 dialog_window "地域の設定" >/dev/null || fail "no location dialog (typing $1)"
    id=$(dialog_window "地域の設定")
    wait_until 10 has_focus "$id" || fail "the location dialog did not get the focus"
    sleep 0.5
    # One character at a time: xdotool remaps a spare key for each kana, and on a busy machine
    # the program can read a key after its mapping has moved on and lose the character. Then
    # nothing is found and the dialog stays: the person clicks into the field, empties it and
    # types again.
    local ch attempt
    for attempt in 1 2 3; do
        if [ "$attempt" -gt 1 ]; then
            xdotool mousemove --window "$id" 200 28 click 1
            sleep 0.3
            xdotool key ctrl+a BackSpace
            sleep 0.5
        fi
        while IFS= read -r ch; do
            xdotool type --delay 150 "$ch"
            sleep 0.5
        done < <(printf '%s' "$1" | LC_ALL=C.UTF-8 grep -o .)
        sleep 1
        import -window root "$work/dialog-$2.png"
        xdotool key Return
        sleep 0.3
        xdotool key Return
        wait_until 5 no_dialog "地域の設定" && return 0
    done
    fail "the location dialog did not close after $1"
}

start_program() { e2e_start_widget "$folder" "$work/zomika2.log"; }

# --- a first start without a place --------------------------------------------------------

start_program
find_place "かるいざわ" karuizawa
# 軽井沢町 is an entry of the list: the list's index, and no place of its own.
wait_until 10 test "$(ini_value Option Location)" = 240 ||
    fail "the settings keep Location=$(ini_value Option Location), not 軽井沢町's 240"
[ -z "$(ini_value Place Municipality)" ] || fail "a list entry was kept as a place of its own"
expect_forecast 長野県 軽井沢町

# --- a municipality outside the list, from the tray menu -----------------------------------

open_tray_menu "for the location dialog"
xdotool key l
find_place "たけとみ" taketomi
expect_forecast 沖縄県 竹富町
open_tray_menu "to quit"
xdotool key x
wait_until 20 program_ended || fail "終了 did not end the program"
[ "$(ini_value Place Municipality)" = 竹富町 ] || fail "the settings lack [Place] Municipality=竹富町"
[ "$(ini_value Place Prefecture)" = 沖縄県 ] || fail "the settings lack [Place] Prefecture=沖縄県"
[ "$(ini_value Place Class20)" = 4738100 ] || fail "the settings lack [Place] Class20=4738100"

# The next start shows it again, without asking.
start_program
expect_forecast 沖縄県 竹富町
no_dialog "地域の設定" || fail "the location dialog opened although a place was chosen"
echo "ok"
