#!/usr/bin/python3
"""The test server tests/servers/pyftpd_server.py, with every command it receives written to a
file, one line each (passwords replaced), so the benchmark can count the commands per file.

usage: pyftpd_counting.py --command-log FILE [the options of pyftpd_server.py]
"""
import os, sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests",
                                "servers"))
import pyftpd_server  # noqa: E402
from pyftpdlib.handlers import FTPHandler  # noqa: E402


def main():
    args = sys.argv[1:]
    if "--command-log" not in args or args.index("--command-log") + 1 >= len(args):
        sys.exit(__doc__.strip())
    at = args.index("--command-log")
    log = open(args[at + 1], "a", buffering=1)
    del args[at:at + 2]
    sys.argv[1:] = args

    # The TLS handler derives from FTPHandler, so this sees both kinds of session.
    received = FTPHandler.pre_process_command

    def counting(self, line, cmd, arg):
        log.write("PASS ******\n" if cmd == "PASS" else line + "\n")
        return received(self, line, cmd, arg)

    FTPHandler.pre_process_command = counting
    pyftpd_server.main()


if __name__ == "__main__":
    main()
