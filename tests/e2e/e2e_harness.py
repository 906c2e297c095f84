"""The two-copy harness: the built program run twice on this machine as two people would run it,
against the stand-in lobby and game server, each copy on its own virtual X server (800 x 480) with
a private home, a private system bus with the device services' fakes, the ALSA file plugin and a
private /tmp (a mount namespace, as scripts/second.sh makes one), so no copy takes the machine's
lock. Input by xdotool at the rectangles the program's state dump gives (ORLO_STATE_DUMP).

Shared by the end-to-end test, scripts/soak.sh and scripts/screenshots.sh."""
import ctypes
import ctypes.util
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

import screen_check

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
    sys.exit(body(os.path.abspath(args[0] if args else "."), *extra))


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


# The shortest bound of a wait on a copy's dump (Copy.wait_dump).
WAIT_FLOOR = 30

# The waits of a run that took a while, (seconds, copy, what): where a run's time goes.
LONG_WAITS = []


def wait_until(condition, seconds, step=0.05):
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            return value
        time.sleep(step)


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


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


def parse_dump(text):
    """The dump's lines as {key: [values...]}, and its widgets as a list of
    (name, left, top, right, bottom, text)."""
    values, widgets = {}, []
    for line in text.splitlines():
        words = line.split(" ")
        if not words or not words[0]:
            continue
        if words[0] == "widget" and len(words) >= 6:
            try:
                rect = [int(w) for w in words[2:6]]
            except ValueError:
                continue
            widgets.append((words[1], rect[0], rect[1], rect[2], rect[3], " ".join(words[6:])))
        elif words[0] == "digest":
            values["digest"] = [line[len("digest "):]]
        else:
            values[words[0]] = words[1:]
    return values, widgets


class Dump:
    def __init__(self, text):
        self.text = text
        self.values, self.widgets = parse_dump(text)

    def get(self, key, default=None):
        v = self.values.get(key)
        return v[0] if v else default

    def num(self, key, default=-1):
        v = self.values.get(key)
        try:
            return int(v[0]) if v else default
        except ValueError:
            return default

    def widget(self, name, text=None, inside=None):
        """The first visible widget of that name (whose text contains `text`, whose centre lies
        inside the rectangle `inside`), as (left, top, right, bottom) or None."""
        for w in self.widgets:
            if w[0] != name or (text is not None and text not in w[5]):
                continue
            if inside is not None:
                cx, cy = (w[1] + w[3]) // 2, (w[2] + w[4]) // 2
                if not (inside[0] <= cx < inside[2] and inside[1] <= cy < inside[3]):
                    continue
            return w[1:5]
        return None

    def screens(self):
        return self.values.get("screens", [])

    def widget_text(self, name):
        """The text of the first visible widget of that name, or None without one."""
        return next((w[5] for w in self.widgets if w[0] == name), None)

    def on_game_button(self, x, y):
        """Whether the point lies on a visible game button with the game in front (no online
        menu or toast over it)."""
        if self.get("menu_shown") == "1" or self.get("toast") == "1":
            return False
        for line in self.text.splitlines():
            words = line.split(" ")
            if words[0] != "gamebutton" or len(words) < 7:
                continue
            try:
                l, t, r, b = (int(w) for w in words[3:7])
            except ValueError:
                continue
            if l <= x < r and t <= y < b:
                return True
        return False


class Watch:
    """Something a script must see while it shows, on one or more copies: `condition(dump)`
    on the frame held still, and `take(copy, dump)` done then (a picture, a check), once.
    A watch of the program's own freeze texts (outside=False) is offered each stop the program
    makes itself as such a text appears; an outside watch is looked at on every dump of the
    running program and, when the condition holds, the program is stopped and the condition
    looked at again on the held frame (a frame that moved on in between is let go and the
    watch goes on). Register it before what it waits for can happen."""

    def __init__(self, condition, take, outside=False):
        self.condition, self.take, self.outside = condition, take, outside
        self.finished = threading.Event()
        self.failure = None
        self.copy = None
        self.lock = threading.Lock()  # a watch on two copies is taken on one

    def done(self):
        return self.finished.is_set()

    def offer(self, copy, dump):
        with self.lock:
            if self.done() or not self.condition(dump):
                return
            try:
                self.take(copy, dump)
            except Failure as failure:
                self.failure = str(failure)
            self.copy = copy
            self.finished.set()

    def fail(self, text):
        if not self.done():
            self.failure = text
            self.finished.set()

    def wait(self, seconds, what):
        """Waits until it was done; raises Failure with `what` when it was not."""
        began = time.monotonic()
        got = self.finished.wait(seconds)
        took = time.monotonic() - began
        if took >= 2.0:
            LONG_WAITS.append((took, "watch", what))
        if not got:
            raise Failure(what)
        if self.failure:
            raise Failure("%s: %s" % (what, self.failure))
        return self.copy


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
        found = wait_until(read, 20)
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


