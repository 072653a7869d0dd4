#!/usr/bin/env python3
"""A CalDAV server on 127.0.0.1 for the sync checks: a minimal good one, or one that fails on purpose.

usage: davstandin.py MODE PORT [LOG]
  ok          principal /u/, calendar home /u/cal-home/, one empty calendar /u/cal-home/cal/;
              sync-collection answers no items; MKCALENDAR in the home works (kept in memory);
              PUT and DELETE are refused (403): it holds no objects. No password is asked for.
  hang        reads the request, never answers
  half        headers with a Content-Length past the body, part of the body, then closes
  huge        a 207 whose body streams ~2 GiB of XML-like text (chunked, no length told)
  malformed   a 207 whose XML is broken
  error500    500 Internal Server Error
  redirect-other-host[-301]
              307 (or 301) to the same path on http://127.0.0.2:PORT2/, a host of ours that asks
              for a password (401) and, given one, answers as "ok" does
PORT 0: a free one. The port is the first line printed (the other host's URL the second).
LOG: one line per request received, by either host: "HOST METHOD PATH authorization=yes|no".
"""
import sys
import threading
import time
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from xml.sax.saxutils import escape

D, C, CS = "DAV:", "urn:ietf:params:xml:ns:caldav", "http://calendarserver.org/ns/"
PREFIXES = {D: "d", C: "c", CS: "cs"}
XMLNS = " ".join(f'xmlns:{p}="{ns}"' for ns, p in PREFIXES.items())
MODE = sys.argv[1] if len(sys.argv) > 1 else ""
LOG = sys.argv[3] if len(sys.argv) > 3 else None
log_lock = threading.Lock()
sync_token = "http://127.0.0.1/standin/sync/1"


def calendar(name):
    return {"resourcetype": "<d:collection/><c:calendar/>", "displayname": name, "getetag": '"1"',
            "sync-token": sync_token, "getctag": '"1"',
            "supported-calendar-component-set": '<c:comp name="VEVENT"/><c:comp name="VTODO"/>'}


# What the "ok" server has: path -> {property's local name -> its XML content}.
resources = {
    "/": {"resourcetype": "<d:collection/>"},
    "/u/": {"resourcetype": "<d:collection/><d:principal/>", "displayname": "u",
            "calendar-home-set": "<d:href>/u/cal-home/</d:href>"},
    "/u/cal-home/": {"resourcetype": "<d:collection/>", "displayname": "cal-home"},
    "/u/cal-home/cal/": calendar("Calendar"),
}
everywhere = {"current-user-principal": "<d:href>/u/</d:href>", "principal-URL": "<d:href>/u/</d:href>"}


def clark(name):
    ns = {"calendar-home-set": C, "supported-calendar-component-set": C, "getctag": CS}.get(name, D)
    return f"{{{ns}}}{name}"


def tag(clark_name):  # only a property missing here can be in a namespace of no prefix of ours
    ns, _, name = clark_name[1:].partition("}")
    return f"{PREFIXES[ns]}:{name}" if ns in PREFIXES else f'x:{name} xmlns:x="{ns}"'


