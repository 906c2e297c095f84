"""Small PNG images drawn here (avatars, adverts, icons): 8-bit RGBA, no filtering."""

import functools
import os
import struct
import sys
import zlib

# Where the avatars and badges drawn at build time lie (standin/pictures/ of the build), so that
# the server never spends its time drawing them; None draws them here on first use.
_picture_dir = None


def set_picture_dir(path):
    global _picture_dir
    _picture_dir = path if path and os.path.isdir(path) else None


def _built(name):
    if not _picture_dir:
        return None
    try:
        with open(os.path.join(_picture_dir, name), "rb") as f:
            return f.read()
    except OSError:
        return None


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


def _painted(size, layers, samples=2):
    """A PNG of size x size pixels from layers drawn in order on a transparent picture, each a
    (inside(x, y), (r, g, b, a)) pair in 0..1 picture units, smoothed over samples x samples points
    a pixel."""
    step = 1.0 / (size * samples)
    pixels = []
    for y in range(size):
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    u = (x * samples + sx + 0.5) * step
                    v = (y * samples + sy + 0.5) * step
                    colour = None
                    for inside, c in reversed(layers):
                        if inside(u, v):
                            colour = c
                            break
                    if colour:
                        a = colour[3] / 255.0
                        for k in range(3):
                            acc[k] += colour[k] * a
                        acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha <= 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append(tuple(int(round(acc[k] / acc[3])) for k in range(3)) +
                              (int(round(alpha * 255)),))
    return png(size, size, lambda x, y: pixels[y * size + x])


def _disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def _ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def _round_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return inside


_BODIES = [(226, 72, 62), (58, 134, 224), (63, 174, 74), (240, 144, 42), (138, 85, 200),
           (30, 156, 154), (232, 192, 48), (214, 92, 160)]
_BACKS = [(214, 236, 248), (248, 232, 204), (222, 244, 214), (236, 226, 248)]


@functools.lru_cache(maxsize=32)
def _avatar_picture(body, back, look, size):
    r, g, b = _BODIES[body]
    dark = (int(r * 0.55), int(g * 0.55), int(b * 0.55), 255)
    light = (min(255, int(r * 1.2)), min(255, int(g * 1.2)), min(255, int(b * 1.2)), 255)
    dx, dy = [(0.0, 0.0), (-0.025, 0.01), (0.025, 0.01)][look]
    layers = [
        (_round_rect(0.0, 0.0, 1.0, 1.0, 0.16), _BACKS[back] + (255,)),
        (lambda x, y: _ellipse(0.5, 0.6, 0.38, 0.34)(x, y) and y <= 0.88, dark),
        (lambda x, y: _ellipse(0.5, 0.6, 0.35, 0.31)(x, y) and y <= 0.86, (r, g, b, 255)),
        (_ellipse(0.36, 0.42, 0.08, 0.045), light),
    ]
    for ex in (0.39, 0.61):
        layers.append((_disc(ex, 0.56, 0.085), (255, 255, 255, 255)))
        layers.append((_disc(ex + dx, 0.57 + dy, 0.045), (26, 26, 26, 255)))
    layers.append((lambda x, y: 0.69 <= y <= 0.72 + 0.02 * (1 - abs(x - 0.5) / 0.08) and
                   abs(x - 0.5) <= 0.08 and (x - 0.5) ** 2 / 0.0064 + (y - 0.69) ** 2 / 0.0016 <= 1
                   and y >= 0.69, (60, 20, 20, 255)))
    return _painted(size, layers)


def avatar(player_id, size=80):
    """A player's face: a squib in one of eight colours, each on its own tint and looking its
    own way, so neighbouring players differ (eight pictures in all, each drawn once)."""
    v = player_id % len(_BODIES)
    return _built("avatar_%d_%d.png" % (v, size)) or _avatar_picture(v, v % len(_BACKS), v % 3,
                                                                      size)


def badge(kind, size=128):
    """The picture of an image-and-link advert: on a round badge, a play arrow (kind 0) or a
    cup (kind 1)."""
    return _built("badge_%d_%d.png" % (kind % 2, size)) or _badge_picture(kind % 2, size)


@functools.lru_cache(maxsize=8)
def _badge_picture(kind, size):
    back = [(40, 110, 200), (200, 120, 30)][kind % 2]
    rim = tuple(int(c * 0.6) for c in back) + (255,)
    if kind % 2 == 0:
        sign = [(lambda x, y: 0.38 <= x <= 0.74 and abs(y - 0.5) <= (0.74 - x) * 0.95,
                 (255, 255, 255, 255))]
    else:
        gold = (255, 214, 60, 255)
        sign = [
            (lambda x, y: abs(x - 0.5) >= 0.18 and 0.0025 <= (abs(x - 0.5) - 0.2) ** 2 +
             (y - 0.33) ** 2 <= 0.0081, gold),
            (lambda x, y: 0.22 <= y <= 0.52 and abs(x - 0.5) <= 0.2 - (y - 0.22) * 0.3, gold),
            (lambda x, y: abs(x - 0.5) <= 0.045 and 0.5 <= y <= 0.66, gold),
            (_round_rect(0.34, 0.64, 0.66, 0.72, 0.02), gold),
            (lambda x, y: 0.25 <= y <= 0.46 and -0.14 <= x - 0.5 <= -0.1, (255, 244, 180, 255)),
        ]
    layers = [(_disc(0.5, 0.5, 0.49), rim), (_disc(0.5, 0.5, 0.45), back + (255,))]
    layers.append((_ellipse(0.5, 0.3, 0.3, 0.13), tuple(min(255, c + 40) for c in back) + (255,)))
    return _painted(size, layers + sign)


def strip(width, frame_height, frames):
    """A vertical strip of frames, each a band of its own shade."""
    def pixel(x, y):
        frame = y // frame_height
        shade = 60 + (frame * 150) // max(1, frames - 1) if frames > 1 else 160
        return (shade, 255 - shade, 120, 255)
    return png(width, frame_height * frames, pixel)


def main(argv):
    """pngs.py DIR: writes the avatars (80 pixels) and the badges (128) the server sends."""
    if len(argv) != 2:
        print("usage: pngs.py DIR", file=sys.stderr)
        return 2
    os.makedirs(argv[1], exist_ok=True)
    pictures = {"avatar_%d_80.png" % v: avatar(v, 80) for v in range(len(_BODIES))}
    pictures.update({"badge_%d_128.png" % k: badge(k, 128) for k in range(2)})
    for name, data in pictures.items():
        path = os.path.join(argv[1], name)
        with open(path + ".part", "wb") as f:
            f.write(data)
        os.replace(path + ".part", path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
