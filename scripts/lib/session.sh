# shellcheck shell=bash
# Shared by scripts/run, scripts/screenshots and the end-to-end tests: a private X display with a
# window manager, a tray and a compositor, the sample service, and a program folder that talks to
# it; below them, the opening and the helpers every end-to-end test shares.
# Source this file; every process it starts is recorded and stopped by session_stop.

SESSION_PIDS=()

# Stops everything started through this file, newest first.
session_stop() {
    local i
    for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${SESSION_PIDS[i]}" 2>/dev/null || true
    done
    for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
        wait "${SESSION_PIDS[i]}" 2>/dev/null || true
    done
    SESSION_PIDS=()
}

# start_xvfb LOGDIR [WxHxD]: a new X server on a free display; exports DISPLAY.
start_xvfb() {
    local logdir=$1 screen=${2:-1280x800x24} fifo="$1/displayfd"
    rm -f "$fifo"
    mkfifo "$fifo"
    # -noreset: the server need not reset when the readiness probe below, its first client,
    # leaves before the window manager comes.
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset +extension Composite \
        3>"$fifo" >"$logdir/xvfb.log" 2>&1 &
    SESSION_PIDS+=($!)
    local number
    if ! read -r -t 20 number <"$fifo"; then
        echo "Xvfb did not start (see $logdir/xvfb.log)" >&2
        return 1
    fi
    rm -f "$fifo"
    export DISPLAY=":$number"
    # The number can come before the server takes clients on a loaded machine.
    local i
    for i in $(seq 1 100); do
        xprop -root >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb takes no clients on $DISPLAY (see $logdir/xvfb.log)" >&2
    return 1
}

# start_wm LOGDIR [OPENBOX_OPTIONS...]: a window manager (openbox), as on a desktop; waits until
# it manages the screen. Start it before the tray, which asks it for a dock's place.
start_wm() {
    local logdir=$1 attempt i wm
    shift
    # Seen once on a loaded machine: openbox could not open a display that took other clients.
    for attempt in 1 2 3; do
        openbox --sm-disable "$@" >>"$logdir/openbox.log" 2>&1 &
        wm=$!
        SESSION_PIDS+=("$wm")
        for i in $(seq 1 100); do
            xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && return 0
            kill -0 "$wm" 2>/dev/null || break
            sleep 0.1
        done
    done
    echo "the window manager did not start (see $logdir/openbox.log)" >&2
    return 1
}

# start_tray LOGDIR [HEIGHT]: a system tray (trayer) at the top right, HEIGHT pixels high (24;
# 48 for a screen at twice the pixel ratio), and, when installed, a compositor so that per-pixel
# alpha shows as it would on a desktop.
start_tray() {
    local logdir=$1 height=${2:-24} attempt i tray
    if command -v xcompmgr >/dev/null; then
        xcompmgr >"$logdir/xcompmgr.log" 2>&1 &
        SESSION_PIDS+=($!)
    fi
    # A tray that shows no panel within 10 s is started again. (The grep reads to the end: with
    # -q it left xwininfo to die of a closed pipe, which pipefail turned into "no panel".)
    for attempt in 1 2 3; do
        echo "--- attempt $attempt" >>"$logdir/trayer.log"
        trayer --edge top --align right --widthtype pixel --width $((height * 5)) --height "$height" \
            --transparent false --SetDockType true >>"$logdir/trayer.log" 2>&1 &
        tray=$!
        SESSION_PIDS+=("$tray")
        # A loaded machine can take seconds; the wait ends as soon as the tray is there.
        for i in $(seq 1 100); do
            xwininfo -root -tree 2>/dev/null | grep '"panel"' >/dev/null && return 0
            kill -0 "$tray" 2>/dev/null || break
            sleep 0.1
        done
        if kill -0 "$tray" 2>/dev/null; then
            echo "--- no panel after 10 s; stopped" >>"$logdir/trayer.log"
            kill "$tray" 2>/dev/null || true
            wait "$tray" 2>/dev/null || true
        else
            echo "--- ended without a panel" >>"$logdir/trayer.log"
        fi
    done
    echo "the tray did not appear (see $logdir/trayer.log)" >&2
    return 1
}

