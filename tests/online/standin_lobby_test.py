#!/usr/bin/python3
"""The stand-in lobby after login: pings, joining and leaving with player-list updates, the game
start to both players, player lists (tags 19 and 18) and language packs."""

import hashlib
import os
import re
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import ROOT, ServerCase, player_items, player_records  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "standin"))
import langsource  # noqa: E402

GAME = 64
PACKS = os.environ.get("ORLO_STANDIN_PACKS")


class LobbyCase(ServerCase):
    env = {"STANDIN_PING_SECONDS": "0.3"}


class Pings(LobbyCase):
    def test_server_pings_after_silence_and_takes_the_echo_without_answer(self):
        client = self.player()
        value = client.expect(44, skip=(29,))[0]
        self.assertGreaterEqual(value, 0)
        client.send(44, value)
        # The echo is not answered; the next ping comes only after another silence and
        # carries another value.
        following = client.expect(44, skip=(29,))[0]
        self.assertNotEqual(following, value)

    def test_a_client_that_keeps_pinging_still_hears_the_servers_own_pings(self):
        # The client's keep-alive goes out whenever it has heard nothing for a while; were the
        # server to ping only after hearing nothing, such a client would never hear from it
        # (and gives up on a lobby that says nothing for 60 s).
        client = self.player()
        for _ in range(200):
            client.send(44, -1)
            try:
                got, values = client.receive(timeout=0.05)
            except TimeoutError:
                continue
            if got == 44:
                self.assertGreaterEqual(values[0], 0)
                return
            self.assertIn(got, (29, 85))
        self.fail("no ping from the server while the client kept sending its own")

    def test_minus_one_is_not_answered_and_another_value_is_sent_back(self):
        client = self.player()
        client.send(44, -1)
        client.send(44, 123456)
        while True:
            value = client.expect(44, skip=(29,))[0]
            if value == 123456:
                break
            self.assertLess(value, 1000, "a ping of -1 was answered or values ran away")
            self.assertNotEqual(value, -1)


