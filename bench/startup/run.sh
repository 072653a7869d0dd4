#!/usr/bin/env bash
# Start-up of tasquill against the smallest Qt Widgets program with a tray icon, side by
# side in one run: wall time from process start until its event loop runs (both leave at
# once with TASQUILL_EXIT_AT_EVENT_LOOP set, so the figure includes the quick way out) and
# peak resident memory. Every run starts in a fresh empty working directory, so tasquill
# pays for creating its files each time, as on a first start.
#
#   bench/startup/run.sh [build-dir]      default: build/ of this checkout
#
#   RUNS=20          runs per program (median reported)
#   RECORD=0         print only; otherwise the table is appended to bench/RESULTS.md
#   TRAY=1           run under a private Xvfb with trayer, a desktop with a notification
#                    area, where tasquill starts hidden in the tray as on a real desktop
#                    (offscreen has none, so there it shows and draws its main window)
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
runs=${RUNS:-20}
record=${RECORD:-1}

cmake -S "$root" -B "$build" -DTASQUILL_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --parallel 2 --target tasquill minimal_tray startup_probe >/dev/null
tasquill="$build/bin/tasquill"
minimal="$build/bin/minimal_tray"
probe="$build/bin/startup_probe"
for p in "$tasquill" "$minimal" "$probe"; do
    [ -x "$p" ] || { echo "run.sh: $p was not built" >&2; exit 1; }
done

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-bench.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
mkdir -m 700 "$tmp/runtime"
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$tmp/runtime" TASQUILL_EXIT_AT_EVENT_LOOP=1
platform="QT_QPA_PLATFORM=offscreen"
if [ "${TRAY:-0}" = 1 ]; then
    unset QT_QPA_PLATFORM
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$tmp/runtime/no-session-bus"
    display=""
    for d in $(seq 150 199); do
        [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ] && continue
        display=":$d"
        break
    done
    [ -n "$display" ] || { echo "run.sh: no free X display" >&2; exit 1; }
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb=$!
    export DISPLAY="$display"
    for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel \
        --height 32 >/dev/null 2>&1 &
    trayer=$!
    for _ in $(seq 50); do xdotool search --onlyvisible --name '^panel$' >/dev/null 2>&1 && break; sleep 0.1; done
    trap 'kill $trayer $xvfb 2>/dev/null; rm -rf "$tmp"' EXIT
    platform="Xvfb with trayer (a notification area)"
fi

# once PROGRAM: one start in a fresh working directory; prints "milliseconds kilobytes".
once() {
    local dir ms kb code
    dir=$(mktemp -d "$tmp/work.XXXXXX")
    read -r ms kb code < <(cd "$dir" && timeout 30 "$probe" "$1" 2>/dev/null)
    rm -rf "$dir"
    if [ "${code:-1}" != 0 ]; then
        echo "run.sh: $1 failed (exit ${code:-?}) or did not leave at its event loop" \
            "(is TASQUILL_EXIT_AT_EVENT_LOOP handled?)" >&2
        exit 1
    fi
    echo "$ms $kb"
}

# Warm the file cache for both, then alternate so that both see the same machine load.
once "$minimal" >/dev/null
once "$tasquill" >/dev/null
: >"$tmp/minimal" && : >"$tmp/tasquill"
for ((i = 0; i < runs; i++)); do
    once "$minimal" >>"$tmp/minimal"
    once "$tasquill" >>"$tmp/tasquill"
done

# stats FILE COLUMN: median min max of one column.
stats() {
    sort -n -k"$2","$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
        END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
              printf "%.1f %.1f %.1f\n", m, v[1], v[NR] }'
}
read -r mt_med mt_min mt_max < <(stats "$tmp/minimal" 1)
read -r tq_med tq_min tq_max < <(stats "$tmp/tasquill" 1)
read -r mr_med _ _ < <(stats "$tmp/minimal" 2)
read -r tr_med _ _ < <(stats "$tmp/tasquill" 2)

ratio=$(awk -v a="$tq_med" -v b="$mt_med" 'BEGIN { printf "%.2f", a / b }')
tq_mb=$(awk -v k="$tr_med" 'BEGIN { printf "%.1f", k / 1024 }')
mt_mb=$(awk -v k="$mr_med" 'BEGIN { printf "%.1f", k / 1024 }')
verdict() { awk -v v="$1" -v l="$2" 'BEGIN { print (v <= l) ? "met" : "MISSED" }'; }

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -n 1)
qt=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || echo unknown)
commit=$(git -C "$root" describe --always --dirty 2>/dev/null || echo unknown)
table=$(cat <<EOF
## Start-up ($(date -u '+%Y-%m-%d %H:%M UTC'))

Machine: ${cpu:-unknown CPU}, $(nproc) cores, Linux $(uname -r), Qt $qt.
Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg). $runs starts of each, alternating,
each in a fresh working directory, $platform, leaving as soon as the event
loop runs. Wall time from fork to exit and peak RSS (wait4), both read by
bench/startup/startup_probe; run by bench/startup/run.sh at commit $commit.

| program | wall median (ms) | min | max | peak RSS median (MB) |
|---|---:|---:|---:|---:|
| minimal_tray | $mt_med | $mt_min | $mt_max | $mt_mb |
| tasquill | $tq_med | $tq_min | $tq_max | $tq_mb |

tasquill / minimal_tray: ${ratio}x (target <= 1.2x: $(verdict "$ratio" 1.2)); peak RSS
$tq_mb MB (target <= 40 MB: $(verdict "$tq_mb" 40)).
EOF
)

echo "$table"
if [ "$record" != 0 ]; then
    results="$root/bench/RESULTS.md"
    [ -s "$results" ] || printf '# Benchmark results\n' >>"$results"
    printf '\n%s\n' "$table" >>"$results"
    echo "(appended to $results)"
fi
