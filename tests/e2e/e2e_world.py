"""The world of an end-to-end run: the built program run twice on this machine as two people
would run it, against the stand-in lobby and game server, each copy on its own virtual X server
(800 x 480) with a private home, a private system bus with the device services' fakes, the ALSA
file plugin and a private /tmp (a mount namespace, as scripts/second.sh makes one), so no copy
takes the machine's lock. Every copy writes its state dump (ORLO_STATE_DUMP) with its frames
numbered (ORLO_DUMP_FRAMES)."""
import contextlib
import ctypes
import ctypes.util
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

from e2e_dump import Dump
from e2e_hold import Holding
from e2e_input import Input
from e2e_wait import START, STEP, SERVICE, Failure, check, note_wait, print_long_waits, wait_until

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SYSTEM_PYTHON = "/usr/bin/python3"  # the one with the D-Bus bindings

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=%s</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
"""

# The phone's device services (vibration, browser, SIM) as the program calls them: each call is
# recorded as a line and answered (the SIM's IMEI query with a string and an int).
FAKE_SERVICES = r"""
import sys, dbus, dbus.bus, dbus.lowlevel
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib
address, record, ready, imei = sys.argv[1:5]
DBusGMainLoop(set_as_default=True)
conn = dbus.bus.BusConnection(address)
NAMES = ("com.nokia.mce", "com.nokia.osso_browser", "com.nokia.phone.SIM")
for name in NAMES:
    conn.request_name(name, dbus.bus.NAME_FLAG_DO_NOT_QUEUE)
def on_message(connection, message):
    if (message.get_type() != dbus.lowlevel.MESSAGE_TYPE_METHOD_CALL
            or message.get_destination() not in NAMES):
        return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED
    with open(record, "a") as f:
        f.write("%s %s\n" % (message.get_destination(), message.get_member()))
    reply = dbus.lowlevel.MethodReturnMessage(message)
    if message.get_member() == "get_imei":
        reply.append(imei, dbus.Int32(0), signature="si")
    connection.send_message(reply)
    return dbus.lowlevel.HANDLER_RESULT_HANDLED
conn.add_message_filter(on_message)
open(ready, "w").write("ready\n")
GLib.MainLoop().run()
"""

# Runs a command with a private /tmp that keeps the given folders reachable.
PRIVATE_TMP = os.path.join(SOURCE, "scripts", "private-tmp.sh")


def cannot_run():
    """Why the copies cannot run here (no private mount namespace, no X server or xdotool), or
    None."""
    for tool in ("Xvfb", "xdotool", "dbus-daemon", "unshare", "import"):
        if not shutil.which(tool):
            return "%s is not installed" % tool
    probe = subprocess.run(["unshare", "--mount", "--propagation", "private", "true"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if probe.returncode != 0:
        return "no private mount namespace: " + probe.stderr.decode(errors="replace").strip()
    return None


def script(body, *values):
    """A script's entry: exits 77 (skipped) where the copies cannot run, else with body's
    status; body gets the absolute build folder (the first argument, else this folder) and
    `values` converted from the arguments after it, each a (convert, default) pair."""
    reason = cannot_run()
    if reason:
        print("skipped: " + reason)
        sys.exit(77)
    args = sys.argv[1:]
    extra = [convert(args[1 + i]) if len(args) > 1 + i else default
             for i, (convert, default) in enumerate(values)]
    status = body(os.path.abspath(args[0] if args else "."), *extra)
    sys.exit("the script's body gave no status" if status is None else status)


def measure_runs(measure, describe, runs):
    """Runs a measuring script's measure() `runs` times, printing each run's figures and, over
    several, their medians (figures may nest in dictionaries). Returns 0."""
    import statistics

    def median(values):
        if isinstance(values[0], dict):
            return {k: median([v[k] for v in values]) for k in values[0]}
        return statistics.median(values)
    rows = []
    for run in range(runs):
        rows.append(measure())
        print("run %d: %s" % (run + 1, describe(rows[-1])))
        sys.stdout.flush()
    if runs > 1:
        print("median: %s" % describe(median(rows)))
    return 0



class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class _Event(ctypes.Union):
    _fields_ = [("xclient", _ClientMessage), ("pad", ctypes.c_long * 24)]


def send_delete_window(display_name, window):
    """The window manager's close: a WM_DELETE_WINDOW client message to the window."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.POINTER(_Event)]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(display_name.encode())
    if not display:
        return False
    event = _Event()
    event.xclient.type = 33  # ClientMessage
    event.xclient.window = window
    event.xclient.message_type = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    event.xclient.format = 32
    event.xclient.data[0] = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return True



