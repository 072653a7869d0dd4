#!/usr/bin/env bash
# A Wayland session (weston, headless) with Qt's Wayland plugin: with XWayland the program runs
# on xcb, its reminder at the lower right. Without X11, reminders go to the notification
# service (a stand-in): content and "完成", which records it; closing silences the chime.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
export TZ=UTC
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT); insert into eventtable values ('9:07', '给花浇水', 't'), ('9:08', '一', 't'), ('9:09', '二', 't');"
dbus-daemon --session --nofork --address="unix:path=$TMP/bus" >"$TMP/dbus.log" 2>&1 &
PIDS+=($!)
export DBUS_SESSION_BUS_ADDRESS="unix:path=$TMP/bus" WAYLAND_DISPLAY=wayland-tq XDG_SESSION_TYPE=wayland
wait_for 5 "no session bus" test -S "$TMP/bus"
"$(dirname "$APP")/notifystandin" done close >"$TMP/notify.log" 2>&1 &
PIDS+=($!)
weston --backend=headless-backend.so --use-pixman --xwayland --debug --socket=wayland-tq --width=1024 --height=768 >"$TMP/weston.log" 2>&1 &
PIDS+=($!)
wait_for 10 "weston did not offer XWayland" grep -q "xserver listening on display" "$TMP/weston.log"
export DISPLAY=$(sed -n 's/.*xserver listening on display //p' "$TMP/weston.log")
faked() { start_app LD_PRELOAD="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -n 1)" FAKETIME="@$(date +%F) $1" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1; }
faked 09:06:50
wait_for 30 "no reminder window on XWayland by 9:07" windows '^提醒$'
geometry "$(windows '^提醒$')"
read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) || fail "the reminder is at $X,$Y ${WIDTH}x$HEIGHT on ${SCREEN_W}x$SCREEN_H"
[ -z "${TASQUILL_SCREENSHOT_DIR:-}" ] || (cd "$TASQUILL_SCREENSHOT_DIR" && timeout 10 weston-screenshooter) || fail "no screenshot"
ends TERM SIGTERM

unset DISPLAY
start_pulse
faked 09:07:40
wait_for 30 "no notification at 9:08" grep -q "^notify 1 " "$TMP/notify.log"
grep -qx "notify 1 提醒|一|done,完成,later,稍后提醒|urgency=2" "$TMP/notify.log" || fail "$(cat "$TMP/notify.log")"
done_rows() { [ "$(sqlite3 event.db "select count(*) from historyeventtable h, tceventtable c where h.内容 = '一' and c.内容 = '一'")" = 1 ]; }
wait_for 5 "完成 on the notification recorded no completion" done_rows
wait_for 65 "no notification at 9:09" grep -q "^notify 2 " "$TMP/notify.log"
record 2 ringing.wav
below "$(rms ringing.wav 0.5 1.5)" "$(rms dingdong.wav 0 10) / 4" && fail "no chime with the notification"
sleep 1.5 # closed by the stand-in three seconds after it came
record 2 quiet.wav
below "$(rms quiet.wav 0 2)" 0.001 || fail "the chime goes on after the notification was closed"
ends TERM SIGTERM
pass "on Wayland: the reminder window on XWayland at the lower right; without X11 notifications, 完成 recorded, closing silences"
