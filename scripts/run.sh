#!/usr/bin/env bash
# Sets up and builds Tasquill, then starts it in the user's data folder, where it keeps
# event.db, config.txt and the default sound.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
data="${XDG_DATA_HOME:-$HOME/.local/share}/tasquill"
mkdir -p "$data"
cd "$data"
exec "${TASQUILL_BUILD_DIR:-$here/build}/tasquill" "$@"
