#!/usr/bin/python3
"""The stand-in lobby's item packs: the built packs hold their descriptions' images, the pack
list carries their versions, sizes and MD5 digests, chunks come as asked, and each fault mode
spoils them as it says."""

import hashlib
import os
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from standin_client import ROOT, WAIT, Server  # noqa: E402

PACKS = os.environ.get("ORLO_STANDIN_PACKS")
VORTANPACK = os.path.join(os.path.dirname(PACKS), "tools", "vortanpack") if PACKS else None
SKIP = (29, 44, 85)


def listed():
    """data id -> (version, file) of data/standin/itempacks.txt."""
    out = {}
    with open(os.path.join(ROOT, "data", "standin", "itempacks.txt"), encoding="utf-8") as f:
        for line in f:
            if line.strip() and not line.startswith("#"):
                data_id, version, name = line.strip().split("|")
                out[int(data_id)] = (int(version), name)
    return out


def pack_bytes(name):
    with open(os.path.join(PACKS, "items", name), "rb") as f:
        return f.read()


@unittest.skipUnless(PACKS, "ORLO_STANDIN_PACKS does not name the built packs")
class BuiltPacks(unittest.TestCase):
    def test_each_description_names_images_its_pack_holds(self):
        items = {}  # data id -> the shop's items using that pack
        with open(os.path.join(ROOT, "data", "standin", "shop.txt"), encoding="utf-8") as f:
            for line in f:
                parts = line.rstrip("\n").split("|")
                if parts[0] == "item":
                    items.setdefault(int(parts[9]), []).append(parts[1])
        for data_id, (version, name) in listed().items():
            seen_items = items.get(data_id, [])
            entries = subprocess.run([VORTANPACK, "list", os.path.join(PACKS, "items", name)],
                                     check=True, capture_output=True, text=True).stdout
            names = {line.split()[1] for line in entries.splitlines()}
            folder = os.path.join(ROOT, "data", "standin", "items", name[:-4])
            descriptions = [f for f in os.listdir(folder) if f.endswith(".xml")]
            self.assertEqual(len(descriptions), 1, name)
            self.assertIn("/" + descriptions[0], names, name)
            # Named by its item, so that no two packs hold one name.
            self.assertIn(descriptions[0][:-4], seen_items, name)
            source = os.path.join(folder, descriptions[0])
            attributes = ElementTree.parse(source).getroot().find("attributes").attrib
            kind = attributes["type"].lower()
            self.assertIn(kind, ("hat", "snow", "cluster", "battleground"), name)
            wanted = {"hat": ["filename"], "battleground": ["battlefilename", "uniquefilename"]}
            for key in wanted.get(kind, []):
                self.assertIn("/" + attributes[key].lower(), names, name)
        self.assertIn(0, [version for version, name in listed().values()])


