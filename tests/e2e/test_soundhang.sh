#!/usr/bin/env bash
# A hung sound server (PulseAudio stopped) holds up nothing: started at 9:07:20, the program
# shows 9:07 at once, 9:08 on time (not 30 s late), and SIGTERM still ends it (code 0).
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
sqlite3 event.db "create table eventtable(时间, 内容, 类型); insert into eventtable values ('9:07', '一', 't'), ('9:08', '二', 't')"
start_x
start_pulse
kill -STOP "$PULSE_PID"
reminders() { (($(windows '^提醒$' | wc -l) >= $1)); }
started=$SECONDS
start_at 09:07:20
wait_for $((started + 10 - SECONDS)) "9:07 was not shown at the start" reminders 1
wait_for $((started + 44 - SECONDS)) "9:08 was not shown within 3-4 s of its minute" reminders 2
ends TERM SIGTERM
pass "reminders on time and a clean end while the sound server hangs"