# start_sample_service BINDIR LOGDIR [options...]: sets SAMPLE_URL ("http://127.0.0.1:PORT/").
start_sample_service() {
    local bindir=$1 logdir=$2
    shift 2
    "$bindir/sample-service" --port 0 "$@" >"$logdir/sample-service.out" \
        2>"$logdir/sample-service.log" &
    SESSION_PIDS+=($!)
    local i
    SAMPLE_URL=""
    for i in $(seq 1 100); do
        SAMPLE_URL=$(grep -m1 -o 'http://127\.0\.0\.1:[0-9]*/' "$logdir/sample-service.out" || true)
        [ -n "$SAMPLE_URL" ] && return 0
        sleep 0.1
    done
    echo "sample-service did not start (see $logdir/sample-service.log)" >&2
    return 1
}

# prepare_program BINDIR FOLDER URL [extra Option lines...]: a program folder with the
# executable, the location list and the skins, whose settings point every address at URL. No
# Server key is written, so the program starts as on a first start: with the agency's source,
# whose constants and forecasts the sample service answers too. The place is the list's first
# (Location=0) unless a line names another; the line --no-place leaves it out, so that the
# program asks for one as on a very first start.
prepare_program() {
    local bindir=$1 folder=$2 url=$3
    shift 3
    rm -rf "$folder"
    mkdir -p "$folder"
    cp "$bindir/zomika2" "$bindir/urls.list" "$folder/"
    cp -r "$bindir/Skin" "$folder/"
    local line place=Location=0
    for line in "$@"; do
        case $line in
        Location=* | --no-place) place= ;;
        esac
    done
    {
        printf '[URL]\nPrefixTenkiLite=%slite/\nPrefixYahoo=%sweather/jp/\n' "$url" "$url"
        printf 'PrefixOpenMeteo=%s\nPrefixGeocoding=%s\nPrefixJma=%sbosai/\n\n' "$url" "$url" "$url"
        printf '[Option]\nUpdateCheckURL=%sversion.txt\n' "$url"
        [ -z "$place" ] || printf '%s\n' "$place"
        for line in "$@"; do
            [ "$line" = --no-place ] || printf '%s\n' "$line"
        done
    } >"$folder/zomika2.ini"
}

# tray_icon: the id of the program's icon inside the tray, or nothing.
tray_icon() {
    # awk reads to the end: an early exit would fail the pipe under pipefail.
    xwininfo -root -tree 2>/dev/null |
        awk '/"panel"/ {p = 1} p && /"Pelumi"/ && !id {id = $1} END {if (id) print id}'
}

# widget_window: the id of the program's desktop window once it is mapped with a picture
# (larger than 1 x 1), or nothing. A window manager may have put it into a frame of its own.
widget_window() {
    local id icon
    icon=$(tray_icon)
    for id in $(xdotool search --onlyvisible --classname '^zomika2$' 2>/dev/null); do
        # The tray icon carries the same name; menus and dialogs carry others.
        [ -n "$icon" ] && [ "$id" -eq "$((icon))" ] && continue
        xprop -id "$id" WM_NAME 2>/dev/null | grep -xF 'WM_NAME(STRING) = "Pelumi"' >/dev/null || continue
        xwininfo -id "$id" 2>/dev/null | grep 'Width: 1$' >/dev/null && continue
        echo "$id"
        return 0
    done
    return 1
}

# wait_for_widget SECONDS: waits until widget_window answers; prints the id.
wait_for_widget() {
    local i
    for i in $(seq 1 $(($1 * 10))); do
        widget_window && return 0
        sleep 0.1
    done
    return 1
}

