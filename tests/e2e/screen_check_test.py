"""The screen checker's reading of texts that move while a picture is taken: a text of the
later dump is checked over both its places with the fainter of its two colours, and a text that
came in between the dumps is left out; a menu page that came between the dumps is not judged by
its contrast in the picture."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
import screen_check  # noqa: E402


class Dump:
    def __init__(self, text):
        self.text = text


class SettledTexts(unittest.TestCase):
    def test_a_rising_text_covers_both_places_with_its_fainter_colour(self):
        before = Dump("gametext 100 400 300 420 80ffffff Programming\n"
                      "gametext 10 10 60 30 ffffffff 120\n")
        texts = screen_check.game_texts(Dump("gametext 100 396 300 416 ffffffff Programming\n"
                                                "gametext 10 10 60 30 ffffffff 120\n"))
        got = screen_check.settled_texts(texts, before)
        self.assertEqual([([100, 396, 300, 420], "80ffffff", "Programming"),
                          ([10, 10, 60, 30], "ffffffff", "120")], got)

    def test_a_text_that_came_in_between_is_left_out_and_repeats_match_the_nearest(self):
        before = Dump("gametext 0 100 50 120 ffffffff Art\n"
                      "gametext 0 300 50 320 ffffffff Art\n")
        texts = screen_check.game_texts(Dump("gametext 0 298 50 318 ffffffff Art\n"
                                                "gametext 0 470 50 490 ffffffff Sound\n"))
        got = screen_check.settled_texts(texts, before)
        self.assertEqual([([0, 298, 50, 320], "ffffffff", "Art")], got)


class MenuChangedBetweenTheDumps(unittest.TestCase):
    """A picture of one grey (every text on it unreadable), checked with a chat page in the
    dump after it."""

    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.png = os.path.join(self.folder.name, "grey.png")
        subprocess.check_call(["convert", "-size", "%dx%d" % (screen_check.WIDTH,
                                                              screen_check.HEIGHT),
                               "xc:#808080", self.png])
        self.after = h.Dump("menu_shown 1\nmenu_page chat_root\n"
                            "widget chat_send_button_label 392 398 520 446 Send\n")

    def tearDown(self):
        self.folder.cleanup()

    def test_a_page_that_came_after_the_dump_before_is_not_judged_by_its_contrast(self):
        before = h.Dump("menu_shown 0\nmenu_page chat_root\n")
        self.assertEqual([], screen_check.check(self.after, self.png, before=before))
        turned = h.Dump("menu_shown 1\nmenu_page startscreen_root\n")
        self.assertEqual([], screen_check.check(self.after, self.png, before=turned))

    def test_a_page_shown_in_both_dumps_is(self):
        faults = screen_check.check(self.after, self.png, before=self.after)
        self.assertEqual(1, len(faults))
        self.assertIn("chat_send_button_label", faults[0])


if __name__ == "__main__":
    unittest.main()
