"""The screen checker's reading of texts that move while a picture is taken: a text of the
later dump is checked over both its places with the fainter of its two colours, and a text that
came in between the dumps is left out."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
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


if __name__ == "__main__":
    unittest.main()