# e2e_fail WORKDIR MESSAGE...: reports a failed end-to-end check with a picture of the display
# (WORKDIR/failure.png, when there is one) and the end of every log in WORKDIR; exits 1.
e2e_fail() {
    local work=$1 f
    shift
    echo "FAIL: $*" >&2
    if [ -n "${DISPLAY:-}" ]; then
        import -window root "$work/failure.png" 2>/dev/null || true
    fi
    for f in "$work"/*.log; do
        echo "--- $f" >&2
        tail -n 20 "$f" >&2 || true
    done
    exit 1
}

# e2e_require_tools WORKDIR TOOL...: fails unless every tool is installed.
e2e_require_tools() {
    local work=$1 tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null || e2e_fail "$work" "$tool is not installed (scripts/setup installs it)"
    done
}

# menu_window: an open menu of the program, or nothing: a visible window of it that is none of
# the widget ($widget when set), the tray icon, its dialogs and the tray icon's tooltip (which
# comes up while the mouse rests on the icon).
menu_window() {
    local id icon
    icon=$(tray_icon)
    for id in $(xdotool search --onlyvisible --classname '^zomika2$' 2>/dev/null); do
        [ "$id" = "${widget:-}" ] && continue
        [ -n "$icon" ] && [ "$id" -eq "$((icon))" ] && continue
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null |
            grep -E '_(DIALOG|TOOLTIP|UTILITY)' >/dev/null && continue
        echo "$id"
        return 0
    done
    return 1
}

# --- the opening and the helpers every end-to-end test shares ------------------------------

# e2e_begin WORKDIR BINDIR TOOL...: stops what this file started when the test ends, defines
# fail MESSAGE... (e2e_fail with WORKDIR), fails unless every TOOL and each program of BINDIR
# named in E2E_PROGRAMS (default: zomika2 sample-service) is there, and empties WORKDIR.
e2e_begin() {
    E2E_WORK=$1
    local bindir=$2 program
    shift 2
    trap session_stop EXIT
    fail() { e2e_fail "$E2E_WORK" "$@"; }
    e2e_require_tools "$E2E_WORK" "$@"
    for program in ${E2E_PROGRAMS:-zomika2 sample-service}; do
        [ -x "$bindir/$program" ] || fail "build $program first"
    done
    rm -rf "$E2E_WORK"
    mkdir -p "$E2E_WORK"
}

# e2e_desktop WORKDIR [WxHxD] [TRAY_HEIGHT] [OPENBOX_OPTIONS...]: an X server, a window manager
# and a tray, as on a desktop; WxHxD "-" for the default screen. Fails the test when one of them
# does not come.
e2e_desktop() {
    local work=$1 screen=${2:--} height=${3:-24}
    shift $(($# < 3 ? $# : 3))
    [ "$screen" != - ] || screen=1024x768x24
    start_xvfb "$work" "$screen" || fail "no X server"
    start_wm "$work" "$@" || fail "no window manager"
    start_tray "$work" "$height" || fail "no tray"
}

# e2e_start_widget FOLDER LOG [VAR=VALUE...]: starts FOLDER's program (with the environment
# given) and waits until its widget is drawn; sets program and widget.
e2e_start_widget() {
    local folder=$1 log=$2
    shift 2
    env "$@" "$folder/zomika2" >>"$log" 2>&1 &
    program=$!
    SESSION_PIDS+=("$program")
    widget=$(wait_for_widget 60) || fail "the widget window did not appear"
}

# program_ended: the program last started has ended.
program_ended() { ! kill -0 "$program" 2>/dev/null; }

# wait_until SECONDS COMMAND...: polls COMMAND every 0.05 s until it succeeds.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# geometry ID: "X Y W H" of a window on the screen, in device pixels.
geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
        /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}

# entry_field FOLDER N F: field F (0-based) of entry N (0-based) of FOLDER's urls.list.
entry_field() {
    sed '1s/^\xEF\xBB\xBF//' "$1/urls.list" | tr -d '\r' | awk -F, -v n="$2" -v f="$3" \
        'NR == n + 1 {print $(f + 1)}'
}

# entry_index FOLDER PREFECTURE MUNICIPALITY: the 0-based index of that place in FOLDER's
# urls.list, or nothing. awk reads to the end: an early exit would fail the pipe under pipefail.
entry_index() {
    sed '1s/^\xEF\xBB\xBF//' "$1/urls.list" | tr -d '\r' | awk -F, -v p="$2" -v m="$3" \
        '$2 == p && $3 == m && !found {print NR - 1; found = 1}'
}

# open_tray_menu WHEN: one right click on the tray icon, as a person gives it, must open the
# menu: a lost click is a fault, not something to retry.
open_tray_menu() {
    xdotool mousemove --window "$(tray_icon)" 8 8 click 3
    wait_until 10 menu_window >/dev/null || fail "a right click on the tray icon opened no menu ($1)"
}

# tooltip_window: the program's tooltip while it is shown, or nothing.
tooltip_window() {
    local id
    for id in $(xdotool search --onlyvisible --classname '^zomika2$' 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _TOOLTIP && echo "$id" && return 0
    done
    return 1
}

# show_tray_hint: rests the pointer on the tray icon until its hint comes up; prints its id.
show_tray_hint() {
    local icon
    icon=$(tray_icon)
    xdotool mousemove --window "$icon" 8 8
    sleep 0.2
    xdotool mousemove --window "$icon" 9 9
    wait_until 10 tooltip_window >/dev/null || return 1
    tooltip_window
}

now_ms() { date +%s%3N; }

# wait_for_end START_MS: waits (at most 10 s) for the program to end; prints the milliseconds
# since START_MS.
wait_for_end() {
    local start=$1
    for _ in $(seq 1 1000); do
        program_ended && {
            echo $(($(now_ms) - start))
            return 0
        }
        sleep 0.01
    done
    return 1
}

# settings_saved WHAT FILE: the settings a quit must have written (fails the test otherwise).
settings_saved() {
    local line
    for line in "Left=40" "Top=30" "Showing=1" "ShowBalloon=0" 'Filename=Simple\small.ini'; do
        grep -qxF "$line" "$2" || fail "$1: the settings file lacks $line"
    done
}

# quit_every_way WHEN CHECK: ends the program by 終了 from the tray menu (one right click), then
# by SIGTERM, SIGINT and SIGHUP, each on a program the test's start_program starts afresh; each
# must end it within wait_for_end's 10 s, and `CHECK WHAT MS` is run after each. Prints the
# times ("終了 52 ms, SIGTERM 48 ms, ...").
quit_every_way() {
    local when=$1 check=$2 start ms report signal
    start_program
    [ -n "$(tray_icon)" ] || fail "no tray icon in the tray"
    open_tray_menu "$when"
    start=$(now_ms)
    xdotool key x
    ms=$(wait_for_end "$start") || fail "終了 did not end the program $when"
    "$check" "終了" "$ms"
    report="終了 ${ms} ms"
    for signal in TERM INT HUP; do
        start_program
        start=$(now_ms)
        kill -"$signal" "$program"
        ms=$(wait_for_end "$start") || fail "SIG$signal did not end the program $when"
        "$check" "SIG$signal" "$ms"
        report="$report, SIG$signal ${ms} ms"
    done
    echo "$report"
}

# widget_shows WORKDIR EXPECTED: the widget ($widget) on the screen is the picture EXPECTED drawn
# over the desktop's colour (which shows behind its translucent edges): at most 0.5 % of its
# pixels differ by more than 3 % in a channel. Leaves WORKDIR/shown.png, expected-flat.png and
# the count in diff.txt.
widget_shows() {
    local work=$1 expected=$2 x y w h bg diff
    read -r x y w h < <(geometry "$widget")
    import -window root "$work/screen.png"
    # The desktop's colour far from every window: the screen's bottom left.
    bg=$(convert "$work/screen.png" -format '%[pixel:p{5,h-8}]' info:)
    convert -size "${w}x$h" "xc:$bg" "$expected" -composite "$work/expected-flat.png"
    convert "$work/screen.png" -crop "${w}x$h+$x+$y" +repage "$work/shown.png"
    diff=$(compare -metric AE -fuzz 3% "$work/expected-flat.png" "$work/shown.png" null: 2>&1 |
        awk '{printf "%d", $1}') || true
    echo "$diff" >"$work/diff.txt"
    [ -n "$diff" ] && [ "$diff" -le $((w * h / 200)) ]
}

# dialog_window TITLE: the program's dialog of that title, or nothing.
dialog_window() {
    local id ours
    ours=" $(xdotool search --onlyvisible --classname '^zomika2$' 2>/dev/null | tr '\n' ' ') "
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        [[ "$ours" == *" $id "* ]] && echo "$id" && return 0
    done
    return 1
}
no_dialog() { ! dialog_window "$1" >/dev/null; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
