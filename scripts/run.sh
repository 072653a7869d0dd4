#!/usr/bin/env bash
# Sets up and builds Tasquill, then starts it in the user's data folder
# ($XDG_DATA_HOME/tasquill), where it keeps event.db, config.txt and the default sound.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$here/scripts/setup.sh"
exec "${TASQUILL_BUILD_DIR:-$here/build}/bin/tasquill" --user-data "$@"
