#!/usr/bin/python3
"""One stand-in service per state directory: a second one started on a directory that a running
service holds ends at once, naming the first, and leaves the state alone; the directory is
free again once the first has ended, however it ends."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import SERVER, Server, credential  # noqa: E402


class OneServicePerState(unittest.TestCase):
    def setUp(self):
        self.state = tempfile.TemporaryDirectory()
        self.addCleanup(self.state.cleanup)

    def second_service(self):
        """Runs a service on the state directory to its end: its exit code and log."""
        with tempfile.TemporaryDirectory() as folder:
            ports = os.path.join(folder, "ports")
            done = subprocess.run([sys.executable, SERVER, "--port-file", ports, "--state-dir",
                                   self.state.name], stdin=subprocess.DEVNULL,
                                  stderr=subprocess.PIPE, text=True, timeout=30)
            self.assertFalse(os.path.exists(ports), "the second service listened")
        return done.returncode, done.stderr

    def registered(self, server, name):
        client = server.client()
        self.addCleanup(client.close)
        client.connect()
        client.send(107, name)
        result, salt = client.expect(108)
        self.assertEqual(result, 0)
        client.send(109, name, name + "@example.org", credential("pw", salt), 0, "", "")
        self.assertEqual(client.expect(110), [0, name])

    def kept_accounts(self):
        with open(os.path.join(self.state.name, "state.json")) as f:
            return "\n".join(json.load(f)["accounts"])

    def test_a_second_service_ends_at_once_naming_the_first_and_leaves_its_state(self):
        first = Server(state_dir=self.state.name)
        self.addCleanup(first.stop)
        self.registered(first, "early_1")
        code, log = self.second_service()
        self.assertNotEqual(code, 0)
        self.assertIn("pid %d on port %d" % (first.process.pid, first.lobby_port), log)
        # The first goes on and its changes are the state's.
        self.registered(first, "late_2")
        self.assertEqual(first.stop(), 0)
        kept = self.kept_accounts()
        self.assertIn("early_1|", kept)
        self.assertIn("late_2|", kept)

    def test_the_state_is_free_once_its_service_ended_even_killed(self):
        first = Server(state_dir=self.state.name)
        self.addCleanup(first.stop)
        self.registered(first, "early_1")
        first.process.send_signal(signal.SIGKILL)
        first.process.wait()
        second = Server(state_dir=self.state.name)
        self.addCleanup(second.stop)
        client = second.client()
        self.addCleanup(client.close)
        client.connect()
        client.send(107, "early_1")
        self.assertNotEqual(client.expect(108)[0], 0)


if __name__ == "__main__":
    unittest.main()
