#!/usr/bin/env bash
# Takes the README's screenshots of the installed program under Xvfb with a notification
# area and fixed data: the main window, the entry window, a reminder pop-up, the browser,
# the missed reminders and the sync settings (with a Radicale of its own), into docs/.
#
#   scripts/screenshots.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
source "$here/tests/e2e/lib.sh"
source "$here/tests/support/caldav.sh"
init "$build/bin/tasquill"
cmake --install "$build" --prefix "$TMP/prefix" >/dev/null
APP="$TMP/prefix/bin/tasquill"
export TZ=UTC TASQUILL_SCREENSHOT_DIR="$here/docs"
today=$(date +%F)
faketime_lib=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -n 1)
weekdays=(一 二 三 四 五 六 天)
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT);
  insert into eventtable values ('8:30', '晨会：准备本周工作计划', 't'), ('9:07', '给阳台的花浇水', 't'),
    ('$(date -d "$today" '+%-m月%-d日') 12:00', '妈妈的生日，订蛋糕', 'm'), ('星期${weekdays[$(date +%u) - 1]} 18:00', '健身房', 'w'),
    ('$(date -d "$today +3 days" '+%Y年%-m月%-d日') 14:30', '牙医复诊', 'y'), ('农历八月十五 19:00', '中秋，给爷爷奶奶打电话', 'l'),
    ('9:05', '喝一杯水', 't');
  create table historyeventtable(时间 TEXT, 内容 TEXT, 完成情况 TEXT, 完成时间 TEXT, dTag TEXT);
  insert into historyeventtable values ('8:30', '晨会：准备本周工作计划', '完成', '$(date -d "$today -1 day" '+%Y年%-m月%-d日') 8:41', ''),
    ('$(date -d "$today -2 days" '+%Y年%-m月%-d日') 15:00', '交水电费', '未完成', '', '');"
# A calendar on a server of its own, with a phone's meeting every other week.
caldav_start radicale "$TMP/server" alice secret >/dev/null
PIDS+=("$CALDAV_PID")
echo secret | "$APP" sync --dir "$TMP/work" --set "$CALDAV_URL" alice >/dev/null
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Phone//EN\r\nBEGIN:VEVENT\r\nUID:m\r\nDTSTAMP:20260101T000000Z\r\nDTSTART:20260105T150000\r\nRRULE:FREQ=WEEKLY;INTERVAL=2\r\nSUMMARY:项目例会\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' >"$TMP/meeting.ics"
caldav_put "$(sed -n 's/^calendar=//p' "$TMP/work/sync.conf")meeting.ics" "$TMP/meeting.ics" '*' >/dev/null
"$APP" sync --dir "$TMP/work" >/dev/null
start_x
# A desktop-like background; only looks, so a failure is ignored.
convert -size "${SCREEN_W}x$SCREEN_H" gradient:'#5b86a8-#2c4a63' "$TMP/desktop.png" &&
    display -window root "$TMP/desktop.png" >/dev/null 2>&1 || true
# A first run that ends at 8:00, so that the next start lists 8:30 and 9:05 as missed.
start_app LD_PRELOAD="$faketime_lib" FAKETIME="@$today 08:00:00" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1
wait_for 20 "no tray icon" tray_icon
sleep 1 # its first check done (a fifth of a second after the icon), which notes the minute
kill -TERM "$APP_PID" && wait "$APP_PID"
start_app LD_PRELOAD="$faketime_lib" FAKETIME="@$today 09:06:50" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1
wait_for 20 "no missed reminders" windows '^错过的提醒$'
wait_for 25 "no reminder" windows '^提醒$'
sleep 1
for entry in "提醒|reminder" "错过的提醒|missed"; do
    eval "$(xdotool getwindowgeometry --shell "$(windows "^${entry%|*}\$")")"
    shot "screenshot-${entry#*|}.png" "$X" "$Y" "$WIDTH" "$HEIGHT" crop
done
pick_tray_entry 1
wait_for 10 "no main window" windows '^ Tasquill$'
main=$(windows '^ Tasquill$' | head -n 1)
sleep 1
eval "$(xdotool getwindowgeometry --shell "$main")"
shot screenshot-main.png "$X" "$Y" "$WIDTH" "$HEIGHT" crop
# The menu 事项(&E): 事项设置(&S) opens the entry window, 查看(&V) the browser.
for entry in "s|^ 事项设置\$|entry" "v|^事项一览表\$|browser"; do
    IFS='|' read -r key title name <<<"$entry"
    xdotool windowfocus --sync "$main" && xdotool key alt+e && sleep 0.5 && xdotool key "$key"
    wait_for 10 "no window $title" windows "$title"
    sleep 1
    eval "$(xdotool getwindowgeometry --shell "$(windows "$title" | head -n 1)")"
    shot "screenshot-$name.png" "$X" "$Y" "$WIDTH" "$HEIGHT" crop
done
# 同步设置…, the fifth entry of the menu 事项.
xdotool windowfocus --sync "$main" && xdotool key alt+e && sleep 0.5 && xdotool key Down Down Down Down Return
wait_for 10 "no sync settings" windows '^同步设置$'
sleep 1
eval "$(xdotool getwindowgeometry --shell "$(windows '^同步设置$' | head -n 1)")"
shot screenshot-sync.png "$X" "$Y" "$WIDTH" "$HEIGHT" crop
pass "screenshots in $TASQUILL_SCREENSHOT_DIR"
