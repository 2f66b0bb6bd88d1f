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
E2E_PROGRAMS=zomika2 e2e_begin "$work" "$bindir" Xvfb trayer xdotool xwininfo xprop
[ -f "$resolver" ] || fail "build the slow resolver first"
start_xvfb "$work" 1024x768x24 || fail "no X server"
start_tray "$work" || fail "no tray"
folder="$work/program"
ini="$folder/zomika2.ini"
limit_ms=1000

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

# ended_in_time WHAT MS: within the limit (wait_for_end waits 10 s, while the look-up takes
# 30), with the settings saved.
ended_in_time() {
    [ "$2" -lt "$limit_ms" ] || fail "$1 took $2 ms to end the program during the look-up"
    settings_saved "$1" "$ini"
}

report=$(quit_every_way "during the look-up" ended_in_time)

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
