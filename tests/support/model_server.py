#!/usr/bin/env python3
"""Serves the files of a directory over HTTP/1.1 with byte ranges, for the
speech model downloads. Prints PORT=n, then one line per request:
"GET /name range=bytes=N- status=206 sent=M" once its answer is sent.
--hold-after N: sends N bytes of each file, then keeps the connection open
without sending more (until the server is killed).
--no-range: answers every request with the whole file (200)."""
import argparse
import os
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--hold-after", type=int, default=-1)
    ap.add_argument("--no-range", action="store_true")
    args = ap.parse_args()

    class Handler(BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, *a):
            pass

        def report(self, rng, status, sent):
            print(f"GET {self.path} range={rng} status={status} sent={sent}", flush=True)

        def do_GET(self):
            path = os.path.join(args.root, os.path.basename(self.path))
            rng = self.headers.get("Range", "")
            if not os.path.isfile(path):
                self.send_error(404)
                self.report(rng, 404, 0)
                return
            data = open(path, "rb").read()
            start = 0
            status = 200
            if rng.startswith("bytes=") and not args.no_range:
                start = int(rng[6:].split("-")[0])
                status = 206
                if start >= len(data):
                    self.send_response(416)
                    self.send_header("Content-Range", f"bytes */{len(data)}")
                    self.send_header("Content-Length", "0")
                    self.end_headers()
                    self.report(rng, 416, 0)
                    return
            body = data[start:]
            self.send_response(status)
            self.send_header("Content-Length", str(len(body)))
            if status == 206:
                self.send_header("Content-Range", f"bytes {start}-{len(data) - 1}/{len(data)}")
            self.end_headers()
            if args.hold_after >= 0:
                self.wfile.write(body[: args.hold_after])
                self.wfile.flush()
                self.report(rng, status, min(len(body), args.hold_after))
                while True:
                    time.sleep(1)
            self.wfile.write(body)
            self.report(rng, status, len(body))

    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(f"PORT={server.server_address[1]}", flush=True)
    threading.Thread(target=lambda: (sys.stdin.read(), os._exit(0)), daemon=True).start()
    server.serve_forever()


if __name__ == "__main__":
    main()