def multistatus(inner):
    return f'<?xml version="1.0" encoding="utf-8"?>\n<d:multistatus {XMLNS}>{inner}</d:multistatus>'


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):  # the requests go to LOG, not to the terminal
        pass

    def answer(self, code, body=b"", content_type="text/xml; charset=utf-8", headers=()):
        body = body.encode() if isinstance(body, str) else body
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def any_method(self):
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        host = self.server.server_address[0]
        if LOG:
            with log_lock, open(LOG, "a") as log:
                auth = "yes" if self.headers.get("Authorization") else "no"
                log.write(f"{host} {self.command} {self.path} authorization={auth}\n")
        if host != "127.0.0.1":  # the other host: the one a password must never be sent to
            if not self.headers.get("Authorization"):
                return self.answer(401, "password?", "text/plain",
                                   [("WWW-Authenticate", 'Basic realm="other host"')])
            return self.ok(body)
        if MODE.startswith("redirect-other-host"):
            code = 301 if MODE.endswith("-301") else 307
            return self.answer(code, "moved", "text/plain", [("Location", OTHER + self.path)])
        if MODE == "hang":
            while True:
                time.sleep(3600)
        if MODE == "error500":
            return self.answer(500, "Internal Server Error", "text/plain")
        if MODE == "malformed":
            return self.answer(207, multistatus("<d:response><d:href>/u/</d:href><d:propstat><d:prop>"
                                                "<d:current-user-principal><d:href>/u/</d:current-user-principal>"
                                                "</d:propstat><d:status>HTTP/1.1 200 OK</d:response"))
        if MODE == "half":
            part = multistatus("<d:response><d:href>/u/</d:href>").encode()[:120]
            self.send_response(207)
            self.send_header("Content-Type", "text/xml; charset=utf-8")
            self.send_header("Content-Length", "4096")
            self.end_headers()
            self.wfile.write(part)
            self.close_connection = True
            return
        if MODE == "huge":
            return self.huge()
        return self.ok(body)

    def huge(self):
        item = ('<d:response><d:href>/u/cal-home/cal/0123456789abcdef.ics</d:href><d:propstat><d:prop>'
                '<d:getetag>"0123456789"</d:getetag></d:prop><d:status>HTTP/1.1 200 OK</d:status>'
                '</d:propstat></d:response>\n')
        block = (item * (65536 // len(item))).encode()  # one block, sent again and again
        self.send_response(207)
        self.send_header("Content-Type", "text/xml; charset=utf-8")
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        self.close_connection = True
        head, tail = multistatus("").split("</d:multistatus>")[0].encode(), b"</d:multistatus>"
        try:
            self.wfile.write(b"%x\r\n%s\r\n" % (len(head), head))
            for _ in range(2**31 // len(block)):
                self.wfile.write(b"%x\r\n%s\r\n" % (len(block), block))
            self.wfile.write(b"%x\r\n%s\r\n0\r\n\r\n" % (len(tail), tail))
        except (BrokenPipeError, ConnectionResetError):
            pass  # the client gave up, as it should

    def ok(self, body):
        path = self.path.split("?")[0]
        if self.command in ("PUT", "DELETE", "PROPPATCH"):
            return self.answer(403, "this calendar keeps nothing", "text/plain")
        try:
            request = ET.fromstring(body) if body.strip() else None
        except ET.ParseError:
            return self.answer(400, "bad XML", "text/plain")
        if path.rstrip("/") == "/.well-known/caldav":
            return self.answer(301, "moved", "text/plain", [("Location", "/")])
        if self.command == "OPTIONS":
            return self.answer(200, headers=[("DAV", "1, 3, calendar-access"),
                                             ("Allow", "OPTIONS, PROPFIND, REPORT, MKCALENDAR")])
        if not path.endswith("/"):
            path += "/"
        if self.command == "PROPFIND":
            if path not in resources:
                return self.answer(404, "not found", "text/plain")
            wanted = None
            if request is not None and request.find(f"{{{D}}}prop") is not None:
                wanted = [p.tag for p in request.find(f"{{{D}}}prop")]
            paths = [path]
            if self.headers.get("Depth", "infinity") != "0":
                paths += sorted(p for p in resources if p != path and p.startswith(path)
                                and p[len(path):].count("/") == 1)
            return self.answer(207, multistatus("".join(self.propstat(p, wanted) for p in paths)))
        if self.command == "REPORT" and path in resources and request is not None:
            if request.tag == f"{{{D}}}sync-collection" and "sync-token" in resources[path]:
                return self.answer(207, multistatus(f"<d:sync-token>{sync_token}</d:sync-token>"))
            if request.tag == f"{{{C}}}calendar-multiget":
                return self.answer(207, multistatus("".join(
                    f"<d:response><d:href>{h.text}</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
                    for h in request.iter(f"{{{D}}}href"))))
            return self.answer(207, multistatus(""))
        if self.command == "MKCALENDAR":
            if path in resources:
                return self.answer(405, "exists", "text/plain")
            if path.rsplit("/", 2)[0] + "/" != "/u/cal-home/":
                return self.answer(403, "only in the calendar home", "text/plain")
            name = request.findtext(f".//{{{D}}}displayname") if request is not None else None
            resources[path] = calendar(escape(name or ""))
            return self.answer(201)
        return self.answer(404, "not found", "text/plain")

    def propstat(self, path, wanted):
        props = {clark(name): value for name, value in {**everywhere, **resources[path]}.items()}
        wanted = list(props) if wanted is None else wanted
        found = "".join(f"<{tag(w)}>{props[w]}</{tag(w)}>" for w in wanted if w in props)
        missing = "".join(f"<{tag(w)}/>" for w in wanted if w not in props)
        out = f"<d:response><d:href>{path}</d:href>"
        if found:
            out += f"<d:propstat><d:prop>{found}</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
        if missing:
            out += f"<d:propstat><d:prop>{missing}</d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
        return out + "</d:response>"

for method in ("GET", "HEAD", "PUT", "POST", "DELETE", "OPTIONS", "PROPFIND", "PROPPATCH", "REPORT",
               "MKCALENDAR", "MKCOL", "MOVE", "COPY"):
    setattr(Handler, "do_" + method, Handler.any_method)

if __name__ == "__main__":
    modes = ("ok", "hang", "half", "huge", "malformed", "error500", "redirect-other-host", "redirect-other-host-301")
    if len(sys.argv) < 3 or MODE not in modes:
        sys.exit(__doc__)
    ThreadingHTTPServer.daemon_threads = True  # a hanging answer must not keep the process alive
    main = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[2])), Handler)
    print(main.server_address[1], flush=True)
    if MODE.startswith("redirect-other-host"):
        other = ThreadingHTTPServer(("127.0.0.2", 0), Handler)
        OTHER = f"http://127.0.0.2:{other.server_address[1]}"
        print(OTHER + "/", flush=True)
        threading.Thread(target=other.serve_forever, daemon=True).start()
    main.serve_forever()
