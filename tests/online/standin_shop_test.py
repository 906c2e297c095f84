#!/usr/bin/python3
"""The stand-in lobby's shop: the order after login and at a match's start, the shop's and
my items' groups and batches, icons, the enable switch, buying, refills and gifts against the
coins, a spent bomb, and coins and items that outlive a restart."""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import ROOT, Server  # noqa: E402

SKIP = (29, 44, 85, 93)
PACKS = os.environ.get("ORLO_STANDIN_PACKS")
CAPTIONS = []


def catalogue():
    groups, items, accounts = {}, {}, {}
    with open(os.path.join(ROOT, "data", "standin", "shop.txt"), encoding="utf-8") as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.rstrip("\n").split("|")
            if parts[0] == "group":
                groups[int(parts[1])] = (parts[2], int(parts[3]))
            elif parts[0] == "item":
                items[int(parts[1])] = parts[2:]
            elif parts[0] == "caption":
                if parts[1] == "xa":
                    CAPTIONS.append((parts[2], parts[3]))
            else:
                accounts[parts[1]] = parts[2:]
    return groups, items, accounts


GROUPS, ITEMS, ACCOUNTS = catalogue()


def owned(name):
    return {int(e.split(":")[0]): [int(v) for v in e.split(":")[1:]]
            for e in ACCOUNTS[name][1].split(",") if e}


def built_icon(item_id, large):
    with open(os.path.join(PACKS, "icons", "%d_%d.png" % (item_id, large)), "rb") as f:
        return f.read()


class ShopCase(unittest.TestCase):
    def setUp(self):
        self.state = tempfile.TemporaryDirectory()
        self.addCleanup(self.state.cleanup)
        self.server = Server(state_dir=self.state.name)
        self.addCleanup(lambda: self.server.stop())

    def player(self, name, password):
        client = self.server.client()
        self.addCleanup(client.close)
        client.connect()
        client.id = client.login(name, password)[0]
        return client

    def expect(self, client, tag):
        return client.expect(tag, skip=SKIP)


