#!/usr/bin/python3
"""The stand-in lobby's player lists: the seeded players with counts, groups (online first),
batches and name search, avatars, follows and blocks."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import ROOT, Server, ServerCase, player_items  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "standin"))
import pngs  # noqa: E402

with open(os.path.join(ROOT, "data", "standin", "players.txt"), encoding="utf-8") as f:
    RULES = dict(line.strip().split("=", 1) for line in f
                 if line.strip() and not line.startswith("#"))
COUNT = int(RULES["count"])
ONLINE_EVERY = int(RULES["online_every"])
SYLLABLES = RULES["syllables"].split(",")
ACCOUNTS = 9


def seeded_name(i):
    return SYLLABLES[i % 12].capitalize() + SYLLABLES[(i // 12) % 12] + str(i)


class PlayerCase(ServerCase):
    each = True


class GlobalList(PlayerCase):
    def test_count_groups_and_first_batches(self):
        erin = self.player("erin-o", "bouncy")
        erin.send(19, 0, -1, 0, "", 0, 0)
        total, first, selector, items, groups = erin.expect(20)
        online = len(range(0, COUNT, ONLINE_EVERY)) + 1
        self.assertEqual((total, first, selector, items), (COUNT + ACCOUNTS, -1, 0, b""))
        self.assertEqual(groups, [["Online", online], ["Offline", COUNT + ACCOUNTS - online]])
        # Online first, by score: the online seeded players and erin-o, then the rest.
        erin.send(19, 0, 0, 3, "", 0, 0)
        page = player_items(erin.expect(20)[3])
        self.assertEqual([p["name"] for p in page], [seeded_name(i) for i in (0, 7, 14)])
        self.assertEqual({p["flags"] & 1 for p in page}, {1})
        erin.send(19, 0, online - 1, 2, "", 0, 0)
        values = erin.expect(20)
        self.assertEqual(values[1], online - 1)
        last_online = (COUNT - 1) // ONLINE_EVERY * ONLINE_EVERY
        self.assertEqual([(p["name"], p["flags"] & 1) for p in player_items(values[3])],
                         [(seeded_name(last_online), 1), (seeded_name(1), 0)])
        # The last batch is cut at the end; a batch is at most 100.
        erin.send(19, 0, total - 1, 50, "", 0, 0)
        self.assertEqual(len(player_items(erin.expect(20)[3])), 1)
        for asked in (100, 101):
            erin.send(19, 0, 100, asked, "", 0, 0)
            self.assertEqual(len(player_items(erin.expect(20)[3])), 100)

    def test_name_search_ignores_case(self):
        erin = self.player("erin-o", "bouncy")
        erin.send(19, 0, -1, 0, "KAKA1", 0, 0)
        wanted = [i for i in range(COUNT) if "kaka1" in seeded_name(i).lower()]
        self.assertEqual(erin.expect(20)[0], len(wanted))
        erin.send(19, 0, 0, 100, "kaka1", 0, 0)
        names = [p["name"] for p in player_items(erin.expect(20)[3])]
        self.assertEqual(sorted(names), sorted(seeded_name(i) for i in wanted))

    def test_avatars_follow_the_batch_for_players_that_have_one(self):
        erin = self.player("erin-o", "bouncy")
        erin.send(19, 0, 0, 4, "", 0, 0)
        page = player_items(erin.expect(20, skip=(29, 44))[3])
        avatars = []
        while len(avatars) < 2:
            tag, values = erin.receive()
            if tag == 85:
                avatars.append(values[0])
        # Seeded players 0, 7, 14, 21: avatars for every third, so 0 and 21.
        self.assertEqual(avatars, [page[0]["id"], page[3]["id"]])
        erin.quiet(0.2, skip=(29, 44))

    def test_avatars_are_faces_as_large_as_shown_and_neighbours_differ(self):
        # The big list entry shows an avatar 80 pixels across; ImageMagick reads the pictures.
        pictures = [pngs.avatar(70000 + i) for i in range(8)]
        self.assertEqual(len(set(pictures)), 8)
        for picture in pictures[:2]:
            with tempfile.NamedTemporaryFile(suffix=".png") as f:
                f.write(picture)
                f.flush()
                out = subprocess.run(["convert", f.name, "-depth", "8", "rgba:-"], check=True,
                                     capture_output=True).stdout
                size = subprocess.run(["identify", "-format", "%w %h", f.name], check=True,
                                      capture_output=True, text=True).stdout
            self.assertEqual(size, "80 80")
            # Opaque, and many colours (a face, not a crossed square of two).
            self.assertTrue(all(out[i] == 255 for i in range(4 * 40 * 80 + 3, len(out) // 2, 4)))
            colours = {out[i:i + 3] for i in range(0, len(out), 4)}
            self.assertGreater(len(colours), 20)


class Relations(PlayerCase):
    def test_follow_and_unfollow_answer_kind_3_and_fill_the_follow_list(self):
        alice = self.player("alice", "wonderland")
        alice.send(21, 200007, 101, 1, 0, "")
        self.assertEqual(alice.expect(21)[1:4], [200007, 3, 0])
        alice.send(21, 102, 101, 1, 0, "")
        self.assertEqual(alice.expect(21)[1:4], [102, 3, 0])
        alice.send(19, 64, 0, 10, "", 0, 0)
        followed = player_items(alice.expect(20)[3])
        # The catalogue's followed players (bobcat, carol_k) and the seeded player, online
        # first.
        self.assertEqual([p["name"] for p in followed], [seeded_name(7), "bobcat", "carol_k"])
        self.assertEqual({p["flags"] & 0x10 for p in followed}, {0x10})
        alice.send(21, 200007, 101, 1, 1, "")
        self.assertEqual(alice.expect(21)[1:4], [200007, 3, 1])
        alice.send(21, 103, 101, 1, 1, "")
        self.assertEqual(alice.expect(21)[1:4], [103, 3, 1])
        alice.send(19, 64, -1, 0, "", 0, 0)
        self.assertEqual(alice.expect(20)[0], 1)

    def test_a_follow_counts_for_the_followed_and_the_follower(self):
        """dmitri and erin-o start with no follows either way: their counts read 0/0."""
        dmitri = self.player("dmitri", "ironwall")
        erin = self.player("erin-o", "bouncy")

        def counts(client, selector, name):
            client.send(19, selector, 0, 1, name, 0, 0)
            entry = player_items(client.expect(20)[3])[0]
            return entry["name"], entry["group"][6:8]

        self.assertEqual(counts(dmitri, 0, "erin-o"), ("erin-o", [0, 0]))
        dmitri.send(21, 105, 104, 1, 0, "")
        dmitri.expect(21)
        self.assertEqual(counts(dmitri, 0, "erin-o"), ("erin-o", [1, 0]))
        self.assertEqual(counts(erin, 32, ""), ("erin-o", [1, 0]))
        self.assertEqual(counts(dmitri, 32, ""), ("dmitri", [0, 1]))
        dmitri.send(21, 105, 104, 1, 1, "")
        dmitri.expect(21)
        self.assertEqual(counts(erin, 0, "erin-o"), ("erin-o", [0, 0]))
        self.assertEqual(counts(dmitri, 32, ""), ("dmitri", [0, 0]))

    def test_block_sets_bit_8_and_outlives_a_restart(self):
        state = self.server.dir.name + "/state"
        server = Server(state_dir=state)
        try:
            alice = server.client()
            alice.connect()
            alice.login("alice", "wonderland")
            alice.send(76, 102, 1)
            alice.send(19, 0, 0, 10, "bobcat", 0, 0)
            self.assertEqual(player_items(alice.expect(20)[3])[0]["flags"] & 0x100, 0x100)
            alice.close()
        finally:
            server.stop()
        server = Server(state_dir=state)
        try:
            alice = server.client()
            alice.connect()
            alice.login("alice", "wonderland")
            alice.send(19, 0, 0, 10, "bobcat", 0, 0)
            self.assertEqual(player_items(alice.expect(20)[3])[0]["flags"] & 0x100, 0x100)
            alice.send(76, 102, 0)
            alice.send(19, 0, 0, 10, "bobcat", 0, 0)
            self.assertEqual(player_items(alice.expect(20)[3])[0]["flags"] & 0x100, 0)
            alice.close()
        finally:
            server.stop()


if __name__ == "__main__":
    unittest.main()
