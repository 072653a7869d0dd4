# Shared by the end-to-end checks (sourced, not run): a private X server with a
# notification area, a private sound server, the program under test, and the clean-up of
# everything they started. Each step fails with a message that says what was expected.

set -euo pipefail

E2E_PIDS=()      # everything started here, killed in reverse order on exit
E2E_OK=0         # set to 1 by e2e_pass; otherwise the temp folder is kept for a look
APP_PID=""

step() { echo "--- $*"; }

fail() {
    echo "FAIL: $*" >&2
    local log
    for log in "${E2E_TMP:-/nonexistent}"/*.log; do
        [ -s "$log" ] || continue
        echo "=== last lines of $log" >&2
        tail -n 20 "$log" >&2
    done
    exit 1
}

e2e_pass() {
    E2E_OK=1
    echo "PASS: $*"
}

e2e_cleanup() {
    local i pid
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        kill -0 "$pid" 2>/dev/null && kill -TERM "$pid" 2>/dev/null
    done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        pid=${E2E_PIDS[i]}
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.2
        done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "${E2E_TMP:-}" ]; then
        if [ "$E2E_OK" = 1 ]; then
            rm -rf "$E2E_TMP"
        else
            echo "(files of this run kept in $E2E_TMP)" >&2
        fi
    fi
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds; fails the test
# with DESCRIPTION when it never does.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        ((SECONDS < deadline)) || fail "$what (waited ${seconds}s)"
        sleep 0.2
    done
}

need_tools() {
    local t
    for t in "$@"; do
        command -v "$t" >/dev/null || fail "'$t' is not installed (scripts/setup.sh installs it)"
    done
}

# e2e_init BINARY: checks the binary, makes a temp folder holding a private runtime folder,
# a home and the program's working directory, and arranges the clean-up.
e2e_init() {
    APP=${1:-}
    [ -n "$APP" ] || fail "usage: bash $0 <path-to-tasquill>"
    [ -x "$APP" ] || fail "'$APP' is not an executable"
    APP=$(cd "$(dirname "$APP")" && pwd)/$(basename "$APP")
    need_tools Xvfb trayer xdotool import
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tasquill-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    mkdir -m 700 "$E2E_TMP/runtime"
    mkdir -p "$E2E_TMP/home" "$E2E_TMP/work"
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/home"
    export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    # A real X server this time, and no session bus: the tray icon must go through the
    # X notification area that trayer provides.
    # A bus address that leads nowhere keeps libdbus from launching a bus of its own.
    unset QT_QPA_PLATFORM SESSION_MANAGER WAYLAND_DISPLAY
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/no-session-bus"
    cd "$E2E_TMP/work"
}

# start_x: Xvfb on the first free display from :90 up, then trayer along the top edge.
start_x() {
    local d pid ready="$E2E_TMP/xvfb.ready"
    unset DISPLAY
    for d in $(seq 90 140); do
        [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ] && continue
        # Xvfb writes the display number to fd 3 once it listens. Waiting for that, rather
        # than for the display to answer, cannot mistake another run's server for ours
        # when both went for the same number; the loser gives up and we try the next.
        # -noreset: by default the server resets whenever its last client leaves, and a
        # client connecting during that reset (trayer right after a probe) is refused.
        : >"$ready"
        Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp -noreset -displayfd 3 \
            3>"$ready" >"$E2E_TMP/xvfb.log" 2>&1 &
        pid=$!
        local deadline=$((SECONDS + 10))
        while kill -0 "$pid" 2>/dev/null && [ ! -s "$ready" ] && ((SECONDS < deadline)); do
            sleep 0.1
        done
        if kill -0 "$pid" 2>/dev/null && [ -s "$ready" ]; then
            E2E_PIDS+=("$pid")
            export DISPLAY=":$d"
            break
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    [ -n "${DISPLAY:-}" ] || fail "no X server could be started on :90..:140"
    read -r SCREEN_W SCREEN_H < <(xdotool getdisplaygeometry)
    step "X server on $DISPLAY (${SCREEN_W}x${SCREEN_H})"
    # A desktop-like background for the screenshots; only looks, so a failure is ignored.
    convert -size "${SCREEN_W}x${SCREEN_H}" gradient:'#5b86a8-#2c4a63' "$E2E_TMP/desktop.png" &&
        display -window root "$E2E_TMP/desktop.png" >/dev/null 2>&1 || true

    trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel \
        --height 32 >"$E2E_TMP/trayer.log" 2>&1 &
    E2E_PIDS+=("$!")
    # trayer claims the notification area before it shows its panel.
    wait_for 10 "trayer's panel did not appear" xdotool search --onlyvisible --name '^panel$'
}

# start_app [ENV=VALUE...]: starts the program in the working directory.
start_app() {
    env "$@" "$APP" >"$E2E_TMP/tasquill.log" 2>&1 &
    APP_PID=$!
    E2E_PIDS+=("$APP_PID")
    step "started $(basename "$APP") (pid $APP_PID)"
}

app_running() { kill -0 "$APP_PID" 2>/dev/null; }

# The program's tray icon: its visible window inside trayer's strip along the top.
tray_icon_window() {
    local w x y
    for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        read -r x y < <(xdotool getwindowgeometry --shell "$w" | sed -n 's/^[XY]=//p' | paste -sd' ')
        if ((y < 32 && x >= SCREEN_W - 200)); then
            echo "$w"
            return 0
        fi
    done
    return 1
}

wait_for_tray_icon() {
    wait_for 20 "the program's tray icon did not appear in the notification area" tray_icon_window
    TRAY_ICON=$(tray_icon_window)
    step "tray icon is window $TRAY_ICON ($(xdotool getwindowname "$TRAY_ICON"))"
}

# A visible window of the program other than the tray icon and the given windows: the
# context menu once it has popped up.
popup_window() {
    local w
    for w in $(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null); do
        [ "$w" = "$TRAY_ICON" ] && continue
        case " $* " in *" $w "*) continue ;; esac
        local name
        name=$(xdotool getwindowname "$w" 2>/dev/null || true)
        [ "$name" = " Tasquill" ] && continue
        echo "$w"
        return 0
    done
    return 1
}

# pick_tray_entry N: opens the tray icon's menu and picks its Nth entry by keyboard
# (separators are skipped by the arrow keys).
pick_tray_entry() {
    local n=$1 others
    others=$(xdotool search --onlyvisible --pid "$APP_PID" 2>/dev/null | paste -sd' ')
    xdotool mousemove --window "$TRAY_ICON" 5 5 click 3
    wait_for 10 "right-clicking the tray icon opened no menu" popup_window $others
    sleep 0.3 # the menu grabs the keyboard once it is mapped
    local i
    for ((i = 0; i < n; i++)); do xdotool key Down; done
    xdotool key Return
}

# wait_for_exit SECONDS: waits for the program to end and leaves its exit code in APP_RC.
wait_for_exit() {
    local deadline=$((SECONDS + $1))
    while app_running && ((SECONDS < deadline)); do sleep 0.1; done
    app_running && fail "the program was still running $1 s after it was told to quit"
    APP_RC=0
    wait "$APP_PID" || APP_RC=$?
}

# copy_screenshot FILE NAME: keeps a screenshot for the README when asked to.
copy_screenshot() {
    if [ -n "${TASQUILL_SCREENSHOT_DIR:-}" ]; then
        mkdir -p "$TASQUILL_SCREENSHOT_DIR"
        cp "$1" "$TASQUILL_SCREENSHOT_DIR/$2"
        step "screenshot copied to $TASQUILL_SCREENSHOT_DIR/$2"
    fi
}

# distinct_colours FILE X Y W H: how many colours a region of a screenshot holds; a window
# that drew nothing is one flat colour.
distinct_colours() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -format '%k' info:
}

# start_pulse: a private PulseAudio server whose only output is a null sink, so what the
# program plays can be recorded from nullsink.monitor. It never touches another server:
# its socket lives in this run's runtime folder and clients are pointed at it explicitly.
start_pulse() {
    need_tools pulseaudio pactl parec pacat sox
    export PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse"
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    export PULSE_STATE_PATH="$E2E_TMP/pulse-state"
    # As root PulseAudio warns that it is meant for --system, but a per-run server with a
    # private socket works the same and keeps the system instance out of it.
    env -u DISPLAY pulseaudio --daemonize=no --exit-idle-time=-1 -n --use-pid-file=no --enable-memfd=no \
        --load="module-null-sink sink_name=nullsink" \
        --load="module-native-protocol-unix auth-anonymous=1" \
        --log-target=stderr >"$E2E_TMP/pulseaudio.log" 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 10 "the private PulseAudio server did not come up" pactl info
    # An idle null sink hands its monitor nothing but a little buffered audio, so a
    # recording would skip the quiet stretches and lose its timing. A stream of zeros
    # keeps the sink running and the recording in step with the clock.
    pacat --raw -d nullsink --latency-msec=100 </dev/zero >"$E2E_TMP/pacat.log" 2>&1 &
    E2E_PIDS+=("$!")
    wait_for 10 "the null sink did not start running" sh -c 'pactl list short sinks | grep -q RUNNING'
    step "PulseAudio on $PULSE_SERVER with a null sink"
}

# record SECONDS FILE: records what the null sink plays for that long.
record() {
    parec -d nullsink.monitor --latency-msec=50 --file-format=wav "$2" &
    local pid=$!
    E2E_PIDS+=("$pid")
    sleep "$1"
    kill -INT "$pid"
    wait "$pid" || true
    [ -s "$2" ] || fail "parec recorded nothing into $2"
}

# rms FILE START LENGTH: the RMS amplitude (0..1) of a stretch of a sound file.
rms() {
    { sox "$1" -n trim "$2" "$3" stat 2>&1 || true; } | sed -n 's/^RMS *amplitude: *//p'
}

# Float comparison for the shell: fcmp A '>' B
fcmp() { awk -v a="$1" -v b="$3" "BEGIN { exit !(a $2 b) }"; }