class Lists(ShopCase):
    def test_login_order_content_groups_then_shop_done_then_packs(self):
        alice = self.player("alice", "wonderland")
        alice.send(92, 513)
        parent, groups = self.expect(alice, 93)
        mine = owned("alice")
        with_data = [i for i in mine if int(ITEMS[i][7])]
        self.assertEqual(parent, 512)
        # One group of size 1 per content item; each names its pack (data id) and its
        # description "<item id>.xml" (last int the item's id) and carries its owned count.
        self.assertEqual([g[5] for g in groups], [1] * len(with_data))
        self.assertTrue(all(512 < g[0] < 768 for g in groups))
        alice.send(96, 512, 100, 0)
        group_id, first, records = self.expect(alice, 97)
        self.assertEqual((group_id, first), (512, 0))
        self.assertEqual(sorted(r[0] for r in records), sorted(with_data))
        self.assertEqual({r[0]: (r[12], r[14], r[9], r[11]) for r in records},
                         {i: (int(ITEMS[i][7]), int(i), mine[i][0], mine[i][1])
                          for i in with_data})
        self.assertEqual(sorted(r[7] for r in records), sorted(g[0] for g in groups))
        alice.send(94)
        self.expect(alice, 87)
        # At a match's start only the enabled items: the battleground (61) is off.
        alice.send(92, 1025)
        parent, groups = self.expect(alice, 93)
        alice.send(96, 1024, 100, 0)
        records = self.expect(alice, 97)[2]
        self.assertEqual(parent, 1024)
        self.assertEqual(sorted(r[0] for r in records),
                         sorted(i for i in with_data if mine[i][1]))

    def test_no_items_gives_empty_match_groups(self):
        carol = self.player("carol_k", "snowball")
        carol.send(92, 1025)
        self.assertEqual(self.expect(carol, 93), [1024, []])

    def test_shop_and_my_items_groups_and_batches(self):
        alice = self.player("alice", "wonderland")
        alice.send(92, 0)
        parent, groups = self.expect(alice, 93)
        self.assertEqual(parent, 0)
        self.assertEqual([(g[0], g[1], g[2]) for g in groups],
                         [(k, v[0], v[1]) for k, v in sorted(GROUPS.items())])
        self.assertEqual(sum(g[5] for g in groups), len(ITEMS))
        alice.send(96, 0, 3, 2)
        group_id, first, records = self.expect(alice, 97)
        self.assertEqual((group_id, first), (0, 2))
        expected = sorted(ITEMS, key=lambda i: (int(ITEMS[i][0]), list(ITEMS).index(i)))[2:5]
        self.assertEqual([r[0] for r in records], expected)
        for r in records:
            name, short, full, price, gift, refill, data_id, display, count = ITEMS[r[0]][1:]
            self.assertEqual(r[1:8], [name, short, full, int(price), int(gift), int(refill),
                                      int(ITEMS[r[0]][0])])
            self.assertEqual((r[13], r[12]), (display, int(data_id)))
        alice.send(92, 1)
        parent, groups = self.expect(alice, 93)
        self.assertEqual(parent, 1)
        alice.send(96, 1, 100, 0)
        records = self.expect(alice, 97)[2]
        self.assertEqual({r[0]: [r[9], r[11]] for r in records}, owned("alice"))

    def test_icons_small_and_large(self):
        alice = self.player("alice", "wonderland")
        alice.send(99, [21, 41, 999], 0)
        for item_id in (21, 41):
            got = self.expect(alice, 100)
            self.assertEqual(got[:2], [item_id, 0])
            self.assertEqual(identify(got[2]), "42 42")
            if PACKS:
                self.assertEqual(got[2], built_icon(item_id, 0))
        alice.send(99, [61], 1)
        got = self.expect(alice, 100)
        self.assertEqual(got[:2], [61, 1])
        self.assertEqual(identify(got[2]), "128 128")
        if PACKS:
            self.assertEqual(got[2], built_icon(61, 1))

    def test_captions_in_the_chosen_language(self):
        alice = self.player("alice", "wonderland")
        alice.send(37, "xa")
        alice.send(92, 0)
        names = [g[1] for g in self.expect(alice, 93)[1]]
        captions = {k: v for k, v in CAPTIONS if k in [n for n, _ in GROUPS.values()]}
        self.assertEqual(names, [captions.get(n, n) for n, _ in
                                 (GROUPS[k] for k in sorted(GROUPS))])
        alice.send(96, 0, 100, 0)
        red = [r for r in self.expect(alice, 97)[2] if r[0] == 21][0]
        self.assertEqual((red[1], red[2], red[3]),
                         (dict(CAPTIONS)[ITEMS[21][1]], dict(CAPTIONS)[ITEMS[21][2]],
                          ITEMS[21][3]))


def identify(png):
    with tempfile.NamedTemporaryFile(suffix=".png") as f:
        f.write(png)
        f.flush()
        return subprocess.run(["identify", "-format", "%w %h", f.name], check=True,
                              capture_output=True, text=True).stdout


