#!/usr/bin/env bash
# The next morning offline, as a user lives it: the agency's forecast fetched at 17:30 on
# 11 December (Japan), the program ended, the network gone, the program started again at 07:30
# the next morning. The widget shows yesterday evening's forecast read at the morning's clock
# (its 明日 as today) with the report's age in place of the report time, exactly as skin-render
# draws forecast-dump's reading of the same answer at 07:30; and it is not the blank widget of a
# failure. The clock is faked (faketime) on the program only. A picture is left in the work
# folder (morning.png).
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
E2E_PROGRAMS="zomika2 sample-service forecast-dump skin-render" e2e_begin "$work" "$bindir" \
    Xvfb openbox trayer xdotool xwininfo xprop import convert compare faketime
e2e_desktop "$work"
start_sample_service "$bindir" "$work" --today 2026-12-11 --hour 17 || fail "no sample service"
service_pid=${SESSION_PIDS[-1]}
folder="$work/program"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1" \
    "RefreshInterval=0"
skin="$folder/Skin/Simple/small.ini"
place() { entry_field "$folder" 0 "$1"; }

# start_at UTC_TIME: the program on a clock that starts at that time (UTC).
start_at() {
    TZ=UTC faketime "$1" "$folder/zomika2" >>"$work/zomika2.log" 2>&1 &
    program=$!
    SESSION_PIDS+=("$program")
    widget=$(wait_for_widget 60) || fail "the widget window did not appear at $1"
}

quit_program() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    wait_until 10 menu_window >/dev/null || fail "a right click on the tray icon opened no menu"
    xdotool key x
    wait_until 20 program_ended || fail "終了 did not end the program"
}

# The evening: the forecast comes and is kept.
start_at "2026-12-11 08:30:00"
wait_until 30 grep -q '"Kept"' "$folder"/cache/last-forecast-*.json 2>/dev/null ||
    fail "the evening's forecast was not kept"
quit_program

# What the morning should show: the same answers read at 07:30, drawn by the same skin.
morning=2026-12-12T07:30:00
"$bindir/forecast-dump" jma "${SAMPLE_URL}bosai/" "$SAMPLE_URL" "$(place 1)" "$(place 2)" \
    --now "$morning" --cache "$work/jma-cache" >"$work/record.json" 2>>"$work/forecast-dump.log" ||
    fail "forecast-dump could not read the evening's answers at 07:30"
grep -q '"ReportTime": "2026-12-11T17:00"' "$work/record.json" ||
    fail "the sample service's answer is not the evening's report (see $work/record.json)"
"$bindir/skin-render" "$skin" "$work/record.json" "$work/expected.png" --now "$morning" \
    >/dev/null || fail "skin-render failed"
printf '{}\n' >"$work/blank.json"
"$bindir/skin-render" "$skin" "$work/blank.json" "$work/blank.png" --now "$morning" >/dev/null ||
    fail "skin-render failed on the blank record"

# The network goes.
kill "$service_pid"
wait "$service_pid" 2>/dev/null || true

start_at "2026-12-11 22:30:00"

# rect_of SECTION: "LEFT TOP RIGHT BOTTOM" of a section of the skin, in its own pixels.
rect_of() {
    awk -v s="[$1]" '$0 == s {f=1; next} /^\[/ {f=0} f && /^Rect=/ {gsub(/[^0-9,]/, ""); gsub(/,/, " "); print; exit}' "$skin"
}

# region_matches PICTURE SECTION: the widget on the screen shows the section's box as PICTURE
# has it (over the desktop's colour).
region_matches() {
    local picture=$1 section=$2 x y w h l t r b bg diff
    read -r x y w h < <(geometry "$widget")
    read -r l t r b < <(rect_of "$section")
    bg=$(convert "$work/screen.png" -format '%[pixel:p{5,h-8}]' info:)
    convert -size "${w}x$h" "xc:$bg" "$picture" -composite -crop "$((r - l))x$((b - t))+$l+$t" \
        +repage "$work/want-$section.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage -crop "$((r - l))x$((b - t))+$l+$t" \
        +repage "$work/got-$section.png"
    diff=$(compare -metric AE -fuzz 3% "$work/want-$section.png" "$work/got-$section.png" null: 2>&1 |
        awk '{printf "%d", $1}') || true
    echo "$section: $diff" >>"$work/diff.txt"
    [ -n "$diff" ] && [ "$diff" -le 10 ]
}

morning_shown() {
    : >"$work/diff.txt"
    import -window root "$work/screen.png"
    region_matches "$work/expected.png" UpdateInfoLabel &&
        region_matches "$work/expected.png" LocationLabel &&
        region_matches "$work/expected.png" DayWeatherIcon0 &&
        region_matches "$work/expected.png" DayMaxTempLabel0
}
wait_until 30 morning_shown ||
    fail "the morning's widget does not show the evening's forecast marked old ($(tr '\n' ' ' <"$work/diff.txt"); see $work/got-*.png and $work/want-*.png)"
# Not the blank widget: the same boxes differ from a drawing without a forecast.
if region_matches "$work/blank.png" DayMaxTempLabel0 && region_matches "$work/blank.png" UpdateInfoLabel; then
    fail "the morning's widget is as blank as a failure's"
fi
convert "$work/screen.png" -crop "$(geometry "$widget" | awk '{print $3 "x" $4 "+" $1 "+" $2}')" \
    +repage "$work/morning.png"
quit_program
echo "PASS: offline the next morning the widget shows the evening's forecast, marked old"
