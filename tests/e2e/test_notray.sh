#!/usr/bin/env bash
# No notification area (a window manager, no tray): the main window shows at start, closed it
# hides, a second start brings it back and ends with 0; the window's menu offers 退出.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
start_x no-tray
start_app
wait_for 20 "no main window at the start" windows '^ Tasquill$'
wmctrl -c ' Tasquill'
wait_for 5 "closing the main window did not hide it" test -z "$(windows '^ Tasquill$')"
timeout 10 "$APP" || fail "a second start ended with code $?"
wait_for 10 "a second start did not bring the main window back" windows '^ Tasquill$'
xdotool windowfocus --sync "$(windows '^ Tasquill$' | head -n 1)" key alt+e && sleep 0.5 && xdotool key Up Return # 退出, last
ends - 退出
pass "the main window without a notification area: shown, hidden, brought back by a second start, 退出 in its menu"
