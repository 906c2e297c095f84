#!/usr/bin/python3
# Writes the protocol's cross-check vectors with pyasn1: every message the client sends and
# receives, from a schema written out here (implicit context tags, records as SEQUENCE).
#
# Usage: protocol_vectors.py OUT_FILE
#        protocol_vectors.py --seeds DIR   writes each received message as a fuzz seed into
#                                          DIR/<family>msgs/ (lobby: class-decoded, direct,
#                                          shape), and into DIR/menu/ as the menu target's
#                                          segments (the message, frames, a drawn frame)
#
# Each line is "<S|R> <tag> <values> = <hex octets>". S lines are messages the client builds:
# the C++ test builds the message from the values and must write exactly the octets. R lines
# are messages the client receives: the C++ test parses the octets and must return the values
# (class-decoded messages also come with their fields shuffled). Values are tokens:
#   i:<n> 32-bit integer, l:<n> 64-bit integer, t:<utf-16 units in hex, '.' between> text,
#   b:<hex> byte string, n:<count> a list's element count followed by its elements' tokens.
#
# Where pyasn1 cannot follow the wire: a list field under 0x80|i is primitive on the wire, and
# pyasn1 writes a SEQUENCE OF constructed only, so such a field is a primitive context OCTET
# STRING whose content is each element coded by pyasn1 in turn (0x02 INTEGERs or 0x30
# SEQUENCEs). Texts are carried as OCTET STRINGs of Python's 'surrogatepass' UTF-8 of each
# 16-bit unit, which is the wire's form. pyasn1 0.4.8 writes a negative power of two of 8k-1
# bits (-128, -32768, ...) with a redundant leading FF; its INTEGER content is given the
# minimal form here, the one the wire prescribes, so that its encoder can be held to the octets.

import random
import sys

from pyasn1.codec.ber import decoder, encoder
from pyasn1.type import namedtype, tag, univ

rng = random.Random(20)


def _minimal_integer(self, value, asn1Spec, encodeFun, **options):
    v = int(value)
    n = ((~v if v < 0 else v).bit_length() + 8) // 8
    return v.to_bytes(n, 'big', signed=True), False, True


encoder.IntegerEncoder.encodeValue = _minimal_integer


def ctx(i, constructed=False):
    fmt = tag.tagFormatConstructed if constructed else tag.tagFormatSimple
    return tag.Tag(tag.tagClassContext, fmt, i)


# --- value generators ----------------------------------------------------------------------

INT_EDGES = [0, 1, -1, 127, 128, -128, -129, 255, 256, -256, 32767, 32768, -32768, -32769,
             8388607, 8388608, -8388608, -8388609, 2147483647, -2147483648]
LONG_EDGES = [0, 1, 127, 128, 255, 256, 4294967295, 4294967296, 2**55, 2**56 - 1, 2**63 - 1]


def gen_int():
    if rng.random() < 0.6:
        return rng.choice(INT_EDGES)
    return rng.randint(-2**31, 2**31 - 1)


def gen_long():
    if rng.random() < 0.6:
        return rng.choice(LONG_EDGES)
    return rng.randint(0, 2**63 - 1)


def gen_units():
    choice = rng.random()
    if choice < 0.15:
        return []
    pool = [0x41, 0x7A, 0x20, 0x7F, 0x80, 0xE9, 0x7FF, 0x800, 0x20AC, 0xD800, 0xDBFF, 0xDC00,
            0xDFFF, 0xFFFF, 0x4E2D]
    if choice < 0.25:
        # Around the length forms' boundaries (127/128 and 255/256 octets).
        n = rng.choice([127, 128, 255, 256, 300])
        return [0x61] * n
    n = rng.randint(1, 24)
    return [rng.choice(pool) if rng.random() < 0.5 else rng.randint(1, 0x7F) for _ in range(n)]


def gen_bytes(lo=0, hi=300):
    n = rng.choice([lo, 1, 127, 128, 255, 256, rng.randint(lo, hi)])
    n = max(lo, min(n, hi))
    return bytes(rng.randint(0, 255) for _ in range(n))


