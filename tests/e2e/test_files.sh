#!/usr/bin/env bash
# event.db replaced under the running program (a sync tool's rename) is followed: its reminder
# comes, 完成 goes into it. The folder deleted: told, and the reminders read before come.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
export TZ=UTC
events="create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT); insert into eventtable values"
sqlite3 event.db "$events ('9:06', '旧文件', 't');"
start_x
start_at 09:05:45
sleep 1 # the file opened (a moment after the tray icon), then a new one in its place
sqlite3 new.db "$events ('9:06', '新文件', 't'), ('9:07', '之后', 't');"
mv new.db event.db
wait_for 30 "no reminder came at 9:06" windows '^提醒$'
geometry "$(windows '^提醒$')"
xdotool mousemove --window "$WINDOW" $((WIDTH - 50)) $((HEIGHT - 24)) click 1 # 完成
done_in() { [ "$(sqlite3 event.db "select 内容 from historyeventtable")" = "$1" ]; }
wait_for 5 "完成 did not go into the new file (or the old file's reminder came)" done_in 新文件
rm -rf "$TMP/work"
wait_for 10 "the user was not told that the folder is gone" windows '^数据库错误$'
wait_for 70 "the reminder of 9:07, read before, did not come" windows '^提醒$'
ends TERM SIGTERM
pass "a replaced file followed, a deleted folder told, its reminders still coming"
