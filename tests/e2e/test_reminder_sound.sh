#!/usr/bin/env bash
# A daily reminder seen and heard end to end: the real program, started by a faked clock at
# 9:06:50 with a reminder for "9:07" in event.db, pops up the reminder window at the lower
# right of the screen at 9:07, loops its chime until "稍等", and "完成" closes the window and
# records the completion in historyeventtable.
#
#   bash tests/e2e/test_reminder_sound.sh <path-to-tasquill>
#
# With TASQUILL_SCREENSHOT_DIR set, the screenshot of the reminder is copied there as
# screenshot-reminder.png (the README shows it).

source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "${1:-}"
need_tools sqlite3 sox
export TZ=UTC

FAKETIME_LIB=$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 2>/dev/null | head -n 1 || true)
[ -n "$FAKETIME_LIB" ] || fail "libfaketime is not installed (package faketime)"

CONTENT="给花浇水"
sqlite3 event.db "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT);
                  insert into eventtable values('9:07', '$CONTENT', 't');" ||
    fail "could not prepare event.db"

start_x
start_pulse

TODAY=$(date +%F)
FAKE_START=$(date -d "$TODAY 09:06:50" +%s)
# The program's clock starts at 9:06:50 and runs on from there; the monotonic clock its
# timers use stays real.
REAL_START=$EPOCHREALTIME
start_app LD_PRELOAD="$FAKETIME_LIB" FAKETIME="@$TODAY 09:06:50" FAKETIME_DONT_FAKE_MONOTONIC=1
# What the program's clock reads now, in seconds since the epoch.
fake_now() { awk -v s="$FAKE_START" -v r0="$REAL_START" -v r="$EPOCHREALTIME" 'BEGIN { printf "%.1f", s + r - r0 }'; }

wait_for_tray_icon

reminder_window() {
    local w
    for w in $(xdotool search --all --onlyvisible --pid "$APP_PID" --name '^提醒$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w")"
        if ((WIDTH == 307 && HEIGHT == 247)); then
            echo "$w"
            return 0
        fi
    done
    return 1
}

step "waiting for the reminder of 9:07"
deadline=$((SECONDS + 25))
until reminder_window >/dev/null; do
    app_running || fail "the program ended while waiting for the reminder"
    ((SECONDS < deadline)) || fail "no 307x247 window '提醒' within 25 s of starting at 9:06:50"
    sleep 0.1
done
shown_at=$(fake_now)
# One second of slack for the time it takes to find the window.
fcmp "$shown_at" '>=' "$((FAKE_START + 9))" ||
    fail "the reminder popped up at $(date -d "@${shown_at%.*}" +%T), before its minute 9:07"
MSG=$(reminder_window)
eval "$(xdotool getwindowgeometry --shell "$MSG")"
step "reminder window $MSG at ${X},${Y} ${WIDTH}x${HEIGHT}, shown at $(date -d "@${shown_at%.*}" +%T)"
((X + WIDTH == SCREEN_W && Y + HEIGHT == SCREEN_H)) ||
    fail "the reminder is at ${X},${Y} ${WIDTH}x${HEIGHT}, not in the lower right corner of the ${SCREEN_W}x${SCREEN_H} screen"

# The chime lasts about 1.6 s: sound 2 s and more after it began means it loops.
[ -s dingdong.wav ] || fail "the program did not write the default chime ./dingdong.wav at start-up"
CHIME_RMS=$(rms dingdong.wav 0 10)
[ -n "$CHIME_RMS" ] || fail "./dingdong.wav is not a sound file sox can read"
step "recording while the reminder rings"
record 5 ringing.wav
RING_RMS=$(rms ringing.wav 2 2)
[ -n "$RING_RMS" ] && fcmp "$RING_RMS" '>' "$(awk -v c="$CHIME_RMS" 'BEGIN { print c / 4 }')" ||
    fail "2-4 s into the reminder the sound is not playing (RMS ${RING_RMS:-none}, the chime's own is $CHIME_RMS)"
step "ringing: RMS $RING_RMS over 2-4 s (chime $CHIME_RMS)"

sleep 0.5 # let it paint before the picture is taken
SHOT="$E2E_TMP/screenshot-reminder.png"
import -window root "$SHOT" || fail "ImageMagick could not take a screenshot"
colours=$(distinct_colours "$SHOT" "$X" "$Y" "$WIDTH" "$HEIGHT")
((colours > 50)) || fail "the reminder window looks blank on screen ($colours colours)"
copy_screenshot "$SHOT" screenshot-reminder.png

# The two buttons sit in the bottom row, "完成" in the corner and "稍等" to its left.
click_in_reminder() {
    xdotool mousemove --window "$MSG" "$1" "$2" click 1
}
BUTTON_Y=$((HEIGHT - 24))
step "clicking 稍等"
click_in_reminder $((WIDTH - 140)) "$BUTTON_Y"
sleep 1
reminder_window >/dev/null || fail "稍等 closed the reminder window; it should only silence it"
record 3 quiet.wav
QUIET_RMS=$(rms quiet.wav 0 3)
[ -n "$QUIET_RMS" ] && fcmp "$QUIET_RMS" '<' "$(awk -v c="$CHIME_RMS" 'BEGIN { print c / 100 }')" ||
    fail "after 稍等 the sound goes on (RMS ${QUIET_RMS:-none})"
step "after 稍等: RMS $QUIET_RMS"

step "clicking 完成"
before=$(fake_now)
click_in_reminder $((WIDTH - 50)) "$BUTTON_Y"
wait_for 5 "完成 did not close the reminder window" sh -c "! xdotool search --all --onlyvisible --pid $APP_PID --name '^提醒\$'"
after=$(fake_now)
app_running || fail "the program ended after 完成"

# The completion is stamped with the program's clock at the click.
expected=()
for t in "$before" "$after"; do
    expected+=("9:07|$CONTENT|完成|$(date -d "@${t%.*}" '+%Y年%-m月%-d日 %-H:%M')|$(date -d "@${t%.*}" '+%Y%-m%-d')")
done
history=$(sqlite3 event.db "select * from historyeventtable") ||
    fail "could not read historyeventtable"
[ "$history" = "${expected[0]}" ] || [ "$history" = "${expected[1]}" ] ||
    fail "historyeventtable holds '$history', expected '${expected[0]}'"
step "history: $history"
remaining=$(sqlite3 event.db "select * from eventtable")
[ "$remaining" = "9:07|$CONTENT|t" ] ||
    fail "a daily reminder must stay in eventtable after 完成, it holds '$remaining'"

step "tray menu: 退出"
pick_tray_entry 3
wait_for_exit 5
((APP_RC == 0)) || fail "退出 ended the program with exit code $APP_RC, expected 0"

e2e_pass "the 9:07 reminder popped up in the corner, rang until 稍等, and 完成 recorded it"