def text_octets(units):
    return ''.join(chr(u) for u in units).encode('utf-8', 'surrogatepass')


# --- schema --------------------------------------------------------------------------------
# A field kind: 'i' int, 'l' int64, 't' text, 'b' bytes, 'il' int list under 0x80|i,
# 'ilc' int list under the constructed 0xA0|i, ('r', record) a record list under 0x80|i.

PLAYER_LIST_ITEM = ['i', 't', 't', 't', 't', 'i', 't', 'g8']
GROUP_LIST_ITEM = ['t', 'i']
ITEM_DATA = ['i', 'i', 'b16', 'i']
SHOP_GROUP = ['i', 't', 'i', 'i', 'i', 'i']
SHOP_ITEM = ['i', 't', 't', 't', 'i', 'i', 'i', 'i', 'i', 'i', 'i', 'i', 'i', 't', 'i']
BUY_PLAYER = ['i', 't', 't']
LANGUAGE_INFO = ['t', 't', 't', 'i']
ACHIEVEMENT = ['i', 'i', 't', 't', 't', 't']


def R(record):
    return ('r', record)


SENT = {
    0: ['i', 'i', 'i', 't', 't', 'i', 'i', 't', 't', 'i', 't', 't', 't', 'i', 't', 'i', 'i'],
    5: ['t', 't', 'i', 't'],
    7: ['i', 'i', 'i'],
    9: ['i'],
    10: ['i', 'i', 'i', 'i'],
    13: ['bgame'],
    15: ['l', 'i', 'i', 'ilc', 'ilc', 'i'],
    18: ['l'],
    19: ['i', 'i', 'i', 't', 'i', 'i'],
    21: ['i', 'i', 'i', 'i', 't'],
    28: [],
    30: ['t', 't'],
    37: ['t'],
    38: ['i', 'ilc', 't'],
    40: ['i', 'i', 'i', 'i', 't', 't'],
    44: ['i'],
    46: ['i', 'l', 'i', 'i', 'i', 'i', 't'],
    51: ['t', 't'],
    57: ['t'],
    59: [],
    64: ['i', 't', 'i'],
    70: ['l', 'i', 'i'],
    74: ['i', 'i', 'i'],
    76: ['i', 'i'],
    88: ['i', 'i', 'i'],
    90: [],
    92: ['i'],
    94: [],
    96: ['i', 'i', 'i'],
    98: ['i', 'i'],
    99: ['il', 'i'],
    101: ['i', 'i'],
    102: ['i', 'i'],
    104: ['i', 'i', 'il'],
    107: ['t'],
    109: ['t', 't', 't', 'i', 't', 't'],
    111: ['i', 't', 't', 't', 't'],
    112: [],
    113: ['i'],
    115: ['i', 'i', 'il'],
}

# Received messages decoded field by field by a message class (shuffled copies too).
RECEIVED_CLASS = {
    2: ['t', 'i', 't', 'i'],
    11: ['i', 'i', 'i', R(ACHIEVEMENT), 'i'],
    20: ['i', 'i', 'i', R(PLAYER_LIST_ITEM), R(GROUP_LIST_ITEM)],
    29: [R(LANGUAGE_INFO)],
    31: ['t', 't', 't', 'i', 'b'],
    39: ['l', 'i', 't', 't', 'i', 'i'],
    45: ['i', 't', 'i'],
    52: ['t', 'b', 't', 't', 't'],
    64: ['i', 't', 'i'],
    80: ['t', 't', 'b', 'i', 'i', 'il', 't', 'i', 't', 't'],
    105: ['i', 'i', 't'],
    106: ['i', 'i', 't', 'i'],
    108: ['i', 't'],
    110: ['i', 't'],
    114: ['i', 't', R(SHOP_ITEM)],
    116: ['i', 'i', 't'],
}

