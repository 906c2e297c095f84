#!/usr/bin/python3
"""The stand-in under a client that floods it: the other clients are served between the
flood's requests (a fresh login, a ping), a stop signal ends it during the flood, and a control
line longer than the control port's limit is refused without ending the control connection."""

import os
import signal
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import Server, encode, player_items  # noqa: E402

# Generous: a served client is answered at once; an unfair server kept it waiting 15 s or more.
DEADLINE = 10.0


def flood(client, count=1000):
    """Writes `count` global player-list requests at once (counts and batches, with and
    without a name search) and reads none of the answers."""
    requests = []
    for i in range(count):
        search = "ka%d" % (i % 10) if i % 3 == 1 else ""
        first = -1 if i % 2 else (i * 37) % 10000
        requests.append(encode(19, [0, first, 100, search, 0, 0]))
    client.sock.sendall(b"".join(requests))


class Flood(unittest.TestCase):
    def setUp(self):
        self.server = Server()
        self.addCleanup(self.server.stop)
        self.flooder = self.server.player(self)

    def test_a_fresh_login_and_a_ping_are_served_while_another_client_floods(self):
        flood(self.flooder)
        other = self.server.client()
        self.addCleanup(other.close)
        other.sock.settimeout(DEADLINE)
        self.assertEqual(other.connect()[1], 0)
        self.assertGreaterEqual(other.guest()[0], 0)
        other.send(44, 4242)
        self.assertEqual(other.expect(44, timeout=DEADLINE), [4242])
        # The flood's own answers are whole and right once its client reads: the first
        # request (a batch from 0, no search) gets the top of the list.
        values = self.flooder.expect(20, timeout=DEADLINE)
        self.assertEqual((values[1], values[2]), (0, 0))
        self.assertEqual(len(player_items(values[3])), 100)

    def test_stop_signal_ends_the_server_during_a_flood(self):
        for _ in range(3):
            flood(self.flooder)
        self.server.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.server.process.wait(DEADLINE), 0)
        self.assertTrue(self.flooder.closed_by_peer())


class Control(unittest.TestCase):
    def test_a_line_past_the_limit_is_refused_and_the_next_is_served(self):
        server = Server()
        self.addCleanup(server.stop)
        player = server.player(self)
        self.assertEqual(server.control("x" * 300000), "error line too long")
        self.assertEqual(server.control("online"), "ok %d" % player.id)
        # Just past the limit, in one write with the command after it.
        server.control_sock.sendall(b"y" * 70000 + b"\nonline\n")
        self.assertEqual(server.control_file.readline(), b"error line too long\n")
        self.assertEqual(server.control_file.readline(), b"ok %d\n" % player.id)


if __name__ == "__main__":
    unittest.main()
