#!/usr/bin/python3
"""Reference model of the data scrambler, written from its description, and the cases the test
runs through the engine.

Output, one line per case:
    <result> <key units, 4 hex digits each, joined by ","> <input hex> <output hex>
An empty input is written as "-". The engine must give the same result code and the same
output bytes for the same key and input.
"""
import random

# The scrambler's fixed 128-byte table. This copy is the reference: the engine's table must
# hold exactly these bytes in this order.
TABLE = bytes([
    0x76, 0x0a, 0x85, 0x65, 0x27, 0x04, 0xd3, 0x81, 0xa5, 0x83, 0x4d, 0xbf, 0x8f, 0x69, 0x75, 0x41,
    0x14, 0xaa, 0x4e, 0xd8, 0x8a, 0x05, 0x60, 0x86, 0x10, 0xea, 0x78, 0xa4, 0x28, 0x0e, 0x62, 0x72,
    0x17, 0xb2, 0xec, 0xcf, 0x54, 0x79, 0xd1, 0x50, 0x61, 0x32, 0xf5, 0xc1, 0x45, 0x23, 0xd9, 0x3e,
    0xad, 0xa1, 0x3d, 0xaf, 0x91, 0x29, 0xb0, 0xe2, 0x26, 0xbd, 0x12, 0xcb, 0xbc, 0x06, 0x21, 0xb6,
    0x02, 0xb8, 0x67, 0xc5, 0xfa, 0x5a, 0x1d, 0xfe, 0xe4, 0xdb, 0x33, 0x9d, 0x48, 0x11, 0x2d, 0xf4,
    0xf9, 0x5e, 0x92, 0x36, 0xc7, 0x9b, 0xc0, 0x9c, 0x15, 0x18, 0x8d, 0x63, 0xc6, 0x95, 0x5d, 0x64,
    0x37, 0xf8, 0xc2, 0x96, 0xd5, 0x24, 0x6a, 0xee, 0x5f, 0xfb, 0x6d, 0xa0, 0xc4, 0x47, 0xd7, 0x39,
    0x99, 0xe8, 0x4f, 0x43, 0x7a, 0x77, 0x7f, 0xba, 0x1f, 0x3a, 0xcd, 0xd0, 0x3c, 0xa7, 0x4b, 0x09,
])
assert len(TABLE) == 128 and len(set(TABLE)) == 128 and 0 not in TABLE

MIRROR_LIMIT = 62


def effective_key(key):
    """Up to 62 units: the key followed by the key reversed; a longer key as it is."""
    return key + key[::-1] if len(key) <= MIRROR_LIMIT else list(key)


def process(key, data):
    """(result, output): 2 and the data unchanged for no data or a key under 3 units."""
    if len(data) == 0 or len(key) < 3:
        return 2, bytes(data)
    eff = effective_key(key)
    out = bytearray(data)
    j = 0
    for i in range(len(out)):
        unit = eff[j % 128]
        out[i] ^= TABLE[(unit & 0xFF) % 128]
        j += 1
        if j == len(eff):
            j = 0
    return 1, bytes(out)


def ascii_key(text):
    return [ord(c) for c in text]


def cases():
    rng = random.Random(20240611)

    def noise(n):
        return bytes(rng.randrange(256) for _ in range(n))

    yield ascii_key("abc"), bytes(12)
    yield ascii_key("abc"), noise(1000)
    yield ascii_key("key"), b"\x5a"
    yield ascii_key("ab"), noise(16)           # too short: refused
    yield ascii_key("secret"), b""             # nothing to do: refused
    yield ascii_key("x" * 61 + "y"), noise(300)  # 62 units: still mirrored
    yield ascii_key("x" * 62 + "y"), noise(300)  # 63 units: used as it is
    # Units above 8 bits: only the low byte counts, taken modulo 128.
    yield [0x0161, 0x00E2, 0x4263, 0xFF80, 0x0100], noise(64)
    # A key of 200 units: positions beyond 127 repeat units 0..127. The first 128 units'
    # low bytes are 0..127, so zeros come out as the whole table in order.
    long_key = [0x0100 + i if i < 128 else 0x3000 + rng.randrange(0x1000) for i in range(200)]
    yield long_key, bytes(450)
    for length in (3, 4, 17, 62, 63, 128, 129, 300):
        key = [rng.randrange(1, 0x10000) for _ in range(length)]
        yield key, noise(rng.randrange(1, 700))


def main():
    for key, data in cases():
        result, out = process(key, data)
        print("%d %s %s %s" % (result, ",".join("%04x" % u for u in key),
                               data.hex() or "-", out.hex() or "-"))


if __name__ == "__main__":
    main()
