#!/usr/bin/python3
"""The stand-in lobby's connect and logins, driven by the pyasn1 test client: challenge, stored
and guest logins, refusals, name check and registration, external login, redirects."""

import hashlib
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import (Server, ServerCase, connect_values, credential,  # noqa: E402
                            player_items)

# Salts of the authored accounts (data/standin/accounts.txt), for credentials computed here.
ALICE_SALT = "Kq3vZ8pLm2Xa"
REGISTRATION = {-1: "The name is not available.", -2: "The e-mail address is already in use.",
                -3: "The e-mail address is not valid.", -4: "The password is missing."}


class ConnectAndLogin(ServerCase):
    def connected(self):
        client = self.server.client()
        self.addCleanup(client.close)
        self.assertEqual(client.connect(), ["", 0, "", 1])
        return client

    def test_challenge_is_the_salt_and_the_response_is_the_credential(self):
        client = self.connected()
        client.send(57, "alice")
        self.assertEqual(client.expect(58), [ALICE_SALT])
        response = hashlib.md5(b"wonderland" + ALICE_SALT.encode()).hexdigest()
        client.send(5, "alice", response, 1, "")
        reply = client.expect(6)
        self.assertEqual(reply[0], 101)
        self.assertEqual(reply[3], "alice")
        self.assertRegex(reply[1], "^[0-9a-f]{32}$")

    def test_stored_response_logs_in_without_a_challenge(self):
        client = self.connected()
        client.send(5, "alice", credential("wonderland", ALICE_SALT), 1, "")
        self.assertEqual(client.expect(6)[0], 101)

    def test_each_refused_login_carries_its_result_and_text(self):
        client = self.connected()
        for name in ("nobody", "Guestbeta"):  # no account's, nor a guest's ("guest" in small)
            client.send(57, name)
            self.assertEqual(client.expect(58), [""], name)
        # The demo accounts' refusals: their own results; a text only where the account has one.
        for name, password, refusal in (
                ("alice", "wonderlanD", [-2, "Wrong password."]),
                ("Alice", "Wonderland", [-2, "Wrong password."]),
                ("nobody", "x", [-3, "Unknown user name."]),
                ("Guestbeta", "x", [-3, "Unknown user name."]),
                ("alice_", "wonderland", [-3, "Unknown user name."]),
                ("frozen", "icecold", [-4, ""]), ("oldtimer", "sepia", [-7, ""]),
                ("locked", "closed", [-8, "This account is locked. Please contact support."])):
            self.assertEqual(client.login(name, password)[:2], refusal, name)

    def test_a_name_logs_in_in_any_letter_case_and_with_spaces_around(self):
        # No two accounts differ in case only (the name check), so the typed case is no secret.
        for typed in ("Alice", " ALICE ", "alice\t"):
            reply = self.connected().login(typed, "wonderland")
            self.assertEqual([reply[0], reply[3]], [101, "alice"], repr(typed))

    def test_guests_get_distinct_ids_and_names(self):
        first, second = self.connected(), self.connected()
        a, b = first.guest("g-1"), second.guest("g-2")
        self.assertGreaterEqual(a[0], 0)
        self.assertNotEqual(a[0], b[0])
        self.assertTrue(a[3].startswith("Guest"))
        self.assertNotEqual(a[3], b[3])
        # The same guest credentials come back as the same guest.
        third = self.connected()
        self.assertEqual(third.guest("g-1")[:4:3], a[:4:3])

    def test_the_same_guest_counter_on_two_devices_is_two_guests(self):
        # Each device's first guest logs in as counter 0; only the device tells them apart.
        one, other, again = (self.server.client() for _ in range(3))
        for client, imei in ((one, "111111111111111"), (other, "222222222222222"),
                             (again, "111111111111111")):
            self.addCleanup(client.close)
            values = connect_values()
            values[12] = imei
            client.send(0, *values)
            self.assertEqual(client.expect(2), ["", 0, "", 1])
        first, second = one.guest(0), other.guest(0)
        self.assertNotEqual(first[0], second[0])
        self.assertEqual(again.guest(0)[0], first[0])

    def test_a_guest_name_typed_in_the_login_form_gets_a_challenge_and_logs_in(self):
        client = self.connected()
        reply = client.login("guestbeta", "anything")  # challenge, response, reply
        self.assertGreaterEqual(reply[0], 0)
        self.assertTrue(reply[3].startswith("Guest"))
        self.assertEqual(self.connected().login("guestbeta", "anything")[0], reply[0])

    def test_login_elsewhere_logs_the_first_connection_out(self):
        first, second = self.connected(), self.connected()
        self.assertEqual(first.login("carol_k", "snowball")[0], 103)
        self.assertEqual(second.login("carol_k", "snowball")[0], 103)
        update = first.expect(8)
        self.assertEqual(update[1], -2)

    def test_external_login(self):
        client = self.connected()
        client.send(111, 1, "g-100200300", "webtoken-abc", "", "")
        self.assertEqual(client.expect(6)[0], 109)
        # The client shows the texts of -1 and -8 as they come.
        client.send(111, 1, "g-100200300", "forged", "", "")
        self.assertEqual(client.expect(6)[:2], [-1, "The external login was not accepted."])
        client.send(111, 1, "g-unknown", "tok", "", "")
        self.assertEqual(client.expect(6)[:2],
                         [-8, "No account is linked to this login yet. Please register."])
        # An account of the web login has no password to log in with.
        client.send(5, "webuser", "", 1, "")
        self.assertEqual(client.expect(6)[:2], [-2, "Wrong password."])

    def test_logout_takes_the_player_offline(self):
        client, watcher = self.connected(), self.connected()
        watcher.guest()
        self.assertEqual(client.login("dmitri", "ironwall")[0], 104)
        watcher.send(19, 0, 0, 1, "dmitri", 0, 0)
        self.assertEqual(player_items(watcher.expect(20)[3])[0]["flags"] & 1, 1)
        client.send(59)
        client.send(7, 64, 0, 2)
        client.quiet(0.2, skip=(29, 44))
        watcher.send(19, 0, 0, 1, "dmitri", 0, 0)
        self.assertEqual(player_items(watcher.expect(20)[3])[0]["flags"] & 1, 0)

    def test_language_list_follows_the_connect_acknowledgement(self):
        client = self.server.client()
        self.addCleanup(client.close)
        client.connect()
        tag, values = client.receive()
        self.assertEqual(tag, 29)


