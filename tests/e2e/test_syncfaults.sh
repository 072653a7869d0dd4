#!/usr/bin/env bash
# A server that fails the sync: hangs, breaks off, answers a gigabyte, nonsense or 500, or
# sends the request to another host. Each stops the sync with a message (exit 2), in bounded
# memory, with nothing lost here; the password never goes to the other host. Over TLS, a
# certificate the system does not trust is used only once accepted, and a changed one stops it.
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/../support/caldav.sh"
standin=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../support/davstandin.py")
init "${1:-}"
mkdir -p "$TMP/w"
"$APP" add --dir "$TMP/w" "星期三 9:07" "开会" >/dev/null
account() { # account URL CALENDAR: saved as the settings window saves it, the password beside
    printf '[General]\nserver=%s\nuser=alice\ncalendar=%s\ntimeout=2\n' "$1" "$2" >"$TMP/w/sync.conf"
    printf secret >"$TMP/w/sync-password"
}
for fault in "hang:2 秒没有回答" "half:中断" "huge:大得异常" "malformed:无法读懂" "error500:HTTP 500" \
    "redirect-other-host:另一个主机"; do
    rm -f "$TMP/port"
    python3 "$standin" "${fault%%:*}" 0 "$TMP/requests.log" >"$TMP/port" &
    PIDS+=($!)
    wait_for 10 "the stand-in server did not start" test -s "$TMP/port"
    url="http://127.0.0.1:$(head -n 1 "$TMP/port")/"
    account "$url" "${url}u/cal-home/cal/"
    rc=0 && /usr/bin/time -f %M -o "$TMP/kb" "$APP" sync --dir "$TMP/w" 2>"$TMP/err" || rc=$?
    [ $rc = 2 ] && grep -q "${fault#*:}" "$TMP/err" || fail "${fault%%:*}: exit $rc, said: $(cat "$TMP/err")"
    (($(tail -n 1 "$TMP/kb") < 300000)) || fail "${fault%%:*}: the sync took $(cat "$TMP/kb") kB"
    [ "$(sqlite3 "$TMP/w/event.db" "select 内容 from eventtable")" = 开会 ] || fail "${fault%%:*}: the reminder was lost"
    kill "${PIDS[-1]}" && wait "${PIDS[-1]}" 2>/dev/null || true
done
grep -q "127.0.0.2.*authorization=yes" "$TMP/requests.log" && fail "the password went to another host"

openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 2 -keyout "$TMP/cert.key" -out "$TMP/cert.crt" 2>/dev/null
CALDAV_TLS=$TMP/cert caldav_start radicale "$TMP/server" alice secret >/dev/null
PIDS+=("$CALDAV_PID")
rc=0 && echo secret | "$APP" sync --dir "$TMP/w" --set "$CALDAV_URL" alice >/dev/null 2>"$TMP/err" || rc=$?
fingerprint=$(sed -n 's/^证书指纹 SHA-256：//p' "$TMP/err")
[ $rc = 1 ] && [ -n "$fingerprint" ] || fail "an untrusted certificate was not refused: $rc $(cat "$TMP/err")"
echo secret | "$APP" sync --dir "$TMP/w" --set "$CALDAV_URL" alice --trust "$fingerprint" >/dev/null &&
    "$APP" sync --dir "$TMP/w" >/dev/null || fail "the accepted certificate was not used"
port=${CALDAV_URL##*:} && caldav_stop
openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=localhost -days 2 -keyout "$TMP/cert.key" -out "$TMP/cert.crt" 2>/dev/null
CALDAV_PORT=${port%/} CALDAV_TLS=$TMP/cert caldav_start radicale "$TMP/server" alice secret >/dev/null
PIDS+=("$CALDAV_PID")
rc=0 && "$APP" sync --dir "$TMP/w" 2>"$TMP/err" || rc=$?
[ $rc != 0 ] && grep -q "证书变了" "$TMP/err" || fail "a changed certificate did not stop the sync: $(cat "$TMP/err")"
pass "a failing server stops the sync with a message, nothing lost; TLS trusted only as accepted"
