#!/usr/bin/env bash
# A Wayland session (weston, headless) with XWayland, and Qt's Wayland plugin installed: the
# program runs on xcb, so that its reminder window stands at the lower right of the screen.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
export TZ=UTC
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT); insert into eventtable values ('9:07', '给花浇水', 't');"
weston --backend=headless-backend.so --use-pixman --xwayland --debug --socket=wayland-tq --width=1024 --height=768 >"$TMP/weston.log" 2>&1 &
PIDS+=($!)
wait_for 10 "weston did not offer XWayland" grep -q "xserver listening on display" "$TMP/weston.log"
export WAYLAND_DISPLAY=wayland-tq XDG_SESSION_TYPE=wayland
export DISPLAY=$(sed -n 's/.*xserver listening on display //p' "$TMP/weston.log")
start_app LD_PRELOAD="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -n 1)" \
    FAKETIME="@$(date +%F) 09:06:50" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1
wait_for 30 "no reminder window on XWayland by 9:07" windows '^提醒$'
geometry "$(windows '^提醒$')"
read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) || fail "the reminder is at $X,$Y ${WIDTH}x$HEIGHT on a ${SCREEN_W}x$SCREEN_H screen"
[ -z "${TASQUILL_SCREENSHOT_DIR:-}" ] || (cd "$TASQUILL_SCREENSHOT_DIR" && timeout 10 weston-screenshooter) || fail "no screenshot"
ends TERM SIGTERM
pass "on a Wayland session the program runs on XWayland, its reminder at the lower right"