class Registration(unittest.TestCase):
    def test_registered_account_logs_in_with_its_hash_and_outlives_a_restart(self):
        with tempfile.TemporaryDirectory() as state:
            server = Server(state_dir=state)
            try:
                client = server.client()
                client.connect()
                # Taken (1) in any letter case, as is a name beginning with the guests' "guest";
                # no name (2) outside 4..15 letters, digits, "-" and "_"; free (0 and a salt)
                # until registered.
                for name, result in (("alice", 1), ("ALICE", 1), ("Carol_K", 1), ("Guest", 1),
                                     ("guest", 1), ("guest_1", 1), ("GuestBob", 1),
                                     ("my_guest", 0), (" alice ", 2),
                                     ("abc", 2), ("a" * 16, 2), ("new one", 2), ("a@b.org", 2),
                                     ("NEWBIE_7", 0), ("newbie_7", 0)):
                    client.send(107, name)
                    answer, salt = client.expect(108)
                    self.assertEqual([answer, salt != ""], [result, result == 0], name)
                registered = credential("s3cret", salt)
                # -1 a name not checked or taken since, -2 an address in use (as a person types
                # it), -3 no address or a guest's, -4 no password hash; 0 and the name.
                for name, email, hashed, result in (
                        ("newbie_8", "new@example.org", registered, -1),
                        ("newbie_7", "no-at-sign", registered, -3),
                        ("newbie_7", "@example.org", registered, -3),
                        ("newbie_7", "Guest7@example.org", registered, -3),
                        ("newbie_7", "alice@example.org", registered, -2),
                        ("newbie_7", " Alice@Example.ORG ", registered, -2),
                        ("newbie_7", "new@example.org", "", -4),
                        ("newbie_7", "new@example.org", registered, 0),
                        ("newbie_7", "new@example.org", registered, -1),
                        ("NEWBIE_7", "other@example.org", registered, -1)):
                    client.send(109, name, email, hashed, 0, "", "")
                    self.assertEqual(client.expect(110), [result, REGISTRATION.get(result, name)],
                                     (name, email))
                client.close()
                # A new connection, as the client's reconnect makes: the hash without a
                # challenge, then a challenge login with the typed password.
                again = server.client()
                again.connect()
                again.send(5, "newbie_7", registered, 1, "")
                player_id = again.expect(6)[0]
                self.assertGreaterEqual(player_id, 0)
                again.close()
            finally:
                self.assertEqual(server.stop(), 0)
            with open(os.path.join(state, "state.json")) as f:
                kept = json.load(f)
            self.assertTrue(any(line.startswith("newbie_7|%s|%s|" % (salt, registered))
                                for line in kept["accounts"]))
            # Nothing left over but the state and the lock a service holds while it runs.
            self.assertEqual(sorted(os.listdir(state)), ["service.lock", "state.json"])
            server = Server(state_dir=state)
            try:
                client = server.client()
                client.connect()
                self.assertEqual(client.login("newbie_7", "s3cret")[0], player_id)
                client.close()
            finally:
                server.stop()

    def test_external_registration_links_the_login(self):
        server = Server()
        try:
            client = server.client()
            client.connect()
            for name in ("webfan2", "webfan"):
                client.send(107, name)
                result, salt = client.expect(108)
                self.assertEqual(result, 0)
            # -4 without a token, or for an external id that an account holds already.
            for name, token, result in (("webfan", "", -4), ("webfan", "tok-9", 0),
                                        ("webfan2", "tok-9", -4)):
                client.send(109, name, "", salt, 2, token, "ext-9")
                self.assertEqual(client.expect(110), [result, name] if result == 0 else [
                    result, "The external login is missing or already linked."])
            client.send(111, 2, "ext-9", "tok-9", "", "")
            self.assertEqual(client.expect(6)[3], "webfan")
            client.send(5, "webfan", salt, 1, "")
            self.assertEqual(client.expect(6)[0], -2)
            client.close()
        finally:
            server.stop()


