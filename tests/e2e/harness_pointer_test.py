#!/usr/bin/env python3
"""The harness's taps and drags on a stand-in for xdotool and the X server's pointer: every
move returns once the pointer is there, also when it is there already (xdotool's
"mousemove --sync" to where the pointer stands waits for a motion event that never comes). A
match's end read from recorded dumps."""
import os
import re
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_aim  # noqa: E402
import e2e_harness  # noqa: E402


class StuckWait(Exception):
    pass


class FakePointer:
    """xdotool's commands on one pointer; a synced move to where it stands is the stuck wait."""

    def __init__(self):
        self.at = (0, 0)
        self.buttons = []  # ("down" | "up" | "click", button, x, y)

    def __call__(self, *args):
        args = [str(a) for a in args]
        out = ""
        i = 0
        while i < len(args):
            word = args[i]
            if word == "getmouselocation":
                i += 1
                if i < len(args) and args[i] == "--shell":
                    i += 1
                out += "X=%d\nY=%d\nSCREEN=0\nWINDOW=1\n" % self.at
            elif word == "mousemove":
                i += 1
                sync = args[i] == "--sync"
                if sync:
                    i += 1
                to = (int(args[i]), int(args[i + 1]))
                i += 2
                if sync and to == self.at:
                    raise StuckWait("mousemove --sync to %d %d, where the pointer is" % to)
                self.at = to
            elif word in ("mousedown", "mouseup", "click"):
                self.buttons.append((word[5:] or word, int(args[i + 1])) + self.at)
                i += 2
            elif word == "sleep":
                i += 2
            else:
                raise AssertionError("unexpected xdotool command %r" % word)
        return out


class HarnessPointerTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.copy = e2e_harness.Copy("a", self.folder.name, self.folder.name, None, "1")
        self.pointer = FakePointer()
        self.copy.xdotool = self.pointer

    def tearDown(self):
        self.folder.cleanup()

    def test_taps_on_the_same_place_twice(self):
        self.copy.click(120, 80)
        self.copy.click(120, 80)
        self.assertEqual([("down", 1, 120, 80), ("up", 1, 120, 80)] * 2, self.pointer.buttons)

    def test_a_drag_that_starts_where_the_pointer_is_and_holds_still(self):
        self.copy.click(50, 60)
        self.pointer.buttons = []
        # Starts where the last tap left the pointer; steps of less than a pixel stay put.
        self.copy.drag(50, 60, 50, 64, steps=8)
        self.assertEqual([("down", 1, 50, 60), ("up", 1, 50, 64)], self.pointer.buttons)


# A program that writes its dump and stops itself twice, as the game does when a freeze text
# shows (the second stop's text is not watched for), then ends with status 0 once continued.
STOPPING = r"""
import os, signal, sys
path = sys.argv[1]
for serial, text in ((1, 2), (2, 9)):
    with open(path + ".part", "w") as f:
        f.write("screens play\nfrozen %d %d\n" % (serial, text))
    os.rename(path + ".part", path)
    os.kill(os.getpid(), signal.SIGSTOP)
with open(path + ".part", "w") as f:
    f.write("screens play\nended 1\n")
os.rename(path + ".part", path)
"""


class FreezeTest(unittest.TestCase):
    """A copy's watcher hands each stop the program makes itself to the watches while the
    program is stopped, and continues it after."""

    def test_the_watch_takes_the_held_frame_and_the_program_goes_on(self):
        with tempfile.TemporaryDirectory() as folder:
            copy = e2e_harness.Copy("a", folder, folder, None, "1")
            seen = []

            def take(c, d):
                seen.append((d.get("frozen"), c.process_state()))
            watch = e2e_harness.Watch(lambda d: d.values.get("frozen", [""])[1:] == ["2"], take)
            copy.watch(watch)
            copy.program = subprocess.Popen([sys.executable, "-c", STOPPING, copy.dump_path],
                                            start_new_session=True)
            try:
                self.assertIs(copy, watch.wait("no frozen frame"))
                self.assertEqual([("1", "T")], seen)
                self.assertEqual(0, copy.program.wait(e2e_harness.STEP))
                self.assertEqual("1", copy.dump().get("ended"))
                self.assertEqual(2, copy.freezes_seen)
            finally:
                copy.stop_all()

    def test_a_take_that_breaks_still_lets_the_program_go_on(self):
        """Whatever a watch's take raises on a held frame, the hold ends as it began (the
        program goes on once thawed) and the watch's wait tells what went wrong."""
        with tempfile.TemporaryDirectory() as folder:
            copy = e2e_harness.Copy("a", folder, folder, None, "1")

            def take(c, d):
                raise KeyError("a broken take")
            watch = e2e_harness.Watch(lambda d: "frozen" in d.values, take)
            # No watcher thread: the test's own holds find the program's stops.
            copy.watches.append(watch)
            copy.program = subprocess.Popen([sys.executable, "-c", STOPPING, copy.dump_path],
                                            start_new_session=True)
            try:
                for _ in range(2):
                    self.assertTrue(e2e_harness.wait_until(
                        lambda: copy.process_state() == "T", e2e_harness.STEP))
                    copy.freeze()
                    copy.thaw()
                    self.assertEqual(0, copy.holding)
                with self.assertRaisesRegex(e2e_harness.Failure, "KeyError.*a broken take"):
                    watch.wait("no frozen frame")
                self.assertEqual(0, copy.program.wait(e2e_harness.STEP))
            finally:
                copy.stop_all()

    def test_a_frozen_copy_holds_until_thawed(self):
        folder = tempfile.TemporaryDirectory()
        self.addCleanup(folder.cleanup)
        copy = e2e_harness.Copy("b", folder.name, folder.name, None, "1")
        copy.program = subprocess.Popen([sys.executable, "-c", "import time; time.sleep(60)"],
                                        start_new_session=True)
        try:
            copy.freeze()
            copy.freeze()
            self.assertEqual("T", copy.process_state())
            copy.thaw()
            self.assertEqual("T", copy.process_state())  # held twice, thawed once
            copy.thaw()
            self.assertTrue(e2e_harness.wait_until(lambda: copy.process_state() != "T",
                                                   e2e_harness.STEP))
        finally:
            copy.kill()


