#!/usr/bin/env bash
# Without an X display, or with a platform the toolkit cannot start, the program says so and ends
# with status 1; the toolkit must not abort.
# Its options need no display: --version and --help print and end with 0, a wrong one says so
# and ends with 2.
# Arguments: the program's build folder, the project version.
set -uo pipefail
bindir=$1
version=$2
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

option() { # name, expected status, expected standard output, expected standard error, arguments...
    local name=$1 want_status=$2 want_out=$3 want_err=$4
    shift 4
    local status
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/c" \
        timeout 20 "$bindir/zomika2" "$@" >"$home.out" 2>"$home.err"
    status=$?
    [ "$status" -eq "$want_status" ] || fail "$name: status $status, output: $(cat "$home.out" "$home.err")"
    [ "$(cat "$home.out")" = "$want_out" ] || fail "$name: printed \"$(cat "$home.out")\""
    [ "$(cat "$home.err")" = "$want_err" ] || fail "$name: said \"$(cat "$home.err")\""
}
trap 'rm -rf "$home" "$home.out" "$home.err"' EXIT
option "--version" 0 $'zomika2 (Pelumi) '"$version"$'\nCopyright (c) 2026 the Pelumi developers\nMIT License' "" --version
option "--version after the platform choice" 0 "$(cat "$home.out")" "" -platform xcb --version
option "--help" 0 "$("$bindir/zomika2" --help)" "" --help
grep -q '^使い方: zomika2 \[オプション\]$' "$home.out" || fail "--help: $(cat "$home.out")"
grep -q -- '--version' "$home.out" || fail "--help does not name --version"
option "an unknown option" 2 "" $'Pelumi: 不明なオプション "--verison" です。\n使えるオプションは "zomika2 --help" で表示されます。' --verison
option "an option where the platform's name belongs" 2 "" $'Pelumi: オプション -platform には値が必要です。\n使えるオプションは "zomika2 --help" で表示されます。' -platform --help
# A platform the toolkit cannot start ends as without a display, not in the toolkit's abort.
platform_text=$'Pelumi: プラットフォーム "bogus" で画面を開けません。\nこのプログラムは X11 のデスクトップで動きます。'
option "xcb chosen on the command line" 1 "" \
    $'Pelumi: X ディスプレイに接続できません (DISPLAY が設定されていません)。\nこのプログラムは X11 のデスクトップで動きます。' \
    -platform xcb
option "an unknown platform" 1 "" "$platform_text" -platform bogus
check "an unknown platform in the environment" "$platform_text" QT_QPA_PLATFORM=bogus
# The Wayland library writes its own complaint first; the program's message ends the output.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR HOME="$home" \
    XDG_CONFIG_HOME="$home/c" timeout 20 "$bindir/zomika2" -platform wayland >"$home.out" 2>"$home.err"
status=$?
[ "$status" -eq 1 ] || fail "a platform whose window system is not there: status $status"
[ "$(tail -n 2 "$home.err")" = $'Pelumi: プラットフォーム "wayland" で画面を開けません。\nこのプログラムは X11 のデスクトップで動きます。' ] ||
    fail "a platform whose window system is not there: said \"$(cat "$home.err")\""
option "an argument" 2 "" $'Pelumi: 余分な引数 "東京" があります。このプログラムは引数を取りません。\n使えるオプションは "zomika2 --help" で表示されます。' 東京
if [ -w /dev/full ]; then
    "$bindir/zomika2" --version >/dev/full 2>/dev/null && fail "--version into a full disk ended with 0"
fi

[ -z "$(ls -A "$home")" ] || fail "files were written before the display check: $(ls -A "$home")"
echo "PASS: no X display or platform gives the message and status 1; --version, --help and a wrong option need none"
