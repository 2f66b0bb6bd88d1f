#!/usr/bin/env bash
# The widget is part of the desktop: under a window manager with two workspaces it is on every
# workspace (_NET_WM_DESKTOP 0xFFFFFFFF), stays visible when the user goes to the second one, and
# stays below a normal window there. Turning 最背面に表示 off and on again from the tray menu (which
# makes a new window) keeps it on every workspace.
# Arguments: the program's build folder, a work folder, scripts/lib/session.sh.
set -euo pipefail
bindir=$1
work=$2
# shellcheck source=../../scripts/lib/session.sh
source "$3"
e2e_begin "$work" "$bindir" Xvfb openbox trayer xdotool xwininfo xprop xmessage import
cat >"$work/openbox.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <desktops><number>2</number><firstdesk>1</firstdesk></desktops>
</openbox_config>
XML
e2e_desktop "$work" - 24 --config-file "$work/openbox.xml"
start_sample_service "$bindir" "$work" || fail "no sample service"
folder="$work/program"
prepare_program "$bindir" "$folder" "$SAMPLE_URL" "Left=40" "Top=30" "StayOnBottom=1"

[ "$(xprop -root _NET_NUMBER_OF_DESKTOPS | awk '{print $3}')" = 2 ] ||
    fail "openbox did not make two workspaces: $(xprop -root _NET_NUMBER_OF_DESKTOPS)"

e2e_start_widget "$folder" "$work/zomika2.log"

on_every_workspace() { xprop -id "$widget" _NET_WM_DESKTOP 2>/dev/null | grep -q '= 4294967295$'; }
below() { xprop -id "$widget" _NET_WM_STATE 2>/dev/null | grep -q '_NET_WM_STATE_BELOW'; }
viewable() { xwininfo -id "$widget" 2>/dev/null | grep -q 'Map State: IsViewable'; }
current_workspace() { xprop -root _NET_CURRENT_DESKTOP | awk '{print $3}'; }

# expect_at_home WHEN: on every workspace, below the others, shown.
expect_at_home() {
    wait_until 10 on_every_workspace ||
        fail "not on every workspace ($1): $(xprop -id "$widget" _NET_WM_DESKTOP)"
    wait_until 10 below || fail "not below normal windows ($1): $(xprop -id "$widget" _NET_WM_STATE)"
    wait_until 10 viewable || fail "not shown ($1)"
}

expect_at_home "at the start"

# The second workspace: the widget is still there, under a normal window that covers it.
xdotool set_desktop 1
wait_until 10 bash -c '[ "$(xprop -root _NET_CURRENT_DESKTOP | awk "{print \$3}")" = 1 ]' ||
    fail "could not go to the second workspace"
expect_at_home "on the second workspace"
xmessage -geometry 600x400+0+0 "a normal window" &
SESSION_PIDS+=($!)
other=""
find_other() { other=$(xdotool search --onlyvisible --class '^Xmessage$' 2>/dev/null | head -n 1) && [ -n "$other" ]; }
wait_until 10 find_other || fail "the normal window did not appear"
# Stacking order of the managed windows, bottom first: the widget comes before the other one.
widget_below_other() {
    local order
    order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g')
    local w o i=0 wi=-1 oi=-1
    for w in $order; do
        [ "$((w))" = "$((widget))" ] && wi=$i
        [ "$((w))" = "$((other))" ] && oi=$i
        i=$((i + 1))
    done
    [ "$wi" -ge 0 ] && [ "$oi" -ge 0 ] && [ "$wi" -lt "$oi" ]
}
wait_until 10 widget_below_other ||
    fail "the widget is not below the normal window: $(xprop -root _NET_CLIENT_LIST_STACKING)"
xdotool windowactivate --sync "$widget" 2>/dev/null || true
sleep 0.3
widget_below_other || fail "activating the widget raised it over the normal window"

# 最背面に表示 off and on again makes a new window: it is still on every workspace.
xdotool set_desktop 0
wait_until 10 bash -c '[ "$(xprop -root _NET_CURRENT_DESKTOP | awk "{print \$3}")" = 0 ]' ||
    fail "could not go back to the first workspace"
for round in off on; do
    open_tray_menu "最背面に表示 $round"
    xdotool key d b
    sleep 0.5
    widget=$(wait_for_widget 10) || fail "the widget is gone after 最背面に表示 $round"
done
expect_at_home "after 最背面に表示 off and on"
xdotool set_desktop 1
wait_until 10 viewable || fail "not shown on the second workspace after 最背面に表示 off and on"
echo "workspace test passed"
