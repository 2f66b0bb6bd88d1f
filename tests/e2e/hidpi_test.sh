#!/usr/bin/env bash
# The widget on a screen at twice the pixel ratio (QT_SCALE_FACTOR=2), with a window manager, a
# tray of twice the usual height and the sample service: the window sits at its saved place and
# has the skin's size in logical pixels; its device pixels are what skin-render --scale 2 draws
# for the same forecast, not a doubled 1x picture; the tray icon is the 2x tray image, not a
# doubled 16 x 16 one; the whole window drags, and the position saved is the logical one.
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
E2E_PROGRAMS="zomika2 sample-service forecast-dump skin-render" e2e_begin "$work" "$bindir" \
    Xvfb openbox trayer xdotool xwininfo import convert compare identify
e2e_desktop "$work" 2048x1400x24 48
start_sample_service "$bindir" "$work" || fail "no sample service"
folder="$work/program"
ini="$folder/zomika2.ini"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "Monitor=1"
skin="$folder/Skin/Simple/small.ini"

# differing A B: the number of pixels of two pictures of one size that differ by more than 3%.
differing() {
    compare -metric AE -fuzz 3% "$1" "$2" null: 2>&1 | awk '{printf "%d", $1}' || true
}

e2e_start_widget "$folder" "$work/zomika2.log" QT_SCALE_FACTOR=2

# --- place and size: the settings' and the skin's, in logical pixels ----------------------

background=$(grep -i -m1 '^Background=' "$skin" | cut -d= -f2 | tr -d '\r' | tr '\\' /)
read -r bw bh < <(identify -format '%w %h\n' "$(dirname "$skin")/$background")
read -r x y w h < <(geometry "$widget")
[ "$x,$y" = "80,60" ] || fail "widget at $x,$y on the device, expected 80,60 (Left=40, Top=30)"
[ "${w}x$h" = "$((2 * bw))x$((2 * bh))" ] ||
    fail "widget is ${w}x$h device pixels, expected twice the skin's ${bw}x$bh"

# --- the picture: skin-render --scale 2 of the same forecast, pixel for pixel -------------

# picture_reference: the agency's forecast (a first start's) for the first place as skin-render
# draws it at scale 2, and the 1x drawing pixel-doubled, over the desktop's colour.
picture_reference() {
    local now bg
    # The widget reads the agency's forecast by Japan's clock.
    now=$(TZ=Asia/Tokyo date +%Y-%m-%dT%H:%M:%S)
    "$bindir/forecast-dump" jma "${SAMPLE_URL}bosai/" "$SAMPLE_URL" "$(entry_field "$folder" 0 1)" \
        "$(entry_field "$folder" 0 2)" --now "$now" --cache "$work/jma-cache" >"$work/record.json" ||
        return 1
    TZ=Asia/Tokyo "$bindir/skin-render" "$skin" "$work/record.json" "$work/expected.png" --now "$now" \
        --scale 2 >/dev/null || return 1
    TZ=Asia/Tokyo "$bindir/skin-render" "$skin" "$work/record.json" "$work/expected-1x.png" --now "$now" \
        >/dev/null || return 1
    import -window root "$work/screen.png"
    # The desktop's colour far from every window, behind the widget's translucent edges.
    bg=$(convert "$work/screen.png" -format '%[pixel:p{5,h-8}]' info:)
    convert -size "${w}x$h" "xc:$bg" "$work/expected.png" -composite "$work/expected-flat.png"
    convert -size "${w}x$h" "xc:$bg" \( "$work/expected-1x.png" -filter point -resize 200% \) \
        -composite "$work/doubled-flat.png"
}
# picture_matches: the window shows the reference at scale 2, and the doubled 1x does not match
# as well.
picture_matches() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage "$work/shown.png"
    shown_diff=$(differing "$work/expected-flat.png" "$work/shown.png")
    doubled_diff=$(differing "$work/doubled-flat.png" "$work/shown.png")
    echo "$shown_diff $doubled_diff" >"$work/picture-diff.txt"
    [ -n "$shown_diff" ] && [ "$shown_diff" -le $((w * h / 1000)) ]
}
if ! { picture_reference && wait_until 20 picture_matches; }; then
    # A three-hour slot may have turned between the widget's drawing and the reference.
    picture_reference && picture_matches ||
        fail "the widget's device pixels are not skin-render --scale 2's (differing: $(cat "$work/picture-diff.txt"), see $work/shown.png and $work/expected-flat.png)"
