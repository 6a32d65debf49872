#!/usr/bin/python3
"""A stand-in for the game operator's web site, for running and testing the launcher locally.

    /micro/                   login page; "Start game" goes to the game URL (it carries client=1)
    /game/play?server=N&...   game page
    anything else             404 (the favicon gets an empty 204)

Every request is printed to stdout and, with --log FILE, appended to FILE as one JSON object
per line, so that tests can see what the launcher's browsers fetched.
"""
import argparse
import html
import json
import signal
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

LOGGED_HEADERS = ("Host", "User-Agent", "Referer", "Cookie", "Accept", "Accept-Language")

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>{title}</title>
<style>
 body {{ margin: 0; font: 14px "Microsoft YaHei", sans-serif; color: #f3ead2;
        background: linear-gradient(#1d2a3a, #0b1118); }}
 main {{ max-width: 420px; margin: 48px auto; text-align: center; }}
 h1 {{ font-size: 22px; letter-spacing: 2px; }}
 a.button {{ display: inline-block; margin: 6px; padding: 10px 28px; border-radius: 4px;
            background: #c8922e; color: #1d1408; text-decoration: none; font-weight: bold; }}
 a.button:hover {{ background: #e3ad48; }}
 small {{ color: #8b95a1; }}
</style></head>
<body><main>{body}</main></body></html>
"""

SERVERS = {"1": "Harbour of Dawn", "2": "Amber Coast"}


def login_page():
    buttons = "".join(
        f'<p><a class="button" id="start{sid}" href="/game/play?server={sid}&amp;client=1">'
        f"Start game: {html.escape(name)}</a></p>"
        for sid, name in SERVERS.items()
    )
    return PAGE.format(
        title="Qarvelo login",
        body=f"<h1>Qarvelo</h1><p>Choose a server</p>{buttons}"
        "<p><small>Plain links, no frames: the page works without script.</small></p>",
    )


def game_page(query):
    sid = query.get("server", ["1"])[0]
    name = SERVERS.get(sid, "Unknown server")
    return PAGE.format(
        title=f"Qarvelo - {html.escape(name)}",
        body=f'<h1 id="game">{html.escape(name)}</h1><p>The game runs here (server {html.escape(sid)}).</p>'
        '<p><a class="button" href="/micro/">Back to the login page</a></p>',
    )


class Handler(BaseHTTPRequestHandler):
    server_version = "QarveloOperator/1"
    log_file = None
    log_lock = threading.Lock()

    def do_GET(self):
        url = urlsplit(self.path)
        if url.path in ("/", "/micro"):
            self.reply(302, b"", headers={"Location": "/micro/"})
        elif url.path == "/micro/":
            self.reply(200, login_page().encode())
        elif url.path == "/game/play":
            self.reply(200, game_page(parse_qs(url.query)).encode())
        elif url.path == "/favicon.ico":
            self.reply(204, b"")
        else:
            self.reply(404, b"<!DOCTYPE html><title>Not found</title><p>Not found</p>")

    def do_HEAD(self):
        self.do_GET()

    def do_POST(self):
        self.reply(405, b"", headers={"Allow": "GET, HEAD"})

    def reply(self, status, body, headers=None):
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)
        self.record(status)

    def record(self, status):
        url = urlsplit(self.path)
        entry = {
            "time": round(time.time(), 3),
            "method": self.command,
            "path": url.path,
            "query": url.query,
            "status": status,
            "headers": {h: self.headers[h] for h in LOGGED_HEADERS if h in self.headers},
        }
        line = json.dumps(entry, ensure_ascii=False)
        with self.log_lock:
            print(line, flush=True)
            if self.log_file:
                self.log_file.write(line + "\n")
                self.log_file.flush()

    def log_message(self, *args):
        pass  # record() logs every request in its own format


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--port", type=int, default=8765)
    parser.add_argument("--log", metavar="FILE", help="append requests as JSON lines")
    args = parser.parse_args()
    if not (args.host == "localhost" or args.host.startswith("127.")):
        parser.error("only loopback addresses (127.x.x.x, localhost) are served")

    try:
        server = ThreadingHTTPServer((args.host, args.port), Handler)
    except OSError as error:
        sys.exit(f"operator_server: cannot listen on {args.host}:{args.port}: {error.strerror}")
    server.daemon_threads = True
    Handler.log_file = open(args.log, "a", encoding="utf-8") if args.log else None
    # SIGTERM leaves through the same path as Ctrl-C, so the socket and the log get closed.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
    host, port = server.server_address[:2]
    print(f"operator_server: listening on http://{host}:{port}/micro/", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
        if Handler.log_file:
            Handler.log_file.close()

if __name__ == "__main__":
    main()
