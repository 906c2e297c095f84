"""One client connection: cutting the byte stream into messages, the ordered writer with its
fault modes, and the server's own keep-alive pings."""

import asyncio
import os
import socket
import sys
import time
import traceback

import ber
import messages

FAULTS = ("one-byte-writes", "coalesce", "close-mid-message", "oversized-length", "silent",
          "refuse", "outdated", "no-login-reply")
# The largest message a client may send: a game-data message of 32768 octets with its head.
MAX_INCOMING = 65536
READ_SIZE = 65536
# Several messages per write: what is sent within this time goes out in one write.
COALESCE_SECONDS = 0.05
# A client whose answers wait unwritten (it does not read) is not read either until they go
# down to the lower mark: a flood of requests cannot grow the server's memory without end.
OUTBOUND_PAUSE = 2000
OUTBOUND_RESUME = 500


class Answering:
    """Whether the service reads and answers at all. Held (the control port's "hang"), every
    connection, old or new, is still accepted by the system but neither read nor answered, and
    no ping goes out, as with a stopped process; released ("resume"), what waited goes through
    in order."""

    def __init__(self):
        self._event = None

    def _get(self):
        if self._event is None:
            self._event = asyncio.Event()
            self._event.set()
        return self._event

    def hold(self):
        self._get().clear()

    def release(self):
        self._get().set()

    def held(self):
        return not self._get().is_set()

    async def wait(self):
        await self._get().wait()


ANSWERING = Answering()


class Clock:
    """The service's clock for its timers. With $STANDIN_CLOCK=manual it stands still but for
    the control port's "clock SECONDS": a test that runs on a clock of its own passes the
    service's timers when its own clock does, whatever the time the run takes."""

    def __init__(self):
        self.manual = os.environ.get("STANDIN_CLOCK") == "manual"
        self.offset = 0.0

    def now(self):
        return self.offset + (0.0 if self.manual else time.monotonic())

    def advance(self, seconds):
        self.offset += seconds


CLOCK = Clock()


def log(line):
    sys.stderr.write(line + "\n")
    sys.stderr.flush()


