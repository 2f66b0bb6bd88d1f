#!/usr/bin/env bash
# Quitting while a host name is being looked up and the name service hangs (a broken DNS at
# login), through the real client: 終了 from the tray menu and SIGTERM, SIGINT and SIGHUP each end
# the program within a second with its settings saved, and a start that comes right after is not
# refused. The hanging name service is a preloaded getaddrinfo (slow_resolver.c).
# Arguments: the program's build folder, a work folder, the preload library,
# scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
resolver=$3
# shellcheck source=../../scripts/lib/session.sh
source "$4"
trap session_stop EXIT

fail() { e2e_fail "$work" "$@"; }

e2e_require_tools "$work" Xvfb trayer xdotool xwininfo xprop
[ -x "$bindir/zomika2" ] || fail "build zomika2 first"
[ -f "$resolver" ] || fail "build the slow resolver first"

rm -rf "$work"
mkdir -p "$work"
start_xvfb "$work" 1024x768x24 || fail "no X server"
start_tray "$work" || fail "no tray"
folder="$work/program"
ini="$folder/zomika2.ini"
limit_ms=1000
now_ms() { date +%s%3N; }

# run_program LOG: the program of $folder with the hanging name service, in the background.
run_program() {
    rm -f "$work/lookups"
    LD_PRELOAD="$resolver" SLOW_RESOLVER_MARK="$work/lookups" SLOW_RESOLVER_SECONDS=30 \
        "$folder/zomika2" >"$work/$1" 2>&1 &
    program=$!
    SESSION_PIDS+=("$program")
}

# wait_for_lookup: the widget is drawn and a host name is being looked up.
wait_for_lookup() {
    widget=$(wait_for_widget 20) || fail "the widget did not appear while a name was looked up"
    for _ in $(seq 1 200); do
        [ -s "$work/lookups" ] && return 0
        sleep 0.05
    done
    fail "no host name was looked up"
}

# A fresh folder whose every address names a host the name service hangs on.
start_program() {
    prepare_program "$bindir" "$folder" "http://forecast.slow-dns.example/" "Left=40" "Top=30" \
        "Monitor=1"
    run_program zomika2.log
    wait_for_lookup
}

# wait_for_end START: waits (at most 10 s, while the look-up takes 30) for the program to end;
# prints the milliseconds since START.
wait_for_end() {
    local start=$1
    for _ in $(seq 1 1000); do
        kill -0 "$program" 2>/dev/null || {
            echo $(($(now_ms) - start))
            return 0
        }
        sleep 0.01
    done
    return 1
}

# ended_in_time WHAT MS: within the limit, with the settings saved.
ended_in_time() {
    [ "$2" -lt "$limit_ms" ] || fail "$1 took $2 ms to end the program during the look-up"
    local line
    for line in "Left=40" "Top=30" "Showing=1" "ShowBalloon=0" 'Filename=Simple\small.ini'; do
        grep -qxF "$line" "$ini" || fail "$1: the settings file lacks $line"
    done
}

# 終了 from the tray menu: one right click opens it.
start_program
icon=$(tray_icon)
[ -n "$icon" ] || fail "no tray icon in the tray"
xdotool mousemove --window "$icon" 8 8 click 3
menu=""
for _ in $(seq 1 200); do
    menu=$(menu_window) && break
    sleep 0.05
done
[ -n "$menu" ] || fail "a right click on the tray icon opened no menu during the look-up"
start=$(now_ms)
xdotool key x
ms=$(wait_for_end "$start") || fail "終了 did not end the program during the look-up"
ended_in_time "終了" "$ms"
report="終了 ${ms} ms"

for signal in TERM INT HUP; do
    start_program
    start=$(now_ms)
    kill -"$signal" "$program"
    ms=$(wait_for_end "$start") || fail "SIG$signal did not end the program during the look-up"
    ended_in_time "SIG$signal" "$ms"
    report="$report, SIG$signal ${ms} ms"
done

# A start right behind a quit (a session that logs out and in again) becomes the widget: it
# starts as soon as the first has closed its window, while that one may still be ending.
start_program
first=$program
kill -TERM "$first"
for _ in $(seq 1 200); do
    widget_window >/dev/null || break
    sleep 0.01
done
run_program second.log
second=$program
program=$first
wait_for_end "$(now_ms)" >/dev/null || fail "the first program did not end"
program=$second
wait_for_lookup
kill -0 "$second" 2>/dev/null || fail "the start right after a quit ended: $(cat "$work/second.log")"
start=$(now_ms)
kill -TERM "$second"
ms=$(wait_for_end "$start") || fail "the second program did not end"
ended_in_time "SIGTERM to the second program" "$ms"

echo "PASS: ended during a hung look-up with settings saved: $report; a start right after a quit took over"
