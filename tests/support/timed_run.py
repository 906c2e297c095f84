#!/usr/bin/env python3
"""Runs one test with a time-out, and makes a hang tell its cause.

    timed_run.py SECONDS COMMAND [ARG...]

The test runs in its own process group, its output unbuffered (Python scripts through
PYTHONUNBUFFERED; the C++ test programs set their streams unbuffered themselves). Its exit
status is this script's. When it has not ended after SECONDS, the stacks of every thread of
every process it started (the group's processes and their descendants) are printed with gdb,
Python processes are made to print their own tracebacks (faulthandler, on SIGABRT), and the
group is killed; the script then exits 124. ctest's own time-out for the test must leave room
for the dump (tests/CMakeLists.txt gives it a margin).

SIGUSR1 to this script counts as the time-out coming now (for a look at a run that seems
stuck, and for the wrapper's own test). An interrupt or a stop of this script (Ctrl+C, ctest stopping the run) stops the whole group.
"""
import os
import signal
import subprocess
import sys
import time

TIMED_OUT = 124
# The longest one process's dump may take (an attach to a sanitizer build reads a lot of
# debug information).
DUMP_SECONDS = 45


def say(text):
    sys.stderr.write("[timed_run] %s\n" % text)
    sys.stderr.flush()


def read_stat(pid):
    """(ppid, pgid) of a live process, or None."""
    try:
        with open("/proc/%d/stat" % pid, "rb") as f:
            data = f.read().decode("utf-8", "replace")
    except OSError:
        return None
    # The command name (field 2) is in parentheses and may hold anything; the fields after
    # the last ')' are plain: state, ppid, pgrp, ...
    fields = data[data.rfind(")") + 2:].split()
    if len(fields) < 3:
        return None
    return int(fields[1]), int(fields[2])


def group_processes(leader):
    """Every live process of the group `leader` leads, and every descendant of the leader
    (a descendant may have moved to a group or session of its own)."""
    stats = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            stat = read_stat(int(name))
            if stat:
                stats[int(name)] = stat
    found = {pid for pid, (_, pgid) in stats.items() if pgid == leader}
    if leader in stats:
        found.add(leader)
    grew = True
    while grew:
        grew = False
        for pid, (ppid, _) in stats.items():
            if ppid in found and pid not in found:
                found.add(pid)
                grew = True
    found.discard(os.getpid())
    return sorted(found)


def gone(pid):
    """Whether the process has ended (a zombie has)."""
    try:
        with open("/proc/%d/stat" % pid, "rb") as f:
            data = f.read().decode("utf-8", "replace")
    except OSError:
        return True
    return data[data.rfind(")") + 2:][:1] in ("Z", "X")


def command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip()
    except OSError:
        return "?"


def is_python(pid):
    try:
        return os.path.basename(os.readlink("/proc/%d/exe" % pid)).startswith("python")
    except OSError:
        return False


def dump_stacks(pid):
    say("process %d: %s" % (pid, command_line(pid)))
    try:
        out = subprocess.run(["gdb", "-batch", "-nx", "-ex", "set pagination off", "-ex",
                              "thread apply all bt", "-p", str(pid)],
                             stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, timeout=DUMP_SECONDS).stdout
        text = out.decode("utf-8", "replace")
    except FileNotFoundError:
        text = "(gdb is not installed: scripts/deps.sh installs it)\n"
    except subprocess.TimeoutExpired:
        text = "(gdb did not finish within %d s)\n" % DUMP_SECONDS
    # Only the threads and their frames: gdb's loading chatter says nothing of the hang.
    keep = [line for line in text.splitlines()
            if line.startswith(("Thread ", "#", "(gdb", "warning: process"))
            or line.startswith("  ")]
    sys.stderr.write("\n".join(keep or text.splitlines()) + "\n")
    sys.stderr.flush()


def stop_group(leader, dump):
    pids = group_processes(leader)
    if dump:
        for pid in pids:
            dump_stacks(pid)
        # Python prints every thread's traceback on SIGABRT (faulthandler, set below).
        pythons = [pid for pid in pids if is_python(pid)]
        for pid in pythons:
            say("Python tracebacks of process %d:" % pid)
            try:
                os.kill(pid, signal.SIGABRT)
            except OSError:
                pass
        for pid in pythons:
            # Until it has printed and ended (at most 5 s).
            for _ in range(50):
                if gone(pid):
                    break
                time.sleep(0.1)
    try:
        os.killpg(leader, signal.SIGKILL)
    except OSError:
        pass
    for pid in group_processes(leader):
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass


def main(argv):
    if len(argv) < 3:
        say("usage: timed_run.py SECONDS COMMAND [ARG...]")
        return 2
    try:
        seconds = float(argv[1])
    except ValueError:
        say("not a number of seconds: %r" % argv[1])
        return 2
    env = dict(os.environ)
    env["PYTHONUNBUFFERED"] = "1"
    env["PYTHONFAULTHANDLER"] = "1"
    env.pop("PYTHONOPTIMIZE", None)  # which would drop the tests' assert statements
    try:
        child = subprocess.Popen(argv[2:], env=env, process_group=0)
    except OSError as e:
        say("cannot start %s: %s" % (argv[2], e))
        return 127

    def interrupted(signum, _frame):
        stop_group(child.pid, dump=False)
        child.wait()
        sys.exit(128 + signum)

    class TimeUp(Exception):
        pass

    def time_up(_signum, _frame):
        raise TimeUp()

    for signum in (signal.SIGINT, signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, interrupted)
    signal.signal(signal.SIGUSR1, time_up)
    why = "did not end within %g s" % seconds
    try:
        return child.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        pass
    except TimeUp:
        why = "was stopped early (SIGUSR1)"
    signal.signal(signal.SIGUSR1, signal.SIG_IGN)
    say("%s %s; the stacks of its processes follow." % (" ".join(argv[2:]), why))
    stop_group(child.pid, dump=True)
    child.wait()
    say("timed out: %s" % why)
    return TIMED_OUT


if __name__ == "__main__":
    sys.exit(main(sys.argv))
