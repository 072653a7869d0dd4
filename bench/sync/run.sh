#!/usr/bin/env bash
# The calendar sync against a real Radicale on this machine: 5,000 reminders up to an empty
# calendar, the same down to an empty event.db, and a sync of the unchanged calendar as a
# whole `tasquill sync` process. Prints a Markdown section; adds to the summary when
# bench/run.sh asks. The server's CPU time is given beside ours: it is the slow side.
#
#   bench/sync/run.sh BUILD_DIR        RUNS=10 unchanged syncs
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:?usage: bench/sync/run.sh BUILD_DIR}
app="$build/bin/tasquill"
source "$root/bench/support/summary.sh"
source "$root/tests/support/caldav.sh"
tmp=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-bench-sync.XXXXXX")
trap 'caldav_stop; [ -n "${KEEP:-}" ] || rm -rf "$tmp"' EXIT
export TZ=Asia/Shanghai
caldav_start radicale "$tmp/server" alice secret >/dev/null
mkdir -p "$tmp/up" "$tmp/down"

# 5,000 reminders of the kinds people keep: daily, weekly, monthly, yearly, once-only ahead
# and lunar yearly, the contents of a sentence each.
"$app" list --dir "$tmp/up" >/dev/null # event.db made by the program
python3 - "$tmp/up/event.db" <<'PY'
import sqlite3, sys
db = sqlite3.connect(sys.argv[1])
rows = []
weekdays = "一二三四五六天"
for i in range(5000):
    h, m = 6 + i % 16, i % 60
    k = i % 6
    t = [f"{h}:{m:02d}", f"星期{weekdays[i % 7]} {h}:{m:02d}", f"{1 + i % 28}日 {h}:{m:02d}",
         f"{1 + i % 12}月{1 + i % 28}日 {h}:{m:02d}", f"{2027 + i % 3}年{1 + i % 12}月{1 + i % 28}日 {h}:{m:02d}",
         f"农历{'正二三四五六七八九十'[i % 10]}月初{'一二三四五六七八九十'[i % 10]} {h}:{m:02d}"][k]
    rows.append((t, f"第 {i} 条提醒：给客户回电话，带上合同第 {i % 97} 页", "twdmyl"[k]))
db.executemany("insert into eventtable values(?,?,?)", rows)
db.commit()
PY

cpu_of() { awk '{ print $14 + $15 }' "/proc/$1/stat"; } # in clock ticks
ticks=$(getconf CLK_TCK)
# timed LABEL FOLDER: one sync, timed; sets WALL, OURS (CPU s) and SERVER (CPU s).
timed() {
    local before after start
    before=$(cpu_of "$CALDAV_PID")
    start=$(date +%s.%N)
    /usr/bin/time -f '%U %S' -o "$tmp/time" "$app" sync --dir "$2" >"$tmp/$1.out"
    WALL=$(echo "$(date +%s.%N) - $start" | bc)
    after=$(cpu_of "$CALDAV_PID")
    OURS=$(awk '{ print $1 + $2 }' "$tmp/time")
    SERVER=$(echo "scale=2; ($after - $before) / $ticks" | bc)
}
echo secret | "$app" sync --dir "$tmp/up" --set "$CALDAV_URL" alice >/dev/null
timed up "$tmp/up"
up=($WALL $OURS $SERVER)
sent=$(grep -o '上传 [0-9]* 条' "$tmp/up.out")
echo secret | "$app" sync --dir "$tmp/down" --set "$CALDAV_URL" alice >/dev/null
timed down "$tmp/down"
down=($WALL $OURS $SERVER)
came=$(grep -o '下载 [0-9]* 条' "$tmp/down.out")
"$app" sync --dir "$tmp/up" >/dev/null # its own uploads' versions, once
walls=()
for _ in $(seq "${RUNS:-10}"); do
    timed same "$tmp/up"
    walls+=("$(echo "$WALL * 1000" | bc)")
done
same=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "%.0f", a[int((NR + 1) / 2)] }')

cat <<MD
## Calendar sync with Radicale (bench/sync)

$(radicale --version | head -n 1 | sed 's/^/Radicale /') on 127.0.0.1, its storage on this disk; 5,000 reminders
(daily, weekly, monthly, yearly, once-only ahead, lunar yearly, a sixth each). First sync up
to an empty calendar ($sent), first sync down into an empty event.db ($came), and
the median of ${RUNS:-10} syncs of the unchanged calendar, each a whole \`tasquill sync\`
process (one sync-collection request). CPU times: ours (the process) and the server's.
Radicale takes a whole calendar in one request, which the first sync into an empty calendar
uses (one object at a time it checks each against all the others: minutes for thousands);
it refuses the Chinese-calendar rules (RSCALE), so the lunar sixth is left out there.

| Sync | wall (s) | our CPU (s) | server CPU (s) | target |
|---|---:|---:|---:|---|
| up, 5,000 reminders | $(printf %.1f "${up[0]}") | ${up[1]} | $(printf %.1f "${up[2]}") | ≤ 30 s |
| down, 5,000 reminders | $(printf %.1f "${down[0]}") | ${down[1]} | $(printf %.1f "${down[2]}") | ≤ 30 s |
| unchanged calendar, whole process | $(echo "scale=3; $same / 1000" | bc) | | | ≤ 0.5 s |
MD
summary "Calendar sync up, 5,000 reminders to Radicale" "$(printf %.1f "${up[0]}")" 30 " s"
summary "Calendar sync down, 5,000 reminders from Radicale" "$(printf %.1f "${down[0]}")" 30 " s"
summary "Sync of an unchanged 5,000-event calendar, whole process" "$same" 500 " ms"
