"""A test client of the stand-in lobby and game server, built on pyasn1 (asn1_model) rather than
on the server's own octet code, and the helpers that start the server for a test."""

import hashlib
import itertools
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from pyasn1.codec.ber import decoder
from pyasn1.type import namedtype, tag, univ

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

import asn1_model  # noqa: E402
from asn1_model import RECORDS  # noqa: E402

SERVER = os.path.join(ROOT, "tools", "standin", "standin_server.py")
ACCOUNTS = os.path.join(ROOT, "data", "standin", "accounts.txt")
# The bound of a wait for the server (its answers take milliseconds): only there to tell a hang,
# so generous that a busy machine stays well within it.
WAIT = 30.0
_GUEST_COUNTER = itertools.count()

# What the client sends, by tag (asn1_model kinds).
SENT = {
    0: ["int", "int", "int", "text", "text", "int", "int", "text", "text", "int", "text", "text",
        "text", "int", "text", "int", "int"],
    5: ["text", "text", "int", "text"],
    7: ["int", "int", "int"],
    9: ["int"],
    10: ["int", "int", "int", "int"],
    13: ["bytes"],
    15: ["int64", "int", "int", "intlist", "intlist", "int"],
    18: ["int64"],
    19: ["int", "int", "int", "text", "int", "int"],
    21: ["int", "int", "int", "int", "text"],
    28: [],
    30: ["text", "text"],
    37: ["text"],
    38: ["int", "intlist", "text"],
    40: ["int", "int", "int", "int", "text", "text"],
    44: ["int"],
    46: ["int", "int64", "int", "int", "int", "int", "text"],
    51: ["text", "text"],
    57: ["text"],
    59: [],
    64: ["int", "text", "int"],
    70: ["int64", "int", "int"],
    74: ["int", "int"],
    76: ["int", "int"],
    88: ["int", "int", "int"],
    90: [],
    92: ["int"],
    94: [],
    96: ["int", "int", "int"],
    98: ["int", "int"],
    99: ["intlist", "int"],
    101: ["int", "int"],
    102: ["int", "int"],
    104: ["int", "int", "intlist"],
    107: ["text"],
    109: ["text", "text", "text", "int", "text", "text"],
    111: ["int", "text", "text", "text", "text"],
    112: [],
    113: ["int"],
    115: ["int", "int", "intlist"],
}

# What the servers send, by tag; tags 8, 12 and 20 carry records read by the functions below.
RECEIVED = {
    2: ["text", "int", "text", "int"],
    6: ["int", "text", "text", "text", "int", "text"],
    8: ["bytes", "int", "int", "int"],
    11: ["int", "int", "int", (RECORDS, ["int", "int", "text", "text", "text", "text"]), "int"],
    12: ["int64", "bytes", "int", "int", "text", "int"],
    13: ["bytes"],
    20: ["int", "int", "int", "bytes", (RECORDS, ["text", "int"])],
    21: ["int", "int", "int", "int", "text", "text"],
    29: [(RECORDS, ["text", "text", "text", "int"])],
    31: ["text", "text", "text", "int", "bytes"],
    39: ["int64", "int", "text", "text", "int", "int"],
    40: ["int", "int", "int", "int", "text", "text"],
    44: ["int"],
    45: ["int", "text", "int"],
    52: ["text", "bytes", "text", "text", "text"],
    58: ["text"],
    64: ["int", "text", "int"],
    71: ["int"],
    72: ["int64", "int"],
    75: [(RECORDS, ["int", "int", "int", "int", "text", "text"])],
    80: ["text", "text", "bytes", "int", "int", "intlist", "text", "int", "text", "text"],
    85: ["int", "int", "bytes"],
    87: [(RECORDS, ["int", "int", "bytes", "int"])],
    89: ["int", "int", "bytes", "int"],
    91: ["int"],
    93: ["int", (RECORDS, ["int", "text", "int", "int", "int", "int"])],
    97: ["int", "int", (RECORDS, ["int", "text", "text", "text", "int", "int", "int", "int",
                                  "int", "int", "int", "int", "int", "text", "int"])],
    100: ["int", "int", "bytes"],
    103: ["int", "int", "text", (RECORDS, ["int", "text", "text"])],
    105: ["int", "int", "text"],
    114: ["int", "text", (RECORDS, ["int", "text", "text", "text", "int", "int", "int", "int",
                                    "int", "int", "int", "int", "int", "text", "int"])],
    116: ["int", "int", "text"],
    106: ["int", "int", "text", "int"],
    108: ["int", "text"],
    110: ["int", "text"],
}


