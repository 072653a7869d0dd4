#!/usr/bin/env bash
# Builds the libFuzzer targets in tests/fuzz with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for SECONDS (default 60), or for RUNS
# executions when given: scripts/fuzz.sh [SECONDS] [RUNS]. A finding stops it with its input.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out="${TASQUILL_BUILD_DIR:-$here/build}-fuzz"
mkdir -p "$out"
flags=(-std=c++17 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$here/src/core" -I"$out" $(pkg-config --cflags Qt6Core))
libs=($(pkg-config --libs Qt6Core) -licui18n -licuuc)
sed -e 's/@TASQUILL_HOME_HOST@/www.tasquill.example/' -e 's/@PROJECT_VERSION@/0/' \
    -e 's|@TASQUILL_HELPER_DIR@|lib/tasquill|' "$here/src/core/projectconfig.h.in" >"$out/projectconfig.h"
clang++ "${flags[@]}" -o "$out/fuzz_timetext" "$here/tests/fuzz/fuzz_timetext.cpp" \
    "$here/src/core/timetext.cpp" "$here/src/core/timetextdue.cpp" \
    "$here/src/core/lunarcalendar.cpp" "$here/src/core/workdaycalendar.cpp" \
    "$here/src/core/schedule.cpp" "$here/src/core/wallclock.cpp" "${libs[@]}"
for target in fuzz_timetext; do
    mkdir -p "$out/corpus-$target"
    limit=(-max_total_time="${1:-60}")
    [ -n "${2:-}" ] && limit=(-runs="$2")
    (cd "$out" && "./$target" "${limit[@]}" -print_final_stats=1 "corpus-$target" 2>&1 | tail -n 12)
done
