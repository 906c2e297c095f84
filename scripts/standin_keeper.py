#!/usr/bin/env python3
"""Runs the stand-in service for the copies of the program that use it, and stops it after
the last of them has ended.

    standin_keeper.py USERS -- COMMAND [ARG...]

USERS is a lock file. Every copy that plays on the service holds a shared lock on it for as
long as it runs (scripts/start.sh takes it on a descriptor that the program inherits, so the
lock goes when the copy's processes end, however they end). The keeper starts COMMAND (the
service) and, once no copy holds the lock any more, stops it and ends. It also ends when the
service does, and stops the service when it is told to stop (SIGTERM)."""
import fcntl
import os
import signal
import subprocess
import sys
import time


def main(argv):
    if len(argv) < 4 or argv[2] != "--":
        sys.stderr.write("usage: standin_keeper.py USERS -- COMMAND [ARG...]\n")
        return 2
    users = argv[1]
    service = subprocess.Popen(argv[3:])

    def stop(_signum=None, _frame=None):
        if service.poll() is None:
            service.terminate()
            try:
                service.wait(timeout=10)
            except subprocess.TimeoutExpired:
                service.kill()
                service.wait()
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    # A terminal's Ctrl+C or hang-up is for the copies: the service follows them.
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGHUP, signal.SIG_IGN)
    fd = os.open(users, os.O_RDWR | os.O_CREAT, 0o644)
    while service.poll() is None:
        try:
            fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
        except OSError:
            time.sleep(0.2)
            continue
        # No copy holds it: the last one has ended. The lock is kept until the service has
        # stopped, so that a copy starting now waits and then finds no service.
        stop()
    return service.returncode or 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
