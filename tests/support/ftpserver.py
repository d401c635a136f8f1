#!/usr/bin/env python3
"""A real FTP server on 127.0.0.1 for the update tests.

Serves --root for one user, picks a free port and prints it on the first line of stdout.
Every command the server receives is appended (command word only) to --commands, so a test
can tell passive from active transfers. --stall CMD makes the server stop answering when it
receives CMD (it sleeps, as a hung server would). --short NAME announces NAME larger than it
is, so the client receives a partial file.
"""
import argparse
import logging
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--root", required=True)
    ap.add_argument("--user", required=True)
    ap.add_argument("--password", required=True)
    ap.add_argument("--commands")
    ap.add_argument("--stall")
    ap.add_argument("--short")
    args = ap.parse_args()

    logging.basicConfig(level=logging.ERROR)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elr")

    class Handler(FTPHandler):
        def pre_process_command(self, line, cmd, arg):
            if args.commands:
                with open(args.commands, "a") as f:
                    f.write(cmd + "\n")
            if args.stall and cmd == args.stall.upper():
                time.sleep(3600)
            return super().pre_process_command(line, cmd, arg)

        def ftp_SIZE(self, path):
            if args.short and os.path.basename(path) == args.short:
                self.respond("213 %d" % (os.path.getsize(path) + 100000))
                return
            return super().ftp_SIZE(path)

    Handler.authorizer = authorizer
    # Answer a wrong password at once (the default delays the 530 reply by seconds).
    Handler.auth_failed_timeout = 0.1
    Handler.banner = "Vornix test FTP ready."
    server = FTPServer(("127.0.0.1", 0), Handler)
    print(server.address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
