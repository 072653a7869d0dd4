#!/usr/bin/env bash
# The real program on a real X server with a notification area and a sound server, its
# clock started by faketime at 9:06:50 with a daily reminder for 9:07 in event.db: it starts
# into the tray, a second start hands over and exits 0, the reminder pops up at 9:07 in the
# lower right corner and loops its chime until "稍等", "完成" records it, the tray menu
# opens the main window, and "退出" ends the program with exit code 0. Started again at 10:10,
# it lists the 9:30 reminder that fell in between in one window "错过的提醒", whose "完成"
# records it; SIGTERM ends it with exit code 0.
#
#   bash tests/e2e/test_desktop.sh <path-to-tasquill>
#
# With TASQUILL_SCREENSHOT_DIR set, the screenshots taken go there.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
export TZ=UTC
faketime_lib=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -n 1)
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT);
    insert into eventtable values ('9:07', '给花浇水', 't'), ('9:30', '吃药', 't'), ('18:00', '取快递', 't');"
start_x
start_pulse
today=$(date +%F)
started=$EPOCHREALTIME
start_app LD_PRELOAD="$faketime_lib" FAKETIME="@$today 09:06:50" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1
wait_for 20 "no tray icon appeared in the notification area" tray_icon
[ -z "$(windows '^ Tasquill$')" ] || fail "the main window shows although there is a notification area"
timeout 10 "$APP" || fail "a second start ended with code $?, not 0"
running || fail "the second start ended the first"

step "waiting for the reminder of 9:07"
wait_for 25 "no reminder window within 25 s of 9:06:50" windows '^提醒$'
below "$(awk -v a="$started" -v b="$EPOCHREALTIME" 'BEGIN { print b - a }')" 9 && fail "the reminder came before 9:07"
reminder=$(windows '^提醒$')
eval "$(xdotool getwindowgeometry --shell "$reminder")"
((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) || fail "the reminder is at $X,$Y ${WIDTH}x$HEIGHT, not in the corner"

# The chime lasts about 1.6 s: sound 2 s and more after it began means it loops.
chime=$(rms dingdong.wav 0 10)
record 5 ringing.wav
ringing=$(rms ringing.wav 2 2)
below "$ringing" "$(awk -v c="$chime" 'BEGIN { print c / 4 }')" && fail "not ringing 2-4 s in (RMS $ringing, chime $chime)"
shot screenshot-reminder.png "$X" "$Y" "$WIDTH" "$HEIGHT"
# "完成" sits in the corner of the bottom row, "稍等" to its left.
xdotool mousemove --window "$reminder" $((WIDTH - 140)) $((HEIGHT - 24)) click 1
sleep 1
[ -n "$(windows '^提醒$')" ] || fail "稍等 closed the reminder; it should only silence it"
record 3 quiet.wav
below "$(rms quiet.wav 0 3)" "$(awk -v c="$chime" 'BEGIN { print c / 100 }')" || fail "稍等 did not silence it"
xdotool mousemove --window "$reminder" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
wait_for 5 "完成 did not close the reminder" test -z "$(windows '^提醒$')"
history=$(sqlite3 event.db "select * from historyeventtable")
[[ $history == "9:07|给花浇水|完成|$(date '+%Y年%-m月%-d日') 9:0"[78]"|$(date '+%Y%-m%-d')" ]] ||
    fail "historyeventtable holds '$history'"

step "tray menu: 打开主窗口, then 退出"
pick_tray_entry 1
wait_for 10 "打开主窗口 showed no main window" windows '^ Tasquill$'
sleep 1 # let it paint
eval "$(xdotool getwindowgeometry --shell "$(windows '^ Tasquill$' | head -n 1)")"
shot screenshot-main.png "$X" "$Y" "$WIDTH" "$HEIGHT"
pick_tray_entry 3
wait_for 5 "退出 did not end the program" sh -c "! kill -0 $APP_PID"
wait "$APP_PID" || fail "退出 ended the program with code $?"

step "started again at 10:10"
start_app LD_PRELOAD="$faketime_lib" FAKETIME="@$today 10:10:00" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1
wait_for 20 "no window 错过的提醒 came" windows '^错过的提醒$'
missed=$(windows '^错过的提醒$')
eval "$(xdotool getwindowgeometry --shell "$missed")"
((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) || fail "错过的提醒 is at $X,$Y ${WIDTH}x$HEIGHT, not in the corner"
shot screenshot-missed.png "$X" "$Y" "$WIDTH" "$HEIGHT"
xdotool mousemove --window "$missed" 60 65 click 1 # its first row
xdotool mousemove --window "$missed" $((WIDTH - 200)) $((HEIGHT - 24)) click 1 # 完成
wait_for 5 "完成 in 错过的提醒 recorded nothing" sh -c "sqlite3 event.db \"select 内容 from historyeventtable\" | grep -qx 吃药"
kill -TERM "$APP_PID"
wait_for 5 "SIGTERM did not end the program" sh -c "! kill -0 $APP_PID"
wait "$APP_PID" || fail "SIGTERM ended the program with code $?"
pass "tray, single instance, a reminder seen, heard, silenced and completed, 退出, missed reminders"
