#!/usr/bin/env python3
"""The stand-in service that scripts/start.sh (./run) starts stays up while any copy plays on
it, the second copy of scripts/second.sh included, and stops after the last one ends, here by
being killed. The copies are a stand-in program (a shell script that waits) beside the built
service's packs. Each copy runs in a private /tmp (the real program's one-copy lock lives
there); without a private mount namespace the test is skipped (77)."""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))

FAKE_PROGRAM = """#!/bin/sh
echo $$ >"$FAKE_PID_FILE.part"
mv "$FAKE_PID_FILE.part" "$FAKE_PID_FILE"
exec sleep 100000
"""


def wait_for(condition, what, seconds=120):
    end = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > end:
            raise AssertionError("waited in vain: " + what)
        time.sleep(0.05)


def reachable(port):
    try:
        socket.create_connection(("127.0.0.1", port), 1).close()
        return True
    except OSError:
        return False


def main():
    if subprocess.run(["unshare", "--mount", "--propagation", "private", "true"],
                      stderr=subprocess.DEVNULL).returncode != 0:
        print("no private mount namespace here: skipped")
        return 77
    binary = sys.argv[1]
    work = tempfile.mkdtemp(prefix="standin-lifetime-")
    copies = []
    programs = []  # stand-in programs' ids: once they are gone, the service stops by itself
    try:
        build = os.path.join(work, "build")
        os.makedirs(build)
        os.symlink(os.path.join(binary, "standin"), os.path.join(build, "standin"))
        program = os.path.join(build, "orlogate")
        with open(program, "w") as f:
            f.write(FAKE_PROGRAM)
        os.chmod(program, 0o755)

        def start(script, name):
            env = dict(os.environ, DISPLAY=":0", FAKE_PID_FILE=os.path.join(work, name + ".pid"))
            env.pop("ORLO_LOBBY", None)
            log = open(os.path.join(work, name + ".log"), "w+")
            if script == "start.sh":
                argv = ["sh", os.path.join(ROOT, "scripts", "private-tmp.sh"),
                        os.path.join(build, ".first-tmp"), build, ROOT, "--",
                        os.path.join(ROOT, "scripts", "start.sh"), build]
            else:
                argv = ["sh", os.path.join(ROOT, "scripts", "second.sh"), build]
            proc = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT,
                                    stdin=subprocess.DEVNULL)
            copies.append(proc)
            pid_file = env["FAKE_PID_FILE"]
            wait_for(lambda: os.path.exists(pid_file) or proc.poll() is not None,
                     name + "'s program to start")
            log.seek(0)
            assert proc.poll() is None, "%s ended: %s" % (name, log.read())
            with open(pid_file) as f:
                programs.append(int(f.read()))
            return proc, programs[-1], log

        first, first_program, _ = start("start.sh", "first")
        with open(os.path.join(build, "standin-state", "ports")) as f:
            port = int(f.read().split()[0])
        assert reachable(port), "the service is not up"
        second, second_program, second_log = start("second.sh", "second")
        second_log.seek(0)
        assert "playing on the stand-in service" in second_log.read(), "second copy: no service"

        # The first copy is killed: the second still plays on the service.
        os.kill(first_program, signal.SIGKILL)
        first.wait(timeout=120)
        assert reachable(port), "the service stopped with the first copy"

        # The last copy ends: the service stops.
        os.kill(second_program, signal.SIGKILL)
        second.wait(timeout=120)
        wait_for(lambda: not reachable(port), "the service to stop after the last copy")
        print("1 passed, 0 failed")
        return 0
    finally:
        for pid in programs:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        for proc in copies:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
