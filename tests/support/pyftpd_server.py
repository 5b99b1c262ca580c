"""A real FTP server for the tests: pyftpdlib on 127.0.0.1 (or --host), on a port the
system chooses, printed as the first line of stdout. It serves until it is
terminated, and ends by itself when the process that started it goes away."""

import argparse
import logging
import os
import socket
import sys
import threading
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def parse_args():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--host", default="127.0.0.1", help="loopback address: 127.0.0.1 or ::1")
    parser.add_argument("--user", default="brimol")
    parser.add_argument("--password", default="pelrosta")
    parser.add_argument("--perm", default="elradfmwMT")
    parser.add_argument("--passive-ports", help="LOW-HIGH")
    parser.add_argument("--masquerade-address")
    parser.add_argument("--banner")
    parser.add_argument("--idle-timeout", type=float,
                        help="seconds of silence before the server drops a client (421)")
    parser.add_argument("--tls-cert", help="PEM certificate chain: serve FTPS")
    parser.add_argument("--tls-key", help="PEM private key of --tls-cert")
    parser.add_argument("--tls-implicit", action="store_true",
                        help="TLS from the first byte instead of AUTH TLS")
    parser.add_argument("--tls-cut-data", type=int,
                        help="end each data connection after this many bytes by closing "
                             "the socket, without TLS close_notify (a truncating attacker)")
    parser.add_argument("--log", help="log every command to this file")
    parser.add_argument("--verbose", action="store_true",
                        help="log every command to stderr")
    return parser.parse_args()


def watch_parent():
#A test binary that crashes never runs its destructors; do not outlive it.
    parent = os.getppid()
    while True:
        time.sleep(0.5)
        if os.getppid() != parent:
            os._exit(0)


def main():
    args = parse_args()
    if args.log:
        logging.basicConfig(level=logging.DEBUG, filename=args.log)
    else:
        logging.basicConfig(level=logging.DEBUG if args.verbose else logging.WARNING,
                            stream=sys.stderr)

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm=args.perm)

    base = FTPHandler
    if args.tls_cert:
        from pyftpdlib.handlers import TLS_FTPHandler
        base = TLS_FTPHandler

    class Handler(base):
        if args.tls_implicit:
            def handle(self):
                # Implicit FTPS: the handshake comes first, the greeting
                # once it is done.
                self.secure_connection(self.ssl_context)

            def handle_ssl_established(self):
                base.handle_ssl_established(self)
                if not getattr(self, "_greeted", False):
                    self._greeted = True
                    base.handle(self)

    if args.tls_cut_data is not None:
        from pyftpdlib.handlers import TLS_DTPHandler
        limit = args.tls_cut_data

        class CuttingDTPHandler(TLS_DTPHandler):
            def send(self, data):
                room = limit - getattr(self, "_cut_sent", 0)
                if room <= 0:
                    # The rest is swallowed; the peer sees the TCP stream end
                    # where no TLS close_notify came.
                    self.socket.sock_shutdown(socket.SHUT_WR)
                    return len(data)
                sent = TLS_DTPHandler.send(self, data[:room])
                self._cut_sent = getattr(self, "_cut_sent", 0) + sent
                return sent

        Handler.dtp_handler = CuttingDTPHandler

    Handler.authorizer = authorizer
    if args.tls_cert:
        Handler.certfile = args.tls_cert
        Handler.keyfile = args.tls_key
        Handler.tls_control_required = True
        Handler.tls_data_required = True
    if args.passive_ports:
        low, high = (int(x) for x in args.passive_ports.split("-"))
        Handler.passive_ports = range(low, high + 1)
    if args.masquerade_address:
        Handler.masquerade_address = args.masquerade_address
    if args.banner:
        Handler.banner = args.banner
    if args.idle_timeout:
        Handler.timeout = args.idle_timeout

    server = FTPServer((args.host, 0), Handler)
    print(server.socket.getsockname()[1], flush=True)
    threading.Thread(target=watch_parent, daemon=True).start()
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
