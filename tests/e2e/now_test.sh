#!/usr/bin/env bash
# The weather now as a user sees it, on a real X server with a tray and the sample service: on a
# first start (the agency's source) the widget shows the temperature now and its time at the
# station, exactly as skin-render draws the record forecast-dump reads, and the tray's tooltip
# begins with the same temperature and time (read off the screen).
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
E2E_PROGRAMS="zomika2 sample-service forecast-dump skin-render" e2e_begin "$work" "$bindir" \
    Xvfb openbox trayer xdotool xwininfo xprop import convert compare tesseract
e2e_desktop "$work"
start_sample_service "$bindir" "$work" || fail "no sample service"
folder="$work/program"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1"

place() { entry_field "$folder" 0 "$1"; }

# The box of the default skin's temperature and time, in its own pixels.
rect_of() {
    awk -v s="[$1]" '$0 == s {f=1; next} /^\[/ {f=0} f && /^Rect=/ {gsub(/[^0-9,]/, ""); print; exit}' \
        "$folder/Skin/Simple/small.ini"
}
IFS=, read -r tl nt tr _ <<<"$(rect_of NowTempLabel)"
IFS=, read -r ml _ mr mb <<<"$(rect_of NowTimeLabel)"
left=$((tl < ml ? tl : ml))
right=$((tr > mr ? tr : mr))
now_crop="$((right - left))x$((mb - nt))+$left+$nt"

# now_reference: what skin-render draws of the record with its weather now, and without it, in
# the box of the weather now, over the desktop's colour; the weather now must be what changes the
# picture there.
now_reference() {
    local x y w h now diff bg f
    read -r x y w h < <(geometry "$widget")
    now=$(date +%Y-%m-%dT%H:%M:%S)
    "$bindir/forecast-dump" jma "${SAMPLE_URL}bosai/" "$SAMPLE_URL" "$(place 1)" "$(place 2)" \
        --now "$now" --cache "$work/jma-cache" >"$work/record.json" 2>>"$work/forecast-dump.log" || return 1
    grep -q '"NowTemp": -\?[0-9]' "$work/record.json" || return 1
    sed -e 's/"NowTime": "[^"]*"/"NowTime": ""/' "$work/record.json" >"$work/record-without.json"
    "$bindir/skin-render" "$folder/Skin/Simple/small.ini" "$work/record.json" "$work/with.png" \
        --now "$now" >/dev/null || return 1
    "$bindir/skin-render" "$folder/Skin/Simple/small.ini" "$work/record-without.json" \
        "$work/without.png" --now "$now" >/dev/null || return 1
    import -window root "$work/screen.png"
    bg=$(convert "$work/screen.png" -format '%[pixel:p{5,h-8}]' info:)
    for f in with without; do
        convert -size "${w}x$h" "xc:$bg" "$work/$f.png" -composite -crop "$now_crop" +repage \
            "$work/$f-now.png"
    done
    diff=$(compare -metric AE -fuzz 3% "$work/with-now.png" "$work/without-now.png" null: 2>&1 |
        awk '{printf "%d", $1}') || true
    [ -n "$diff" ] && [ "$diff" -gt 50 ]
}

# now_shown: the widget shows the reference's weather now.
now_shown() {
    local x y w h diff
    read -r x y w h < <(geometry "$widget")
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage -crop "$now_crop" +repage \
        "$work/shown-now.png"
    diff=$(compare -metric AE -fuzz 3% "$work/with-now.png" "$work/shown-now.png" null: 2>&1 |
        awk '{printf "%d", $1}') || true
    echo "$diff" >"$work/now-diff.txt"
    [ -n "$diff" ] && [ "$diff" -le 20 ]
}

e2e_start_widget "$folder" "$work/zomika2.log"
# A new reference once, for an observation of ten minutes later.
if ! { now_reference && wait_until 25 now_shown; }; then
    now_reference || fail "no reference drawing of the weather now (see $work/forecast-dump.log)"
    wait_until 5 now_shown ||
        fail "the widget does not show the temperature now ($(cat "$work/now-diff.txt" 2>/dev/null) pixels differ; see $work/shown-now.png and $work/with-now.png)"
fi

temp=$(sed -n 's/.*"NowTemp": \(-\?[0-9.]*\).*/\1/p' "$work/record.json")
time=$(sed -n 's/.*"NowTime": "[0-9-]*T\([0-9:]*\)".*/\1/p' "$work/record.json")

# The tooltip comes up while the pointer rests on the tray icon; its first line is read off the
# screen (digits only: the reader knows no Japanese).
[ -n "$(tray_icon)" ] || fail "no tray icon"
hint_read() {
    local tip x y w h
    tip=$(show_tray_hint) || return 1
    read -r x y w h < <(geometry "$tip")
    import -window root "$work/tip-screen.png"
    convert "$work/tip-screen.png" -crop "${w}x$h+$x+$y" +repage -scale 300% "$work/tooltip.png"
    tesseract "$work/tooltip.png" - 2>/dev/null | grep -v '^\s*$' | head -n 1 >"$work/tooltip.txt"
    grep -qF "$temp" "$work/tooltip.txt" && grep -qF "$time" "$work/tooltip.txt"
}
wait_until 20 hint_read ||
    fail "the tray's tooltip does not begin with the temperature now $temp at $time (read: $(cat "$work/tooltip.txt" 2>/dev/null); see $work/tooltip.png)"
echo "PASS: the widget and the tooltip show $temp at $time"
