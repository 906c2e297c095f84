"""Waiting in the end-to-end runs: the failure a step raises, and the bounds of its waits.

Every wait is for a state of a program or of the stand-in, never for a moment. Its bound only
tells a wait that can no longer end (a program or stand-in that is stuck) from one that is
slow (a loaded machine may take long over what takes a moment): each kind of wait has one
named bound, generous for that kind, and no call site passes a number of its own."""
import time


class Failure(Exception):
    pass


def check(condition, text):
    if not condition:
        raise Failure(text)


# The bound of each kind of wait, in seconds.
# The program's answer to one input or one message: a page, a widget, a toast, a banner that
# follows a state already reached, a shot played back on the other copy.
STEP = 60
# A program's start: its window, its data loaded and its first login; a login again after the
# lobby's restart (the program's own retry comes first).
START = 120
# A battle's turn passing or its match ending by the clocks: a side's turn runs out after its
# clock (30 s without the short timers), a shot's flight and its banners; an ended battle holds
# up to 30 s for what it sent to be acknowledged.
TURN = 150
# The program giving up on a service that does not answer: its login time-outs and the
# retries behind them.
GIVE_UP = 240
# The stand-in's own answers and records (its start, a kept result, a spent item).
SERVICE = 60

# The waits of a run that took a while, (seconds, copy, what): where a run's time goes.
LONG_WAITS = []


def note_wait(began, who, what):
    """Records a wait that took 2 s or more."""
    took = time.monotonic() - began
    if took >= 2.0:
        LONG_WAITS.append((took, who, what))


def wait_until(condition, seconds, step=0.05):
    """Polls the condition until it holds or the bound has passed; its last value."""
    end = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= end:
            return value
        time.sleep(step)


def print_long_waits():
    if LONG_WAITS:
        print("the longest waits on the copies (%d of 2 s or more, %.0f s in all):"
              % (len(LONG_WAITS), sum(w[0] for w in LONG_WAITS)))
        for took, name, what in sorted(LONG_WAITS, reverse=True)[:12]:
            print("  %6.1f s  %s: %s" % (took, name, what))
        del LONG_WAITS[:]
