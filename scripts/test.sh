#!/usr/bin/env bash
# Sets up and builds Tasquill with warnings as errors, checks the formatting, and runs the
# whole test suite; then builds the unit tests with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them again, and runs each fuzz target for a while
# (FUZZ_SECONDS, 60 by default). Extra arguments go to the first ctest.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="${TASQUILL_BUILD_DIR:-$here/build}"
TASQUILL_CMAKE_ARGS="-DTASQUILL_BUILD_TESTS=ON -DTASQUILL_WERROR=ON ${TASQUILL_CMAKE_ARGS:-}" \
    "$here/scripts/setup.sh"

# Every C++ file as the project's .clang-format lays it out.
(cd "$here" && git ls-files '*.cpp' '*.h' | xargs clang-format --style=file --dry-run -Werror)

runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime" QT_QPA_PLATFORM=offscreen
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@")

sanitized="$build-sanitize"
cmake -S "$here" -B "$sanitized" -DCMAKE_BUILD_TYPE=Debug -DTASQUILL_SANITIZE=ON \
    -DTASQUILL_PROMOTION=OFF -DTASQUILL_WERROR=ON >/dev/null
cmake --build "$sanitized" --parallel "$(nproc)"
(cd "$sanitized" && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure --parallel "$(nproc)" -R '^(core|gui)/' -E promotion)

"$here/scripts/fuzz.sh" "${FUZZ_SECONDS:-60}"
