#!/usr/bin/env python3
"""HTTP server for the catalog and download tests, bound to 127.0.0.1.

Serves the files of --root. The query string of a request chooses how the
server misbehaves; requests with the same path and query share one attempt
counter, so a resumed transfer sees the next attempt:

  status=N         answer with status N and a short body (none for 204/304)
  location=URL     answer 302 with that Location ("self" for this very address)
  drops=N          the first N attempts send at most dropAt body bytes, then
  dropAt=K         cut the connection (default K = 4096)
  validators=V     etag (default: ETag and Last-Modified), lastmodified, weak
                   (a weak ETag only) or none
  ranges=R         honour (default), ignore (always 200 with the whole file) or
                   shifted (206 whose Content-Range starts at byte 0)
  nolength=1       no Content-Length; the end of the body closes the connection
  swap=NAME        from the second attempt on, serve NAME instead (a changed file)
  slow=1           send the body in small pieces with pauses

Every request is appended to <root>/requests.log as one JSON line before it is
answered. The server prints its port on the first line of its output and ends
by itself when its parent goes away or after --idle seconds without a request.
--start-delay waits that many seconds first, as python3 does on a busy machine.
"""
import argparse
import email.utils
import hashlib
import http.server
import json
import os
import socket
import sys
import threading
import time
import urllib.parse

attempts = {}
attempts_lock = threading.Lock()
last_request = [time.monotonic()]


def next_attempt(key):
    with attempts_lock:
        attempt = attempts.get(key, 0)
        attempts[key] = attempt + 1
        return attempt


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, *args):
        pass

    def do_GET(self):
        last_request[0] = time.monotonic()
        url = urllib.parse.urlsplit(self.path)
        query = dict(urllib.parse.parse_qsl(url.query))
        attempt = next_attempt(self.path)
        self.record(url.path, attempt)
        if "location" in query:
            target = self.path if query["location"] == "self" else query["location"]
            return self.answer_status(302, {"Location": target})
        if "status" in query:
            return self.answer_status(int(query["status"]))
        name = url.path.lstrip("/")
        if attempt > 0 and "swap" in query:
            name = query["swap"]
        path = os.path.join(self.root, name)
        if not name or "/" in name or not os.path.isfile(path):
            return self.answer_status(404)
        with open(path, "rb") as f:
            data = f.read()
        self.answer_file(data, query, attempt)

    def record(self, path, attempt):
        line = {"path": path, "query": urllib.parse.urlsplit(self.path).query, "attempt": attempt,
                "range": self.headers.get("Range"), "ifRange": self.headers.get("If-Range"),
                "cacheControl": self.headers.get("Cache-Control")}
        with attempts_lock, open(os.path.join(self.root, "requests.log"), "a") as log:
            log.write(json.dumps(line) + "\n")

    def answer_status(self, status, headers={}):
        body = b"" if status in (204, 304) else b"errore di prova\n"
        self.send_response(status)
        for name, value in headers.items():
            self.send_header(name, value)
        if status not in (204, 304):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def validators(self, data, query):
        digest = hashlib.sha256(data).hexdigest()[:16]
        modified = email.utils.formatdate(1_600_000_000 + int(digest[:6], 16), usegmt=True)
        kind = query.get("validators", "etag")
        if kind == "none":
            return {}
        if kind == "weak":
            return {"ETag": 'W/"%s"' % digest}
        if kind == "lastmodified":
            return {"Last-Modified": modified}
        return {"ETag": '"%s"' % digest, "Last-Modified": modified}

    def requested_start(self, data, validators, query):
        """The first byte to send, or None for the whole file."""
        header = self.headers.get("Range")
        if not header or query.get("ranges") == "ignore" or not header.startswith("bytes="):
            return None
        condition = self.headers.get("If-Range")
        if condition is not None and condition not in validators.values():
            return None
        first = header[len("bytes="):].split("-", 1)[0]
        return int(first) if first.isdigit() else None

    def answer_file(self, data, query, attempt):
        validators = self.validators(data, query)
        start = self.requested_start(data, validators, query)
        if start is not None and start >= len(data):
            self.send_response(416)
            self.send_header("Content-Range", "bytes */%d" % len(data))
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = data
        self.send_response(200 if start is None else 206)
        if start is not None:
            shown = 0 if query.get("ranges") == "shifted" else start
            body = data if shown == 0 else data[start:]
            self.send_header("Content-Range", "bytes %d-%d/%d" % (shown, len(data) - 1, len(data)))
        for name, value in validators.items():
            self.send_header(name, value)
        self.send_header("Accept-Ranges", "bytes")
        if query.get("nolength") == "1":
            self.send_header("Connection", "close")
            self.close_connection = True
        else:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if attempt < int(query.get("drops", "0")):
            self.send_body(body[:int(query.get("dropAt", "4096"))], query)
            self.wfile.flush()
            self.connection.shutdown(socket.SHUT_RDWR)
            self.close_connection = True
            return
        self.send_body(body, query)

    def send_body(self, body, query):
        if query.get("slow") != "1":
            self.wfile.write(body)
            return
        for offset in range(0, len(body), 1024):
            self.wfile.write(body[offset:offset + 1024])
            self.wfile.flush()
            time.sleep(0.02)


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # clients that go away mid-body are part of the tests


def watch(server, parent, idle):
    while True:
        time.sleep(0.2)
        if os.getppid() != parent or time.monotonic() - last_request[0] > idle:
            server.shutdown()
            return


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--idle", type=float, default=300)
    parser.add_argument("--start-delay", type=float, default=0)
    args = parser.parse_args()
    time.sleep(args.start_delay)
    Handler.root = args.root
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    threading.Thread(target=watch, args=(server, os.getppid(), args.idle), daemon=True).start()
    server.serve_forever(poll_interval=0.1)
    return 0


if __name__ == "__main__":
    sys.exit(main())
