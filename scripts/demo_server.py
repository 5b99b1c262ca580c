#!/usr/bin/python3
"""The demo FTP server of scripts/run.sh: pyftpdlib on 127.0.0.1 serving a
temporary copy of scripts/demo to the user brimol (password pelrosta).

It listens on port 21 when it may bind it, else on 2121, else on a port the
system picks. The first line of its output is the port; the next tells what to
type in the window's Server box. The copy is removed when the server ends
(SIGTERM, SIGINT, or the process that started it going away)."""

import argparse
import os
import shutil
import signal
import socket
import sys
import tempfile
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

USER = "brimol"
PASSWORD = "pelrosta"
HOST = "127.0.0.1"


def bind_listener():
    for port in (21, 2121, 0):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        try:
            sock.bind((HOST, port))
        except OSError:
            sock.close()
            continue
        sock.listen(5)
        return sock
    raise SystemExit("demo server: no port to listen on")


def watch_parent(parent):
    # Do not outlive the script that started the server, however it ended.
    while os.getppid() == parent:
        time.sleep(0.5)
    os.kill(os.getpid(), signal.SIGTERM)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--samples", default=os.path.join(here, "demo"))
    args = parser.parse_args()

    workdir = tempfile.mkdtemp(prefix="scrivlet-demo-")
    root = os.path.join(workdir, "root")
    shutil.copytree(args.samples, root, symlinks=True)

    def stop(_signum, _frame):
        raise KeyboardInterrupt

    signal.signal(signal.SIGTERM, stop)
    try:
        authorizer = DummyAuthorizer()
        authorizer.add_user(USER, PASSWORD, root, perm="elradfmwMT")

        class Handler(FTPHandler):
            banner = "Scrivlet demo server ready."

        Handler.authorizer = authorizer
        listener = bind_listener()
        port = listener.getsockname()[1]
        server = FTPServer(listener, Handler)
        server_text = "localhost" if port == 21 else "localhost:%d" % port
        print(port, flush=True)
        print("Type %s in Server (user %s, password %s) and tick Connect."
              % (server_text, USER, PASSWORD), flush=True)
        threading.Thread(target=watch_parent, args=(os.getppid(),), daemon=True).start()
        server.serve_forever(handle_exit=True)
    except KeyboardInterrupt:
        pass
    finally:
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
