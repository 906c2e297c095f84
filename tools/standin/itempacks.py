"""The item data packs: their list (87) with versions, sizes and MD5 digests, and their chunks
(88 -> 89), with the faults a test may ask for.

Item faults: flip (the first chunk has one octet flipped), longer and shorter (chunks longer or
shorter than asked), offset (a chunk at another offset), other-id (the first chunk is for an id
never asked), empty (chunks without octets), remaining (a false remaining count), silent (no
chunk at all), digest-change (after the first chunk the pack changes: a new list follows and
the later chunks come from the changed pack), slow (each chunk sent 0.4 s after it is asked,
so that a person or a test sees the download)."""

import asyncio
import hashlib
import os

import messages
from connection import log

ITEM_FAULTS = ("flip", "longer", "shorter", "offset", "other-id", "empty", "remaining",
               "silent", "digest-change", "slow")
SLOW_SECONDS = 0.4
MAX_CHUNK = 16384


class Pack:
    def __init__(self, data_id, version, data):
        self.id, self.version = data_id, version
        self.set_data(data)

    def set_data(self, data):
        self.data = data
        self.digest = hashlib.md5(data).digest()


class ItemPacks:
    def __init__(self, list_path, pack_dir, fault=None):
        """The packs of the list whose files are built; the others are left out (logged)."""
        self.fault = fault
        self.packs = {}
        folder = os.path.join(pack_dir, "items") if pack_dir else None
        with open(list_path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                data_id, version, name = line.split("|")
                path = os.path.join(folder, name) if folder else None
                if path is None or not os.path.exists(path):
                    log("item pack %s is not built: not offered" % name)
                    continue
                with open(path, "rb") as pack:
                    self.packs[int(data_id)] = Pack(int(data_id), int(version), pack.read())
        self.chunks_sent = 0
        self.held = None  # while held: the chunks' (connection, message), in order

    def hold(self):
        """The chunks asked from now on wait until release()."""
        if self.held is None:
            self.held = []

    def waiting(self):
        """The number of chunks that wait for release()."""
        return len(self.held or [])

    def release(self):
        """Sends the chunks that waited, in the order they were asked; the number sent."""
        held, self.held = self.held or [], None
        for connection, message in held:
            connection.send(message)
        return len(held)

    def _send(self, connection, message):
        if self.held is not None:
            self.held.append((connection, message))
        else:
            connection.send(message)

    def send_list(self, connection):
        records = [messages.item_data(p.id, p.version, p.digest, len(p.data))
                   for p in sorted(self.packs.values(), key=lambda p: p.id)]
        connection.send(messages.item_data_list(records))

    def on_chunk(self, connection, values):
        data_id, offset, size = values
        pack = self.packs.get(data_id)
        if pack is None or offset < 0 or size <= 0:
            log("%s   chunk %d/%d/%d of no pack: not answered" % (connection.label, *values))
            return
        fault, first = self.fault, self.chunks_sent == 0
        if fault == "silent":
            return
        size = min(size, MAX_CHUNK)
        if fault == "longer":
            size += 100
        elif fault == "shorter":
            size = max(1, size - 100)
        chunk = pack.data[offset:offset + size]
        remaining = max(0, len(pack.data) - offset - len(chunk))
        if fault == "flip" and first and chunk:
            chunk = bytes([chunk[0] ^ 0xFF]) + chunk[1:]
        if fault == "empty":
            chunk = b""
        if fault == "remaining":
            remaining += 1000
        sent_id, sent_offset = data_id, offset
        if fault == "offset":
            sent_offset = offset + 1
        if fault == "other-id" and first:
            sent_id = max(self.packs) + 1000
        self.chunks_sent += 1
        message = messages.item_chunk(sent_id, sent_offset, chunk, remaining)
        if fault == "slow":
            asyncio.get_running_loop().call_later(SLOW_SECONDS, self._send, connection, message)
        else:
            self._send(connection, message)
        if fault == "digest-change" and first:
            changed = bytearray(pack.data)
            changed[-1] ^= 0x55
            pack.set_data(bytes(changed))
            pack.version += 1
            self.send_list(connection)