class Refusals(unittest.TestCase):
    def connect_with(self, *arguments):
        server = Server(*arguments)
        self.addCleanup(server.stop)
        client = server.client()
        self.addCleanup(client.close)
        return server, client.connect()

    def test_refuse_gives_result_minus_one_with_a_text(self):
        _, ack = self.connect_with("--fault", "refuse")
        self.assertEqual(ack[1], -1)
        self.assertTrue(ack[2])

    def test_outdated_gives_another_negative_result_with_an_error_text(self):
        _, ack = self.connect_with("--fault", "outdated")
        self.assertEqual(ack[1], -2)
        self.assertTrue(ack[0])

    def test_redirect_names_the_second_lobby(self):
        second, _ = self.connect_with("--second-lobby")
        target = "127.0.0.1:%d" % second.lobby_port
        _, ack = self.connect_with("--redirect-to", target)
        self.assertEqual(ack[1:3], [-3, target])
        client = second.client()
        self.addCleanup(client.close)
        self.assertEqual(client.connect(), ["", 0, "", 2])

    def test_redirect_text_goes_out_as_given(self):
        _, ack = self.connect_with("--redirect-to", "localhost")
        self.assertEqual(ack[1:3], [-3, "localhost"])


if __name__ == "__main__":
    unittest.main()
