# Sourced by the benchmark scripts that run the real program.

# desktop_up TMP: a private X server with a notification area (trayer), and a runtime
# folder in TMP; exports DISPLAY and XDG_RUNTIME_DIR, and leaves the two processes' ids in
# desktop_pids for the caller to end.
desktop_up() {
    mkdir -m 700 "$1/runtime"
    export XDG_RUNTIME_DIR="$1/runtime" DBUS_SESSION_BUS_ADDRESS="unix:path=$1/runtime/no-bus"
    unset QT_QPA_PLATFORM
    local d
    for d in $(seq 150 199); do [ -e "/tmp/.X$d-lock" ] || break; done
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    desktop_pids=$!
    export DISPLAY=":$d"
    for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done
    trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 >/dev/null 2>&1 &
    desktop_pids="$! $desktop_pids"
    for _ in $(seq 50); do xdotool search --onlyvisible --name '^panel$' >/dev/null 2>&1 && break; sleep 0.1; done
}

# quiet_events DB: an event file in an earlier version's layout with 1k reminders, none
# of which falls due while measuring, whatever the time of day.
quiet_events() {
    {
        echo "create table eventtable(时间 TEXT, 内容 TEXT, 类型 TEXT); begin;"
        for i in $(seq 500); do echo "insert into eventtable values('2099年$((1 + i % 12))月$((1 + i % 28))日 $((i % 24)):$((10 + i % 50))', '事项 $i', 'y');"; done
        for i in $(seq 500); do echo "insert into eventtable values('2月30日 $((i % 24)):$((10 + i % 50))', '年 $i', 'm');"; done
        echo "commit;"
    } | sqlite3 "$1"
}
