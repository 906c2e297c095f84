"""Holding a copy's frame still while it is looked at, watching for screens that show only for
a while, and the one rule for a screen at rest.

A copy is held still with SIGSTOP: its dump then describes the frame on its screen. The program
also stops itself as one of its freeze texts appears (ORLO_FREEZE_TEXTS); the copy's watcher
thread hands that frame to the registered watches and continues the program."""
import os
import signal
import threading
import time

import screen_check
from e2e_wait import STEP, Failure, check, note_wait, wait_until

# A screen is at rest when what a step looks at (a widget's rectangle, the squib's point, the
# lines of the screen) has stayed the same over this many frames drawn in a row: the copies
# number their frames (ORLO_DUMP_FRAMES), so a program that draws nothing meanwhile (stopped,
# stalled) does not count as at rest.
REST_FRAMES = 8


def at_rest(copy, value, what, bound=STEP):
    """Waits until value(dump) is not None and has stayed the same over REST_FRAMES frames in a
    row; the last dump."""
    state = {"value": None, "since": None}

    def rest(d):
        v, frame = value(d), d.frame()
        if v is None or frame is None:
            state["value"], state["since"] = None, None
            return False
        if v != state["value"] or state["since"] is None or frame < state["since"]:
            state["value"], state["since"] = v, frame
            return False
        return frame - state["since"] >= REST_FRAMES
    return copy.wait_dump(rest, what, bound)


def shown_lines(d):
    """What the screen shows, as the rest rule compares it: the widgets, the game's buttons,
    the menu's page and the game's texts by their colour and words (some bob in place for
    good); None while a picture of the menu fades in (a tapped button's fade, a picture's as it
    comes), which changes no line."""
    if d.num("fading", 0) > 0:
        return None
    keys = ("widget ", "gamebutton ", "menu_page ", "screens ")
    shown = [line for line in d.text.splitlines() if line.startswith(keys)]
    return shown + [(t[1], t[2]) for t in screen_check.game_texts(d)]


def still(copy):
    """Waits until the screen is at rest: its animations are over."""
    at_rest(copy, shown_lines, "the screen does not settle")


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
        self.dump = None
        self.lock = threading.Lock()  # a watch on two copies is taken on one

    def done(self):
        return self.finished.is_set()

    def offer(self, copy, dump):
        """Takes the held frame when it meets the condition; whatever the take raises ends the
        watch with that failure (the caller continues the program either way)."""
        with self.lock:
            if self.done():
                return
            try:
                if not self.condition(dump):
                    return
                self.take(copy, dump)
            except Failure as failure:
                self.failure = str(failure)
            except Exception as error:  # noqa: BLE001 - told to the watch's wait
                self.failure = "%s: %s" % (type(error).__name__, error)
            self.copy, self.dump = copy, dump
            self.finished.set()

    def fail(self, text):
        with self.lock:
            if not self.done():
                self.failure = text
                self.finished.set()

    def wait(self, what, bound=STEP):
        """Waits until it was done; the copy it was taken on. Raises Failure with `what` when
        it was not, or with the take's failure."""
        began = time.monotonic()
        got = self.finished.wait(bound)
        note_wait(began, "watch", what)
        if not got:
            raise Failure(what)
        if self.failure:
            raise Failure("%s: %s" % (what, self.failure))
        return self.copy


class Holding:
    """A copy's stops and continues (its own freezes and the tests'), one at a time, and its
    watcher thread. Mixed into Copy, which gives pid(), running() and dump()."""

    def init_holding(self):
        self.hold = threading.RLock()
        self.holding = 0
        self.freezes_seen = 0
        self.watches = []  # Watch objects, looked at by the watcher thread
        self.watcher = None
        self.watching = False

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
            try:
                if self.holding == 1 and self.running():
                    os.kill(self.pid(), signal.SIGSTOP)
                    check(wait_until(lambda: self.process_state() in ("T", "t", None), STEP,
                                     0.005), "%s: the program does not stop" % self.name)
                d = self.dump()
                self._own_freeze(d)
                return d
            except BaseException:
                self.thaw()  # a freeze that failed holds nothing
                raise

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
                # Stopped, by itself: the dump it wrote as it stopped names the texts. It goes
                # on whatever the watches did with the frame.
                try:
                    self._own_freeze(self.dump())
                finally:
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
