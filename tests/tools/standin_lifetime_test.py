#!/usr/bin/env python3
"""The stand-in service that scripts/start.sh (./run) starts stays up while any copy plays on
it, the second copy of scripts/second.sh included, and stops after the last one ends, here by
being killed; a copy started while another still plays joins that service rather than start a
second one over the same state. The copies are a stand-in program (a shell script that waits
and notes the lobby it was given) beside the built service's packs; the players are the pyasn1
test client of the stand-in tests. Each copy runs in a private /tmp (the real program's one-copy
lock lives there); without a private mount namespace the test is skipped (77). One copy runs
without a display, under xvfb-run, and is ended as "pkill -f" ends it. Port 5000 is held
throughout (by this test when it can), so each service takes a free port."""
import fcntl
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
sys.path.insert(0, os.path.join(ROOT, "tests", "online"))
sys.path.insert(0, os.path.join(ROOT, "tests", "support"))

from standin_client import Client, Server, player_items  # noqa: E402
from timed_run import gone, group_processes, read_stat  # noqa: E402

FAKE_PROGRAM = """#!/bin/sh
echo "$$ ${ORLO_LOBBY:-127.0.0.1:5000}" >"$FAKE_PID_FILE.part"
mv "$FAKE_PID_FILE.part" "$FAKE_PID_FILE"
exec sleep 100000
"""
HAT = 22


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


