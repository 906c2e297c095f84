#!/usr/bin/python3
"""gamepixels: measures pictures for the game data tests, decoded by ImageMagick.

Usage:
  gamepixels.py frames PATH COLS ROWS   "distinct=<n> bleed=<max alpha 0..255 on the cell borders>"
  gamepixels.py reach PATH ROWS         the rightmost column holding any alpha, per row band
  gamepixels.py region PATH X Y W H     "amin= amax= rgbmin= rgbmax= colours= ink= rows= cols=" of
                                        the region (ink: share of opaque near-white or dark pixels; rows,
                                        cols: how many of them are not of one colour)
  gamepixels.py wrap PATH               "edge=<step from the last column to the first> inner=<the
                                        90th percentile of the steps between neighbouring
                                        columns>", a step being
                                        the mean over the rows of the largest channel difference
  gamepixels.py same PATH X Y W H PATH2 "same" when the regions of both pictures are equal
  gamepixels.py disc PATH               "disc=<the farthest visible pixel (alpha above 8) from the
                                        picture's centre, as a share of half its width>"
"""

import subprocess
import sys


def load(path):
    w, h = (int(v) for v in subprocess.check_output(["identify", "-format", "%w %h", path + "[0]"]).split())
    data = subprocess.check_output(["convert", path + "[0]", "-depth", "8", "rgba:-"])
    assert len(data) == w * h * 4, "unexpected pixel data"
    return w, h, data


def pixel(image, x, y):
    w, _, data = image
    i = 4 * (y * w + x)
    return data[i:i + 4]


def frames(path, cols, rows):
    image = load(path)
    w, h, _ = image
    cw, ch = w // cols, h // rows
    cells = set()
    for r in range(rows):
        for c in range(cols):
            cells.add(b"".join(bytes(pixel(image, x, y)) for y in range(r * ch, (r + 1) * ch)
                               for x in range(c * cw, (c + 1) * cw)))
    bleed = 0
    for c in range(cols + 1):
        for x in {min(w - 1, c * cw), max(0, c * cw - 1)}:
            for y in range(h):
                bleed = max(bleed, pixel(image, x, y)[3])
    for r in range(rows + 1):
        for y in {min(h - 1, r * ch), max(0, r * ch - 1)}:
            for x in range(w):
                bleed = max(bleed, pixel(image, x, y)[3])
    return "distinct=%d bleed=%d" % (len(cells), bleed)


def reach(path, rows):
    image = load(path)
    w, h, _ = image
    rh = h // rows
    out = []
    for r in range(rows):
        right = -1
        for y in range(r * rh, (r + 1) * rh):
            for x in range(w - 1, right, -1):
                if pixel(image, x, y)[3] > 0:
                    right = x
                    break
        out.append(str(right))
    return " ".join(out)


def region(path, x0, y0, rw, rh):
    image = load(path)
    alphas, rgbs, colours, ink = [], [], set(), 0
    for y in range(y0, y0 + rh):
        for x in range(x0, x0 + rw):
            p = pixel(image, x, y)
            alphas.append(p[3])
            rgbs.extend(p[:3])
            colours.add(bytes(p))
            if p[3] > 200 and (min(p[:3]) > 220 or max(p[:3]) < 100):
                ink += 1
    rows = sum(1 for y in range(y0, y0 + rh)
               if len({bytes(pixel(image, x, y)) for x in range(x0, x0 + rw)}) > 1)
    cols = sum(1 for x in range(x0, x0 + rw)
               if len({bytes(pixel(image, x, y)) for y in range(y0, y0 + rh)}) > 1)
    return "amin=%d amax=%d rgbmin=%d rgbmax=%d colours=%d ink=%.3f rows=%d cols=%d" % (
        min(alphas), max(alphas), min(rgbs), max(rgbs), len(colours), ink / float(rw * rh), rows, cols)


def wrap(path):
    image = load(path)
    w, h, _ = image

    def step(a, b):
        return sum(max(abs(p - q) for p, q in zip(pixel(image, a, y), pixel(image, b, y))) for y in range(h)) / h
    steps = sorted(step(x, x + 1) for x in range(w - 1))
    return "edge=%.2f inner=%.2f" % (step(w - 1, 0), steps[len(steps) * 9 // 10])


def same(path, x0, y0, rw, rh, other):
    a, b = load(path), load(other)
    for y in range(y0, y0 + rh):
        for x in range(x0, x0 + rw):
            if pixel(a, x, y) != pixel(b, x, y):
                return "different at %d,%d" % (x, y)
    return "same"


def disc(path):
    image = load(path)
    w, h, data = image
    far = 0.0
    for y in range(h):
        for x in range(w):
            if data[4 * (y * w + x) + 3] > 8:
                dx, dy = x + 0.5 - w / 2.0, y + 0.5 - h / 2.0
                far = max(far, dx * dx + dy * dy)
    return "disc=%.4f" % (far ** 0.5 / (w / 2.0))


def main(argv):
    command, path, rest = argv[1], argv[2], argv[3:]
    if command == "frames":
        print(frames(path, int(rest[0]), int(rest[1])))
    elif command == "reach":
        print(reach(path, int(rest[0])))
    elif command == "region":
        print(region(path, *(int(v) for v in rest)))
    elif command == "wrap":
        print(wrap(path))
    elif command == "disc":
        print(disc(path))
    elif command == "same":
        print(same(path, *(int(v) for v in rest[:4]), rest[4]))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