def _ctx(number, constructed=False):
    form = tag.tagFormatConstructed if constructed else tag.tagFormatSimple
    return tag.Tag(tag.tagClassContext, form, number)


def _int(number, optional=False):
    kind = namedtype.OptionalNamedType if optional else namedtype.NamedType
    return kind("f%d" % number, univ.Integer().subtype(implicitTag=_ctx(number)))


def _text(number):
    return namedtype.NamedType("f%d" % number, univ.OctetString().subtype(implicitTag=_ctx(number)))


def _group(number, count, optional):
    schema = univ.Sequence(componentType=namedtype.NamedTypes(
        *[_int(k, optional) for k in range(count)])).subtype(implicitTag=_ctx(number, True))
    return namedtype.NamedType("f%d" % number, schema)


# The player record of tags 8 and 12: [6] a group of up to six ints, [7] present or not.
PLAYER_RECORD = univ.Sequence(componentType=namedtype.NamedTypes(
    _int(0), _text(1), _text(2), _text(3), _int(4), _text(5), _group(6, 6, True),
    namedtype.OptionalNamedType("f7", univ.OctetString().subtype(implicitTag=_ctx(7)))))
# The player-list item of tag 20: [7] a group of eight ints.
PLAYER_ITEM = univ.Sequence(componentType=namedtype.NamedTypes(
    _int(0), _text(1), _text(2), _text(3), _text(4), _int(5), _text(6), _group(7, 8, False)))


def _units_text(units):
    return b"".join(u.to_bytes(2, "little") for u in units).decode("utf-16-le", "surrogatepass")


def _text_units(value):
    raw = value.encode("utf-16-le", "surrogatepass")
    return [int.from_bytes(raw[i:i + 2], "little") for i in range(0, len(raw), 2)]


def _plain(kind, value):
    if kind == "text":
        return _units_text(value)
    if kind == "bytes":
        return bytes(value)
    if isinstance(kind, tuple):
        return [[_plain(k, v) for k, v in zip(kind[1], record)] for record in value]
    return value


def _records(raw, schema):
    out = []
    while raw:
        value, raw = decoder.decode(raw, asn1Spec=schema)
        out.append(value)
    return out


def player_records(raw):
    """Tag 8 and 12 records as dicts."""
    players = []
    for r in _records(raw, PLAYER_RECORD):
        group = r["f6"]
        players.append({
            "id": int(r["f0"]), "name": bytes(r["f1"]).decode(), "second": bytes(r["f2"]).decode(),
            "since": bytes(r["f3"]).decode(), "value": int(r["f4"]),
            "text": bytes(r["f5"]).decode(),
            "group": [int(group["f%d" % k]) for k in range(6) if group["f%d" % k].isValue],
            "flag": 1 if r["f7"].isValue else 0})
    return players


def player_items(raw):
    """Tag 20 records as dicts."""
    items = []
    for r in _records(raw, PLAYER_ITEM):
        group = [int(r["f7"]["f%d" % k]) for k in range(8)]
        items.append({"id": int(r["f0"]), "name": bytes(r["f1"]).decode(),
                      "location": bytes(r["f4"]).decode(), "flags": int(r["f5"]),
                      "comment": bytes(r["f6"]).decode(), "rank": group[1], "score": group[2],
                      "group": group})
    return items


