#!/usr/bin/python3
"""match_messages: the match messages' bytes from their field values, by Python's struct.

Reads lines from standard input and writes one line of lowercase hex for each:

  NAME SEQ EXECUTE_AT FIELD...        one message: the 12-byte header {u32 type, u32 seq,
                                      i32 execute-at} and the body packed from the fields
  batch SEQ | MESSAGE | MESSAGE ...   a batch: {u32 43, u32 SEQ, i32 -1, u32 0}, then per
                                      message its type byte and its bytes, then "cc"
  table                               one line "NAME TYPE SIZE TIMED SEND" per message type

Fields are decimal integers or floats (packed as single precision). The layouts below are
written from the message catalogue's table, not from the game's code.
"""

import struct
import sys

# name: (type, body format after the header, size, timed, send (-1: the poster decides))
MESSAGES = {
    "Ack": (1, "", 12, 0, 0),
    "RoundBegin": (5, "IIii", 28, 0, 1),
    "BattleBegin": (6, "I", 16, 0, 1),
    "RoundResult": (7, "I", 16, 0, 1),
    "AimingBegin": (8, "", 12, 0, 1),
    "GameOver": (9, "BBBBB3x", 20, 0, -1),
    "NextTurn": (10, "I", 16, 0, 1),
    "MatchEnd": (11, "B3xI", 20, 0, 0),
    "LeaveBattle": (12, "BB2x", 16, 0, 0),
    "PhysicsSwitch": (15, "I", 16, 1, 1),
    "PlayerOut": (21, "BB2x", 16, 1, 1),
    "SettlePositions": (22, "ffff", 28, 1, 1),
    "PlayerKnock": (23, "IffI", 28, 1, 1),
    "Ready": (25, "I", 16, 0, 1),
    "GiveUp": (26, "I", 16, 0, 1),
    "PlayerDamage": (27, "B3xIi", 24, 1, 1),
    "SquashCheck": (28, "", 12, 0, 0),
    "Whip": (29, "Iff", 24, 1, 1),
    "SpawnProjectile": (30, "BBbx", 16, 1, 1),
    "PlaceProjectile": (31, "IffI", 28, 1, 1),
    "LaunchProjectile": (32, "IffI", 28, 1, 1),
    "ProjectileGone": (33, "BBbx", 16, 1, 1),
    "BlockState": (40, "Bbbx I ff", 28, 1, 1),
    "BlockDestroyed": (41, "B3x", 16, 1, 1),
    "BlockStick": (45, "B3x I Bb2x ff f f f", 44, 1, 1),
    "Explosion": (50, "I B3x ff f", 32, 1, -1),
    "ClockReset": (70, "", 12, 0, 0),
    "PlaybackDone": (71, "I", 16, 0, 1),
    "Equipment": (77, "BB2x 4I 4I 4I", 64, 0, 1),
}

for name, (_, body, size, _, _) in MESSAGES.items():
    assert struct.calcsize("<III" + body) == size, name


def value(text, code):
    return float(text) if code == "f" else int(text, 0)


def message(words):
    name, seq, execute_at, fields = words[0], int(words[1]), int(words[2]), words[3:]
    kind, body, _, _, _ = MESSAGES[name]
    codes = "".join(c * int(n) if n else c for n, c in _counted(body))
    values = [value(t, c) for t, c in zip(fields, codes)]
    assert len(values) == len(codes) == len(fields), (name, fields)
    return struct.pack("<IIi" + body, kind, seq, execute_at, *values)


def _counted(body):
    """(repeat, code) for every field code of the format, pads left out."""
    out, digits = [], ""
    for c in body.replace(" ", ""):
        if c.isdigit():
            digits += c
        elif c == "x":
            digits = ""
        else:
            out.append((digits, c))
            digits = ""
    return out


def batch(line):
    parts = [p.split() for p in line.split("|")]
    head = parts[0]
    out = struct.pack("<IIiI", 43, int(head[1]), -1, 0)
    for words in parts[1:]:
        m = message(words)
        out += bytes([m[0]]) + m
    return out + b"cc"


def main():
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "table":
            for name, (kind, _, size, timed, send) in MESSAGES.items():
                print(name, kind, size, timed, send)
        elif words[0] == "batch":
            print(batch(line).hex())
        else:
            print(message(words).hex())


main()
