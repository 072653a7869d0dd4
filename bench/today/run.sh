#!/usr/bin/env bash
# Today's list from 100k reminders, whole process, tasquill against remind(1) on the same
# reminders: the day's first start of tasquill on 5 March 2014 (a file as the day before
# left it: open, the day's rebuild, the list) against remind evaluating that date.
# Alternating runs, medians of wall time and peak memory (bench/startup/startup_probe).
# Then both list each of 60 consecutive dates (1 February to 31 March 2016, a leap year)
# and the lists are compared as sets.
#
#   bench/today/run.sh [build-dir]      RUNS=30 runs of each program
#
# Prints a Markdown section (bench/run.sh collects it into bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-30}
source "$root/bench/support/summary.sh"
today="$build/bin/bench_today" probe="$build/bin/startup_probe"
command -v remind >/dev/null || { echo "run.sh: remind is not installed (scripts/setup.sh installs it)" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-today.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
"$today" write "$tmp"
"$today" list "$tmp" 2014-03-04 >/dev/null # the day before: its rebuild is done
cp "$tmp/event.db" "$tmp/day-before.db"

# once PROGRAM...: one run in a fresh copy of the file; prints "milliseconds kilobytes".
once() {
    local ms kb code
    cp "$tmp/day-before.db" "$tmp/event.db"
    read -r ms kb code < <("$probe" "$@" 2>/dev/null)
    [ "${code:-1}" = 0 ] || { echo "run.sh: $* failed" >&2; exit 1; }
    echo "$ms $kb"
}
median() { sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { printf "%.1f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ours=("$today" list "$tmp" 2014-03-05)
theirs=(remind -q -r "$tmp/reminders.rem" 2014-03-05)
command=("$build/bin/tasquill" list --dir "$tmp" 2014-03-05) # the sub-command, as a script runs it
once "${ours[@]}" >/dev/null && once "${theirs[@]}" >/dev/null && once "${command[@]}" >/dev/null
: >"$tmp/ours" && : >"$tmp/theirs" && : >"$tmp/command"
for ((i = 0; i < runs; i++)); do
    once "${ours[@]}" >>"$tmp/ours"
    once "${theirs[@]}" >>"$tmp/theirs"
    once "${command[@]}" >>"$tmp/command"
done
cp "$tmp/day-before.db" "$tmp/event.db"
listed=$("${ours[@]}" | wc -l)
listed_by_command=$("${command[@]}" | wc -l)

# remind prints a heading, then each reminder's message followed by an empty line.
remind_list() { remind -q -r "$tmp/reminders.rem" "$1" | grep -v -e '^$' -e '^Reminders for ' | sort; }
agree=0 differ=""
cp "$tmp/day-before.db" "$tmp/event.db"
for ((d = 0; d < 60; d++)); do
    date=$(date -d "2016-02-01 + $d days" +%F)
    "$today" list "$tmp" "$date" | sort >"$tmp/a"
    remind_list "$date" >"$tmp/b"
    if cmp -s "$tmp/a" "$tmp/b"; then
        agree=$((agree + 1))
    else
        differ+="$date: $(comm -23 "$tmp/a" "$tmp/b" | wc -l) only in tasquill's list, $(comm -13 "$tmp/a" "$tmp/b" | wc -l) only in remind's; "
    fi
done

ratio=$(awk -v a="$(median "$tmp/ours" 1)" -v b="$(median "$tmp/theirs" 1)" 'BEGIN { printf "%.2f", a / b }')
command_ratio=$(awk -v a="$(median "$tmp/command" 1)" -v b="$(median "$tmp/theirs" 1)" 'BEGIN { printf "%.2f", a / b }')
mib() { awk -v k="$(median "$1" 2)" 'BEGIN { printf "%.1f", k / 1024 }'; }
summary "Today's list of 100k reminders, whole process, against remind (below 1: faster)" "$ratio" 1 " ×"
summary "Peak memory of that process" "$(mib "$tmp/ours")" 30 " MiB"
summary "\`tasquill list\` of that day, whole process, against remind" "$command_ratio" 1 " ×"
cat <<MD
## Today's list from 100k reminders, against remind ($(date -u '+%Y-%m-%d %H:%M UTC'))

The same 100k reminders (bench_today write: 0.2 % daily, 3 % weekly, 20 % monthly, 40 %
yearly, the rest once-only in 2013–2016) in event.db and in remind's form. Wednesday 5
March 2014, $listed reminders listed by each. tasquill: the day's first start on a file
the day before left (open, the day's rebuild with its writing, the list); remind: \`remind
-q -r\` evaluating that date; \`tasquill list --dir\`: the sub-command, which works the list out
without writing ($listed_by_command lines). $runs runs of each, alternating, whole process each, medians;
remind $(remind -h 2>&1 | awk '/^REMIND/ { print $2; exit }').
Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg).

| Figure | remind | tasquill | ratio | target |
|---|---:|---:|---:|---|
| wall time (ms) | $(median "$tmp/theirs" 1) | $(median "$tmp/ours" 1) | $ratio × | faster than remind |
| peak memory (MiB) | $(mib "$tmp/theirs") | $(mib "$tmp/ours") | | ≤ 30 MiB |
| \`tasquill list\` wall time (ms) | $(median "$tmp/theirs" 1) | $(median "$tmp/command" 1) | $command_ratio × | no slower than remind |

Lists of 60 consecutive dates, 1 February – 31 March 2016: the same on $agree of 60.
${differ:+Different: $differ}
MD
