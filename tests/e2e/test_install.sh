#!/usr/bin/env bash
# As `cmake --install` lays it out: valid entries, --help and --version touch nothing; the
# first start in the data folder writes autostart, balloons, keeps files private; only once.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
prefix="$TMP/prefix"
cmake --install "$(dirname "$(dirname "$APP")")" --prefix "$prefix" >/dev/null
for f in bin/tasquill lib/tasquill/tasquill-webview lib/tasquill/libtasquill_sound.so share/applications/tasquill.desktop share/tasquill/dingdong.wav \
    share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/tasquill.png; do
    [ -e "$prefix/$f" ] || fail "$f was not installed"
done
desktop-file-validate "$prefix/share/applications/tasquill.desktop" || fail "the menu entry is not valid"
APP=$prefix/bin/tasquill
[ "$("$APP" --version)" = "tasquill 2.0.1" ] || fail "--version says '$("$APP" --version)'"
"$APP" --help | grep -q -- --user-data || fail "--help does not tell of --user-data"
[ -z "$(find . "$HOME" "$XDG_RUNTIME_DIR" -mindepth 1)" ] || fail "--help or --version left files behind"

start_x
export XDG_DATA_HOME="$HOME/data" XDG_CONFIG_HOME="$HOME/config"
entry="$XDG_CONFIG_HOME/autostart/tasquill.desktop"
# Besides the tray icon the program shows a window only for the balloon.
balloon() { (($(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | wc -l) > 1)); }
start_tray --user-data
wait_for 10 "no balloon on the first start" balloon
grep -qx "Exec=\"$APP\" --user-data" "$entry" && desktop-file-validate "$entry" || fail "the autostart entry does not start the program in its data folder, or is not valid"
wait_for 5 "the first start made no event.db" test -e "$XDG_DATA_HOME/tasquill/event.db" # its first check done
# (A journal that SQLite removes meanwhile is no longer there to look at.)
modes=$( (stat -c '%a %n' "$XDG_DATA_HOME/tasquill" "$XDG_DATA_HOME/tasquill"/* "$XDG_RUNTIME_DIR"/tasquill-* 2>/dev/null || true) | sort | uniq -c)
! grep -vE ' (600|700) ' <<<"$modes" || fail "files open to others: $modes"
ends TERM SIGTERM

rm "$entry"
start_tray --user-data
sleep 3
! balloon && [ ! -e "$entry" ] || fail "a balloon or the autostart entry again on a later start"
pass "installed files, desktop entries, first run, autostart and private files"