# Received messages read by the shape decoders and direct parsers, fields in order.
RECEIVED_ORDERED = {
    13: ['bgame'],
    21: ['i', 'i', 'i', 'i', 't', 't'],
    22: ['i', 'i', 'i', 'i', 't', 't'],
    40: ['i', 'i', 'i', 'i', 't', 't'],
    44: ['i'],
    58: ['t', 't'],
    71: ['i'],
    72: ['l', 'i'],
    85: ['i', 'i', 'b'],
    87: [R(ITEM_DATA)],
    89: ['i', 'i', 'b', 'i'],
    91: ['i'],
    93: ['i', R(SHOP_GROUP)],
    97: ['i', 'i', R(SHOP_ITEM)],
    100: ['i', 'i', 'b'],
    103: ['i', 'i', 't', R(BUY_PLAYER)],
}


def asn1_type(kind, i):
    """The pyasn1 type of field kind at field number i (implicit context tag)."""
    if kind in ('i', 'l'):
        return univ.Integer().subtype(implicitTag=ctx(i))
    if kind == 'ilc':
        return univ.SequenceOf(componentType=univ.Integer()).subtype(
            implicitTag=ctx(i, True))
    if kind == 'g8':
        # The player list item's group: eight context-tagged INTEGERs under [i] constructed.
        return record_schema(['i'] * 8).subtype(implicitTag=ctx(i, True))
    # Texts, byte strings and lists under 0x80|i: a primitive context OCTET STRING.
    return univ.OctetString().subtype(implicitTag=ctx(i))


def record_schema(record):
    types = namedtype.NamedTypes(*[
        namedtype.NamedType('f%d' % i, asn1_type(k, i)) for i, k in enumerate(record)])
    return univ.Sequence(componentType=types)


def gen_value(kind):
    if kind == 'i':
        return gen_int()
    if kind == 'l':
        return gen_long()
    if kind == 't':
        return gen_units()
    if kind == 'b':
        return gen_bytes()
    if kind == 'b16':
        return bytes(rng.randint(0, 255) for _ in range(16))
    if kind == 'bgame':
        return gen_bytes(1, 32768) if rng.random() < 0.2 else gen_bytes(1, 300)
    if kind in ('il', 'ilc'):
        return [gen_int() for _ in range(rng.choice([0, 1, 3, 10, 40]))]
    if kind == 'g8':
        return [gen_int() for _ in range(8)]
    return [[gen_value(k) for k in kind[1]] for _ in range(rng.choice([0, 1, 2, 5]))]


def asn1_value(kind, i, value):
    t = asn1_type(kind, i)
    if kind in ('i', 'l'):
        return t.clone(value)
    if kind == 'ilc':
        v = t.clone()
        for n, x in enumerate(value):
            v.setComponentByPosition(n, x)
        return v
    if kind == 'g8':
        v = t.clone()
        for n, x in enumerate(value):
            v.setComponentByPosition(n, asn1_value('i', n, x))
        return v
    if kind == 't':
        return t.clone(text_octets(value))
    if kind in ('b', 'b16', 'bgame'):
        return t.clone(value)
    if kind == 'il':
        return t.clone(b''.join(encoder.encode(univ.Integer(x)) for x in value))
    # A record list: each record a SEQUENCE coded by pyasn1, one after the other.
    return t.clone(b''.join(encode_record(kind[1], r) for r in value))


def encode_record(record, values):
    seq = record_schema(record).clone()
    for i, (k, v) in enumerate(zip(record, values)):
        seq.setComponentByPosition(i, asn1_value(k, i, v))
    return encoder.encode(seq)


def encode_message(tagno, fields, values, order=None):
    """pyasn1's encoding of the message: a SEQUENCE under [tagno] constructed, its fields in
    the given order of field numbers."""
    order = order if order is not None else list(range(len(values)))
    types = namedtype.NamedTypes(*[
        namedtype.NamedType('f%d' % i, asn1_type(fields[i], i)) for i in order])
    seq = univ.Sequence(componentType=types).subtype(implicitTag=ctx(tagno, True)).clone()
    for pos, i in enumerate(order):
        seq.setComponentByPosition(pos, asn1_value(fields[i], i, values[i]))
    return encoder.encode(seq)