class FakeDumps:
    """A copy whose dump is read from a list, one entry per read (the last one stays)."""

    def __init__(self, texts):
        self.texts = list(texts)
        self.name = "a"

    def dump(self):
        text = self.texts.pop(0) if len(self.texts) > 1 else self.texts[0]
        return e2e_harness.Dump(text)

    wait_dump = e2e_harness.Copy.wait_dump


class RestTest(unittest.TestCase):
    """A screen is at rest once what is looked at stays the same over REST_FRAMES frames."""

    def rect(self, d):
        return d.widget("button")

    def frames(self, numbers, rect="10 10 50 30"):
        return ["frame %d\nwidget button %s" % (n, rect) for n in numbers]

    def test_the_same_over_enough_frames(self):
        n = e2e_harness.REST_FRAMES
        moving = ["frame %d\nwidget button %d 10 50 30" % (k, k) for k in range(5)]
        copy = FakeDumps(moving + self.frames(range(5, 5 + n + 1)) + ["frame 999\n"])
        d = e2e_harness.at_rest(copy, self.rect, "not at rest")
        self.assertEqual(5 + n, d.frame())

    def test_reads_of_one_frame_are_not_rest(self):
        """A program that draws no frame meanwhile (stalled, stopped) is not at rest, however
        often its dump is read."""
        n = e2e_harness.REST_FRAMES
        copy = FakeDumps(self.frames([7] * 40) + self.frames(range(8, 8 + n)) + ["frame 999\n"])
        with self.assertRaises(e2e_harness.Failure):
            e2e_harness.at_rest(copy, self.rect, "not at rest", bound=1)

    def test_a_change_starts_the_count_again(self):
        n = e2e_harness.REST_FRAMES
        texts = (self.frames(range(0, n)) + self.frames([n], "11 10 51 30") +
                 self.frames(range(n + 1, 2 * n + 1), "11 10 51 30"))
        copy = FakeDumps(texts + ["frame 999\n"])
        d = e2e_harness.at_rest(copy, self.rect, "not at rest")
        self.assertEqual(2 * n, d.frame())
        self.assertEqual((11, 10, 51, 30), self.rect(d))


# A's own bomb at its feet knocked its squib out, as A's dump showed it (lines trimmed): its
# turn, the battle showing the end, then the chat page come over the battle.
TURN = ("screens play\nlocal_side 0\nturn_side 0\nround_state 7\nturn_active 1\n"
        "game_over 0 winner 255\nplayer0 health 100 strikes 3 hat 0 0\nshots 0\ntouch0 8 9 %d\n")
SHOWN = ("screens play\nlocal_side 0\nround_state 2\ngame_over 1 winner 1\nbanner 4 -1 reason 0\n"
         "player0 health 0 strikes 3 hat 0 0\nshots 1\ndigest 0 255 0 | 0 0 0\n")
GONE = ("screens menu\nmenu_page chat_root\nlast_local_side 0\nlast_round_state 2\n"
        "last_game_over 1 winner 1\nlast_banner 4 -1 reason 0\n"
        "last_player0 health 0 strikes 3 hat 0 0\nlast_shots 1\nlast_digest 0 255 0 | 0 0 0\n")


class MatchEndTest(unittest.TestCase):
    def test_a_self_knock_out_read_while_its_battle_shows_and_after(self):
        for text in (SHOWN, GONE):
            d = e2e_harness.Dump(text)
            self.assertTrue(e2e_harness.battle_over(d))
            self.assertEqual((["1", "winner", "1"], "0", ["4", "-1", "reason", "0"]),
                             (d.values["game_over"], d.get("local_side"), d.values["banner"]))
        # The shot that ended it, counted once its battle had gone.
        copy = FakeDumps([TURN % 1, TURN % 0, GONE])
        copy.xdotool = lambda *args: ""
        self.assertIs(True, e2e_aim.let_go(e2e_aim.Turn(copy, None, e2e_harness.Dump(TURN % 1))))
        self.assertEqual([(1, "0 255 0 | 0 0 0")], e2e_harness.digests_after([copy], 1))


class NoSyncedMovesTest(unittest.TestCase):
    def test_no_test_moves_the_pointer_with_a_synced_mousemove(self):
        """Every pointer move in the tests goes through a helper that first looks where the
        pointer is (Copy.move_pointer here, vtest::MovePointer in the C++ tests)."""
        tests = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        synced = re.compile(r'"mousemove"\s*,\s*"--sync"')
        found = []
        for folder, _, files in os.walk(tests):
            for name in files:
                if name.endswith((".py", ".cpp", ".h")) and name != os.path.basename(__file__):
                    path = os.path.join(folder, name)
                    with open(path, encoding="utf-8") as f:
                        for number, line in enumerate(f, 1):
                            if synced.search(line):
                                found.append("%s:%d" % (os.path.relpath(path, tests), number))
        self.assertEqual([], found)


if __name__ == "__main__":
    unittest.main(verbosity=2)
