#!/usr/bin/env bash
# The program's writes, SIGKILLed at random KILLS times (200): the file and each action whole.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
writer="$(dirname "$APP")/crashwriter"
kills=${KILLS:-200}
# An earlier version's file of 20001 reminders, for the one-time upgrade.
{
    echo "create table eventtable(时间 QString, 内容 QString, 类型 QString); begin;"
    for i in $(seq 20000); do echo "insert into eventtable values('$((i % 24)):07', '事项 $i', 't');"; done
    echo "insert into eventtable values('2014年3月4日 8:00', '昨天', 'y'); commit;"
} | sqlite3 old.db
q() { sqlite3 "$1" "$2"; }
none() { [ "$(q event.db "select count(*) from $2")" = 0 ] || fail "run $run ($mode): $1"; }
checked=0 before=0
for ((run = 0; run < kills; run++)); do
    case $((run % 5)) in
        0) mode=open && cp old.db event.db ;;
        1) mode=rebuilds && "$writer" event.db rebuild 5 ;; # a list there to begin with
        *) mode=changes ;;
    esac
    # Killed after 1-400 ms (70 for the upgrade); --foreground: timeout waits till it is gone.
    limit=400 && [ $mode = open ] && limit=70
    timeout --foreground -s KILL "0.$(printf '%03d' $((RANDOM % limit + 1)))" "$writer" event.db $mode $run || true
    [ "$(q event.db 'pragma integrity_check')" = ok ] || fail "run $run ($mode): the file is damaged"
    none "an upgrade was left half done" "sqlite_master where name like 'tasquill_old%'"
    if [ "$(q event.db 'pragma user_version')" = 0 ]; then
        rows=$(q event.db 'select count(*) from eventtable')
        [ "$rows" = 20001 ] || fail "run $run ($mode): the earlier version's file lost rows ($rows)"
        before=$((before + 1)) && continue
    fi
    none "a completion is in the history only" "historyeventtable h where 完成情况 = '完成' and not exists
        (select 1 from tceventtable c where c.时间 = h.时间 and c.内容 = h.内容 and c.完成时间 = h.完成时间)"
    none "a once-only reminder is both in the history and among the events" "eventtable e where 类型 = 'y'
        and exists (select 1 from historyeventtable h where h.时间 = e.时间 and h.内容 = e.内容)"
    if [ $mode = rebuilds ]; then
        # The list is that of one of the two days, whole.
        list=$(q event.db 'select * from todayeventtable')
        for day in 5 6; do
            cp event.db copy.db && "$writer" copy.db rebuild $day
            [ "$list" = "$(q copy.db 'select * from todayeventtable')" ] && break
            [ $day = 6 ] && fail "run $run: today's list is neither that of 5 nor of 6 March"
        done
    fi
    checked=$((checked + 1))
done
pass "$kills kills ($before before the upgrade was done, $checked after), the file and every action whole each time"