def decode_message(octets, tagno, fields, count):
    """pyasn1 reading the octets back with the same schema: the values it finds."""
    types = namedtype.NamedTypes(*[
        namedtype.NamedType('f%d' % i, asn1_type(fields[i], i)) for i in range(count)])
    schema = univ.Sequence(componentType=types).subtype(implicitTag=ctx(tagno, True))
    seq, rest = decoder.decode(octets, asn1Spec=schema)
    assert rest == b'', 'trailing octets'
    out = []
    for i in range(count):
        v = seq.getComponentByPosition(i)
        k = fields[i]
        if k in ('i', 'l'):
            out.append(int(v))
        elif k in ('ilc', 'g8'):
            out.append([int(x) for x in v])
        elif k == 't':
            out.append([ord(c) for c in bytes(v).decode('utf-8', 'surrogatepass')])
        elif k == 'il':
            body, items = bytes(v), []
            while body:
                x, body = decoder.decode(body, asn1Spec=univ.Integer())
                items.append(int(x))
            out.append(items)
        else:
            out.append(bytes(v))
    return out


# --- tokens --------------------------------------------------------------------------------

def tokens(kind, value):
    if kind in ('i', 'l'):
        return ['%s:%d' % (kind, value)]
    if kind == 't':
        return ['t:' + '.'.join('%04x' % u for u in value)]
    if kind in ('b', 'b16', 'bgame'):
        return ['b:' + value.hex()]
    if kind in ('il', 'ilc', 'g8'):
        return ['n:%d' % len(value)] + ['i:%d' % x for x in value]
    out = ['n:%d' % len(value)]
    for rec in value:
        for k, v in zip(kind[1], rec):
            out += tokens(k, v)
    return out


def line(direction, tagno, fields, values, octets):
    toks = []
    for k, v in zip(fields, values):
        toks += tokens(k, v)
    return '%s %d %s = %s' % (direction, tagno, ' '.join(toks), octets.hex())


# --- the player and match-result records of the direct parsers ------------------------------

def date_text(six):
    day, month, year, hour, minute, second = six
    return [ord(c) for c in '%d.%d.%d %d:%d:%d' % (day, month, year, hour, minute, second)]


def tlv(tagoctets, content):
    n = len(content)
    if n < 128:
        head = bytes([n])
    else:
        raw = n.to_bytes((n.bit_length() + 7) // 8, 'big')
        head = bytes([0x80 | len(raw)]) + raw
    return tagoctets + head + content


def prim(i, content):
    return tlv(bytes([0x80 | i]), content)


def int_content(v):
    return encoder.encode(univ.Integer(v))[2:]


def player_record(with_flag):
    pid, name, second = gen_int(), gen_units(), gen_units()
    six = [rng.randint(1, 28), rng.randint(1, 12), rng.randint(1990, 2040),
           rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)]
    f4, f5 = gen_int(), gen_units()
    group = [gen_int() for _ in range(rng.randint(0, 6))]
    seq = record_schema(['i', 't', 't', 't', 'i', 't']).clone()
    for i, (k, v) in enumerate(zip(['i', 't', 't', 't', 'i', 't'],
                                   [pid, name, second, date_text(six), f4, f5])):
        seq.setComponentByPosition(i, asn1_value(k, i, v))
    body = encoder.encode(seq)
    # pyasn1's SEQUENCE header is stripped and the group and flag fields appended by hand:
    # the group holds context-tagged INTEGERs under [6] constructed.
    _, rest = body[0], body[1:]
    hdr = 2 if rest[0] < 0x80 else 2 + (rest[0] & 0x7F)
    content = body[hdr:]
    gseq = univ.Sequence(componentType=namedtype.NamedTypes(*[
        namedtype.NamedType('g%d' % i, univ.Integer().subtype(implicitTag=ctx(i)))
        for i in range(len(group))])).subtype(implicitTag=ctx(6, True)).clone()
    for i, v in enumerate(group):
        gseq.setComponentByPosition(i, gseq.getComponentType()[i].getType().clone(v))
    content += encoder.encode(gseq)
    if with_flag:
        content += bytes([0x87, 0x00])
    octets = tlv(b'\x30', content)
    toks = ['i:%d' % pid] + tokens('t', name) + tokens('t', second)
    toks += ['i:%d' % x for x in [six[2], six[1], six[0], six[3], six[4], six[5]]]
    toks += ['i:%d' % f4] + tokens('t', f5)
    toks += ['i:%d' % x for x in group + [0] * (6 - len(group))]
    toks += ['i:%d' % (1 if with_flag else 0)]
    return octets, toks


