#!/usr/bin/env bash
# The real program on a real X server with a notification area: it starts into the tray,
# its tray menu opens the main window, and "退出" ends it with exit code 0.
#
#   bash tests/e2e/test_tray_smoke.sh <path-to-tasquill>
#
# With TASQUILL_SCREENSHOT_DIR set, the screenshot of the main window is copied there as
# screenshot-main.png (the README shows it).

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "${1:-}"
need_tools sqlite3
# A few daily reminders, so the main window has a today's list to show.
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT);
                  insert into eventtable values('8:30', '晨会', 't'), ('12:30', '给花浇水', 't'),
                                                ('18:00', '取快递', 't');" ||
    fail "could not prepare event.db"
start_x
start_app

wait_for_tray_icon
app_running || fail "the program ended on its own after start-up"
if xdotool search --onlyvisible --name '^ Tasquill$' >/dev/null 2>&1; then
    fail "the main window is showing although a notification area is available"
fi

step "tray menu: 打开主窗口"
pick_tray_entry 1
wait_for 10 "no window named ' Tasquill' became visible after 打开主窗口" \
    xdotool search --onlyvisible --name '^ Tasquill$'
MAIN=$(xdotool search --onlyvisible --name '^ Tasquill$' | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$MAIN")"
step "main window $MAIN at ${X},${Y} size ${WIDTH}x${HEIGHT}"

sleep 1 # let it paint before the picture is taken
SHOT="$E2E_TMP/screenshot-main.png"
import -window root "$SHOT" || fail "ImageMagick could not take a screenshot"
colours=$(distinct_colours "$SHOT" "$X" "$Y" "$WIDTH" "$HEIGHT")
((colours > 50)) || fail "the main window looks blank on screen ($colours colours)"
eval "$(xdotool getwindowgeometry --shell "$TRAY_ICON")"
colours=$(distinct_colours "$SHOT" "$X" "$Y" "$WIDTH" "$HEIGHT")
((colours > 1)) || fail "the tray icon is drawn empty ($colours colours): is its image missing?"
copy_screenshot "$SHOT" screenshot-main.png

step "tray menu: 退出"
pick_tray_entry 3
wait_for_exit 5
((APP_RC == 0)) || fail "退出 ended the program with exit code $APP_RC, expected 0"

e2e_pass "tray icon, 打开主窗口 and 退出 work on a real X server"
