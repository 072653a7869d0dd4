#!/usr/bin/env bash
# Installs the Debian packages Tasquill needs (only those missing), then configures and
# builds it into build/. Safe to run any number of times.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  # build
  cmake g++ make qt6-base-dev libsqlite3-dev qt6-multimedia-dev qt6-webengine-dev qt6-tools-dev
  libgl-dev libicu-dev libical-dev pkg-config
  # Chinese text on screen
  fonts-wqy-microhei
  # end-to-end checks, screenshots and sound checks
  xvfb trayer xdotool imagemagick faketime pulseaudio pulseaudio-utils sox sqlite3
  # a desktop without a notification area: a window manager, and a way to close a window
  openbox wmctrl
  # a Wayland session with XWayland, with Qt's Wayland plugin there as on a user's machine
  weston xwayland qt6-wayland
  # the package and its checks, formatting, fuzzing and sanitizers
  dpkg-dev desktop-file-utils clang-format clang libclang-rt-14-dev
  # benchmarks: the program the day's list is compared with
  remind bc
  # calendar sync: the real servers the tests sync with, the password in the desktop's secret store
  radicale xandikos curl openssl time qtkeychain-qt6-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

build="${TASQUILL_BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${TASQUILL_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" --parallel "$(nproc)"
