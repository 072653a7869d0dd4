#!/usr/bin/env bash
# Sets up and builds Tasquill, then runs the whole test suite.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
runtime=$(mktemp -d)
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR="$runtime"
export QT_QPA_PLATFORM=offscreen
cd "${TASQUILL_BUILD_DIR:-$here/build}"
ctest --output-on-failure --parallel "$(nproc)" "$@"
