#!/usr/bin/python3
"""scnread: reads scene files (".scn") from the format alone and checks built ones against
their text sources.

Usage: scnread.py FILE.scn                  prints the fields, one item a line
       scnread.py --check SOURCE.txt FILE.scn
                                           prints "ok", or what differs, one line each

Positions are packed into signed bytes as the camera does it, in single precision one operation
at a time: q = trunc(65536 + v / 3.2 x 128) - 65536, clamped to -128..127 (struct "f" rounds
each step).
"""

import struct
import sys

SCALE = 3.2
MATERIALS = ["paper", "metal", "ice", "bouncy"]
TEAM_COLOURS = [0xFFFF5D37, 0xFF3A92FF]
DEFAULT_WORDS = [0, 1, 2, 3] + [0, 1, 2, 3] * 4


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def quantise(text):
    v = f32(float(text))
    t = f32(f32(v / f32(SCALE)) * 128.0)
    q = int(f32(65536.0 + t)) - 65536
    return max(-128, min(127, q))


class Malformed(Exception):
    pass


def read(data):
    """The fields of a scene file; raises Malformed for a file that is cut short or too long."""
    def take(fmt, at):
        size = struct.calcsize(fmt)
        if at + size > len(data):
            raise Malformed("cut short at byte %d" % at)
        return struct.unpack_from(fmt, data, at), at + size

    scene = {"version": 0, "words": list(DEFAULT_WORDS), "players": [], "blocks": [], "markers": []}
    at = 0
    if data[:4] in (b"v100", b"v110"):
        scene["version"] = int(data[1:4])
        words, at = take("<20I", 4)
        scene["words"] = list(words)
    (count,), at = take("<B", at)
    for _ in range(count):
        spawns = []
        for _ in range(3):
            spawn, at = take("<bbI", at)
            spawns.append(spawn)
        scene["players"].append(spawns)
    (count,), at = take("<B", at)
    for _ in range(count):
        block, at = take("<bbBBBB", at)
        scene["blocks"].append(block)
    if scene["version"] == 110:
        (count,), at = take("<B", at)
        for _ in range(count):
            marker, at = take("<bb", at)
            scene["markers"].append(marker)
    if at != len(data):
        raise Malformed("%d bytes after the last field" % (len(data) - at))
    return scene


def source(path):
    """The fields a text source asks for, with positions quantised."""
    want = {"version": 110, "words": list(DEFAULT_WORDS), "players": [[], []], "blocks": [],
            "markers": []}
    with open(path, encoding="utf-8") as f:
        for line in f:
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            if words[0] == "spawn":
                side = int(words[1])
                want["players"][side].append((quantise(words[2]), quantise(words[3]),
                                              TEAM_COLOURS[side]))
            elif words[0] == "block":
                want["blocks"].append((quantise(words[1]), quantise(words[2]), int(words[3]),
                                       MATERIALS.index(words[4]), int(words[5]), int(words[6])))
            elif words[0] == "marker":
                want["markers"].append((quantise(words[1]), quantise(words[2])))
            else:
                raise ValueError("%s: unknown line %r" % (path, line))
    return want


def main():
    args = sys.argv[1:]
    if len(args) == 3 and args[0] == "--check":
        want = source(args[1])
        try:
            got = read(open(args[2], "rb").read())
        except Malformed as e:
            print("malformed: %s" % e)
            return 1
        problems = []
        for key in ("version", "words", "players", "blocks", "markers"):
            a, b = want[key], got[key]
            if a != b:
                if isinstance(a, list) and len(a) == len(b):
                    for i, (x, y) in enumerate(zip(a, b)):
                        if x != y:
                            problems.append("%s %d: source %s, file %s" % (key, i, x, y))
                else:
                    problems.append("%s: source %s, file %s" % (key, a, b))
        print("\n".join(problems) if problems else "ok")
        return 1 if problems else 0
    if len(args) == 1:
        try:
            scene = read(open(args[0], "rb").read())
        except Malformed as e:
            print("malformed: %s" % e)
            return 1
        print("version %d" % scene["version"])
        print("words %s" % " ".join(str(w) for w in scene["words"]))
        for side, spawns in enumerate(scene["players"]):
            for x, y, colour in spawns:
                print("spawn %d %d %d %08X" % (side, x, y, colour))
        for block in scene["blocks"]:
            print("block %d %d %d %d %d %d" % block)
        for marker in scene["markers"]:
            print("marker %d %d" % marker)
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