class Buying(ShopCase):
    def coins(self, client):
        client.send(90)
        return self.expect(client, 91)[0]

    def test_enabling_one_of_a_pair_names_the_other(self):
        alice = self.player("alice", "wonderland")
        price = int(ITEMS[22][4])
        alice.send(102, 22, 0)
        self.assertEqual(self.expect(alice, 103), [22, 0, "", []])
        alice.send(104, 22, 0, [])
        self.assertEqual(self.expect(alice, 105), [22, 0, ""])
        self.assertEqual(self.expect(alice, 91)[0], int(ACCOUNTS["alice"][0]) - price)
        self.expect(alice, 87)
        # The owned content again, the top hat (its pack of version 0) among it.
        parent, groups = self.expect(alice, 93)
        self.assertEqual(parent, 512)
        self.assertIn(512 + 22, [g[0] for g in groups])
        alice.send(98, 22, 1)
        self.assertEqual(self.expect(alice, 106), [22, 1, "", 21])
        alice.send(98, 21, 1)
        self.assertEqual(self.expect(alice, 106), [21, 1, "", 22])
        alice.send(98, 21, 0)
        self.assertEqual(self.expect(alice, 106), [21, 0, "", 0])

    def test_each_refusal_carries_its_code_and_text_and_costs_nothing(self):
        """Carol has 500 coins, follows nobody and owns nothing (data/standin/shop.txt). A
        negative code is too few coins; no refusal costs a coin; 500 coins buy a 500-coin item."""
        carol = self.player("carol_k", "snowball")
        for request, tag, refusal in (
                ((102, 99, 0), 103, [99, 0, "No such item.", []]),
                ((102, 41, 1), 103, [41, 1, "Follow a player to send a gift.", []]),
                ((104, 99, 0, []), 105, [2, 2, "No such item."]),
                ((104, 11, 1, [101, 102, 103]), 105, [-1, -1, "Not enough coins: 750 needed."]),
                ((104, 41, 1, [999999]), 105, [2, 2, "Choose a player."]),
                ((113, 999999), 114, [0, "No such player.", []]),
                ((115, 999999, 0, [11]), 116, [2, 2, "Nothing to give."]),
                ((115, 101, 0, [99]), 116, [2, 2, "Nothing to give."]),
                ((115, 101, 0, [11, 22, 31]), 116, [101, -1, "Not enough coins: 550 needed."]),
                ((98, 41, 1), 106, [41, 0, "You do not own this item.", 0]),
                ((90,), 91, [500]), ((104, 61, 0, []), 105, [61, 0, ""])):
            carol.send(*request)
            self.assertEqual(self.expect(carol, tag), refusal, request)

    def test_refill_price_0_costs_the_price_and_gifts_reach_the_followed(self):
        alice = self.player("alice", "wonderland")
        start = self.coins(alice)
        alice.send(104, 52, 258, [])
        self.expect(alice, 105)
        self.assertEqual(self.expect(alice, 91)[0], start - int(ITEMS[52][4]))
        self.expect(alice, 87)
        # A refill adds five bombs, not the item's own count (2).
        alice.send(96, 1, 100, 0)
        self.assertIn((52, 5), [(r[0], r[9]) for r in self.expect(alice, 97)[2]])
        alice.send(102, 41, 1)
        item_id, code, text, players = self.expect(alice, 103)
        self.assertEqual(sorted(p[1] for p in players), sorted(ACCOUNTS["alice"][2].split(",")))
        alice.send(104, 41, 1, [p[0] for p in players])
        self.expect(alice, 105)
        self.assertEqual(self.expect(alice, 91)[0],
                         start - int(ITEMS[52][4]) - 2 * int(ITEMS[41][5]))
        self.expect(alice, 87)
        carol = self.player("carol_k", "snowball")
        carol.send(96, 1, 100, 0)
        self.assertEqual([(r[0], r[9]) for r in self.expect(carol, 97)[2]],
                         [(41, int(ITEMS[41][9]))])

    def test_player_gift_and_spent_bomb_outlive_a_restart(self):
        alice = self.player("alice", "wonderland")
        alice.send(113, 103)
        recipient, text, records = self.expect(alice, 114)
        self.assertEqual((recipient, text), (103, ""))
        self.assertEqual(sorted(r[0] for r in records),
                         sorted(i for i in ITEMS if int(ITEMS[i][5]) > 0))
        alice.send(115, 103, 0, [11])
        self.assertEqual(self.expect(alice, 116), [103, 0, ""])
        # The giver pays the cup's gift price; Carol's 500 coins stay hers (below).
        left = int(ACCOUNTS["alice"][0]) - int(ITEMS[11][5])
        self.assertEqual(self.expect(alice, 91)[0], left)
        alice.send(101, 41, 1)
        alice.send(101, 1, 1)
        alice.send(90)
        self.expect(alice, 91)
        alice.close()
        self.server.stop()
        self.server = Server(state_dir=self.state.name)
        alice = self.player("alice", "wonderland")
        self.assertEqual(self.coins(alice), left)
        alice.send(96, 1, 100, 0)
        counts = {r[0]: r[9] for r in self.expect(alice, 97)[2]}
        # One spent by its id, one as the first counted item switched on (41 again).
        self.assertEqual(counts[41], owned("alice")[41][0] - 2)
        carol = self.player("carol_k", "snowball")
        self.assertEqual(self.coins(carol), 500)
        carol.send(96, 1, 100, 0)
        self.assertEqual([r[0] for r in self.expect(carol, 97)[2]], [11])
        # bobcat's one snow bomb spent, then once more with none left: the count stays at 0.
        bob = self.player("bobcat", "builder42")
        self.assertEqual(owned("bobcat")[41][0], 1)
        bob.send(101, 41, 1)
        bob.send(101, 41, 1)
        bob.send(96, 1, 100, 0)
        self.assertEqual({r[0]: r[9] for r in self.expect(bob, 97)[2]}, {41: 0})


if __name__ == "__main__":
    unittest.main()
