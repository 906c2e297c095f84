"""Notifications (45), advertisements (80) for the advertisement requests (112) and the two
image-and-link adverts (52) for the client's two texts (51)."""

import messages
import pngs
from connection import log

FRAME_WIDTH = 64
FRAME_HEIGHT = 32


class Advert:
    def __init__(self, parts):
        (self.title, self.click, self.ok, self.title_link, delay, countdown, frames, flags,
         self.first) = parts
        self.delay = int(delay)
        self.countdown = int(countdown)
        self.frames = [int(f) for f in frames.split(",") if f]
        self.flags = int(flags)


def read_catalogue(path):
    """(adverts in turn, image-and-link adverts as (name, link, label))."""
    adverts, links = [], []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            parts = line.split("|")
            if line.startswith("@"):
                links.append((parts[0][1:], parts[1], parts[2]))
            elif len(parts) == 9:
                adverts.append(Advert(parts))
            else:
                raise ValueError("an advert line has %d fields, not 9" % len(parts))
    return adverts, links


class Notices:
    def __init__(self, catalogue_path):
        self.adverts, self.links = read_catalogue(catalogue_path)
        self.next = 0
        self.requests = 0

    def notify(self, connection, kind, value, line):
        connection.send(messages.notification(kind, line, value))

    def next_advert(self, connection):
        advert = self.adverts[self.next % len(self.adverts)]
        self.next += 1
        image = pngs.strip(FRAME_WIDTH, FRAME_HEIGHT, max(1, len(advert.frames)))
        connection.send(messages.advert(advert.first, advert.click, image, advert.delay,
                                        advert.countdown, advert.frames, advert.ok, advert.flags,
                                        advert.title, advert.title_link))

    def send_advert(self, connection, options):
        """An advert from a control line; without options the next of the catalogue."""
        if not options:
            self.next_advert(connection)
            return
        image = b""
        if options.get("image"):
            with open(options["image"], "rb") as f:
                image = f.read()
        frames = [int(f) for f in options.get("frames", "").split(",") if f]
        connection.send(messages.advert(
            options.get("first", ""), options.get("click", ""), image,
            int(options.get("delay", "0")), int(options.get("countdown", "0")), frames,
            options.get("ok", ""), int(options.get("flags", "0")), options.get("title", ""),
            options.get("title_link", "")))

    def on_advert_request(self, connection, values):
        self.requests += 1
        log("%s   advertisement request %d" % (connection.label, self.requests))
        self.next_advert(connection)

    def on_two_texts(self, connection, values):
        """The client's two texts after login: both image-and-link adverts follow."""
        log("%s   two texts %r %r" % (connection.label, values[0], values[1]))
        for number, (name, link, label) in enumerate(self.links):
            connection.send(messages.image_and_link(name, pngs.badge(number, 128), link,
                                                    label))