class StandIn:
    """The stand-in lobby and game server on ports the system picks (kept over a restart)."""

    def __init__(self, build, root):
        self.build, self.root = build, root
        self.state = os.path.join(root, "standin-state")
        os.makedirs(self.state, exist_ok=True)
        self.process = None
        self.lobby = self.game = self.control = 0
        self.log = open(os.path.join(root, "standin.log"), "ab")

    def start(self):
        ports = os.path.join(self.state, "ports")
        if os.path.exists(ports):
            os.unlink(ports)
        env = dict(os.environ, ORLO_STANDIN_PACKS=os.path.join(self.build, "standin"),
                   PYTHONDONTWRITEBYTECODE="1")
        self.process = subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "tools/standin/standin_server.py"),
             "--port-file", ports, "--lobby-port", str(self.lobby), "--game-port",
             str(self.game), "--state-dir", self.state], stderr=self.log, env=env)

        def read():
            try:
                with open(ports) as f:
                    return [int(x) for x in f.read().split()]
            except (OSError, ValueError):
                return None
        found = wait_until(read, SERVICE)
        check(found and len(found) >= 3, "the stand-in did not start")
        self.lobby, self.game, self.control = found[:3]

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
        self.process = None

    def command(self, line):
        with socket.create_connection(("127.0.0.1", self.control), 5) as s:
            s.sendall((line + "\n").encode())
            return s.makefile().readline().strip()

    def log_text(self):
        self.log.flush()
        with open(os.path.join(self.root, "standin.log"), errors="replace") as f:
            return f.read()

    def online(self):
        answer = self.command("online").split()
        return answer[1:] if answer and answer[0] == "ok" else []


