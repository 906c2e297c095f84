#!/usr/bin/python3
"""The stand-in lobby's notices and own page: notifications and adverts on control lines, the
advert requests it answers and counts, the image-and-link adverts, achievements, match
results, the language change and a refused connect with an update link."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import ROOT, Server, ServerCase  # noqa: E402

DATA = os.path.join(ROOT, "data", "standin")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def data_lines(name):
    with open(os.path.join(DATA, name), encoding="utf-8") as f:
        return [line.rstrip("\n").split("|") for line in f
                if line.strip() and not line.startswith("#")]


def image_size(png):
    """(width, height) read by ImageMagick."""
    with tempfile.NamedTemporaryFile(suffix=".png") as f:
        f.write(png)
        f.flush()
        out = subprocess.run(["identify", "-format", "%w %h", f.name], check=True,
                             capture_output=True, text=True).stdout
    return tuple(int(v) for v in out.split())


class ControlLines(ServerCase):
    def test_notification_reaches_the_named_player_only(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        self.assertEqual(self.server.control('notify alice 0 7 "Tea is ready, ÄÖ"'), "ok")
        self.assertEqual(alice.expect(45), [0, "Tea is ready, ÄÖ", 7])
        self.assertEqual(self.server.control("notify 102 4 0 Trophy"), "ok")
        self.assertEqual(bob.expect(45), [4, "Trophy", 0])
        alice.quiet(0.2, skip=(29, 44))
        self.assertTrue(self.server.control("notify nobody 0 0 x").startswith("error"))
        self.assertTrue(self.server.control("frobnicate").startswith("error"))

    def test_advert_from_a_control_line_carries_an_imagemagick_strip(self):
        alice = self.player("alice", "wonderland")
        with tempfile.TemporaryDirectory() as folder:
            strip = os.path.join(folder, "strip.png")
            subprocess.run(["convert", "-size", "40x20", "xc:red", "-size", "40x20", "xc:blue",
                            "-append", strip], check=True)
            with open(strip, "rb") as f:
                png = f.read()
            answer = self.server.control(
                'advert alice image=%s frames=100,150 delay=400000 countdown=5000 flags=2 '
                'title="Two frames" title_link=http://t click=http://c ok=http://o first=f'
                % strip)
        self.assertEqual(answer, "ok")
        self.assertEqual(alice.expect(80), ["f", "http://c", png, 400000, 5000, [100, 150],
                                            "http://o", 2, "Two frames", "http://t"])

    def test_advert_requests_get_the_catalogue_in_turn_and_are_counted(self):
        alice = self.player("alice", "wonderland")
        before = int(self.server.control("adverts").split()[1])
        catalogue = [p for p in data_lines("adverts.txt") if not p[0].startswith("@")]
        for turn in range(len(catalogue) + 1):
            alice.send(112)
            got = alice.expect(80)
            title, click, ok, title_link, delay, countdown, frames, flags, first = \
                catalogue[turn % len(catalogue)]
            frame_ms = [int(v) for v in frames.split(",")]
            self.assertEqual(got[8], title)
            self.assertEqual(got[:2] + got[3:], [
                first, click, int(delay), int(countdown), frame_ms, ok, int(flags), title,
                title_link])
            self.assertTrue(got[2].startswith(PNG_SIGNATURE))
            width, height = image_size(got[2])
            self.assertEqual(height % len(frame_ms), 0)
        self.assertEqual(self.server.control("adverts"),
                         "ok %d" % (before + len(catalogue) + 1))

    def test_kick_sends_the_reason(self):
        carol = self.player("carol_k", "snowball")
        self.assertEqual(self.server.control("kick carol_k -1"), "ok")
        update = carol.expect(8)
        # The list is the client's game's (the number in its connect description).
        self.assertEqual(update[1:], [-1, 64, -1])
        self.assertEqual(self.server.control("kick carol_k -2"), "ok")
        self.assertEqual(carol.expect(8)[1], -2)
        self.assertNotIn("103", self.server.control("online").split())

    def test_language_change_is_kept(self):
        dmitri = self.player("dmitri", "ironwall")
        dmitri.send(37, "xa")
        dmitri.send(90)
        dmitri.expect(91)
        self.assertEqual(self.server.control("language dmitri"), "ok xa")


class OwnPage(ServerCase):
    def test_achievements_come_from_the_data(self):
        alice = self.player("alice", "wonderland")
        alice.send(10, 0, 5, 0, 64)
        records = alice.expect(11)[3]
        expected = [p[1:] for p in data_lines("achievements.txt") if p[0] == "alice"]
        self.assertEqual([r[2:] for r in records], expected)
        erin = self.player("erin-o", "bouncy")
        erin.send(10, 0, 5, 0, 64)
        self.assertEqual(erin.expect(11)[3], [])

    def test_results_latest_first_as_many_as_asked(self):
        alice = self.player("alice", "wonderland")
        alice.send(74, 64, 3)
        records = alice.expect(75)[0]
        seeded = [p[1:] for p in data_lines("history.txt") if p[0] == "alice"]
        self.assertEqual([[str(r[1]), str(r[2]), r[4], r[5]] for r in records],
                         list(reversed(seeded))[:3])

    def test_the_own_page_request_names_the_clients_game(self):
        """[0] the game number of the client's connect request (64), [1] the rows."""
        alice = self.player("alice", "wonderland")
        alice.send(74, 65, 6)
        alice.quiet(0.3, skip=(29, 44))
        alice.send(74, 64, 6)
        seeded = [p for p in data_lines("history.txt") if p[0] == "alice"]
        self.assertEqual(len(alice.expect(75, skip=(29, 44))[0]), min(6, len(seeded)))

    def test_two_texts_bring_both_image_and_link_adverts(self):
        bob = self.player("bobcat", "builder42")
        bob.send(51, "a", "b")
        links = [p for p in data_lines("adverts.txt") if p[0].startswith("@")]
        for name, link, label in links:
            got = bob.expect(52)
            self.assertEqual([got[0], got[2], got[3]], [name[1:], link, label])
            self.assertEqual(image_size(got[1]), (128, 128))

    def test_own_entry_comes_with_its_avatar(self):
        bob = self.player("bobcat", "builder42")
        bob.send(19, 32, 0, 1, "", 0, 0)
        self.assertEqual(bob.expect(20, skip=(29, 44))[0], 1)
        player_id, _, png = bob.expect(85, skip=(29, 44))
        self.assertEqual(player_id, 102)
        self.assertEqual(image_size(png), (80, 80))


class UpdateLink(unittest.TestCase):
    def test_every_connect_is_refused_with_the_link(self):
        server = Server("--update-link", "http://127.0.0.1/update")
        try:
            client = server.client()
            self.assertEqual(client.connect()[1:3], [-1, "http://127.0.0.1/update"])
            client.close()
        finally:
            self.assertEqual(server.stop(), 0)


if __name__ == "__main__":
    unittest.main()
