#!/usr/bin/env bash
# Builds the benchmarks (into build-bench/, installing what they need) and runs every one,
# then writes bench/RESULTS.md: the machine, the date, a summary of every figure beside its
# target, and each benchmark's section, with the baselines (a bare tray program, remind)
# measured in the same run. Takes a little over an hour: the idle measurement's hour runs
# beside the others.
#
#   bench/run.sh        RUNS=30 starts per start-up figure and remind comparison,
#                       IDLE_SECONDS=3600 for the idle measurement
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TASQUILL_BENCH_BUILD_DIR:-$root/build-bench}"
TASQUILL_BUILD_DIR="$build" TASQUILL_CMAKE_ARGS="-DTASQUILL_BUILD_BENCH=ON -DTASQUILL_BUILD_TESTS=OFF" \
    "$root/scripts/setup.sh"
out=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-bench-run.XXXXXX")
idle=""
trap '[ -z "$idle" ] || kill "$idle" 2>/dev/null || true; rm -rf "$out"' EXIT
export BENCH_SUMMARY="$out/summary" QT_QPA_PLATFORM=offscreen
source "$root/bench/support/summary.sh"
: >"$BENCH_SUMMARY"

# qtest TITLE BINARY ARGS... -- FUNCTION/TAG=LABEL[=LIMIT]...: runs a QtTest benchmark and
# prints its results as a table; a LIMIT (ms) also puts the row in the summary.
qtest() {
    local title=$1 binary=$2
    shift 2
    local args=()
    while [ "$1" != -- ]; do args+=("$1") && shift; done
    shift
    "$build/bin/$binary" "${args[@]}" -csv 2>/dev/null >"$out/$binary.csv" || true
    echo "| $title | ms | target |"
    echo "|---|---:|---|"
    local entry key label limit value
    for entry in "$@"; do
        IFS='=' read -r key label limit <<<"$entry"
        value=$(awk -F, -v k="$key" '{ gsub(/"/, "", $1); gsub(/"/, "", $2); if ($1 "/" $2 == k) printf "%.3g", $4 }' "$out/$binary.csv")
        [ -n "$value" ] || value="(failed)"
        echo "| $label | $value | ${limit:+≤ $limit} |"
        [ -z "$limit" ] || summary "$label" "$value" "$limit" " ms"
    done
}

history_section() {
    cat <<MD
## The event browser on 100k history rows (bench_history)

Wall time, median of 5; 100k history rows over three years before Wednesday 5 March 2014,
nine in ten done, one in ten missed, 1k events; offscreen platform.

MD
    qtest "Measure" bench_history -median 5 -- \
        "readTable/=Reading the whole history (as after a deletion)=100" \
        "open/=Opening the browser (both tabs, last month listed)=100" \
        "queryAfterChange/=查询 right after an event was added=100" \
        "query/one day=查询 one day=100" "query/one month=查询 one month=100" \
        "query/one year=查询 one year=100" "query/everything=查询 everything=100" \
        "clickFitsRows/one month=A click, fitting the rows of one month listed" \
        "clickFitsRows/everything=A click, fitting the rows of everything listed"
}

rebuild_section() {
    cat <<MD

## Today's list and the minute's look-up on large event files (bench_rebuild)

Wall time, median of 5; today is Wednesday 5 March 2014, 1 % of the events fall on it.

MD
    qtest "Measure" bench_rebuild -median 5 -- \
        "firstRebuildOfTheDay/10k=First rebuild of the day, 10k events" \
        "firstRebuildOfTheDay/100k=First rebuild of the day, 100k events=100" \
        "firstRebuildOfTheDay/100k once-only=First rebuild of the day, 100k once-only events" \
        "rebuildAgain/100k=Rebuild again the same day, 100k events=100" \
        "startUp/100k=Open the file and rebuild, 100k events" \
        "upgrade/=One-time upgrade of an earlier version's tables, 100k events" \
        "dueEvents/100k=The minute's due events, 100k events" \
        "dueEvents/1M=The minute's due events, 1M events" \
        "quietWake/=A wake with nothing due, 1k events"
}

calendar_section() {
    cat <<MD

## iCalendar import and export (bench_calendar)

Wall time, median of 5: a phone calendar's 10k events imported into an empty event.db (9k
stored, 1k left out), and 100k reminders of every kind exported, each with its file.

MD
    qtest "Measure" bench_calendar -median 5 -- \
        "importTenThousandEvents/=Importing a calendar of 10k events=1000" \
        "exportHundredThousandReminders/=Exporting 100k reminders=1000"
}

windows_section() {
    cat <<MD

## Memory after opening and closing every window 150 times (bench_windows)

The main window, the entry window, the browser, the sound settings and a reminder window
opened and closed in turn, 150 rounds after 50 rounds of warming up; offscreen platform.

MD
    "$build/bin/bench_windows" 150 2>/dev/null | tee "$out/windows.md"
    local growth
    growth=$(awk -F'|' '/heap in use/ { gsub(/ /, "", $5); print $5 }' "$out/windows.md")
    summary "Heap growth per window opened and closed" "$growth" 16 " bytes"
}

# The idle measurement is an hour of a program that sleeps: it runs beside the others, which
# it does not disturb (it wakes twice in that hour), while what it measures is its own CPU
# time, which they barely touch.
BENCH_SUMMARY="$out/idle-summary" "$root/bench/idle/run.sh" "$build" >"$out/idle" &
idle=$!
sleep 15 # its desktop up and its program started before the others begin
{
    history_section
    rebuild_section
    calendar_section
    windows_section
    echo
    RUNS=${RUNS:-30} "$root/bench/startup/run.sh" "$build"
    echo
    RUNS=${RUNS:-30} "$root/bench/today/run.sh" "$build"
    echo
    "$root/bench/sync/run.sh" "$build"
    echo
} >"$out/sections"
wait "$idle"
cat "$out/idle" >>"$out/sections" && cat "$out/idle-summary" >>"$BENCH_SUMMARY"

commit=$(git -C "$root" describe --always --dirty) # before this file is rewritten
{
    cat <<MD
# Benchmark results

Written by \`bench/run.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC') at commit $commit.
Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores,
$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM, Linux $(uname -r),
Debian $(cat /etc/debian_version), Qt $(dpkg-query -W -f='${Version}' libqt6core6 2>/dev/null),
SQLite $(dpkg-query -W -f='${Version}' libsqlite3-0 2>/dev/null), ICU $(dpkg-query -W -f='${Version}' libicu72 2>/dev/null); RelWithDebInfo build.
Figures are measured here, not asserted by any test; on a shared virtual machine wall
times move from run to run, which is why the start-up and remind figures are ratios to a
baseline measured alternately in the same run. Earlier measurements, for comparison, are
in [HISTORY.md](HISTORY.md).

## Every target

| Figure | Measured | Target | |
|---|---:|---|---|
MD
    cat "$BENCH_SUMMARY"
    echo
    cat "$out/sections"
} >"$root/bench/RESULTS.md"
echo "bench/run.sh: wrote $root/bench/RESULTS.md"