def encode(message_tag, values):
    kinds = SENT[message_tag]
    wire = [_text_units(v) if k == "text" else list(v) if k == "bytes" else v
            for k, v in zip(kinds, values)]
    return asn1_model.encode(message_tag, kinds, wire)


def decode(octets):
    """(tag, values) of a server message, values as Python texts, bytes and lists."""
    message_tag = octets[1] if octets[0] == 0xBF else octets[0] & 0x1F
    kinds = RECEIVED[message_tag]
    values = asn1_model.decode(message_tag, kinds, octets)
    return message_tag, [_plain(k, v) for k, v in zip(kinds, values)]


def message_length(data):
    """Octets of the whole message at the start of data, or None while not known."""
    if len(data) < 2:
        return None
    at = 2 if data[0] == 0xBF else 1
    if len(data) <= at:
        return None
    if data[at] < 0x80:
        return at + 1 + data[at]
    n = data[at] & 0x7F
    if len(data) < at + 1 + n:
        return None
    return at + 1 + n + int.from_bytes(data[at + 1:at + 1 + n], "big")


def credential(password, salt):
    return hashlib.md5((password + salt).encode()).hexdigest()


def connect_values(lang="en"):
    description = ("standalone-id:64;full-version:1;standalone-version:1.0;opengl:1;user-agent:;"
                   "frame-version:2.05;lang_code:%s" % lang)
    return [1, 800, 480, "N900", "4.1", 1, 1, "0.0.0.0", "0.0.0.0", 25, description, "Ovi",
            "123456789012345", 1, "Linux (Maemo)", 0, 3]


class Client:
    """One TCP connection to a server; messages go out whole and come back decoded."""

    def __init__(self, port, timeout=WAIT):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.held = b""
        self.chunks = []

    def send(self, message_tag, *values):
        self.sock.sendall(encode(message_tag, list(values)))

    def send_raw(self, octets):
        self.sock.sendall(octets)

    def read_octets(self, timeout=WAIT):
        """The next whole message's octets; None when the peer closed first."""
        deadline = time.monotonic() + timeout
        while True:
            size = message_length(self.held)
            if size is not None and len(self.held) >= size:
                octets, self.held = self.held[:size], self.held[size:]
                return octets
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError("no whole message within %.1f s" % timeout)
            self.sock.settimeout(left)
            chunk = self.sock.recv(65536)
            if not chunk:
                return None
            self.chunks.append(len(chunk))
            self.held += chunk

    def receive(self, timeout=WAIT):
        octets = self.read_octets(timeout)
        if octets is None:
            raise ConnectionError("the server closed the connection")
        return decode(octets)

    def expect(self, message_tag, timeout=WAIT, skip=(29, 44, 85)):
        """The values of the next message of that tag; messages of the tags in skip that come
        first are passed over, any other is a failure."""
        while True:
            got, values = self.receive(timeout)
            if got == message_tag:
                return values
            if got not in skip:
                raise AssertionError("expected tag %d, got %d %r" % (message_tag, got, values))

    def quiet(self, seconds=0.3, skip=(44,)):
        """Asserts that nothing but the tags in skip arrives within the time; returns the
        tags that did."""
        seen = []
        deadline = time.monotonic() + seconds
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return seen
            try:
                got, values = self.receive(left)
            except TimeoutError:
                return seen
            if got not in skip:
                raise AssertionError("unexpected tag %d %r" % (got, values))
            seen.append((got, values))

    def closed_by_peer(self, timeout=WAIT):
        """True when the server closes the connection (anything it sends first is read)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.sock.settimeout(max(0.01, deadline - time.monotonic()))
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                return False
            except ConnectionResetError:
                return True
            if not chunk:
                return True
            self.held += chunk
        return False

    def close(self):
        self.sock.close()

    # --- flows -------------------------------------------------------------------------------

    def connect(self, lang="en"):
        self.send(0, *connect_values(lang))
        return self.expect(2)

    def login(self, name, password):
        """Challenge, response, reply; returns the reply's values."""
        self.send(57, name)
        challenge = self.expect(58)[0]
        self.send(5, name, credential(password, challenge), 1, "")
        return self.expect(6)

    def guest(self, counter=None):
        """A guest login; each counter is a guest of its own (a new one when not given)."""
        if counter is None:
            counter = "%d-%d" % (os.getpid(), next(_GUEST_COUNTER))
        self.send(5, "guest", str(counter), 1, "")
        return self.expect(6)


