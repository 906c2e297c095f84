#!/usr/bin/python3
"""Challenges through the stand-in lobby: received with the challenger's avatar, accepted
(game start to both), declined, withdrawn, and refused for busy, blocked and offline players;
the game server's leave status, the results kept for the own page and the counts they
change."""

import os
import subprocess
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from standin_client import ACCOUNTS, ServerCase, player_items  # noqa: E402

GAME = 64


class ChallengeCase(ServerCase):
    each = True

    def challenge(self, challenger, target):
        challenger.send(38, GAME, [target.id], "")
        received = target.expect(39)
        self.assertEqual(received[1], challenger.id)
        return received


class Answers(ChallengeCase):
    # The service's clock moves only when a test moves it (the lapse of a game start).
    env = {"STANDIN_CLOCK": "manual"}

    def test_received_with_rank_score_and_avatar_then_accepted(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        received = self.challenge(alice, bob)
        self.assertEqual(received[2:], ["alice", "Helsinki", 1, 2480])
        self.assertEqual(bob.expect(85, skip=(29, 44))[0], 101)
        bob.send(40, 1, GAME, bob.id, alice.id, "", "")
        for client in (bob, alice):
            reply = client.expect(40)
            self.assertEqual([reply[0], reply[2], reply[4]], [1, 102, "bobcat"])
        starts = [alice.expect(12), bob.expect(12)]
        self.assertEqual(starts[0][0], starts[1][0])
        # Both are now in a match: a third player finds them busy.
        carol = self.player("carol_k", "snowball")
        carol.send(38, GAME, [alice.id], "")
        self.assertEqual(carol.expect(40)[0:3], [2, GAME, 101])
        # Neither comes to the game server: 29 s on they are still held; 31 s on the start has
        # lapsed, and carol's challenge reaches alice.
        self.assertEqual(self.server.control("clock 29").split()[0], "ok")
        carol.send(38, GAME, [alice.id], "")
        self.assertEqual(carol.expect(40)[0:3], [2, GAME, 101])
        self.assertEqual(self.server.control("clock 2").split()[0], "ok")
        carol.send(38, GAME, [alice.id], "")
        self.assertEqual(alice.expect(39)[1:3], [carol.id, "carol_k"])

    def test_a_repeated_challenge_is_the_same_one_and_its_acceptance_is_the_first_answer(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        self.challenge(alice, bob)
        # A second press sends it again: Alice is not told that Bob is busy (her own-entry
        # answer comes next), and Bob gets no second challenge.
        alice.send(38, GAME, [bob.id], "")
        alice.send(19, 32, 0, 1, "", 0, 0)
        alice.expect(20)
        bob.send(40, 1, GAME, bob.id, alice.id, "", "")
        self.assertEqual(bob.expect(40)[0:3], [1, GAME, 102])
        self.assertEqual(alice.expect(40)[0:3], [1, GAME, 102])
        self.assertEqual(alice.expect(12)[0], bob.expect(12)[0])

    def test_a_decline_goes_to_both_and_a_withdrawal_is_echoed_and_closes_the_dialog(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        # Bob declines: both hear his 0. Alice withdraws: her 0 is echoed, Bob hears 2.
        for sender, to_alice, to_bob in ((bob, [0, GAME, 102], [0, GAME, 102]),
                                         (alice, [0, GAME, 101], [2, GAME, 102])):
            self.challenge(alice, bob)
            sender.send(40, 0, GAME, sender.id, alice.id, "", "")
            self.assertEqual(alice.expect(40)[0:3], to_alice)
            self.assertEqual(bob.expect(40)[0:3], to_bob)
        # The withdrawn challenge can no longer be accepted: the acceptance is refused as the
        # withdrawal was, and no game starts.
        bob.send(40, 1, GAME, bob.id, alice.id, "", "")
        self.assertEqual(bob.expect(40)[0:3], [2, GAME, 102])
        bob.quiet(0.3, skip=(29, 44, 85))
        alice.quiet(0.2, skip=(29, 44, 85))

    def test_an_answer_to_a_challenge_the_lobby_never_held_is_refused(self):
        # As after the lobby's restart: Bob answers the challenge of Alice's earlier session.
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        for answer in (1, 0):
            bob.send(40, answer, GAME, bob.id, alice.id, "", "")
            reply = bob.expect(40)
            self.assertEqual([reply[0], reply[2], reply[4]], [2, 102, "bobcat"])
        alice.quiet(0.2, skip=(29, 44, 85))
        self.assertIn("answer to no pending challenge from 101: refused",
                      self.server.log_text())
        # The refusal leaves Bob free: a new challenge reaches him.
        self.challenge(alice, bob)


class Refusals(ChallengeCase):
    def test_busy_blocked_offline_and_unknown_players_are_answered_at_once(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        carol = self.player("carol_k", "snowball")
        erin = self.player("erin-o", "bouncy")
        guest = self.server.player(self)
        bob.send(7, GAME, 0, 2)
        bob.expect(8)
        carol.send(76, alice.id, 1)
        carol.send(90)
        carol.expect(91)
        self.challenge(guest, erin)
        # Busy (2): in a room, seeded online, herself, holding a challenge, waiting for an
        # answer. Blocked or offline (3): blocks her, logged out, seeded offline, no player.
        # Seeded players 200000 and 200001 by the rules of data/standin/players.txt.
        refusals = [(102, 2, "bobcat"), (200000, 2, "Kaka0"), (101, 2, "alice"),
                    (105, 2, "erin-o"), (guest.id, 2, guest.name), (103, 3, "carol_k"),
                    (104, 3, "dmitri"), (200001, 3, "Loka1"), (999999, 3, "")]
        alice.send(38, GAME, [target for target, _, _ in refusals], "")
        for target, answer, name in refusals:
            self.assertEqual(alice.expect(40)[0:5], [answer, GAME, target, 101, name])
        for client in (carol, erin):
            client.quiet(0.2, skip=(29, 44, 85))
        # Erin logs out holding the guest's challenge: for the guest she is gone (3).
        erin.send(59)
        self.assertEqual(guest.expect(40)[0:5], [3, GAME, 105, guest.id, "erin-o"])


class MatchEnd(ChallengeCase):
    def start(self):
        alice = self.player("alice", "wonderland")
        bob = self.player("bobcat", "builder42")
        self.challenge(alice, bob)
        bob.send(40, 1, GAME, bob.id, alice.id, "", "")
        alice.expect(40)
        bob.expect(40)
        game_id = alice.expect(12)[0]
        bob.expect(12)
        games = []
        for client, flag in ((alice, 1), (bob, 0)):
            game = self.server.client(game=True)
            self.addCleanup(game.close)
            game.send(46, 1, game_id, 2, flag, client.id, GAME, "2.05")
            games.append(game)
        for game in games:
            game.expect(12)
        return alice, bob, games, game_id

    def test_results_are_kept_once_per_match_and_player(self):
        alice, bob, (game_a, game_b), game_id = self.start()
        before = int(self.server.control("results alice").split()[1])
        # Places: alice 1, bob 2.
        game_a.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
        self.assertEqual(game_a.expect(71), [0])
        game_a.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
        self.assertEqual(game_a.expect(71), [0])
        game_b.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
        self.assertEqual(game_b.expect(71), [0])
        self.assertEqual(self.server.control("results alice"), "ok %d" % (before + 1))
        alice.send(74, GAME, 1)
        self.assertEqual(alice.expect(75)[0][0][1:5], [1, 100, 0, "bobcat"])
        bob.send(74, GAME, 1)
        self.assertEqual(bob.expect(75)[0][0][1:5], [-1, 0, 0, "alice"])

    def ready_again(self, players, game_id):
        """After two rematch yeses: each player's match items come again (parent 1024), then
        game ready from both starts the rematch."""
        for lobby, game, flag in players:
            while True:
                tag, values = lobby.receive()
                if tag == 93:
                    break
            self.assertEqual(values[0], 1024)
            game.send(46, 1, game_id, 2, flag, lobby.id, GAME, "2.05")
        for _, game, _ in players:
            self.assertEqual(game.expect(12, skip=(44,))[0], game_id)

    def counts(self, client, name):
        """(wins, ties, losses, score) of the player as the lobby's list shows it to client."""
        client.send(19, 0, 0, 5, name, 0, 0)
        item = next(p for p in player_items(client.expect(20, skip=(44, 85))[3])
                    if p["name"] == name)
        rank, score, wins, losses, ties = item["group"][1:6]
        return wins, ties, losses, score

    def test_results_count_in_both_players_wins_ties_losses_and_score(self):
        """From the authored counts: a win adds 100 points, a tie 50, a loss none."""
        authored = {}
        with open(ACCOUNTS, encoding="utf-8") as f:
            for line in f:
                parts = line.rstrip("\n").split("|")
                if len(parts) == 13 and parts[0] in ("alice", "bobcat"):
                    score, wins, losses, ties = (int(v) for v in parts[7:11])
                    authored[parts[0]] = (wins, ties, losses, score)
        self.assertEqual(len(authored), 2)
        alice, bob, (game_a, game_b), game_id = self.start()
        # Alice wins the first match (each reports it), the rematch is a tie.
        for game in (game_a, game_b):
            game.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
            self.assertEqual(game.expect(71), [0])
        a_wins, a_ties, a_losses, a_score = authored["alice"]
        b_wins, b_ties, b_losses, b_score = authored["bobcat"]
        self.assertEqual(self.counts(alice, "alice"),
                         (a_wins + 1, a_ties, a_losses, a_score + 100))
        self.assertEqual(self.counts(alice, "bobcat"), (b_wins, b_ties, b_losses + 1, b_score))
        for game in (game_a, game_b):
            game.send(70, game_id, 1, 1)
        self.ready_again(((alice, game_a, 1), (bob, game_b, 0)), game_id)
        for game in (game_a, game_b):
            game.send(15, game_id, GAME, 0, [101, 102], [1, 1], 1)
            self.assertEqual(game.expect(71), [0])
        self.assertEqual(self.counts(bob, "alice"),
                         (a_wins + 1, a_ties + 1, a_losses, a_score + 150))
        self.assertEqual(self.counts(bob, "bobcat"),
                         (b_wins, b_ties + 1, b_losses + 1, b_score + 50))
        # Bob's own entry carries them too.
        bob.send(19, 32, 0, 1, "", 0, 0)
        own = player_items(bob.expect(20, skip=(44, 85))[3])[0]
        self.assertEqual(own["group"][2:6], [b_score + 50, b_wins, b_losses + 1, b_ties + 1])

    def test_the_participants_come_with_their_avatars(self):
        alice, bob, games, game_id = self.start()
        alice.send(18, game_id)
        values = alice.expect(20, skip=(44, 85))
        self.assertEqual(values[0:3], [2, 0, 256])
        self.assertEqual([p["name"] for p in player_items(values[3])], ["alice", "bobcat"])
        avatars = [alice.expect(85, skip=(44,))[0] for _ in range(2)]
        self.assertEqual(sorted(avatars), [101, 102])

    def test_two_rematch_yeses_start_again_and_each_match_counts_once(self):
        alice, bob, (game_a, game_b), game_id = self.start()
        before = int(self.server.control("results bobcat").split()[1])
        game_b.send(15, game_id, GAME, 0, [101, 102], [2, 1], 1)
        self.assertEqual(game_b.expect(71), [0])
        game_a.send(70, game_id, 1, 1)
        game_a.quiet(0.2, skip=(44,))
        game_b.send(70, game_id, 1, 1)
        # The rematch starts under the lobby's game id, on the game connections.
        self.ready_again(((alice, game_a, 1), (bob, game_b, 0)), game_id)
        for _ in range(2):
            game_b.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
            self.assertEqual(game_b.expect(71), [0])
        self.assertEqual(self.server.control("results bobcat"), "ok %d" % (before + 2))
        bob.send(74, GAME, 2)
        self.assertEqual([r[1:5] for r in bob.expect(75)[0]],
                         [[-1, 0, 0, "alice"], [1, 100, 0, "alice"]])

    def test_a_no_ends_the_match_and_a_later_yes_starts_nothing(self):
        alice, bob, (game_a, game_b), game_id = self.start()
        game_a.send(70, game_id, 0, 1)
        self.assertEqual(game_b.expect(72), [game_id, 101])
        game_b.send(70, game_id, 1, 1)
        game_a.send(70, game_id, 1, 1)
        game_b.quiet(0.3, skip=(44,))

    def test_the_one_who_stays_hears_of_the_departure_only(self):
        # No "match over" status (bit 0) that would send the stayer's client to its start page
        # before its battle tells the win: its own result is answered with the plain status.
        alice, bob, (game_a, game_b), game_id = self.start()
        game_b.send(70, game_id, 0, 1)
        self.assertEqual(game_a.expect(72), [game_id, 102])
        game_a.send(15, game_id, GAME, 0, [101, 102], [1, 2], 1)
        self.assertEqual(game_a.expect(71), [0])


class ScriptedPeer(ChallengeCase):
    def test_peer_accepts_plays_and_echoes_chat(self):
        peer = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "standin_peer.py"), "--port-file",
             os.path.join(self.server.dir.name, "ports"), "--login", "bobcat", "builder42",
             "--echo-chat"], stdout=subprocess.PIPE, text=True)
        self.addCleanup(peer.stdout.close)
        self.addCleanup(peer.wait)
        self.addCleanup(peer.terminate)
        self.assertTrue(peer.stdout.readline().startswith("logged in 102"))
        alice = self.player("alice", "wonderland")
        alice.send(38, GAME, [102], "")
        self.assertEqual(alice.expect(40)[0:3], [1, GAME, 102])
        start = alice.expect(12)
        game = self.server.client(game=True)
        self.addCleanup(game.close)
        game.send(46, 1, start[0], 2, start[2], alice.id, GAME, "2.05")
        game.expect(12)
        game.send(64, 2, "hello there", alice.id)
        self.assertEqual(game.expect(64), [2, "hello there", 102])


if __name__ == "__main__":
    unittest.main()