class Copy(Holding, Input):
    """One copy of the program with its own X server, home, bus and /tmp; held still by
    Holding, driven by Input."""

    def __init__(self, name, build, root, lobby, imei):
        self.name, self.build, self.imei = name, build, imei
        self.dir = os.path.join(root, name)
        self.home = os.path.join(self.dir, "home")
        self.dump_path = os.path.join(self.dir, "state.txt")
        os.makedirs(self.home, exist_ok=True)
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write('pcm.!default { type file; slave.pcm "null"; file "%s"; format "raw" }\n'
                    % os.path.join(self.dir, "sound.raw"))
        self.lobby = lobby
        self.children = []  # (name, Popen), stopped in reverse order
        self.program = None
        self.display = None
        self.status = None
        self.env = {}  # more variables for the program (a test seam's, a measuring tool's)
        self.init_holding()

    # --- the surroundings -----------------------------------------------------------------------

    def start_display(self):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "800x480x24",
                                 "-nolisten", "tcp"], pass_fds=(write,),
                                stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                break
            number += chunk
        os.close(read)
        check(number.strip(), "Xvfb did not start")
        self.display = ":" + number.decode().strip()
        self.children.append(("Xvfb", xvfb))

    def start_bus(self):
        # A socket's path holds at most 107 bytes, which a run folder in a deep checkout can
        # pass: the bus listens in a short folder of its own, outside /tmp (each copy has a
        # private /tmp).
        self.bus_dir = None
        for parent in ("/dev/shm", "/var/tmp"):
            try:
                self.bus_dir = tempfile.mkdtemp(prefix="orlo-bus-", dir=parent)
                break
            except OSError:
                continue
        socket_path = os.path.join(self.bus_dir or self.dir, "system_bus")
        config = os.path.join(self.dir, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG % socket_path)
        log = open(os.path.join(self.dir, "bus.log"), "ab")
        bus = subprocess.Popen(["dbus-daemon", "--config-file=" + config, "--nofork",
                                "--nopidfile"], stdout=log, stderr=log)
        self.children.append(("dbus-daemon", bus))
        check(wait_until(lambda: os.path.exists(socket_path), STEP), "no private bus")
        self.bus = "unix:path=" + socket_path
        ready = os.path.join(self.dir, "fakes.ready")
        fakes = subprocess.Popen([SYSTEM_PYTHON, "-c", FAKE_SERVICES, self.bus,
                                  os.path.join(self.dir, "device_calls.txt"), ready,
                                  self.imei],
                                 stdout=log, stderr=log)
        self.children.append(("fakes", fakes))
        check(wait_until(lambda: os.path.exists(ready), STEP), "the device fakes did not start")

    # --- the program ------------------------------------------------------------------------------
    def start(self):
        self.launch()
        self.wait_window()

    def launch(self):
        """Starts the program (and its surroundings the first time) without waiting for it."""
        if not self.display:
            self.start_display()
            self.start_bus()
        if os.path.exists(self.dump_path):
            os.unlink(self.dump_path)
        env = dict(os.environ)
        for key in ("DBUS_SESSION_BUS_ADDRESS", "WAYLAND_DISPLAY", "ALSA_CONFIG_PATH"):
            env.pop(key, None)
        env.update(HOME=self.home, DISPLAY=self.display, ORLO_LOBBY=self.lobby,
                   ORLO_STATE_DUMP=self.dump_path, DBUS_SYSTEM_BUS_ADDRESS=self.bus,
                   ASAN_OPTIONS="detect_leaks=0", TMPDIR="/tmp", ORLO_DUMP_FRAMES="1")
        env.update(self.env)
        self.log = open(os.path.join(self.dir, "program.log"), "ab")
        self.started_at = time.monotonic()
        self.program = subprocess.Popen(
            ["sh", PRIVATE_TMP, os.path.join(self.dir, "private-tmp"), self.build, self.dir,
             "--", os.path.join(self.build, "orlogate")],
            env=env, stdout=self.log, stderr=self.log, start_new_session=True)
        self.status = None
        if env.get("ORLO_FREEZE_TEXTS"):
            self.start_watching()

    def wait_window(self):
        check(wait_until(self.window, START), "%s: no window" % self.name)

    def pid(self):
        """The program's own process (the namespace's shell execs it: the same process)."""
        return self.program.pid if self.program else None

    def running(self):
        return self.program is not None and self.program.poll() is None

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display)
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode()

    def screenshot(self, path):
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["import", "-window", "root", path], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def window(self):
        out = self.xdotool("search", "--classname", "VortanEngineApp")
        ids = out.split()
        return ids[0] if ids else None

    def close(self):
        """Closes the window as a window manager would (WM_DELETE_WINDOW)."""
        win = self.window()
        if win:
            send_delete_window(self.display, int(win))

    def wait_exit(self, bound=STEP):
        try:
            self.status = self.program.wait(bound)
        except subprocess.TimeoutExpired:
            return None
        return self.status

    def kill(self):
        if self.running():
            os.killpg(self.program.pid, signal.SIGKILL)
            self.program.wait(10)

    def stop_all(self):
        self.stop_watching()
        self.kill()
        for _, child in reversed(self.children):
            if child.poll() is None:
                child.terminate()
                try:
                    child.wait(5)
                except subprocess.TimeoutExpired:
                    child.kill()
                    child.wait(5)
        self.children = []
        if getattr(self, "bus_dir", None):
            shutil.rmtree(self.bus_dir, ignore_errors=True)
            self.bus_dir = None

    # --- reading and pressing ---------------------------------------------------------------------
    def dump(self):
        try:
            with open(self.dump_path, encoding="utf-8", errors="replace") as f:
                return Dump(f.read())
        except OSError:
            return Dump("")

    def wait_dump(self, condition, what, bound=STEP):
        """Waits until the dump meets the condition; its dump. `bound` is the kind of wait's
        (e2e_wait): it only tells a program that is stuck."""
        last = [None]

        def probe():
            d = self.dump()
            last[0] = d
            return condition(d)
        began = time.monotonic()
        found = wait_until(probe, bound)
        note_wait(began, self.name, what)
        if not found:
            raise Failure("%s: %s (dump:\n%s)" % (self.name, what, last[0].text[:3000]))
        return last[0]

    # --- what the process holds -------------------------------------------------------------------
    def proc_status(self):
        """VmRSS in kB, open descriptors and threads of the program."""
        pid = self.pid()
        rss = threads = 0
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    rss = int(line.split()[1])
                elif line.startswith("Threads:"):
                    threads = int(line.split()[1])
        fds = len(os.listdir("/proc/%d/fd" % pid))
        return rss, fds, threads

    def peak_kb(self):
        """VmHWM in kB: the program's peak resident size so far."""
        with open("/proc/%d/status" % self.pid()) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
        return 0

    def cpu_ticks(self, thread=None):
        """User plus system clock ticks of the process (or of one of its threads)."""
        pid = self.pid()
        path = "/proc/%d/stat" % pid if thread is None else "/proc/%d/task/%d/stat" % (pid, thread)
        with open(path) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])