@unittest.skipUnless(PACKS, "ORLO_STANDIN_PACKS does not name the built packs")
class Chunks(unittest.TestCase):
    def start(self, *arguments):
        server = Server(*arguments)
        self.server = server
        self.addCleanup(server.stop)
        client = server.client()
        self.addCleanup(client.close)
        client.connect()
        client.login("alice", "wonderland")
        client.send(94)
        return client, {r[0]: r for r in client.expect(87, skip=SKIP)[0]}

    def test_list_carries_versions_sizes_and_digests(self):
        client, records = self.start()
        for data_id, (version, name) in listed().items():
            data = pack_bytes(name)
            self.assertEqual(records[data_id],
                             [data_id, version, hashlib.md5(data).digest(), len(data)])

    def held(self, count):
        """The stand-in's count of waiting chunks once it is `count` (or the bound is over)."""
        deadline = time.monotonic() + WAIT
        answer = self.server.control("items held")
        while answer != "ok %d" % count and time.monotonic() < deadline:
            time.sleep(0.01)
            answer = self.server.control("items held")
        return answer

    def test_held_chunks_wait_for_their_release_and_come_in_order(self):
        client, records = self.start()
        data_id = max(records, key=lambda i: records[i][3])
        data = pack_bytes(listed()[data_id][1])
        self.assertEqual("ok", self.server.control("items hold"))
        self.assertEqual("ok 0", self.server.control("items held"))
        client.send(88, data_id, 0, 100)
        client.send(88, data_id, 100, 50)
        self.assertEqual("ok 2", self.held(2))
        client.quiet(0.3, skip=SKIP)
        self.assertEqual("ok 2", self.server.control("items release"))
        self.assertEqual(client.expect(89, skip=SKIP)[:3], [data_id, 0, data[:100]])
        self.assertEqual(client.expect(89, skip=SKIP)[:3], [data_id, 100, data[100:150]])
        # Released: the next chunk comes at once; a second release has nothing to send.
        client.send(88, data_id, 150, 10)
        self.assertEqual(client.expect(89, skip=SKIP)[2], data[150:160])
        self.assertEqual("ok 0", self.server.control("items held"))
        self.assertEqual("ok 0", self.server.control("items release"))
        self.assertTrue(self.server.control("items").startswith("error"))

    def test_download_in_chunks_of_the_size_asked(self):
        client, records = self.start()
        data_id = max(records, key=lambda i: records[i][3])
        size = records[data_id][3]
        self.assertGreater(size, 16384)
        got, offset = b"", 0
        while True:
            client.send(88, data_id, offset, min(16384, size - offset))
            chunk_id, chunk_offset, chunk, remaining = client.expect(89, skip=SKIP)
            self.assertEqual((chunk_id, chunk_offset), (data_id, offset))
            self.assertEqual((len(chunk), remaining), (min(16384, size - offset),
                                                        size - offset - len(chunk)))
            got += chunk
            offset += len(chunk)
            if not remaining:
                break
        self.assertEqual(hashlib.md5(got).digest(), records[data_id][2])
        # More than 16384 asked: 16384 come. An id never listed, an offset below 0 or a length
        # of 0 gets no answer.
        client.send(88, data_id, 0, 16385)
        self.assertEqual(len(client.expect(89, skip=SKIP)[2]), 16384)
        for asked in ((999, 0, 100), (data_id, -1, 100), (data_id, 0, 0)):
            client.send(88, *asked)
        client.quiet(0.2, skip=SKIP)

    def first_chunk(self, fault, size=1000):
        client, records = self.start("--item-fault", fault)
        data_id = min(records)
        client.send(88, data_id, 0, size)
        return client, records, data_id

    def test_fault_modes(self):
        data = {i: pack_bytes(name) for i, (v, name) in listed().items()}
        client, records, i = self.first_chunk("flip", 100)
        chunk = client.expect(89, skip=SKIP)[2]
        self.assertEqual((chunk[0] ^ 0xFF, chunk[1:]), (data[i][0], data[i][1:100]))
        client, records, i = self.first_chunk("longer", 100)
        self.assertGreater(len(client.expect(89, skip=SKIP)[2]), 100)
        client, records, i = self.first_chunk("shorter", 100)
        self.assertLess(len(client.expect(89, skip=SKIP)[2]), 100)
        client, records, i = self.first_chunk("offset", 50)
        self.assertNotEqual(client.expect(89, skip=SKIP)[1], 0)
        client, records, i = self.first_chunk("other-id", 50)
        self.assertNotIn(client.expect(89, skip=SKIP)[0], records)
        client, records, i = self.first_chunk("empty", 50)
        self.assertEqual(client.expect(89, skip=SKIP)[2], b"")
        client, records, i = self.first_chunk("remaining", 50)
        self.assertNotEqual(client.expect(89, skip=SKIP)[3], len(data[i]) - 50)
        client, records, i = self.first_chunk("silent", 50)
        client.quiet(0.3, skip=SKIP)
        client, records, i = self.first_chunk("digest-change", 50)
        self.assertEqual(client.expect(89, skip=SKIP)[2], data[i][:50])
        changed = {r[0]: r for r in client.expect(87, skip=SKIP)[0]}
        self.assertNotEqual(changed[i][2], records[i][2])
        client.send(88, i, 0, len(data[i]))
        whole = client.expect(89, skip=SKIP)[2]
        self.assertEqual(hashlib.md5(whole).digest(), changed[i][2])


if __name__ == "__main__":
    unittest.main()
