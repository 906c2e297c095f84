#!/usr/bin/python3
"""The stand-in's fault modes as they show on the wire, and its shutdown and input bounds."""

import os
import signal
import socket
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import WAIT, Client, Server, credential, encode, connect_values  # noqa: E402


class FaultCase(unittest.TestCase):
    fault = None

    def setUp(self):
        arguments = ("--fault", self.fault) if self.fault else ()
        self.server = Server(*arguments)
        self.addCleanup(self.server.stop)
        self.client = self.server.client()
        self.addCleanup(self.client.close)


class OneByteWrites(FaultCase):
    fault = "one-byte-writes"

    def test_messages_arrive_whole_over_many_small_reads(self):
        self.assertEqual(self.client.connect(), ["", 0, "", 1])
        self.assertEqual(self.client.login("alice", "wonderland")[0], 101)
        # The acknowledgement alone is 12 octets; written one at a time, the reads are small.
        self.assertGreater(len(self.client.chunks), 12)
        self.assertLessEqual(min(self.client.chunks), 2)


class Coalesce(FaultCase):
    fault = "coalesce"

    def test_several_messages_come_in_one_read(self):
        # The first read returns with the server's first write: both answers are in it.
        self.client.send(0, *connect_values())
        self.client.sock.settimeout(WAIT)
        chunk = self.client.sock.recv(65536)
        self.client.held = chunk
        tags = [self.client.receive()[0], self.client.receive()[0]]
        self.assertEqual(tags, [2, 29])
        self.assertEqual(self.client.held, b"")


class CloseMidMessage(FaultCase):
    fault = "close-mid-message"

    def test_login_reply_is_cut_and_the_connection_closed(self):
        self.assertEqual(self.client.connect()[1], 0)
        self.client.expect(29)
        self.client.send(5, "alice", credential("wonderland", "Kq3vZ8pLm2Xa"), 1, "")
        self.assertIsNone(self.client.read_octets())
        self.assertEqual(self.client.held[0], 0xA6)
        self.assertGreater(len(self.client.held), 0)


class OversizedLength(FaultCase):
    fault = "oversized-length"

    def test_first_message_claims_more_than_any_buffer(self):
        self.client.send(0, *connect_values())
        self.client.sock.settimeout(WAIT)
        head = b""
        while len(head) < 6:
            head += self.client.sock.recv(64)
        self.assertEqual(head[:6], bytes.fromhex("a2847fffffff"))


class Silent(FaultCase):
    fault = "silent"

    def test_accepts_and_never_answers(self):
        self.client.send(0, *connect_values())
        self.client.sock.settimeout(0.5)
        with self.assertRaises(socket.timeout):
            self.client.sock.recv(64)
        # Never read: what the client writes piles up until its writes would block.
        self.client.sock.setblocking(False)
        sent = 0
        with self.assertRaises(BlockingIOError):
            for _ in range(100000):
                sent += self.client.sock.send(b"\x00" * 65536)
        self.assertGreater(sent, 0)


class HangAndResume(FaultCase):
    """The control port's hang: a logged-in client and a new one are accepted and wait; after
    resume both are answered, in order, and the logged-in one was not pushed off."""

    def test_nothing_is_answered_while_hung_and_everything_after(self):
        self.assertEqual(self.client.connect()[1], 0)
        self.assertGreater(self.client.login("alice", "wonderland")[0], 0)
        self.assertEqual(self.server.control("hang"), "ok")
        self.client.send(44, 7)  # a ping the server echoes
        late = self.server.client()
        self.addCleanup(late.close)
        late.send(0, *connect_values())
        for client in (self.client, late):
            client.sock.settimeout(0.5)
            with self.assertRaises(socket.timeout):
                client.sock.recv(64)
        self.assertEqual(self.server.control("online"), "ok 101")
        self.assertEqual(self.server.control("resume"), "ok")
        self.assertEqual(self.client.expect(44, skip=(29, 85)), [7])
        self.client.send(44, 7)  # its echo, not answered again: the next ping back is 8
        self.client.send(44, 8)
        self.assertEqual(self.client.expect(44, skip=(29, 85)), [8])
        self.assertEqual(late.expect(2)[1], 0)
        self.assertEqual(late.login("bobcat", "builder42")[0], 102)


class Bounds(FaultCase):
    def test_announced_message_above_the_bound_closes(self):
        self.client.send_raw(bytes.fromhex("bf0d8400100000"))
        self.assertTrue(self.client.closed_by_peer())

    def test_malformed_message_is_dropped_and_the_next_is_served(self):
        # A login whose field [0] claims more octets than the message holds.
        self.client.send_raw(bytes.fromhex("a50380057a"))
        self.assertEqual(self.client.connect()[1], 0)

    def test_message_split_anywhere_is_read_once(self):
        octets = encode(0, connect_values()) + encode(57, ["alice"])
        for byte in octets:
            self.client.send_raw(bytes([byte]))
        self.assertEqual(self.client.expect(2)[1], 0)
        self.assertEqual(self.client.expect(58), ["Kq3vZ8pLm2Xa"])

    def test_sigterm_ends_cleanly_and_closes_clients(self):
        self.client.connect()
        self.server.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.server.process.wait(WAIT), 0)
        self.assertTrue(self.client.closed_by_peer())
        self.assertIn("stopping", self.server.log_text())

    def test_one_log_line_per_message(self):
        self.client.connect()
        self.client.login("alice", "wonderland")
        self.client.quiet(0.1, skip=(29, 44))
        log = self.server.log_text()
        for line in ("< 0 connect request", "> 2 ", "> 29 ", "< 57 login challenge request",
                     "> 58 ", "< 5 login", "> 6 "):
            self.assertIn(line, log)


if __name__ == "__main__":
    unittest.main()
