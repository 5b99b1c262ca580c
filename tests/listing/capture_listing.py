"""Prints the raw LIST reply of a real FTP server for one local directory.

Usage: capture_listing.py DIRECTORY

Starts pyftpdlib on 127.0.0.1 (a free port) with DIRECTORY as the home of user
"brimol", lists it with ftplib, writes each line to stdout and shuts the server
down again. Exits non-zero on any failure.
"""

import ftplib
import logging
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    home = sys.argv[1]
    # A handler of our own stops pyftpdlib from installing its chatty default
    # one; warnings and errors still reach stderr.
    log = logging.getLogger("pyftpdlib")
    log.addHandler(logging.StreamHandler(sys.stderr))
    log.setLevel(logging.WARNING)

    authorizer = DummyAuthorizer()
    authorizer.add_user("brimol", "pelrosta", home, perm="elr")
    handler = type("CaptureHandler", (FTPHandler,), {"authorizer": authorizer})
    server = FTPServer(("127.0.0.1", 0), handler)
    port = server.address[1]

    # The loop runs one poll at a time so that it notices the stop request and
    # closes the server in its own thread.
    stop = threading.Event()

    def serve():
        try:
            while not stop.is_set():
                server.serve_forever(timeout=0.1, blocking=False, handle_exit=False)
        finally:
            server.close_all()

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    lines = []
    try:
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", port, timeout=20)
        ftp.login("brimol", "pelrosta")
        ftp.retrlines("LIST", lines.append)
        ftp.quit()
    finally:
        stop.set()
        thread.join(20)
    for line in lines:
        sys.stdout.write(line + "\n")
    return 0 if not thread.is_alive() else 1


if __name__ == "__main__":
    sys.exit(main())
