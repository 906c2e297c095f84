#!/usr/bin/python3
"""The stand-in game server: the match starts once both players are ready, game data and chat
are relayed, a result is answered with the game status, rematches and departures."""

import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import Client, ServerCase, player_records  # noqa: E402

GAME = 64


class Match(ServerCase):
    def setUp(self):
        """Two players logged in, joined and started: their lobby and game connections."""
        self.lobby = []
        for name, password in (("alice", "wonderland"), ("bobcat", "builder42")):
            client = self.server.client()
            self.addCleanup(client.close)
            client.connect()
            client.login(name, password)
            client.send(7, GAME, 0, 2)
            self.lobby.append(client)
        starts = []
        for client in self.lobby:
            while True:
                tag, values = client.receive()
                if tag == 12:
                    starts.append(values)
                    break
        self.game_id = starts[0][0]
        self.flags = [s[2] for s in starts]
        port = int(starts[0][4].split(":")[1])
        self.a, self.b = Client(port), Client(port)
        self.addCleanup(self.a.close)
        self.addCleanup(self.b.close)

    def ready(self, client, player_id, flag):
        client.send(46, 1, self.game_id, 2, flag, player_id, GAME, "2.05")

    def start(self):
        self.ready(self.a, 101, self.flags[0])
        self.a.quiet(0.2)
        self.ready(self.b, 102, self.flags[1])
        starts = [self.a.expect(12), self.b.expect(12)]
        return starts

    def test_match_starts_when_both_are_ready(self):
        starts = self.start()
        self.assertEqual([s[0] for s in starts], [self.game_id] * 2)
        self.assertEqual([s[2] for s in starts], self.flags)
        self.assertEqual(sorted(p["id"] for p in player_records(starts[0][1])), [101, 102])

    def test_game_data_and_chat_are_relayed_both_ways(self):
        self.start()
        self.a.send(13, b"\x01move")
        self.assertEqual(self.b.expect(13), [b"\x01move"])
        payload = bytes(i % 251 for i in range(32768))
        self.b.send(13, payload)
        self.assertEqual(self.a.expect(13), [payload])
        self.b.send(64, 2, "hyvää peliä \u20ac", 102)
        self.assertEqual(self.a.expect(64), [2, "hyvää peliä \u20ac", 102])
        self.a.quiet(0.2)
        self.b.quiet(0.01)

    def test_result_is_answered_with_the_game_status(self):
        self.start()
        self.a.send(15, self.game_id, GAME, 0, [101, 102], [3, 1], 1)
        self.assertEqual(self.a.expect(71), [0])
        self.b.quiet(0.2)

    def test_two_rematch_yeses_start_again_and_a_no_means_player_left(self):
        self.start()
        self.a.send(70, self.game_id, 1, 1)
        self.b.quiet(0.2)
        self.b.send(70, self.game_id, 1, 1)
        # Each player's match items come again on its lobby connection; the rematch starts
        # once both have said game ready again.
        for client in self.lobby:
            while client.receive()[0] != 93:
                pass
        self.ready(self.a, 101, self.flags[0])
        self.a.quiet(0.2)
        self.b.quiet(0.01)
        self.ready(self.b, 102, self.flags[1])
        again = [self.a.expect(12), self.b.expect(12)]
        self.assertEqual([s[0] for s in again], [self.game_id] * 2)
        self.a.send(70, self.game_id, 0, 1)
        self.assertEqual(self.b.expect(72), [self.game_id, 101])
        # Only the departure: no "match over" status sends B's client away before its battle
        # told the result; B reports its match and gets the plain status next.
        self.b.send(15, self.game_id, GAME, 0, [101, 102], [2, 1], 1)
        self.assertEqual(self.b.expect(71), [0])
        # The match is over: a late rematch yes starts nothing, a game ready for it closes.
        self.b.send(70, self.game_id, 1, 1)
        self.ready(self.b, 102, self.flags[1])
        self.assertTrue(self.b.closed_by_peer())

    def test_closing_the_game_connection_means_player_left(self):
        self.start()
        self.b.close()
        self.assertEqual(self.a.expect(72), [self.game_id, 102])

    def test_game_ready_for_another_game_or_player_closes(self):
        self.ready(self.a, 999, 0)
        self.assertTrue(self.a.closed_by_peer())
        other = Client(self.server.game_port)
        self.addCleanup(other.close)
        other.send(46, 1, self.game_id + 1000, 2, 0, 101, GAME, "2.05")
        self.assertTrue(other.closed_by_peer())


if __name__ == "__main__":
    unittest.main()