def match_result():
    vals = [gen_int(), gen_int(), gen_int(), gen_int(), gen_units()]
    six = [rng.randint(1, 28), rng.randint(1, 12), rng.randint(1990, 2040),
           rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)]
    octets = encode_record(['i', 'i', 'i', 'i', 't', 't'], vals + [date_text(six)])
    toks = ['i:%d' % v for v in vals[:4]] + tokens('t', vals[4])
    toks += ['i:%d' % x for x in [six[2], six[1], six[0], six[3], six[4], six[5]]]
    return octets, toks


def wrap_message(tagno, content):
    ident = bytes([0xA0 | tagno]) if tagno < 31 else bytes([0xBF, tagno])
    return tlv(ident, content)


def direct_record_lines(out):
    for _ in range(20):
        # Tag 8: [0] player records, [1], [2], [3] ints.
        recs = [player_record(rng.random() < 0.3) for _ in range(rng.choice([0, 1, 3]))]
        ints = [gen_int() for _ in range(3)]
        content = prim(0, b''.join(o for o, _ in recs))
        content += b''.join(prim(i + 1, int_content(v)) for i, v in enumerate(ints))
        toks = ['n:%d' % len(recs)] + sum((t for _, t in recs), [])
        toks += ['i:%d' % v for v in ints]
        out.append('R 8 %s = %s' % (' '.join(toks), wrap_message(8, content).hex()))
        # Tag 12: [0] int64, [1] player records, [2] [3] ints, [4] text, [5] int.
        recs = [player_record(rng.random() < 0.3) for _ in range(rng.choice([0, 1, 2]))]
        gid, f2, f3, host, f5 = gen_long(), gen_int(), gen_int(), gen_units(), gen_int()
        content = prim(0, int_content(gid)) + prim(1, b''.join(o for o, _ in recs))
        content += prim(2, int_content(f2)) + prim(3, int_content(f3))
        content += prim(4, text_octets(host)) + prim(5, int_content(f5))
        toks = ['l:%d' % gid, 'n:%d' % len(recs)] + sum((t for _, t in recs), [])
        toks += ['i:%d' % f2, 'i:%d' % f3] + tokens('t', host) + ['i:%d' % f5]
        out.append('R 12 %s = %s' % (' '.join(toks), wrap_message(12, content).hex()))
        # Tag 75: [0] match results.
        recs = [match_result() for _ in range(rng.choice([0, 1, 4]))]
        content = prim(0, b''.join(o for o, _ in recs))
        toks = ['n:%d' % len(recs)] + sum((t for _, t in recs), [])
        out.append('R 75 %s = %s' % (' '.join(toks), wrap_message(75, content).hex()))
        # Tag 6: six fields in any order.
        fields = ['i', 't', 't', 't', 'i', 't']
        values = [gen_value(k) for k in fields]
        order = list(range(6))
        rng.shuffle(order)
        octets = encode_message(6, fields, values, order)
        out.append(line('R', 6, fields, values, octets))


