#!/usr/bin/python3
"""Serves the browser version's site on 127.0.0.1 for playing and testing.

Static files with caching headers and gzip when the browser accepts it, and,
with --forward PORT, POST /r0002.asp passed on to a score server on
127.0.0.1:PORT (the reference server in the tests), the game's agent header
becoming the User-Agent as the game service reads it. Prints "port N" once
it listens; stops on SIGTERM or after --lifetime seconds.
"""

import argparse
import gzip
import http.client
import http.server
import os
import signal
import sys
import threading

TYPES = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".wasm": "application/wasm",
    ".png": "image/png",
}
COMPRESSIBLE = {".html", ".js", ".wasm"}
SCORE_PATH = "/r0002.asp"
AGENT_HEADER = "X-Game-Agent"
MAX_BODY = 64 * 1024


class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "vilmar-site"
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("siteserver: " + fmt % args + "\n")

    def do_GET(self):
        path = self.path.split("?", 1)[0]
        if path.endswith("/"):
            path += "index.html"
        root = os.path.realpath(self.server.root)
        full = os.path.realpath(os.path.join(root, path.lstrip("/")))
        if not full.startswith(root + os.sep) or not os.path.isfile(full):
            self.reply(404, b"not found\n", "text/plain")
            return
        ext = os.path.splitext(full)[1]
        with open(full, "rb") as f:
            body = f.read()
        headers = {"Cache-Control": "no-cache" if ext == ".html" else "public, max-age=3600"}
        if ext in COMPRESSIBLE and "gzip" in self.headers.get("Accept-Encoding", ""):
            body = gzip.compress(body, 9)
            headers["Content-Encoding"] = "gzip"
            headers["Vary"] = "Accept-Encoding"
        self.reply(200, body, TYPES.get(ext, "application/octet-stream"), headers)

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0") or 0)
        if self.path != SCORE_PATH or self.server.forward is None or not 0 <= length <= MAX_BODY:
            self.reply(404, b"not found\n", "text/plain")
            return
        body = self.rfile.read(length)
        headers = {
            "Content-Type": self.headers.get("Content-Type", ""),
            "User-Agent": self.headers.get(AGENT_HEADER, self.headers.get("User-Agent", "")),
        }
        try:
            upstream = http.client.HTTPConnection("127.0.0.1", self.server.forward, timeout=30)
            upstream.request("POST", SCORE_PATH, body=body, headers=headers)
            answer = upstream.getresponse()
            data = answer.read()
            status = answer.status
            upstream.close()
        except OSError as error:
            self.reply(502, ("score server: %s\n" % error).encode(), "text/plain")
            return
        self.reply(status, data, "text/html")

    def reply(self, status, body, content_type, headers=None):
        self.send_response(status)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        for name, value in (headers or {}).items():
            self.send_header(name, value)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--forward", type=int, default=None)
    parser.add_argument("--lifetime", type=float, default=0)
    parser.add_argument("--verbose", action="store_true")
    options = parser.parse_args()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port), Handler)
    server.daemon_threads = True
    server.root = options.root
    server.forward = options.forward
    server.verbose = options.verbose
    signal.signal(signal.SIGTERM, lambda *_: threading.Thread(target=server.shutdown).start())
    if options.lifetime > 0:
        timer = threading.Timer(options.lifetime, server.shutdown)
        timer.daemon = True
        timer.start()
    print("port %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
