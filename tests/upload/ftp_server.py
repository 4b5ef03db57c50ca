"""A throw-away FTP server on 127.0.0.1 for the upload and automation tests.

Serves ROOT for one user with full rights; the directory ROOT/readonly (made
when missing) may be listed and entered but not written. Listens on a free
port and prints "PORT <number>" once ready; stops on SIGTERM or when stdin
closes.
"""
import argparse
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", default="alice")
    ap.add_argument("--password", default="secret")
    args = ap.parse_args()

    logging.basicConfig(level=logging.WARNING)
    readonly = os.path.join(args.root, "readonly")
    os.makedirs(readonly, exist_ok=True)
    auth = DummyAuthorizer()
    auth.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    auth.override_perm(args.user, readonly, perm="elr", recursive=True)

    class Handler(FTPHandler):
        authorizer = auth
        banner = "test server ready"
        auth_failed_timeout = 0.1  # answer a wrong password at once

    server = FTPServer(("127.0.0.1", 0), Handler)
    server.max_cons = 64
    print("PORT %d" % server.socket.getsockname()[1], flush=True)

    def watch_stdin():
        sys.stdin.read()
        server.close_all()
        os._exit(0)

    threading.Thread(target=watch_stdin, daemon=True).start()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
