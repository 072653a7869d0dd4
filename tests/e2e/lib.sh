# Sourced by the end-to-end checks: private X and sound servers, the program, the clean-up.
set -euo pipefail

PIDS=() # everything started here, ended in reverse order on exit
OK=0    # set by pass; otherwise the run's folder is kept for a look
fail() { echo "FAIL: $*" >&2; tail -n 20 "$TMP"/*.log >&2 2>/dev/null || true; exit 1; }
pass() { OK=1 && echo "PASS: $*"; }
cleanup() {
    local i
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do kill "${PIDS[i]}" 2>/dev/null && kill -CONT "${PIDS[i]}" 2>/dev/null || true; done
    for ((i = ${#PIDS[@]} - 1; i >= 0; i--)); do wait "${PIDS[i]}" 2>/dev/null || true; done
    if [ "$OK" = 1 ]; then rm -rf "$TMP"; else echo "(files kept in $TMP)" >&2; fi
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds, else fails with WHAT.
wait_for() {
    local deadline=$((SECONDS + $1)) what="$2 (waited $1 s)"
    shift 2
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || fail "$what"
        sleep 0.2
    done
}

# init BINARY: a temp folder with a private runtime folder, a home and the working folder.
init() {
    APP=$(realpath "${1:?usage: bash $0 <path-to-tasquill>}")
    TMP=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-e2e.XXXXXX")
    trap cleanup EXIT
    mkdir -m 700 "$TMP/runtime" && mkdir -p "$TMP/home" "$TMP/work"
    export XDG_RUNTIME_DIR="$TMP/runtime" HOME="$TMP/home" LANG=C.UTF-8 LC_ALL=C.UTF-8
    # No session bus: the tray icon must go through the X notification area of trayer.
    unset QT_QPA_PLATFORM SESSION_MANAGER WAYLAND_DISPLAY
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/no-bus"
    cd "$TMP/work"
}

# start_x [no-tray]: Xvfb on a display it picks (told on fd 3 once it listens), then trayer at
# the top (or a window manager and no notification area).
start_x() {
    Xvfb -screen 0 1024x768x24 -nolisten tcp -noreset -displayfd 3 3>"$TMP/ready" >"$TMP/xvfb.log" 2>&1 &
    PIDS+=($!)
    wait_for 10 "no X server could be started" test -s "$TMP/ready"
    export DISPLAY=":$(cat "$TMP/ready")"
    read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
    if [ "${1:-}" = "no-tray" ]; then # a window manager instead of a notification area
        openbox >"$TMP/openbox.log" 2>&1 &
        PIDS+=($!)
        wait_for 10 "no window manager came up" wmctrl -m
        return
    fi
    trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 >"$TMP/trayer.log" 2>&1 &
    PIDS+=($!)
    wait_for 10 "trayer's panel did not appear" xdotool search --onlyvisible --name '^panel$'
}

# start_pulse: a private PulseAudio server (PULSE_PID) with a null sink, playing zeros (to keep time).
start_pulse() {
    export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse" PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    env -u DISPLAY pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --enable-memfd=no \
        --load="module-null-sink sink_name=nullsink" --load="module-native-protocol-unix auth-anonymous=1" \
        >"$TMP/pulseaudio.log" 2>&1 &
    PULSE_PID=$! && PIDS+=($!)
    wait_for 10 "PulseAudio did not come up" pactl info
    pacat --raw -d nullsink </dev/zero &
    PIDS+=($!)
}

# record SECONDS FILE; rms FILE START LENGTH: its RMS (0..1); below A B: A < B (awk numbers).
record() { timeout -s INT "$1" parec -d nullsink.monitor --file-format=wav "$2" || true; }
rms() { sox "$1" -n trim "$2" "$3" stat 2>&1 | sed -n 's/^RMS *amplitude: *//p'; }
below() { awk "BEGIN { exit !(($1 + 0) < ($2)) }"; } # an empty A reads as 0

# start_app [NAME=VALUE...] [ARGUMENT...]: the program in the background; start_tray: and its icon.
start_app() {
    local vars=()
    while (($#)) && [[ $1 == *=* ]]; do vars+=("$1") && shift; done
    env "${vars[@]}" "$APP" "$@" >>"$TMP/tasquill.log" 2>&1 &
    APP_PID=$!
    PIDS+=($APP_PID)
}
start_tray() { start_app "$@" && wait_for 20 "no tray icon appeared" tray_icon; }
# start_at H:MM:SS: the program in the tray, its clock starting then today.
start_at() { start_tray LD_PRELOAD="$(ls /usr/lib/*/faketime/libfaketimeMT.so.1 | head -n 1)" FAKETIME="@$(date +%F) $1" FAKETIME_DONT_FAKE_MONOTONIC=1 NO_FAKE_STAT=1; }
# ends SIGNAL WHAT: after SIGNAL (none: "-") the program ends, with code 0.
ends() {
    [ "$1" = - ] || kill "-$1" "$APP_PID"
    wait_for 5 "$2 did not end the program" sh -c "! kill -0 $APP_PID"
    wait "$APP_PID" || fail "$2 ended the program with code $?"
}
# The program's visible windows named NAME (a regex); geometry W sets WINDOW, X, Y, WIDTH, HEIGHT.
windows() { xdotool search --all --onlyvisible --pid "$APP_PID" --name "$1" 2>/dev/null; }
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }
# The program's tray icon: its window inside trayer's strip at the top right.
tray_icon() {
    local w X Y
    for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        geometry "$w"
        ((Y < 32 && X >= SCREEN_W - 200)) && echo "$w" && return 0
    done
    return 1
}
# pick_tray_entry N: opens the tray menu and picks its Nth entry (separators are skipped).
pick_tray_entry() {
    xdotool mousemove --window "$(tray_icon)" 5 5 click 3
    sleep 0.6 # the menu grabs the keyboard once it is mapped
    xdotool key $(printf 'Down %.0s' $(seq "$1")) Return
}
# shot NAME X Y W H [crop]: a screenshot into the run's folder and TASQUILL_SCREENSHOT_DIR
# (cropped with "crop"); fails when the region is one flat colour, as a window not drawn is.
shot() {
    local crop=(-crop "${4}x${5}+${2}+${3}" +repage)
    import -window root "$TMP/$1"
    (($(convert "$TMP/$1" "${crop[@]}" -format '%k' info:) > 50)) || fail "$1 looks blank"
    [ "${6:-}" = crop ] || crop=()
    [ -z "${TASQUILL_SCREENSHOT_DIR:-}" ] || convert "$TMP/$1" "${crop[@]}" "$TASQUILL_SCREENSHOT_DIR/$1"
}