class Connection:
    """A client of the lobby or the game server. The owner's handle(connection, tag, values,
    octets) runs for every whole message; closed(connection) once the connection is gone."""

    def __init__(self, owner, label, reader, writer, fault, ping_interval):
        self.owner = owner
        self.label = label
        self.reader = reader
        self.writer = writer
        self.fault = fault
        self.ping_interval = ping_interval
        self.outbound = asyncio.Queue()
        self.drained = asyncio.Event()
        self.open = True
        # When something was last queued for the client: the servers ping after a silence of
        # their own, so that a client hears from them however much it says itself (its -1
        # pings, answered by nothing, would otherwise keep a ping from ever going out).
        self.last_sent = CLOCK.now()
        self.next_ping = 0
        self.pings_sent = set()
        self.sent_count = 0
        self.cut_done = False
        # What the lobby and the game server keep of the client.
        self.player = None
        self.room = None
        self.language = "en"
        self.game_number = 0  # from the connect request's description
        self.device = ""  # the device identity (IMEI) of the connect request
        self.game = None
        self.player_id = None
        self.task = None
        sock = writer.get_extra_info("socket")
        if sock is not None:
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    async def run(self):
        """Reads until the peer closes or sends what cannot be a message; then closes."""
        log("%s connected" % self.label)
        tasks = []
        if self.fault != "silent":
            tasks = [asyncio.ensure_future(self._write_loop()),
                     asyncio.ensure_future(self._ping_loop())]
        try:
            if self.fault == "silent":
                # Accepts and holds the connection; reads nothing and answers nothing.
                await asyncio.Event().wait()
            await self._read_loop()
        except (ConnectionError, asyncio.IncompleteReadError, OSError):
            pass
        finally:
            for task in tasks:
                task.cancel()
            self.close()
            self.owner.closed(self)

    async def _read_loop(self):
        held = b""
        while self.open:
            await ANSWERING.wait()
            chunk = await self.reader.read(READ_SIZE)
            await ANSWERING.wait()
            if not chunk:
                log("%s closed by the peer" % self.label)
                return
            held += chunk
            while held:
                try:
                    size = ber.message_size(held)
                except ber.WireError as error:
                    log("%s sent a malformed head (%s): closing" % (self.label, error))
                    return
                if size is not None and size > MAX_INCOMING:
                    log("%s announced %d octets: closing" % (self.label, size))
                    return
                if size is None or size > len(held):
                    break
                data, held = held[:size], held[size:]
                self._dispatch(data)
                if not self.open:
                    return
                # One message at a time: the other clients (and a stop signal) get their turn
                # between the messages of a burst.
                await asyncio.sleep(0)
                while self.open and self.outbound.qsize() > OUTBOUND_PAUSE:
                    self.drained.clear()
                    await self.drained.wait()
                if not self.open:
                    return

    def _dispatch(self, data):
        try:
            tag, values = messages.read(data)
        except ber.WireError as error:
            log("%s < malformed message (%s), %d octets dropped" % (self.label, error, len(data)))
            return
        log("%s < %d %s (%d octets)" % (self.label, tag, messages.name_of(tag), len(data)))
        if tag == 44:
            self._on_ping(values[0], data)
            return
        try:
            self.owner.handle(self, tag, values, data)
        except Exception:  # a fault of the stand-in itself: reported, the connection goes on
            log("%s ERROR handling %d:\n%s" % (self.label, tag, traceback.format_exc()))

    def _on_ping(self, value, data):
        """The client's -1 gets no answer, nor does the echo of a ping sent here; any other
        non-negative ping is sent back unchanged, once: the client's echo of that answer is
        not answered again (a test's ping comes back after the answers to what the client
        sent before it)."""
        if value < 0:
            return
        if value in self.pings_sent:
            self.pings_sent.discard(value)
            log("%s   echo of ping %d" % (self.label, value))
            return
        self.pings_sent.add(value)
        self.send(data, 44)

    async def _ping_loop(self):
        while self.open:
            await asyncio.sleep(min(self.ping_interval / 4.0, 1.0))
            if not ANSWERING.held():
                self.ping_if_due()

    def ping_if_due(self):
        """Pings the client after the ping interval without sending it anything: True when
        it did."""
        if not self.open or CLOCK.now() - self.last_sent < self.ping_interval:
            return False
        value = self.next_ping
        self.next_ping = (self.next_ping + 1) % 2**31
        self.pings_sent.add(value)
        self.send(messages.ping(value), 44)
        return True

    def send(self, data, tag=None):
        if not self.open or self.fault == "silent":
            return
        if tag is None:
            tag = ber.read_identifier(data, 0)[1]
        self.last_sent = CLOCK.now()
        self.outbound.put_nowait((tag, data))

    async def _write_loop(self):
        try:
            while True:
                if self.outbound.qsize() <= OUTBOUND_RESUME:
                    self.drained.set()
                tag, data = await self.outbound.get()
                await ANSWERING.wait()
                if self.fault == "coalesce":
                    await self._write_coalesced(tag, data)
                    continue
                if self.fault == "oversized-length" and self.sent_count == 0:
                    head = messages.oversized_header(tag)
                    log("%s > %d with an oversized length" % (self.label, tag))
                    self.sent_count += 1
                    self.writer.write(head + data[len(head):len(head) + 8])
                    await self.writer.drain()
                    continue
                if self.fault == "close-mid-message" and not self.cut_done and \
                        tag in self.owner.CUT_TAGS:
                    self.cut_done = True
                    half = data[:max(1, len(data) // 2)]
                    log("%s > %d cut after %d of %d octets: closing" % (
                        self.label, tag, len(half), len(data)))
                    self.writer.write(half)
                    await self.writer.drain()
                    self.close()
                    return
                log("%s > %d (%d octets)" % (self.label, tag, len(data)))
                self.sent_count += 1
                if self.fault == "one-byte-writes":
                    for i in range(len(data)):
                        self.writer.write(data[i:i + 1])
                        await self.writer.drain()
                        await asyncio.sleep(0.0002 if i < 256 else 0)
                else:
                    self.writer.write(data)
                    await self.writer.drain()
        except (ConnectionError, OSError):
            self.close()

    async def _write_coalesced(self, tag, data):
        batch = [(tag, data)]
        await asyncio.sleep(COALESCE_SECONDS)
        while not self.outbound.empty():
            batch.append(self.outbound.get_nowait())
        for tag, data in batch:
            log("%s > %d (%d octets)" % (self.label, tag, len(data)))
        log("%s   %d messages in one write" % (self.label, len(batch)))
        self.sent_count += len(batch)
        self.writer.write(b"".join(data for _, data in batch))
        await self.writer.drain()

    def close(self):
        self.drained.set()
        if self.open:
            self.open = False
            try:
                self.writer.close()
            except (ConnectionError, OSError):
                pass
