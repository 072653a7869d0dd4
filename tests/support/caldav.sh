# Sourced by the sync checks: a real CalDAV server (Radicale or Xandikos) on 127.0.0.1 with its
# storage in a scratch folder, and curl helpers that play another device writing to it.
#
#   caldav_start radicale|xandikos DIR [USER PASSWORD]   (call it directly, not in $(...))
#       sets CALDAV_KIND, CALDAV_URL (what a user types: http://127.0.0.1:PORT/), CALDAV_PID,
#       CALDAV_USER, CALDAV_PASSWORD, CALDAV_PRINCIPAL and CALDAV_HOME (calendar-home-set, a URL);
#       logs to DIR/KIND.log; on port CALDAV_PORT when set (a restart); Radicale over TLS with
#       CALDAV_TLS.crt and CALDAV_TLS.key when CALDAV_TLS names them. CALDAV_XANDIKOS_DEFAULTS=1: Xandikos makes calendars/calendar/ too.
#   caldav_stop [PID]                       ends the server (again: nothing happens)
#   caldav_free_port                        a TCP port free on 127.0.0.1 just now
#   caldav_calendars [HOME]                 "HREF<tab>DISPLAYNAME" of each calendar there
#   caldav_mkcalendar URL [NAME]            makes a calendar
#   caldav_objects URL                      the hrefs of the objects in a calendar, sorted
#   caldav_get URL / caldav_etag URL        an object's text / its ETag (with the quotes)
#   caldav_put URL FILE [ETAG|*]            PUT (with If-Match ETAG, or If-None-Match *); prints
#                                           the ETag the server answered with (may be empty)
#   caldav_delete URL [ETAG]                DELETE (with If-Match ETAG)
# A URL may be whole, an absolute path (an href as the server gives it) or relative to CALDAV_HOME.
# Each helper fails (status 1, the answer on stderr) unless the server answered with success.

caldav_free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

caldav_start() {
    local kind=${1:?usage: caldav_start radicale|xandikos DIR [USER PASSWORD]} dir=${2:?no folder given}
    local user=${3:-alice} password=${4:-secret} port deadline
    dir=$(mkdir -p "$dir" && cd "$dir" && pwd)
    for _ in 1 2 3; do # a port taken between being picked and bound: another one
        port=${CALDAV_PORT:-$(caldav_free_port)} # CALDAV_PORT: again where it was
        case $kind in
        radicale)
            printf '%s:%s\n' "$user" "$password" >"$dir/users"
            # Our own file only: neither /etc/radicale nor the user's ~/.config/radicale is read.
            cat >"$dir/radicale.conf" <<EOF
[server]
hosts = 127.0.0.1:$port
${CALDAV_TLS:+ssl = True
certificate = $CALDAV_TLS.crt
key = $CALDAV_TLS.key}
[auth]
type = htpasswd
htpasswd_filename = $dir/users
htpasswd_encryption = plain
delay = 0
[storage]
filesystem_folder = $dir/collections
[logging]
level = info
EOF
            env -u RADICALE_CONFIG radicale --config "$dir/radicale.conf" >>"$dir/radicale.log" 2>&1 &
            CALDAV_HOME="http${CALDAV_TLS:+s}://127.0.0.1:$port/$user/"
            ;;
        xandikos)
            # No accounts of its own: any credentials (or none) are let in, all as this principal.
            local create=--autocreate
            [ "${CALDAV_XANDIKOS_DEFAULTS:-0}" = 1 ] && create=--defaults
            xandikos -d "$dir/store" -l 127.0.0.1 -p "$port" --current-user-principal="/$user/" $create \
                >>"$dir/xandikos.log" 2>&1 &
            CALDAV_HOME="http://127.0.0.1:$port/$user/calendars/"
            ;;
        *) echo "caldav_start: no server called '$kind'" >&2 && return 1 ;;
        esac
        CALDAV_PID=$! CALDAV_USER=$user CALDAV_PASSWORD=$password CALDAV_URL="http${CALDAV_TLS:+s}://127.0.0.1:$port/"
        # shellcheck disable=SC2034 # for the caller
        CALDAV_KIND=$kind CALDAV_PRINCIPAL="http://127.0.0.1:$port/$user/"
        deadline=$((SECONDS + 10))
        while kill -0 "$CALDAV_PID" 2>/dev/null && ((SECONDS < deadline)); do
            if curl -k -s -o /dev/null --max-time 1 -X OPTIONS "$CALDAV_URL"; then # any answer will do
                # Xandikos makes the principal's folders on its first start, before it listens.
                printf 'CALDAV_URL=%s\nCALDAV_PID=%s\nCALDAV_HOME=%s\n' "$CALDAV_URL" "$CALDAV_PID" "$CALDAV_HOME"
                return 0
            fi
            sleep 0.1
        done
        caldav_stop "$CALDAV_PID"
        grep -qi 'address already in use' "$dir/$kind.log" || break
    done
    echo "caldav_start: $kind did not come up; the end of $dir/$kind.log:" >&2
    tail -n 15 "$dir/$kind.log" >&2
    return 1
}

