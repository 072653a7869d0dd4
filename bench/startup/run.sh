#!/usr/bin/env bash
# Start-up of tasquill against the smallest Qt Widgets program with a tray icon, side by
# side in one run, under a private Xvfb with a notification area (trayer): wall time from
# fork until the event loop runs and until the tray icon has been drawn (each program
# leaves right there, TASQUILL_EXIT_AT=loop or =tray), and peak resident memory. tasquill
# starts each time in a fresh working directory holding event.db with 1k reminders, none
# of them due while it runs, in the program's current layout.
#
#   bench/startup/run.sh [build-dir]      RUNS=30 starts of each program per figure
#
# Prints a Markdown section (bench/run.sh collects it into bench/RESULTS.md).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-30}
source "$root/bench/support/summary.sh"
tasquill="$build/bin/tasquill" minimal="$build/bin/minimal_tray" probe="$build/bin/startup_probe"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-bench.XXXXXX")
source "$root/bench/support/desktop.sh"
desktop_up "$tmp"
trap 'kill $desktop_pids 2>/dev/null; rm -rf "$tmp"' EXIT
# As at any start but the very first: the file upgraded, the sound in place.
mkdir "$tmp/template" && quiet_events "$tmp/template/event.db"
(cd "$tmp/template" && TASQUILL_EXIT_AT=loop "$tasquill" >/dev/null 2>&1)
# That start left without tidying up; a folder after a clean quit holds no lock file (a
# stale one costs its check, as after a crash, which is not the start measured here).
rm -f "$tmp/template/tasquill.lock"

# once AT PROGRAM: one start; prints "milliseconds kilobytes".
once() {
    local dir ms kb code
    dir=$(mktemp -d "$tmp/work.XXXXXX")
    cp -a "$tmp/template/." "$dir/"
    read -r ms kb code < <(cd "$dir" && TASQUILL_EXIT_AT=$1 timeout 30 "$probe" "$2" 2>/dev/null)
    rm -rf "$dir"
    [ "${code:-1}" = 0 ] || { echo "run.sh: $2 failed or did not leave at $1" >&2; exit 1; }
    echo "$ms $kb"
}
# median FILE COLUMN
median() { sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c } END { printf "%.1f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for at in loop tray; do
    once $at "$minimal" >/dev/null && once $at "$tasquill" >/dev/null # a warm file cache for both
    : >"$tmp/minimal-$at" && : >"$tmp/tasquill-$at"
    for ((i = 0; i < runs; i++)); do
        once $at "$minimal" >>"$tmp/minimal-$at"
        once $at "$tasquill" >>"$tmp/tasquill-$at"
    done
done
ratio() { awk -v a="$(median "$tmp/tasquill-$1" 1)" -v b="$(median "$tmp/minimal-$1" 1)" 'BEGIN { printf "%.2f", a / b }'; }
mib() { awk -v k="$(median "$1" 2)" 'BEGIN { printf "%.1f", k / 1024 }'; }
summary "Start-up until the event loop runs, against a bare tray program" "$(ratio loop)" 1.5 " ×"
summary "Start-up until the tray icon is drawn, against a bare tray program" "$(ratio tray)" 1.2 " ×"
summary "Peak memory at start" "$(mib "$tmp/tasquill-tray")" 30 " MiB"
cat <<EOF
## Start-up and memory at start ($(date -u '+%Y-%m-%d %H:%M UTC'))

$runs starts of each program per figure, alternating, medians; Xvfb with trayer; tasquill with 1k
reminders in event.db, each start in a fresh working directory. Load average at the end:
$(cut -d' ' -f1-3 /proc/loadavg).

| Figure | minimal_tray | tasquill | ratio | target |
|---|---:|---:|---:|---|
| until the event loop runs (ms) | $(median "$tmp/minimal-loop" 1) | $(median "$tmp/tasquill-loop" 1) | $(ratio loop) × | ≤ 1.5 × |
| until the tray icon is drawn (ms) | $(median "$tmp/minimal-tray" 1) | $(median "$tmp/tasquill-tray" 1) | $(ratio tray) × | ≤ 1.2 × |
| peak memory until then (MiB) | $(mib "$tmp/minimal-tray") | $(mib "$tmp/tasquill-tray") | | ≤ 30 MiB |
EOF
