# Shared by scripts/run and the end-to-end test: a private X display with a window manager, a
# tray and a compositor, the sample service, and a program folder that talks to it.
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