class Rooms(LobbyCase):
    def test_join_and_leave_update_the_room(self):
        first = self.player("dmitri", "ironwall")
        first.send(7, GAME + 1, 0, 2)
        update = first.expect(8)
        self.assertEqual(update[1:], [0, GAME + 1, 1])
        self.assertEqual([p["name"] for p in player_records(update[0])], ["dmitri"])
        second = self.player()
        second.send(7, GAME + 2, 0, 2)
        second.expect(8)
        second.send(9, GAME + 2)
        second.send(7, GAME + 1, 0, 2)
        # Two in the room: both hear of each other, then each gets its game start.
        self.assertEqual(len(player_records(second.expect(8)[0])), 2)
        self.assertEqual(len(player_records(first.expect(8)[0])), 2)
        first.expect(12)
        second.expect(12)

    def test_leaving_updates_the_others(self):
        first, second = self.player(), self.player()
        first.send(7, GAME + 3, 0, 2)
        first.expect(8)
        first.send(9, GAME + 3)
        first.quiet(0.2, skip=(44, 29))
        second.send(7, GAME + 3, 0, 2)
        self.assertEqual(len(player_records(second.expect(8)[0])), 1)

    def test_join_before_login_is_ignored(self):
        client = self.server.client()
        self.addCleanup(client.close)
        client.connect()
        client.send(7, GAME, 0, 2)
        client.quiet(0.3, skip=(44, 29))

    def test_game_start_reaches_both_with_one_match_flag(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        alice.send(7, GAME, 0, 2)
        alice.expect(8)
        bob.send(7, GAME, 0, 2)
        bob.expect(8)
        alice.expect(8)
        starts = [alice.expect(12), bob.expect(12)]
        game_id = starts[0][0]
        self.assertGreater(game_id, 2**32)
        self.assertEqual(starts[1][0], game_id)
        self.assertEqual(sorted(s[2] for s in starts), [0, 1])
        for start in starts:
            players = player_records(start[1])
            self.assertEqual(sorted(p["id"] for p in players), [101, 102])
            host, port = start[4].split(":")
            self.assertEqual((host, int(port)), ("127.0.0.1", self.server.game_port))
        alice_record = [p for p in player_records(starts[0][1]) if p["id"] == 101][0]
        self.assertEqual(alice_record["name"], "alice")
        self.assertEqual(alice_record["since"], "14.2.2011 18:30:05")
        self.assertEqual(alice_record["group"][:3], [1, 2480, 41])
        # The match's participants, asked by game id, come as list 256 from index 0.
        alice.send(18, game_id)
        total, first, selector, items, groups = alice.expect(20)
        self.assertEqual((total, first, selector), (2, 0, 256))
        self.assertEqual(sorted(i["name"] for i in player_items(items)), ["alice", "bobcat"])


class PlayerLists(LobbyCase):
    def test_filter_own_entry_and_online_flag(self):
        client = self.player("erin-o", "bouncy")
        client.send(19, 0, 0, 10, "CAROL", 0, 0)
        values = client.expect(20)
        self.assertEqual(values[0], 1)
        carol = player_items(values[3])[0]
        self.assertEqual((carol["name"], carol["location"], carol["flags"] & 1),
                         ("carol_k", "Oulu", 0))
        client.send(19, 32, 0, 1, "", 0, 0)
        own = player_items(client.expect(20)[3])
        self.assertEqual([(p["id"], p["flags"] & 1) for p in own], [(105, 1)])


class LanguageSources(unittest.TestCase):
    def test_accented_texts_keep_placeholders_and_own_lines_win(self):
        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "base_0000.txt"), "w", encoding="utf-8") as f:
                f.write("NAME=English\nCODE=en\n0=Name %s\\nand %d\n2=Once upon\n")
            description = os.path.join(folder, "test_0001.txt")
            with open(description, "w", encoding="utf-8") as f:
                f.write("# test\n#base: base_0000\n#accent\nNAME=Accented\nCODE=xa\n"
                        "1=Own line\n")
            self.assertEqual(langsource.build(description, folder),
                             "NAME=Accented\nCODE=xa\n0=Ñámé %s\\náñd %d\n1=Own line\n"
                             "2=Óñçé úpóñ\n")


class LanguageOverrides(unittest.TestCase):
    """A text of the stand-in's packs that replaces the program's own must say the same thing:
    the program shows it where its own text would be. Each replacement is listed here with the
    program's text it was read against; a new one, or a change on either side, fails until it
    is read again and listed."""

    # (pack, number): (the program's text, the stand-in's text), read and found to agree.
    READ = {
        ("orlolanguage_0000", 36): ("Welcome, %s!", "Hello, %s!"),
    }

    def test_every_replaced_text_was_read_against_the_programs_own(self):
        folder = os.path.join(ROOT, "data", "standin", "language")
        base_dir = os.path.join(ROOT, "data", "language")
        seen = set()
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".txt"):
                continue
            pack = name[:-4]
            _, own, directives = langsource.read_table(os.path.join(folder, name))
            self.assertIn("base", directives, name)
            _, program, _ = langsource.read_table(os.path.join(base_dir,
                                                               directives["base"] + ".txt"))
            for number, text in sorted(own.items()):
                seen.add((pack, number))
                self.assertIn(number, program, "%s adds text %d, which the program does not "
                              "have" % (name, number))
                self.assertEqual(self.READ.get((pack, number)), (program[number], text),
                                 "%s replaces text %d %r with %r: read it against the "
                                 "program's text" % (name, number, program[number], text))
        listed = {key for key in self.READ if key[1] is not None}
        self.assertEqual(listed - seen, set(), "listed replacements that are gone")