class Server:
    """The stand-in started as a process for a test; stop() ends it with SIGTERM."""

    def __init__(self, *arguments, env=None, state_dir=None):
        self.dir = tempfile.TemporaryDirectory(prefix="standin-")
        port_file = os.path.join(self.dir.name, "ports")
        command = [sys.executable, SERVER, "--port-file", port_file] + list(arguments)
        if state_dir:
            command += ["--state-dir", state_dir]
        environment = dict(os.environ)
        environment.update(env or {})
        self.log_path = os.path.join(self.dir.name, "log")
        self.log = open(self.log_path, "w")
        self.process = subprocess.Popen(command, stderr=self.log, env=environment)
        deadline = time.monotonic() + WAIT
        while not os.path.exists(port_file):
            if self.process.poll() is not None or time.monotonic() > deadline:
                raise RuntimeError("the stand-in did not start:\n" + self.log_text())
            time.sleep(0.02)
        with open(port_file) as f:
            self.lobby_port, self.game_port, self.control_port = [
                int(v) for v in f.read().split()]
        self.control_sock = None

    def control(self, line):
        """Sends one control line and returns its answer line."""
        if self.control_sock is None:
            self.control_sock = socket.create_connection(("127.0.0.1", self.control_port),
                                                         timeout=WAIT)
            self.control_file = self.control_sock.makefile("rb")
        self.control_sock.sendall(line.encode("utf-8") + b"\n")
        return self.control_file.readline().decode("utf-8").rstrip("\n")

    def log_text(self):
        self.log.flush()
        with open(self.log_path) as f:
            return f.read()

    def client(self, game=False):
        return Client(self.game_port if game else self.lobby_port)

    def player(self, case, name=None, password=None):
        """A lobby client logged in as the player (a guest without a name) for the test case,
        which checks the login and closes the client when it ends; its id and name are the
        player's."""
        client = self.client()
        case.addCleanup(client.close)
        client.connect()
        reply = client.login(name, password) if name else client.guest()
        case.assertGreaterEqual(reply[0], 0)
        client.id, client.name = reply[0], reply[3]
        return client

    def stop(self):
        """Ends the server (once; a second call returns its exit code again)."""
        if self.log.closed:
            return self.process.returncode
        if self.control_sock is not None:
            self.control_file.close()
            self.control_sock.close()
        if self.process.poll() is None:
            self.process.terminate()
        code = self.process.wait(WAIT)
        text = self.log_text()
        self.log.close()
        self.dir.cleanup()
        if "ERROR handling" in text:
            raise AssertionError("the stand-in failed on a message:\n" + text)
        return code


class ServerCase(unittest.TestCase):
    """Cases on the stand-in: one server for the class (its exit checked at the end), or with
    `each` one for each test; `env` holds the server's own variables."""
    each = False
    env = None

    @classmethod
    def setUpClass(cls):
        if not cls.each:
            cls.server = Server(env=cls.env)

    @classmethod
    def tearDownClass(cls):
        if not cls.each:
            assert cls.server.stop() == 0

    def setUp(self):
        if self.each:
            self.server = Server(env=self.env)
            self.addCleanup(self.server.stop)

    def player(self, name=None, password=None):
        return self.server.player(self, name, password)
