#!/usr/bin/env bash
# The real program, its clock started at 9:06:50: into the tray; 9:07 pops up in the lower
# right corner, chiming in a loop until "稍等"; "完成" closes it; the tray menu opens the main
# window, "退出" ends it (code 0). Started at 10:10:30 it lists 9:30 in "错过的提醒", and one
# of 10:11 added by another program meanwhile pops up; SIGTERM ends it. With the sound server
# stopped, reminders still come on time and SIGTERM still ends it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
export TZ=UTC
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT);
    insert into eventtable values ('9:07', '给花浇水', 't'), ('9:30', '吃药', 't'), ('18:00', '取快递', 't');"
start_x
start_pulse
# in_corner NAME: the window NAME stands in the lower right corner; its geometry is set.
in_corner() {
    geometry "$(windows "$1")"
    ((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) || fail "$1 is at $X,$Y ${WIDTH}x$HEIGHT, not in the corner"
}
started=$EPOCHREALTIME
start_at 09:06:50
[ -z "$(windows '^ Tasquill$')" ] || fail "the main window shows although there is a notification area"

wait_for 25 "no reminder window within 25 s of 9:06:50" windows '^提醒$'
below "$EPOCHREALTIME - $started" 9 && fail "the reminder came before 9:07"
in_corner '^提醒$'
# The chime lasts about 1.6 s: sound 2 s and more after it began means it loops.
chime=$(rms dingdong.wav 0 10)
record 5 ringing.wav
ringing=$(rms ringing.wav 2 2)
below "$ringing" "$chime / 4" && fail "not ringing 2-4 s in (RMS $ringing, chime $chime)"
shot screenshot-reminder.png "$X" "$Y" "$WIDTH" "$HEIGHT"
# "完成" sits in the corner of the bottom row, "稍等" to its left.
xdotool mousemove --window "$WINDOW" $((WIDTH - 140)) $((HEIGHT - 24)) click 1
sleep 1
[ -n "$(windows '^提醒$')" ] || fail "稍等 closed the reminder; it should only silence it"
record 3 quiet.wav
below "$(rms quiet.wav 0 3)" "$chime / 100" || fail "稍等 did not silence it"
xdotool mousemove --window "$WINDOW" $((WIDTH - 50)) $((HEIGHT - 24)) click 1
wait_for 5 "完成 did not close the reminder" test -z "$(windows '^提醒$')"

pick_tray_entry 1
wait_for 10 "打开主窗口 showed no main window" windows '^ Tasquill$'
pick_tray_entry 4 # 打开主窗口, 立即同步, 软件主页, 退出
ends - 退出

start_at 10:10:30
wait_for 20 "no window 错过的提醒 came" windows '^错过的提醒$'
in_corner '^错过的提醒$'
sqlite3 event.db "insert into eventtable values ('10:11', '外来', 't'), ('10:12', '一', 't'), ('10:13', '二', 't')"
wait_for 45 "a reminder added by another program did not come at 10:11" windows '^提醒$'
ends TERM SIGTERM

# A hung sound server (PulseAudio stopped) holds up nothing: 10:12 shows at once, 10:13 on
# time (not 30 s late), and SIGTERM still ends the program.
kill -STOP "$PULSE_PID"
reminders() { (($(windows '^提醒$' | wc -l) >= $1)); }
started=$SECONDS
start_at 10:12:20
wait_for $((started + 10 - SECONDS)) "10:12 was not shown at the start" reminders 1
wait_for $((started + 44 - SECONDS)) "10:13 was not shown within 3-4 s of its minute" reminders 2
ends TERM SIGTERM
pass "tray, a reminder seen, heard, silenced and completed, 退出, missed reminders, one added meanwhile, a hung sound server"