def shop_catalogue():
    """The hat's price and alice's starting coins, from the shop's data."""
    price = coins = None
    with open(os.path.join(ROOT, "data", "standin", "shop.txt"), encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("|")
            if parts[0] == "item" and parts[1] == str(HAT):
                price = int(parts[6])
            elif parts[0] == "account" and parts[1] == "alice":
                coins = int(parts[2])
    return price, coins


class Copies:
    """Copies of the program started by the scripts on one build folder, and their players."""

    def __init__(self, binary, work):
        self.binary, self.work = binary, work
        self.build = os.path.join(work, "build")
        self.state = os.path.join(self.build, "standin-state")
        os.makedirs(self.build)
        os.symlink(os.path.join(binary, "standin"), os.path.join(self.build, "standin"))
        program = os.path.join(self.build, "orlogate")
        with open(program, "w") as f:
            f.write(FAKE_PROGRAM)
        os.chmod(program, 0o755)
        self.scripts = []
        self.programs = []  # their ids: once they are gone, the service stops by itself
        self.clients = []
        self.servers = []  # X servers the test may have to stop

    def start(self, script, name, display=True):
        """Starts a copy; its script's process, its program's id, the lobby port it was given
        and its output. Without a display the script runs the program under xvfb-run."""
        env = dict(os.environ, DISPLAY=":0", FAKE_PID_FILE=os.path.join(self.work, name + ".pid"))
        if not display:
            del env["DISPLAY"]
        env.pop("ORLO_LOBBY", None)
        log = open(os.path.join(self.work, name + ".log"), "w+")
        if script == "start.sh":
            argv = ["sh", os.path.join(ROOT, "scripts", "private-tmp.sh"),
                    os.path.join(self.build, "." + name + "-tmp"), self.build, ROOT, "--",
                    os.path.join(ROOT, "scripts", "start.sh"), self.build]
        else:
            argv = ["sh", os.path.join(ROOT, "scripts", "second.sh"), self.build]
        proc = subprocess.Popen(argv, env=env, stdout=log, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL)
        self.scripts.append(proc)
        pid_file = env["FAKE_PID_FILE"]
        wait_for(lambda: os.path.exists(pid_file) or proc.poll() is not None,
                 name + "'s program to start")
        log.seek(0)
        assert proc.poll() is None, "%s ended: %s" % (name, log.read())
        with open(pid_file) as f:
            pid, lobby = f.read().split()
        self.programs.append(int(pid))
        log.seek(0)
        return proc, int(pid), int(lobby.rsplit(":", 1)[1]), log.read()

    def end(self, proc, program):
        os.kill(program, signal.SIGKILL)
        proc.wait(timeout=120)

    def end_as_pkill_f(self, proc, program):
        """Ends a copy under xvfb-run as "pkill -f .../orlogate" does: the program and the
        xvfb-run that names it get SIGTERM, its X server nothing. The X server's id."""
        runner = read_stat(program)[0]
        # xvfb-run leads a session of its own (start.sh's setsid): its server is in its group.
        servers = [pid for pid in group_processes(runner) if command(pid) == "Xvfb"]
        assert len(servers) == 1, "xvfb-run %d runs no X server: %r" % (
            runner, group_processes(runner))
        self.servers.append(servers[0])
        os.kill(runner, signal.SIGTERM)
        os.kill(program, signal.SIGTERM)
        proc.wait(timeout=120)
        return servers[0]

    def service_holder(self):
        """The pid and port named by the service that holds the state, None when none does."""
        path = os.path.join(self.state, "service.lock")
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            try:
                fcntl.flock(f, fcntl.LOCK_SH | fcntl.LOCK_NB)
                return None
            except BlockingIOError:
                return tuple(int(w) for w in f.read().split())

    def player(self, port, name, password):
        client = Client(port)
        self.clients.append(client)
        client.connect()
        client.id = client.login(name, password)[0]
        assert client.id >= 0, "%s did not log in" % name
        return client

    def close(self):
        for client in self.clients:
            client.close()
        for pid in self.programs + self.servers:
            try:
                os.kill(pid, signal.SIGKILL)
            except OSError:
                pass
        for proc in self.scripts:
            if proc.poll() is None:
                proc.kill()
                proc.wait()


def command(pid):
    try:
        with open("/proc/%d/comm" % pid) as f:
            return f.read().strip()
    except OSError:
        return ""


def online(client, name):
    """The online bit of the named player in the client's view of the global list."""
    client.send(19, 0, 0, 10, name, 0, 0)
    found = [p for p in player_items(client.expect(20)[3]) if p["name"] == name]
    assert len(found) == 1, "%s not listed: %r" % (name, found)
    return found[0]["flags"] & 1


def the_last_copy_stops_the_service(copies):
    first, first_program, port, first_out = copies.start("start.sh", "first")
    assert "Port 5000 is held by another program" in first_out, first_out
    assert port != 5000 and reachable(port), "the service is not up on a free port"
    second, second_program, second_port, second_out = copies.start("second.sh", "second",
                                                                   display=False)
    assert "Joined the stand-in service" in second_out, "second copy: " + second_out
    assert second_port == port, "second copy on port %d, the service on %d" % (second_port, port)

    # The first copy is killed: the second still plays on the service.
    copies.end(first, first_program)
    assert reachable(port), "the service stopped with the first copy"

    # The last copy, on a virtual X server, is ended as "pkill -f" ends it: the service stops,
    # and so does the X server that xvfb-run left.
    server = copies.end_as_pkill_f(second, second_program)
    wait_for(lambda: not reachable(port), "the service to stop after the last copy")
    wait_for(lambda: gone(server), "the X server %d to stop with its copy" % server)


def a_new_copy_joins_the_service_a_second_still_plays_on(copies):
    price, coins = shop_catalogue()
    first, first_program, port, _ = copies.start("start.sh", "first")
    holder = copies.service_holder()
    second, second_program, _, _ = copies.start("second.sh", "second")
    alice = copies.player(port, "alice", "wonderland")
    copies.end(first, first_program)
    alice.close()

    # ./run again while the second copy plays: the same service, on the same port.
    again, again_program, again_port, again_out = copies.start("start.sh", "again")
    assert again_port == port, "the new copy plays on %d, not %d: %s" % (again_port, port,
                                                                          again_out)
    assert holder and holder[1] == port and copies.service_holder() == holder, \
        "one service named in the state: %r, then %r" % (holder, copies.service_holder())

    # Both players online to each other; a purchase through the new copy, then a change
    # through the second copy: both reach the one state.
    alice = copies.player(again_port, "alice", "wonderland")
    dmitri = copies.player(port, "dmitri", "ironwall")
    assert online(alice, "dmitri") and online(dmitri, "alice"), "the players miss each other"
    alice.send(104, HAT, 0, [])
    assert alice.expect(105, skip=(29, 44, 85, 93)) == [HAT, 0, ""], "the hat was not bought"
    assert alice.expect(91, skip=(29, 44, 85, 93))[0] == coins - price
    dmitri.send(21, alice.id, dmitri.id, 1, 0, "")
    dmitri.expect(21)

    # Both copies end: the service stops and lets go of the state; a restarted one knows the
    # purchase.
    copies.end(again, again_program)
    copies.end(second, second_program)
    wait_for(lambda: not reachable(port) and copies.service_holder() is None,
             "the service to stop after the last copy")
    server = Server(state_dir=copies.state,
                    env={"ORLO_STANDIN_PACKS": os.path.join(copies.binary, "standin")})
    try:
        alice = copies.player(server.lobby_port, "alice", "wonderland")
        alice.send(90)
        assert alice.expect(91, skip=(29, 44, 85, 93))[0] == coins - price, "the coins went back"
        alice.send(96, 1, 100, 0)
        owned = [r[0] for r in alice.expect(97, skip=(29, 44, 85, 87, 93))[2]]
        assert HAT in owned, "the hat was lost: %r" % owned
    finally:
        server.stop()


def main():
    if subprocess.run(["unshare", "--mount", "--propagation", "private", "true"],
                      stderr=subprocess.DEVNULL).returncode != 0:
        print("no private mount namespace here: skipped")
        return 77
    binary = sys.argv[1]
    # Port 5000 held by a program that is not the service: each service takes a free port.
    # When this test cannot hold it, another program does.
    holder = socket.socket()
    try:
        holder.bind(("127.0.0.1", 5000))
        holder.listen(1)
    except OSError:
        pass
    cases = [the_last_copy_stops_the_service,
             a_new_copy_joins_the_service_a_second_still_plays_on]
    failed = 0
    for case in cases:
        work = tempfile.mkdtemp(prefix="standin-lifetime-")
        copies = Copies(binary, work)
        try:
            case(copies)
            print("%s: passed" % case.__name__)
        except AssertionError as error:
            failed += 1
            print("%s: FAILED: %s" % (case.__name__, error))
        finally:
            copies.close()
            shutil.rmtree(work, ignore_errors=True)
    holder.close()
    print("%d passed, %d failed" % (len(cases) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
