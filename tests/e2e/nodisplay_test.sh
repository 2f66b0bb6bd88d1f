#!/usr/bin/env bash
# Without an X display the program says so and ends with status 1; the toolkit must not abort.
# Argument: the program's build folder.
set -uo pipefail
bindir=$1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

check() { # name, expected message, env assignments...
    local name=$1 want=$2
    shift 2
    local out status
    out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/c" \
        "$@" timeout 20 "$bindir/zomika2" 2>&1)
    status=$?
    [ "$status" -eq 1 ] || fail "$name: status $status, output: $out"
    [ "$out" = "$want" ] || fail "$name: said \"$out\""
}

wayland_text=$'Pelumi: X ディスプレイに接続できません (DISPLAY が設定されていません)。\nWayland のセッションでは XWayland を通して動きます。XWayland が使えるか確かめてください。'
check "Wayland session without XWayland" "$wayland_text" WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland
check "a display that is not there" \
    $'Pelumi: X ディスプレイ ":97" に接続できません。\nこのプログラムは X11 のデスクトップで動きます。' \
    DISPLAY=:97
check "xcb chosen by the user" \
    $'Pelumi: X ディスプレイに接続できません (DISPLAY が設定されていません)。\nこのプログラムは X11 のデスクトップで動きます。' \
    QT_QPA_PLATFORM=xcb
[ -z "$(ls -A "$home")" ] || fail "files were written before the display check: $(ls -A "$home")"
echo "PASS: no X display gives the message and status 1"