@unittest.skipUnless(PACKS, "ORLO_STANDIN_PACKS does not name the built packs")
class LanguagePacks(LobbyCase):
    def setUp(self):
        self.assertTrue(os.path.isdir(PACKS), "the stand-in's packs are not built: " + PACKS)

    def test_offered_packs_are_the_built_files(self):
        client = self.server.client()
        self.addCleanup(client.close)
        client.connect()
        records = client.expect(29, skip=(44,))[0]
        offered = {(code, kind): (digest, number) for code, kind, digest, number in records}
        files = {("en", "orlolanguage"): "orlolanguage_0000.dmp",
                 ("xa", "orlolanguage"): "orlolanguage_0001.dmp",
                 ("xa", "game"): "zorbixlanguage_0001.dmp"}
        self.assertEqual(set(offered), set(files))
        for (code, kind), name in files.items():
            with open(os.path.join(PACKS, name), "rb") as f:
                data = f.read()
            digest, number = offered[(code, kind)]
            self.assertEqual(digest, hashlib.md5(data).hexdigest())
            self.assertEqual(number, int(name[-8:-4]))
            client.send(30, code.upper(), kind)
            self.assertEqual(client.expect(31, skip=(44,)),
                             [code, kind, digest, number, data])
        # The packs hold the texts as the program reads them: UTF-16, CR LF, the header.
        with open(os.path.join(PACKS, "orlolanguage_0001.dmp"), "rb") as f:
            raw = f.read()
        self.assertIn("CODE=xa\r\n".encode("utf-16-le"), raw)
        self.assertIn("0=Órlógáté\r\n".encode("utf-16-le"), raw)

    def test_every_text_of_the_player_challenge_and_chat_pages_has_its_second_language(self):
        """Layout captions of those pages and the texts their handlers show: each in the
        accented pack, different from English, with the same placeholders in the same order."""
        with open(os.path.join(PACKS, "orlolanguage_0001.dmp"), "rb") as f:
            raw = f.read()
        text = next(raw[start:].decode("utf-16-le", "replace") for start in (0, 1)
                    if "CODE=xa\r\n" in raw[start:].decode("utf-16-le", "replace"))
        accented = dict(re.findall(r"^([0-9]+)=(.*?)\r?$", text, re.M))
        english = {}
        with open(os.path.join(ROOT, "data", "language", "orlolanguage_0000.txt"),
                  encoding="utf-8") as f:
            for line in f:
                match = re.match(r"^([0-9]+)=(.*)$", line.rstrip("\n"))
                if match:
                    english[match.group(1)] = match.group(2)
        used = {"3", "4", "5", "6", "7", "8", "9", "37", "38", "39", "40", "41", "180", "181",
                "182", "183", "198", "199"}
        for page in ("menu_players.xml", "menu_challenges.xml", "menu_chat.xml"):
            with open(os.path.join(ROOT, "data", "layouts", page), encoding="latin-1") as f:
                used |= set(re.findall(r'(?:local|title)="([0-9]+)"', f.read()))
        self.assertIn("700", used)
        for number in sorted(used, key=int):
            self.assertIn(number, english, number)
            self.assertIn(number, accented, number)
            self.assertNotEqual(english[number], accented[number], number)
            self.assertEqual(re.findall(r"%[sd]", english[number]),
                             re.findall(r"%[sd]", accented[number]), number)

    def test_the_greeting_after_a_login_suits_a_new_player_too(self):
        """Text 36 greets every login, the first after a registration included."""
        with open(os.path.join(PACKS, "orlolanguage_0000.dmp"), "rb") as f:
            raw = f.read()
        text = next(raw[start:].decode("utf-16-le", "replace") for start in (0, 1)
                    if "CODE=en\r\n" in raw[start:].decode("utf-16-le", "replace"))
        greeting = re.search(r"^36=(.*?)\r?$", text, re.M).group(1)
        self.assertEqual(greeting.count("%s"), 1)
        self.assertNotIn("back", greeting.lower())

    def test_unknown_pack_gets_no_answer(self):
        client = self.server.client()
        self.addCleanup(client.close)
        client.connect()
        client.send(30, "zz", "orlolanguage")
        client.quiet(0.3, skip=(29, 44))


if __name__ == "__main__":
    unittest.main()
