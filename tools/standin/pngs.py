"""Small PNG images drawn here (avatars, adverts, icons): 8-bit RGBA, no filtering."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, pixel):
    """A PNG of the given size; pixel(x, y) gives (r, g, b, a)."""
    rows = []
    for y in range(height):
        rows.append(b"\x00" + b"".join(bytes(pixel(x, y)) for x in range(width)))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) +
            _chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + _chunk(b"IEND", b""))


def avatar(player_id, size=16):
    """A face-sized square in a colour of the player's own, with a lighter diagonal."""
    r, g, b = (player_id * 97) % 200 + 40, (player_id * 57) % 200 + 40, (player_id * 29) % 200 + 40

    def pixel(x, y):
        if x == y or x == size - 1 - y:
            return (255, 255, 255, 255)
        return (r, g, b, 255)
    return png(size, size, pixel)


def badge(kind, size=32):
    """The picture of an image-and-link advert: on a round badge, a play arrow (kind 0) or a
    cup (kind 1)."""
    back = [(40, 110, 200), (200, 120, 30)][kind % 2]
    half = size / 2.0

    def inside(x, y):
        if kind % 2 == 0:
            # A triangle pointing right.
            return 0.35 * size <= x <= 0.72 * size and abs(y - half) <= (0.72 * size - x) * 0.85
        cup = 0.25 * size <= x <= 0.75 * size and 0.22 * size <= y <= 0.55 * size and \
            abs(x - half) <= 0.25 * size - (y - 0.22 * size) * 0.35
        stem = abs(x - half) <= 0.05 * size and 0.55 * size <= y <= 0.7 * size
        base = abs(x - half) <= 0.18 * size and 0.7 * size <= y <= 0.78 * size
        return cup or stem or base

    def pixel(x, y):
        dx, dy = x + 0.5 - half, y + 0.5 - half
        if dx * dx + dy * dy > (half - 1) * (half - 1):
            return (0, 0, 0, 0)
        if inside(x + 0.5, y + 0.5):
            return (255, 255, 255, 255) if kind % 2 == 0 else (255, 220, 60, 255)
        return back + (255,)
    return png(size, size, pixel)


def strip(width, frame_height, frames):
    """A vertical strip of frames, each a band of its own shade."""
    def pixel(x, y):
        frame = y // frame_height
        shade = 60 + (frame * 150) // max(1, frames - 1) if frames > 1 else 160
        return (shade, 255 - shade, 120, 255)
    return png(width, frame_height * frames, pixel)
