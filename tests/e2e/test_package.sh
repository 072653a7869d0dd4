#!/usr/bin/env bash
# The .deb (dependencies by dpkg-shlibdeps) installs as root, runs, answers a second start, goes.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
init "${1:-}"
[ "$(id -u)" = 0 ] || { echo "skipped: installing a package needs root"; OK=1; exit 77; }
build=$(dirname "$(dirname "$APP")")
cpack --config "$build/CPackConfig.cmake" -B "$TMP" >"$TMP/cpack.log" || fail "cpack failed"
deb=$(ls "$TMP"/tasquill_*_amd64.deb)
dpkg-deb -f "$deb" Depends Recommends | tr '\n' ' ' | grep 'libqt6widgets6' | grep 'libqt6multimedia6' | grep 'libqt6keychain1' | grep -q appindicator || fail "the package names not all it needs: $(dpkg-deb -f "$deb" Depends Recommends)"
apt-get install -y -q "$deb" >"$TMP/apt.log" 2>&1 || fail "apt-get could not install the package"
trap 'apt-get remove -y -q tasquill >/dev/null 2>&1 || true; cleanup' EXIT
command=$(sed -n 's/^Exec=//p' /usr/share/applications/tasquill.desktop)
export QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$HOME/data"
APP=$(command -v tasquill)
start_app ${command#tasquill }
wait_for 20 "the installed program made no event.db in its data folder" test -e "$XDG_DATA_HOME/tasquill/event.db"
timeout 10 tasquill --user-data || fail "a second start ended with code $?"
kill -0 "$APP_PID" || fail "the second start ended the first"
ends TERM SIGTERM
apt-get remove -y -q tasquill >"$TMP/apt.log" 2>&1 || fail "apt-get could not remove the package"
[ ! -e /usr/bin/tasquill ] && [ ! -e /usr/lib/tasquill ] || fail "files were left behind"
pass "package made, installed, started and removed"