fi
read -r shown_diff doubled_diff <"$work/picture-diff.txt"
# Text and icon edges make the difference to a doubled picture: thousands of pixels.
[ "$doubled_diff" -ge $((w * h / 50)) ] ||
    fail "the widget looks like the 1x picture doubled ($doubled_diff pixels differ from it)"

# --- the tray icon: the skin's 2x tray image, one image pixel on one device pixel -----------

icon=$(tray_icon)
[ -n "$icon" ] || fail "no tray icon in the tray"
read -r ix iy iw ih < <(geometry "$icon")
"$bindir/skin-render" "$skin" "$work/record.json" "$work/unused.png" --scale 2 \
    --tray "$work/tray-2x.png" >/dev/null || fail "skin-render could not draw the 2x tray images"
"$bindir/skin-render" "$skin" "$work/record.json" "$work/unused.png" \
    --tray "$work/tray-1x.png" >/dev/null || fail "skin-render could not draw the tray images"
# best_match PICTURE: the smallest number of pixels in which a 32 x 32 tile of the icon's window
# differs from PICTURE put over the tray's colour (1024 when no tile comes near).
best_match() {
    local tile=$1 result
    convert -size 32x32 "xc:$tray_bg" "$tile" -composite "$work/tile-flat.png"
    result=$(compare -metric AE -fuzz 3% -dissimilarity-threshold 1 -subimage-search \
        "$work/icon.png" "$work/tile-flat.png" null: 2>&1 |
        awk '$2 == "@" {printf "%d", $1}') || true
    echo "${result:-1024}"
}
icon_is_sharp() {
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "${iw}x$ih+$ix+$iy" +repage "$work/icon.png"
    tray_bg=$(convert "$work/icon.png" -format '%[pixel:p{0,0}]' info:)
    local i sharp doubled
    for i in 0 1 2 3 4 5; do
        convert "$work/tray-2x.png" -crop "32x32+$((32 * i))+0" +repage "$work/tray-$i.png"
        sharp=$(best_match "$work/tray-$i.png")
        convert "$work/tray-1x.png" -crop "16x16+$((16 * i))+0" +repage -filter point \
            -resize 200% "$work/tray-$i-doubled.png"
        doubled=$(best_match "$work/tray-$i-doubled.png")
        echo "image $i: $sharp pixels off the 2x image, $doubled off the doubled 1x" \
            >>"$work/tray-match.txt"
        if [ "$sharp" -le 8 ] && [ "$doubled" -gt $((sharp + 40)) ]; then
            return 0
        fi
    done
    return 1
}
wait_until 10 icon_is_sharp ||
    fail "the tray icon (${iw}x$ih) is none of the 2x tray images drawn 1:1 ($(tail -n 6 "$work/tray-match.txt" | tr '\n' ';') see $work/icon.png)"

# --- dragging: any point of the window, logical position saved ----------------------------

# A point in the right half and the lower half of the device area: beyond the logical size if
# hit-testing counted device pixels as logical ones.
px=$((x + w - 30))
py=$((y + h - 30))
xdotool mousemove "$px" "$py"
sleep 0.3
xdotool mousedown 1
sleep 0.3
xdotool mousemove $((px + 60)) $((py + 40))
sleep 0.3
xdotool mousemove $((px + 120)) $((py + 80))
sleep 0.3
xdotool mouseup 1
moved() { [ "$(geometry "$widget" | awk '{print $1 "," $2}')" = "200,140" ]; }
wait_until 10 moved || fail "dragging the widget by 120,80 device pixels left it at $(geometry "$widget")"

# 終了 from the tray menu saves the logical position.
open_tray_menu "to quit"
xdotool key x
wait_until 20 program_ended || fail "終了 did not end the program"
left=$(sed -n 's/^Left=//p' "$ini" | tr -d '\r')
top=$(sed -n 's/^Top=//p' "$ini" | tr -d '\r')
[ "$left,$top" = "100,70" ] || fail "saved Left=$left Top=$top, expected the logical 100,70"

echo "PASS: ${w}x$h at $x,$y, picture as skin-render --scale 2 ($shown_diff pixels off, $doubled_diff off a doubled 1x), tray icon 2x, drag and logical position saved"