class Copy:
    """One copy of the program with its own X server, home, bus and /tmp."""

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
        # Stopping and continuing the program (its own freezes and the tests'), one at a time.
        self.hold = threading.RLock()
        self.holding = 0
        self.freezes_seen = 0
        self.watches = []  # Watch objects, looked at by the watcher thread
        self.watcher = None
        self.watching = False

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
        check(wait_until(lambda: os.path.exists(socket_path), 10), "no private bus")
        self.bus = "unix:path=" + socket_path
        ready = os.path.join(self.dir, "fakes.ready")
        fakes = subprocess.Popen([SYSTEM_PYTHON, "-c", FAKE_SERVICES, self.bus,
                                  os.path.join(self.dir, "device_calls.txt"), ready,
                                  self.imei],
                                 stdout=log, stderr=log)
        self.children.append(("fakes", fakes))
        check(wait_until(lambda: os.path.exists(ready), 10), "the device fakes did not start")

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
                   ASAN_OPTIONS="detect_leaks=0", TMPDIR="/tmp")
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
        check(wait_until(self.window, 60), "%s: no window" % self.name)

    def pid(self):
        """The program's own process (the namespace's shell execs it: the same process)."""
        return self.program.pid if self.program else None

    def running(self):
        return self.program is not None and self.program.poll() is None

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display)
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout.decode()

    def window(self):
        out = self.xdotool("search", "--classname", "VortanEngineApp")
        ids = out.split()
        return ids[0] if ids else None

    def close(self):
        """Closes the window as a window manager would (WM_DELETE_WINDOW)."""
        win = self.window()
        if win:
            send_delete_window(self.display, int(win))

    def wait_exit(self, seconds):
        try:
            self.status = self.program.wait(seconds)
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

    def wait_dump(self, condition, seconds, what):
        """Waits until the dump meets the condition; its dump. The bound only tells a program
        that is stuck: a loaded machine may take long over what takes a moment, so it is
        never under WAIT_FLOOR."""
        seconds = max(seconds, WAIT_FLOOR)
        last = [None]

        def probe():
            d = self.dump()
            last[0] = d
            return condition(d)
        began = time.monotonic()
        found = wait_until(probe, seconds)
        took = time.monotonic() - began
        if took >= 2.0:
            LONG_WAITS.append((took, self.name, what))
        if not found:
            raise Failure("%s: %s (dump:\n%s)" % (self.name, what, last[0].text[:3000]))
        return last[0]

    # --- holding a frame still ---------------------------------------------------------------------
    def process_state(self):
        """The program's state letter from /proc ("R", "S", "T" when stopped...), or None."""
        pid = self.pid()
        try:
            with open("/proc/%d/stat" % pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0]
        except (OSError, IndexError, TypeError):
            return None

    def freeze(self):
        """Stops the program (SIGSTOP) and returns its dump once it has stopped: the screen
        holds the frame the dump describes (or the one after) until thaw(). A stop the program
        made itself for a freeze text (ORLO_FREEZE_TEXTS) is handed to the watches first."""
        with self.hold:
            self.holding += 1
            if self.holding == 1 and self.running():
                os.kill(self.pid(), signal.SIGSTOP)
                check(wait_until(lambda: self.process_state() in ("T", "t", None), 20, 0.005),
                      "%s: the program does not stop" % self.name)
            d = self.dump()
            self._own_freeze(d)
            return d

    def thaw(self):
        with self.hold:
            self.holding = max(0, self.holding - 1)
            if self.holding == 0 and self.running():
                os.kill(self.pid(), signal.SIGCONT)

    def _own_freeze(self, d):
        """Hands a stop the program made itself (its dump's "frozen" line, not seen before) to
        every watch; with self.hold held and the program stopped."""
        words = d.values.get("frozen")
        try:
            serial = int(words[0]) if words else 0
        except ValueError:
            serial = 0
        if serial <= self.freezes_seen:
            return
        self.freezes_seen = serial
        for watch in list(self.watches):
            watch.offer(self, d)

    def watch(self, watch):
        """Adds a watch, looked at on every dump from now on (see Watch)."""
        with self.hold:
            self.watches.append(watch)
        self.start_watching()

    def start_watching(self):
        """Starts the watcher thread (once): a program that holds still at its freeze texts
        needs it from its start, to be continued."""
        with self.hold:
            if not self.watcher:
                self.watching = True
                self.watcher = threading.Thread(target=self._watch, daemon=True,
                                                name="watch-" + self.name)
                self.watcher.start()

    def stop_watching(self):
        if self.watcher:
            self.watching = False
            self.watcher.join(30)
            self.watcher = None

    def _watch(self):
        """The watcher: continues the program after each stop it made itself (once the watches
        have had the frozen frame), and freezes it for a watch whose condition the running
        program's dump meets, so that its picture is taken while the frame is up."""
        while self.watching:
            try:
                self._watch_once()
            except ProcessLookupError:
                pass  # the program ended meanwhile
            except Exception as failure:  # noqa: BLE001 - told to the watches' waits
                for watch in list(self.watches):
                    watch.fail("%s: %s" % (type(failure).__name__, failure))
            time.sleep(0.01)

    def _watch_once(self):
        with self.hold:
            if self.holding or not self.running():
                return
            if self.process_state() in ("T", "t"):
                # Stopped, by itself: the dump it wrote as it stopped names the texts.
                self._own_freeze(self.dump())
                os.kill(self.pid(), signal.SIGCONT)
                return
        outside = [w for w in self.watches if w.outside and not w.done()]
        if not outside:
            return
        d = self.dump()
        if not any(w.condition(d) for w in outside):
            return
        frozen = self.freeze()
        try:
            for watch in outside:
                watch.offer(self, frozen)
        finally:
            self.thaw()

    def pointer_at(self):
        """The pointer's place on this copy's display, or None."""
        out = self.xdotool("getmouselocation", "--shell")
        place = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
        try:
            return int(place["X"]), int(place["Y"])
        except (KeyError, ValueError):
            return None

    def move_pointer(self, x, y):
        """Moves the pointer to (x, y) and returns once it is there. A pointer already there is
        left alone: "mousemove --sync" to where it stands waits for a motion event that never
        comes."""
        x, y = int(x), int(y)
        if self.pointer_at() == (x, y):
            return
        self.xdotool("mousemove", x, y)
        check(wait_until(lambda: self.pointer_at() == (x, y), 10, 0.01),
              "the pointer did not get to %d %d" % (x, y))

    def click(self, x, y):
        """A tap held a little, as a person's. A game button sees a touch only when a game step
        sees the finger down (a press and release between two steps, in a slow frame, is no
        touch): on one, the press is held until the dump's count of fingers gone down moves on."""
        d = self.dump()
        downs = d.get("touch_downs")
        if downs is not None and d.on_game_button(int(x), int(y)):
            self.move_pointer(x, y)
            self.xdotool("mousedown", "1")
            try:
                self.wait_dump(lambda n: n.get("touch_downs") not in (None, downs), 20,
                               "the game did not see the press at %d %d" % (x, y))
            finally:
                self.xdotool("mouseup", "1")
            return
        self.move_pointer(x, y)
        self.xdotool("mousedown", "1", "sleep", 0.15, "mouseup", "1")

    def click_rect(self, rect):
        self.click((rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2)

    def press(self, name, seconds=15, text=None, page=None, inside=None):
        """Waits until the named widget shows (and its rectangle holds still) and clicks it;
        `inside` as in Dump.widget."""
        state = {"rect": None, "since": 0.0}

        def steady(d):
            if page is not None and d.get("menu_page") != page:
                return False
            rect = d.widget(name, text, inside)
            now = time.monotonic()
            if rect != state["rect"]:
                state["rect"], state["since"] = rect, now
                return False
            return rect is not None and now - state["since"] >= 0.25
        self.wait_dump(steady, seconds, "no widget %s%s" % (name, " on " + page if page else ""))
        self.click_rect(state["rect"])

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def edit(self, field, page):
        """Taps the page's text field and waits until it takes typing (a key pressed before the
        program has handled the tap would go to the field before)."""
        self.press(field, page=page)
        self.wait_dump(lambda d: d.get("editing") == field, 20,
                       "the field %s does not take typing" % field)

    def type_into(self, field, text, page):
        """Taps the page's text field, types the text once the field takes it and waits until
        the field holds it."""
        self.edit(field, page)
        self.type(text)
        self.wait_dump(lambda d: d.widget_text(field) == text, 20,
                       "the field %s does not show what was typed" % field)

    def drag(self, x0, y0, x1, y1, steps=8):
        self.move_pointer(x0, y0)
        self.xdotool("mousedown", "1", "sleep", "0.2")
        for k in range(1, steps + 1):
            self.move_pointer(x0 + (x1 - x0) * k // steps, y0 + (y1 - y0) * k // steps)
            self.xdotool("sleep", "0.08")
        self.xdotool("sleep", "0.2", "mouseup", "1")

    def screenshot(self, path):
        env = dict(os.environ, DISPLAY=self.display)
        subprocess.run(["import", "-window", "root", path], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

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
        lobby = "127.0.0.1:%d" % self.standin.lobby
        for i, n in enumerate(self.names):
            self.copies[n] = Copy(n, self.build, self.root, lobby, "35693803564380%d" % i)
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
        if LONG_WAITS:
            print("the longest waits on the copies (%d of 2 s or more, %.0f s in all):"
                  % (len(LONG_WAITS), sum(w[0] for w in LONG_WAITS)))
            for took, name, what in sorted(LONG_WAITS, reverse=True)[:12]:
                print("  %6.1f s  %s: %s" % (took, name, what))
            del LONG_WAITS[:]


# --- what a person does -------------------------------------------------------------------------
A_NAME = "alphaplayer"  # the account the runs register for copy A
# The short timers of World(short_timers=True): a turn long enough for a side that shoots to aim
# and fire on a slow machine; the shortest turn the program takes for a side that lets its
# turns run out; a hold longer than the 5 s an ended battle always shows its result.
TURN_SECONDS = 12
IDLE_TURN_SECONDS = 5
HOLD_SECONDS = 10


def still(copy, seconds=30):
    """Waits until what the dump shows (the widgets, the game's buttons and texts) has stayed the
    same over several reads in a row: the screen's animations are over."""
    state = {"last": None, "count": 0}
    keys = ("widget ", "gamebutton ", "menu_page ", "screens ")

    def steady(d):
        # The game's texts count by their colour and words: some bob in place for good.
        shown = [line for line in d.text.splitlines() if line.startswith(keys)]
        shown += [(t[1], t[2]) for t in screen_check.game_texts(d)]
        if shown == state["last"]:
            state["count"] += 1
        else:
            state["last"], state["count"] = shown, 0
        return state["count"] >= 6
    copy.wait_dump(steady, seconds, "the screen does not settle")


def page_shown(page):
    return lambda d: d.get("menu_page") == page and d.get("menu_shown") == "1"


def no_toast(copy, seconds=20):
    copy.wait_dump(lambda d: d.get("toast") == "0", seconds, "a toast stays up")


def open_menu(copy, page=None):
    """The online menu in front (on the given page, when named)."""
    if copy.dump().get("menu_shown") != "1":
        no_toast(copy)
        copy.press("orlo_button")
        copy.wait_dump(lambda d: d.get("menu_shown") == "1", 10, "the menu does not open")
    if page:
        copy.wait_dump(page_shown(page), 10, "not on " + page)


def chat_after_match(copy, seconds=45):
    """The chat page after a match's end, as the battle brings it up by itself (5 s after the
    end once what it sent was acknowledged): a tap on the round button of the test's own would
    cross it and close the menu it opens. Returns the dump."""
    return copy.wait_dump(lambda d: "play" not in d.screens() and d.get("menu_shown") == "1"
                          and d.get("menu_page") == "chat_root", seconds,
                          "the ended battle does not lead to the chat page")


def close_menu(copy):
    if copy.dump().get("menu_shown") == "1":
        copy.press("orlo_button")
        copy.wait_dump(lambda d: d.get("menu_shown") == "0", 10, "the menu does not close")


def register(copy, name, email, password):
    """A new account from the login page; ends with the menu hidden, logged in."""
    no_toast(copy)
    open_menu(copy, "loginscreen_root")
    copy.press("register_button", page="loginscreen_root")
    copy.type_into("input_playername", name, "loginscreen_playername")
    copy.press("playername_next", page="loginscreen_playername")
    copy.press("button_agree", page="loginscreen_confirm")
    copy.press("confirm_next", page="loginscreen_confirm")
    copy.type_into("input_email", email, "loginscreen_email")
    copy.type_into("input_password", password, "loginscreen_email")
    copy.press("email_register", page="loginscreen_email")
    copy.press("thank_close", page="loginscreen_thank", seconds=20)
    copy.wait_dump(lambda d: d.num("lobby_state") == 5 and d.get("menu_shown") == "0", 15,
                   "not logged in after the registration")


def login(copy, name, password):
    """A login from the login page (a name starting with "guest" logs in as a guest)."""
    no_toast(copy)
    open_menu(copy, "loginscreen_root")
    copy.edit("user_login", "loginscreen_root")
    copy.xdotool("key", "ctrl+a", "BackSpace")
    copy.type(name)
    copy.wait_dump(lambda d: d.widget_text("user_login") == name, 20,
                   "the name field does not show the name")
    copy.type_into("user_password", password, "loginscreen_root")
    toasts = copy.dump().num("toasts", 0)
    copy.press("login_button", page="loginscreen_root")
    # The login's welcome toast has come (it may be gone again by the time this looks).
    copy.wait_dump(lambda d: d.num("lobby_state") == 5 and d.num("toasts", 0) > toasts, 20,
                   "no login")


def find_player(copy, name):
    """Searches the global player list for the name; the row's name rectangle."""
    open_menu(copy)
    d = copy.dump()
    if d.get("menu_page") != "players_root":
        copy.press("start_players", page="startscreen_root")
        copy.wait_dump(page_shown("players_root"), 10, "no player list")
    copy.press("show_global", page="players_root")
    # The global list's page slides in: its button shows it as the shown one.
    copy.wait_dump(lambda d: d.widget("show_global_shown_label") and d.widget("search_text"),
                   15, "the global list does not show")
    copy.edit("search_text", "players_root")
    copy.xdotool("key", "ctrl+a", "BackSpace")
    copy.type(name)
    copy.wait_dump(lambda d: d.widget_text("search_text") == name, 20,
                   "the search field does not show the name")
    copy.press("search_button", page="players_root")
    found = copy.wait_dump(lambda d: d.widget("player_name", text=name), 15,
                           "%s not in the player list" % name)
    return found.widget("player_name", text=name)


def challenge(copy, name):
    """Finds the player and presses the challenge button of its row."""
    row = find_player(copy, name)
    band = (0, row[1] - 40, 800, row[3] + 40)
    copy.press("challenge_button", page="players_root", inside=band)


def in_battle(d):
    return d.screens() == ["play"] and d.num("round_state") >= 0


def squib(d):
    side = d.num("local_side")
    at = d.values.get("squib%d_screen" % side)
    return (int(at[0]), int(at[1])) if at and len(at) == 2 else None


def my_turn(d):
    return (in_battle(d) and d.num("round_state") == 7 and d.get("turn_active") == "1"
            and d.num("turn_side") == d.num("local_side"))


def strikes(d):
    """The time-out strikes this side has left (None outside a battle)."""
    v = d.values.get("player%d" % d.num("local_side"))
    return int(v[3]) if v and len(v) >= 4 else None


def battle_over(d):
    """The match is over, or its battle has already given way to the menu (an ended battle
    opens the match's chat a few seconds after its end)."""
    return d.get("game_over") == "1" or "play" not in d.screens()


def touch0(d):
    """The first finger as the game's last step saw it: (x, y, down) or None."""
    v = d.values.get("touch0")
    try:
        return tuple(int(w) for w in v[:3]) if v and len(v) >= 3 else None
    except ValueError:
        return None


def aim_of(d, side=None):
    """(aiming, stretching, x, y) of the side's aim line (this copy's side by default)."""
    v = d.values.get("aim%d" % (d.num("local_side") if side is None else side))
    if not v or len(v) < 4:
        return None
    return int(v[0]), int(v[1]), float(v[2]), float(v[3])


def wait_squib_still(copy, seconds=70):
    """Waits for this side's turn with its squib resting on the screen (the same point in
    eight dumps in a row); its point, or None when the match ended first."""
    state = {"at": None, "count": 0}

    def still(d):
        if battle_over(d):
            state["over"] = True
            return True
        at = squib(d) if my_turn(d) else None
        if at is None or at != state["at"]:
            state["at"], state["count"] = at, 0
            return False
        state["count"] += 1
        return state["count"] >= 8
    copy.wait_dump(still, seconds, "no turn with the squib at rest")
    return None if state.get("over") else state["at"]


def finger_at(copy, x, y, down, seconds=30):
    """Waits until a game step has seen the first finger at (x, y), down or up."""
    return copy.wait_dump(lambda d: touch0(d) == (int(x), int(y), 1 if down else 0), seconds,
                          "the game does not see the finger at %d %d" % (x, y))


# The aim a pull gives, as the battle takes it: the finger's offset f from the squib (pixels, y
# down) gives (f.x, -f.y) / |f| x (|f| - r) x 0.75 / q, r the squib's touch radius and q a quarter
# of the view's width.
TOUCH_RADIUS = 40.0 / 800.0  # of the view's width
AIM_CLOSE = 0.004  # a pixel moves the aim by 0.75 / q, 0.00375 on an 800-pixel view


def pull_for_aim(view_width, ax, ay):
    """The finger's offset (pixels) that gives the aim (ax, ay)."""
    q = view_width / 4.0
    length = (ax * ax + ay * ay) ** 0.5
    if length == 0:
        return 0, 0
    drag = length * q / 0.75 + TOUCH_RADIUS * view_width
    return int(round(ax / length * drag)), int(round(-ay / length * drag))


def hold_aim(copy, dx, dy, aim=None):
    """The finger put down on the copy's resting squib on its turn and pulled by (dx, dy)
    pixels, each step of the pull seen by a game step; held down. With `aim` (ax, ay) the
    finger is then moved on until the battle's aim is that one (to AIM_CLOSE, about what a
    pixel moves it). Returns True with the aim held (released by
    release()), False when the turn ended or the match ended meanwhile (the finger is up
    then), None when the match is over."""
    at = wait_squib_still(copy)
    if at is None:
        return None
    x, y = at
    downs = copy.dump().get("touch_downs")
    copy.move_pointer(x, y)
    copy.xdotool("mousedown", "1")
    try:
        return _pull(copy, x, y, dx, dy, aim, downs)
    except Failure:
        release(copy)
        raise


def _pull(copy, x, y, dx, dy, aim, downs):
    copy.wait_dump(lambda d: d.get("touch_downs") != downs and touch0(d) == (x, y, 1), 30,
                   "the game did not see the press on the squib")
    fx, fy = x + dx, y + dy
    for k in range(1, 6):
        px, py = x + dx * k // 5, y + dy * k // 5
        copy.move_pointer(px, py)
        finger_at(copy, px, py, True)
    for _ in range(8):
        d = copy.dump()
        got = aim_of(d)
        if not my_turn(d) or not got or got[:2] != (1, 1):
            release(copy)
            return False
        if aim is None:
            return True
        ex, ey = aim[0] - got[2], aim[1] - got[3]
        if abs(ex) <= AIM_CLOSE and abs(ey) <= AIM_CLOSE:
            return True
        # Near the wanted aim a pixel moves it by 0.75 / q along the pull (more across it).
        q = int(d.values.get("view", ["800"])[0]) / 4.0
        fx += int(round(ex * q / 0.75))
        fy -= int(round(ey * q / 0.75))
        copy.move_pointer(fx, fy)
        finger_at(copy, fx, fy, True)
    d = copy.dump()
    raise Failure("%s: the aim %s does not come to %s" % (copy.name, aim_of(d), aim))


def release(copy):
    """Lets the finger go where it is (the shot leaves with the aim the last step took)."""
    copy.xdotool("mouseup", "1")


def shoot(copy, aim_x, aim_y, again=None, aim=None):
    """A shot aimed by pulling from the dumped squib: (aim_x, aim_y) is where the finger goes,
    relative to the squib (x to the right, y up); `aim` the exact aim to come to, as in
    hold_aim. False when the match ended before a shot. A turn that runs out while the finger
    is down takes no shot (a slow machine may take that long): the copy aims again on its
    next turn, calling `again` first if given (to choose the weapon again)."""
    for attempt in range(6):
        if attempt and again:
            if wait_squib_still(copy) is None:
                return False
            again()
        left = strikes(copy.dump())
        played = copy.dump().num("shots", 0)
        held = hold_aim(copy, aim_x, -aim_y, aim)
        if held is None:
            return False
        if held:
            release(copy)
            d = copy.wait_dump(lambda d: battle_over(d) or not my_turn(d) or
                               d.num("shots", 0) > played, 60,
                               "the turn does not pass after the shot")
            if battle_over(d) or strikes(d) == left:
                return True
        print("%s: the turn ran out during the aim; aiming again" % copy.name)
    raise Failure("%s: every turn ran out during the aim" % copy.name)


def accept_challenge(copy):
    """Taps the challenge's toast and accepts on the page it opens."""
    copy.press("toast_icon_challenge", seconds=20)
    copy.press("accept_button", page="challenge_received")


def wait_battle(copy, seconds=40):
    return copy.wait_dump(lambda d: in_battle(d) and d.num("round_state") >= 5, seconds,
                          "no online battle")


def shot_towards_opponent(copy, pull=200, rise=0.8):
    """Drags from the squib away from the opponent (a slingshot's pull): the shot flies towards
    it, rising; `pull` is the drag's length in pixels."""
    d = copy.dump()
    side = d.num("local_side")
    mine = d.values.get("squib%d_world" % side)
    theirs = d.values.get("squib%d_world" % (1 - side))
    toward = 1 if (not mine or not theirs or float(theirs[0]) >= float(mine[0])) else -1
    norm = (1 + rise * rise) ** 0.5
    return shoot(copy, int(-toward * pull / norm), int(-rise * pull / norm))


def digests_after(copies, shots, seconds=40):
    """Waits until every copy has played `shots` shots back; their digests."""
    out = []
    for c in copies:
        d = c.wait_dump(lambda d: d.num("shots") >= shots or battle_over(d),
                        seconds, "shot %d not played back" % shots)
        out.append((d.num("shots"), d.get("digest")))
    return out


def to_start_page(copy):
    """The start page in front, from wherever the menu is (the chat's exit leaves a match)."""
    open_menu(copy)
    if copy.dump().get("menu_page") == "chat_root":
        copy.press("button_back", page="chat_root")  # the chat's exit: the start page, hidden
        copy.wait_dump(lambda d: d.get("menu_page") != "chat_root", 10, "the chat stays")
        open_menu(copy)
    copy.wait_dump(page_shown("startscreen_root"), 10, "not on the start page")


def shoot_until_over(copy, turns=12, after=None):
    """The copy shoots on each of its turns, the other side never does, until the match ends
    (by the other side's third strike at the latest); the shots it took. `after(shots)`, when
    given, runs after each shot and ends the shooting by returning True. Fails when `turns`
    of its turns pass without an end."""
    shots = 0
    for _ in range(turns):
        d = copy.wait_dump(lambda d: battle_over(d) or my_turn(d), 120,
                           "%s: neither its turn nor the match's end" % copy.name)
        if battle_over(d):
            return shots
        try:
            if not shot_towards_opponent(copy):
                return shots  # it ended while the shot waited
        except Failure:
            if battle_over(copy.dump()):
                return shots  # it ended under the finger
            raise
        shots += 1
        if after and after(shots):
            return shots
        copy.wait_dump(lambda d: battle_over(d) or not my_turn(d), 60,
                       "%s: the turn stays after the shot" % copy.name)
    raise Failure("%s: the match does not end in %d turns" % (copy.name, turns))
