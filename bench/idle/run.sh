#!/usr/bin/env bash
# The running program's idle cost: tasquill in the tray (Xvfb with a notification area,
# 1k reminders, none due meanwhile) is left alone for IDLE_SECONDS (3600 by default) from
# 10 s after its start; its CPU time over that span is read from
# /proc/<pid>/task/*/schedstat (nanoseconds on the CPU, per thread) and its wake-ups from
# the threads' voluntary context switches (each time a thread went to sleep, to be woken
# later). With nothing due the program wakes every 30 minutes: the hour holds two wakes,
# the first of which is the costliest (code run for the first time since the start), and
# what Qt does once some seconds after a start; a later hour costs less.
#
#   bench/idle/run.sh [build-dir]
#
# Prints a Markdown section (bench/run.sh collects it into bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
seconds=${IDLE_SECONDS:-3600}
source "$root/bench/support/summary.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-idle.XXXXXX")
source "$root/bench/support/desktop.sh"
desktop_up "$tmp"
app=""
trap 'kill $app $desktop_pids 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir "$tmp/work" && quiet_events "$tmp/work/event.db"
(cd "$tmp/work" && exec "$build/bin/tasquill") >/dev/null 2>&1 &
app=$!
sleep 10 # started, and its first minutes' work done

# cpu: nanoseconds on the CPU, all threads; switches: times a thread went to sleep.
cpu() { cat /proc/"$app"/task/*/schedstat | awk '{ s += $1 } END { print s }'; }
switches() { cat /proc/"$app"/task/*/status | awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s }'; }
cpu0=$(cpu) sw0=$(switches) threads=$(ls /proc/"$app"/task | wc -l)
sleep "$seconds"
cpu1=$(cpu) sw1=$(switches)
kill -0 "$app" || { echo "run.sh: tasquill ended while idle" >&2; exit 1; }
per_hour=$(awk -v a="$cpu0" -v b="$cpu1" -v s="$seconds" 'BEGIN { printf "%.1f", (b - a) / 1e6 * 3600 / s }')
per_minute=$(awk -v a="$sw0" -v b="$sw1" -v s="$seconds" 'BEGIN { printf "%.2f", (b - a) * 60 / s }')
summary "Idle CPU time of the running program" "$per_hour" 10 " ms per hour"
summary "Idle wake-ups of the running program" "$per_minute" 1 " per minute"
cat <<MD
## Idle cost of the running program ($(date -u '+%Y-%m-%d %H:%M UTC'))

tasquill in the tray under Xvfb with trayer, 1k reminders none of which fell due, left
alone for $seconds s from 10 s after its start; $threads threads. CPU time from the threads'
schedstat, wake-ups from their voluntary context switches. Load average at the end:
$(cut -d' ' -f1-3 /proc/loadavg).

| Figure | tasquill | target |
|---|---:|---|
| CPU time (ms per hour) | $per_hour | ≤ 10 |
| wake-ups (per minute, all threads) | $per_minute | ≤ 1 |
MD