def sent_values(tagno, fields):
    values = [gen_value(k) for k in fields]
    if tagno == 0:
        values[16] = rng.choice([3, 1, 0, -1])
    if tagno == 74:
        values[2] = rng.choice([-1, 0, 5, -7, gen_int()])
    if tagno == 15:
        values[5] = rng.choice([0, 1])
    if tagno == 99:
        values[0] = [gen_int() for _ in range(rng.choice([0, 1, 5, 10]))]
    return values


def main():
    out = []
    for tagno, fields in SENT.items():
        for _ in range(6 if fields else 1):
            values = sent_values(tagno, fields)
            count = len(fields)
            # The optional trailing fields the builders leave out.
            if tagno == 0 and values[16] <= 0:
                count = 16
            if tagno == 74 and values[2] < 0:
                count = 2
            octets = encode_message(tagno, fields, values, list(range(count)))
            assert decode_message(octets, tagno, fields, count) == \
                [bytes(v) if isinstance(v, bytes) else v for v in values[:count]]
            if tagno == 104 and rng.random() < 0.5:
                # The two-field form goes without the list.
                values, count = values[:2], 2
                octets = encode_message(tagno, fields, values, [0, 1])
            out.append(line('S', tagno, fields[:len(values)], values, octets))
    for tagno, fields in RECEIVED_CLASS.items():
        for n in range(8):
            values = [gen_value(k) for k in fields]
            order = list(range(len(fields)))
            if n % 2:
                rng.shuffle(order)
            out.append(line('R', tagno, fields, values,
                            encode_message(tagno, fields, values, order)))
    for tagno, fields in RECEIVED_ORDERED.items():
        for n in range(8):
            values = [gen_value(k) for k in fields]
            out.append(line('R', tagno, fields, values, encode_message(tagno, fields, values)))
    direct_record_lines(out)
    if sys.argv[1] == '--seeds':
        write_seeds(out, sys.argv[2])
        return
    with open(sys.argv[1], 'w') as f:
        f.write('\n'.join(out) + '\n')


DIRECT_TAGS = {6, 8, 12, 13, 21, 22, 40, 44, 58, 72, 75, 85}
SHAPE_TAGS = {71, 87, 89, 91, 93, 97, 100, 103}


def menu_segment(op, octets=b''):
    return bytes([op, len(octets) >> 8, len(octets) & 0xFF]) + octets


def write_seeds(lines, root):
    import os
    menu = os.path.join(root, 'menu')
    os.makedirs(menu, exist_ok=True)
    every = b''
    for n, text in enumerate(lines):
        if not text.startswith('R '):
            continue
        tagno = int(text.split(' ')[1])
        family = 'direct' if tagno in DIRECT_TAGS else 'shape' if tagno in SHAPE_TAGS else 'lobby'
        folder = os.path.join(root, family + 'msgs')
        os.makedirs(folder, exist_ok=True)
        octets = bytes.fromhex(text.split(' = ')[1])
        with open(os.path.join(folder, '%d-%d' % (tagno, n)), 'wb') as f:
            f.write(octets)
        # The page of the message's kind is not known here: each seed shows one in turn.
        seed = (menu_segment(2 | ((n % 10) << 2)) + menu_segment(0, octets) +
                menu_segment(1 | (4 << 2)) + menu_segment(3))
        every += menu_segment(0, octets) + menu_segment(1)
        with open(os.path.join(menu, '%d-%d' % (tagno, n)), 'wb') as f:
            f.write(seed)
    with open(os.path.join(menu, 'every'), 'wb') as f:
        f.write(every + menu_segment(3))
    # Each page shown and tapped on a grid of 100 x 96 pixels.
    taps = b''
    for page in range(10):
        taps += menu_segment(2 | (page << 2))
        points = [(x, y) for y in range(48, 480, 96) for x in range(50, 800, 100)]
        for start in range(0, len(points), 16):
            taps += menu_segment(3, b''.join(x.to_bytes(2, 'big') + y.to_bytes(2, 'big')
                                             for x, y in points[start:start + 16]))
    with open(os.path.join(menu, 'taps'), 'wb') as f:
        f.write(taps)


if __name__ == '__main__':
    main()