# The short timers of World(short_timers=True): a turn long enough for a side that shoots to aim
# and fire on a slow machine; the shortest turn the program takes for a side that lets its
# turns run out; a hold longer than the 5 s an ended battle always shows its result.
TURN_SECONDS = 12
IDLE_TURN_SECONDS = 5
HOLD_SECONDS = 10


def play(world, body):
    """Runs body() against the world: on a failure the screenshots and logs are kept and their
    place printed; the world stops either way (its folder removed after a success). Returns
    the script's status, 0 on success."""
    ok = False
    try:
        body()
        ok = True
    except Failure as failure:
        world.keep("failure")
        print("FAILED: %s\nscreenshots and logs: %s" % (failure, world.root))
    finally:
        world.stop(remove=ok)
    return 0 if ok else 1


@contextlib.contextmanager
def lone_copy(build, stage):
    """One copy ("a") of a new world beside its running stand-in, not started: its surroundings
    are the caller's. The world is kept with screenshots as `stage` when the body fails."""
    world = World(build, names=("a",))
    ok = False
    try:
        world.standin.start()
        yield world.new_copy(0, "a")
        ok = True
    finally:
        if not ok:
            world.keep(stage)
        world.stop(remove=ok)


class World:
    """The stand-in and two copies in a directory of the build (the copies' /tmp is private: what
    they write must lie elsewhere). Kept on failure, with screenshots."""

    def __init__(self, build, names=("a", "b"), keep=None, env=None, short_timers=False,
                 idle=()):
        """short_timers: the battles' turns last TURN_SECONDS and an ended battle waits at most
        HOLD_SECONDS for an acknowledgement (test seams of the program), for runs that would
        otherwise sit through a side's 30 s time-outs or a 30 s hold. idle: the copies (by
        name) that never shoot: with short_timers their turns last IDLE_TURN_SECONDS (each
        device times its own side's turns only, so the two need not agree)."""
        self.began = time.monotonic()
        self.build = os.path.abspath(build)
        base = os.path.join(self.build, "e2e-runs")
        os.makedirs(base, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix="run-", dir=base)
        self.standin = StandIn(self.build, self.root)
        self.copies = {}
        self.names = names
        self.shots = 0
        self.env = env or {}  # a copy's name: more variables for its program
        self.short_timers = short_timers
        self.idle = idle

    def start(self):
        self.standin.start()
        for i, n in enumerate(self.names):
            self.new_copy(i, n)
            if self.short_timers:
                turn = IDLE_TURN_SECONDS if n in self.idle else TURN_SECONDS
                self.copies[n].env.update(ORLO_TURN_SECONDS=str(turn),
                                          ORLO_UNACKED_HOLD_SECONDS=str(HOLD_SECONDS))
            self.copies[n].env.update(self.env.get(n, {}))
        # The copies start side by side: each start is mostly waiting.
        for n in self.names:
            self.copies[n].launch()
        for n in self.names:
            self.copies[n].wait_window()
        self.log("started")
        return [self.copies[n] for n in self.names]

    def new_copy(self, i, name):
        """The copy of that name, the i-th, with its own IMEI, on the running stand-in's lobby."""
        self.copies[name] = Copy(name, self.build, self.root,
                                 "127.0.0.1:%d" % self.standin.lobby, "35693803564380%d" % i)
        return self.copies[name]

    def log(self, stage):
        """A line of the run's timeline: the seconds since the run began and the stage."""
        print("%7.1f s  %s" % (time.monotonic() - self.began, stage))
        sys.stdout.flush()

    def keep(self, stage):
        """Screenshots of both copies for a stage, in the run's directory."""
        self.log(stage)
        self.shots += 1
        for n, c in self.copies.items():
            if c.display:
                c.screenshot(os.path.join(self.root, "%02d-%s-%s.png" % (self.shots, stage, n)))

    def stop(self, remove):
        for c in self.copies.values():
            c.stop_all()
        self.standin.stop()
        if remove:
            shutil.rmtree(self.root, ignore_errors=True)
        self.log("stopped")
        print_long_waits()