caldav_stop() {
    local pid=${1:-${CALDAV_PID:-}} i
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$pid" != "${CALDAV_PID:-}" ] || CALDAV_PID=
}

_caldav_url() {
    case $1 in
    http://* | https://*) echo "$1" ;;
    /*) echo "${CALDAV_URL%/}$1" ;;
    *) echo "$CALDAV_HOME$1" ;;
    esac
}

# _caldav_curl METHOD URL [CURL ARGUMENTS...]: the body on stdout, the headers into
# $_CALDAV_HEADERS; fails unless the status is 2xx (a PUT's or DELETE's 207 means a failure).
_caldav_curl() {
    local method=$1 url code body
    url=$(_caldav_url "$2")
    shift 2
    _CALDAV_HEADERS=$(mktemp)
    body=$(mktemp)
    code=$(curl -sS --max-time 15 -u "$CALDAV_USER:$CALDAV_PASSWORD" -X "$method" -D "$_CALDAV_HEADERS" \
        -o "$body" -w '%{http_code}' "$@" "$url") || code=000
    if [[ $code != 2?? ]] || { [ "$code" = 207 ] && [[ $method == PUT || $method == DELETE ]]; }; then
        echo "caldav: $method $url answered $code" >&2 && cat "$body" >&2 && echo >&2
        rm -f "$body" "$_CALDAV_HEADERS" && return 1
    fi
    cat "$body" && rm -f "$body"
}
_caldav_header() { tr -d '\r' <"$_CALDAV_HEADERS" | sed -n "s/^$1: *//Ip" | tail -n 1; rm -f "$_CALDAV_HEADERS"; }

# _caldav_members calendars|objects: from a Depth 1 PROPFIND's answer, the members of that kind.
_caldav_members() {
    python3 -c '
import sys, xml.etree.ElementTree as ET
D, C = "{DAV:}", "{urn:ietf:params:xml:ns:caldav}"
rows = []
for r in ET.parse(sys.stdin).getroot().iter(D + "response"):
    href, props = r.findtext(D + "href"), {}
    for ps in r.iter(D + "propstat"):
        if " 200 " in (ps.findtext(D + "status") or ""):
            for p in ps.find(D + "prop"):
                props[p.tag] = p
    rt = props.get(D + "resourcetype")
    if sys.argv[1] == "calendars" and rt is not None and rt.find(C + "calendar") is not None:
        rows.append(href + "\t" + (props[D + "displayname"].text or "" if D + "displayname" in props else ""))
    if sys.argv[1] == "objects" and (rt is None or rt.find(D + "collection") is None):
        rows.append(href)
print("\n".join(sorted(rows)))' "$1" | sed '/^$/d'
}

_caldav_propfind() {
    _caldav_curl PROPFIND "$1" -H 'Depth: 1' -H 'Content-Type: application/xml; charset=utf-8' --data-binary \
        '<?xml version="1.0" encoding="utf-8"?><d:propfind xmlns:d="DAV:"><d:prop><d:resourcetype/><d:displayname/><d:getetag/></d:prop></d:propfind>'
    rm -f "$_CALDAV_HEADERS"
}
caldav_calendars() { local x && x=$(_caldav_propfind "${1:-$CALDAV_HOME}") && _caldav_members calendars <<<"$x"; }
caldav_objects() { local x && x=$(_caldav_propfind "${1:?usage: caldav_objects URL}") && _caldav_members objects <<<"$x"; }

caldav_mkcalendar() {
    local name
    name=$(sed 's/&/\&amp;/g; s/</\&lt;/g' <<<"${2:-Calendar}")
    _caldav_curl MKCALENDAR "${1:?usage: caldav_mkcalendar URL [NAME]}" -H 'Content-Type: application/xml; charset=utf-8' \
        --data-binary "<?xml version=\"1.0\" encoding=\"utf-8\"?><c:mkcalendar xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\"><d:set><d:prop><d:displayname>$name</d:displayname></d:prop></d:set></c:mkcalendar>" >/dev/null
    rm -f "$_CALDAV_HEADERS"
}

caldav_get() { _caldav_curl GET "${1:?usage: caldav_get URL}" && rm -f "$_CALDAV_HEADERS"; }
caldav_etag() { _caldav_curl GET "${1:?usage: caldav_etag URL}" >/dev/null && _caldav_header ETag; }

caldav_put() {
    local condition=()
    case ${3:-} in
    '') ;;
    '*') condition=(-H 'If-None-Match: *') ;;
    *) condition=(-H "If-Match: $3") ;;
    esac
    _caldav_curl PUT "${1:?usage: caldav_put URL FILE [ETAG|*]}" "${condition[@]}" \
        -H 'Content-Type: text/calendar; charset=utf-8' --data-binary "@${2:?no file given}" >/dev/null &&
        _caldav_header ETag
}

caldav_delete() {
    local condition=()
    [ -z "${2:-}" ] || condition=(-H "If-Match: $2")
    _caldav_curl DELETE "${1:?usage: caldav_delete URL [ETAG]}" "${condition[@]}" >/dev/null && rm -f "$_CALDAV_HEADERS"
}
