#!/usr/bin/python3
"""asn1_model: the wire protocol's messages written with pyasn1, an independent BER
implementation, to cross-check the client's codec.

A message is a context-specific constructed SEQUENCE whose tag is the message tag; its fields
are implicitly tagged [0], [1], ... in order. Field kinds:

  int      32-bit INTEGER
  int64    INTEGER of zero or more
  text     the units of a UTF-16 string, each coded by itself ('surrogatepass' UTF-8 of the
           unit): pyasn1's UTF8String would pair surrogates or refuse a lone one, so the field is
           an OCTET STRING whose octets this module makes and reads
  bytes    OCTET STRING
  intlist  a list of INTEGERs under [i]: pyasn1 writes a SEQUENCE OF constructed and refuses
           one under a primitive identifier, so the field is an OCTET STRING holding the
           pyasn1 encoding of each INTEGER in turn
  records  (RECORDS, [kinds]): a list of SEQUENCEs with implicitly tagged fields, coded the
           same way, element by element

Message tests extend it with their messages' schemas: message_type(tag, kinds) gives the pyasn1
type, encode(tag, kinds, values) the octets, decode(tag, kinds, octets) the values.

Run as a program it is the primitive-level cross-check driven by tests/online:
  asn1_model.py cases SEED     prints random messages and their pyasn1 octets, one a line:
                               tag|kinds|values|octets|octets with the fields shuffled
  asn1_model.py verify         reads "tag|kinds|values|octets" lines (the client's encodings)
                               and checks that pyasn1 decodes each to the values and encodes
                               the values to the same octets; prints the faults, exit 1 if any
"""

import random
import sys

from pyasn1.codec.ber import decoder, encoder
from pyasn1.type import namedtype, tag, univ

RECORDS = "records"


class _MinimalIntegerEncoder(encoder.IntegerEncoder):
    """pyasn1 0.4.8 writes the negative powers of two -2^(8k-1) one octet too long (FF 80 for
    -128, where X.690 8.3.2 and the wire have the single octet 80): its to_bytes sizes the
    magnitude, not the two's complement. The one place the model does not take pyasn1's octets
    as they are: a leading FF above an octet with its top bit set is dropped."""

    def encodeValue(self, value, asn1Spec, encodeFun, **options):
        substrate, constructed, octets = encoder.IntegerEncoder.encodeValue(
            self, value, asn1Spec, encodeFun, **options)
        if octets and len(substrate) > 1 and substrate[0] == 0xFF and substrate[1] & 0x80:
            substrate = substrate[1:]
        return substrate, constructed, octets


_TAG_MAP = dict(encoder.tagMap)
_TAG_MAP[univ.Integer.tagSet] = _MinimalIntegerEncoder()
_TYPE_MAP = dict(encoder.typeMap)
_TYPE_MAP[univ.Integer.typeId] = _MinimalIntegerEncoder()
_encode = encoder.Encoder(_TAG_MAP, _TYPE_MAP)
INT32 = (-2**31, 2**31 - 1)


def _context(number, constructed=False):
    form = tag.tagFormatConstructed if constructed else tag.tagFormatSimple
    return tag.Tag(tag.tagClassContext, form, number)


def text_octets(units):
    """Each UTF-16 unit by itself, as the client writes it."""
    return b"".join(chr(u).encode("utf-8", "surrogatepass") for u in units)


def text_units(octets):
    """The units of octets written unit by unit (the inverse of text_octets)."""
    return [ord(c) for c in octets.decode("utf-8", "surrogatepass")]


def _field_type(kind, number):
    if kind in ("int", "int64"):
        return univ.Integer().subtype(implicitTag=_context(number))
    return univ.OctetString().subtype(implicitTag=_context(number))


def record_type(kinds):
    """A record of a list: a universal SEQUENCE of implicitly tagged fields."""
    return univ.Sequence(componentType=namedtype.NamedTypes(
        *[namedtype.NamedType("f%d" % i, _field_type(_flat(k), i)) for i, k in enumerate(kinds)]))


def message_type(message_tag, kinds):
    return univ.Sequence(componentType=namedtype.NamedTypes(
        *[namedtype.NamedType("f%d" % i, _field_type(_flat(k), i))
          for i, k in enumerate(kinds)])).subtype(implicitTag=_context(message_tag, True))


def _flat(kind):
    return kind[0] if isinstance(kind, tuple) else kind


def _value_to_asn1(kind, value):
    k = _flat(kind)
    if k in ("int", "int64"):
        return value
    if k == "text":
        return text_octets(value)
    if k == "bytes":
        return bytes(value)
    if k == "intlist":
        return b"".join(_encode(univ.Integer(v)) for v in value)
    if k == RECORDS:
        return b"".join(encode_record(kind[1], v) for v in value)
    raise ValueError(kind)


def _value_from_asn1(kind, component):
    k = _flat(kind)
    if k in ("int", "int64"):
        return int(component)
    octets = bytes(component)
    if k == "text":
        return text_units(octets)
    if k == "bytes":
        return list(octets)
    if k == "intlist":
        values = []
        while octets:
            value, octets = decoder.decode(octets, asn1Spec=univ.Integer())
            values.append(int(value))
        return values
    if k == RECORDS:
        values = []
        while octets:
            value, octets = decode_record(kind[1], octets)
            values.append(value)
        return values
    raise ValueError(kind)


def encode_record(kinds, values):
    record = record_type(kinds)
    for i, (k, v) in enumerate(zip(kinds, values)):
        record.setComponentByPosition(i, record.getComponentType()[i].getType().clone(
            _value_to_asn1(k, v)))
    return _encode(record)


def decode_record(kinds, octets):
    record, rest = decoder.decode(octets, asn1Spec=record_type(kinds))
    return [_value_from_asn1(k, record[i]) for i, k in enumerate(kinds)], rest


def encode(message_tag, kinds, values):
    message = message_type(message_tag, kinds)
    for i, (k, v) in enumerate(zip(kinds, values)):
        message.setComponentByPosition(i, message.getComponentType()[i].getType().clone(
            _value_to_asn1(k, v)))
    return _encode(message)


def decode(message_tag, kinds, octets):
    """The values of a message; the octets must hold it exactly."""
    message, rest = decoder.decode(octets, asn1Spec=message_type(message_tag, kinds))
    if rest:
        raise ValueError("%d octets after the message" % len(rest))
    return [_value_from_asn1(k, message[i]) for i, k in enumerate(kinds)]


def split_fields(octets):
    """The content's fields as whole TLVs (identifier, length, content) in order."""
    fields = []
    header, content = _split_header(octets)
    while content:
        field_header, field_content = _split_header(content)
        whole = len(field_header) + len(field_content)
        fields.append(content[:whole])
        content = content[whole:]
    return header, fields


def _split_header(octets):
    """(identifier and length octets, content) of the TLV at the start of octets."""
    at = 1
    if octets[0] & 0x1F == 0x1F:
        while octets[at] & 0x80:
            at += 1
        at += 1
    first = octets[at]
    if first < 0x80:
        length, at = first, at + 1
    else:
        n = first & 0x7F
        length = int.from_bytes(octets[at + 1:at + 1 + n], "big")
        at += 1 + n
    return octets[:at], octets[at:at + length]


def shuffled(octets, rng):
    """The same message with its fields in another order (the length does not change)."""
    header, fields = split_fields(octets)
    rng.shuffle(fields)
    return header + b"".join(fields)


# --- The primitive-level cross-check ------------------------------------------------------------

INT_EDGES = [0, 1, -1, 127, 128, -128, -129, 255, 256, -256, 32767, 32768, -32768, -32769,
             8388607, 8388608, -8388608, -8388609, 2**31 - 1, -2**31]
LONG_EDGES = [0, 1, 127, 128, 255, 2**31 - 1, 2**31, 2**32, 4294967296, 2**40 + 5, 2**56 - 1,
              2**56, 2**63 - 1]
# Text lengths in octets at each length form's boundary.
LENGTH_EDGES = [0, 1, 127, 128, 255, 256, 65535, 65536]


def random_text(rng):
    pick = rng.random()
    if pick < 0.2:
        length = rng.choice(LENGTH_EDGES)
        return [rng.randrange(0x20, 0x7F) for _ in range(length)]
    units = []
    for _ in range(rng.randrange(0, 40)):
        which = rng.random()
        if which < 0.4:
            units.append(rng.randrange(1, 0x80))
        elif which < 0.6:
            units.append(rng.randrange(0x80, 0x800))
        elif which < 0.8:
            units.append(rng.choice([0x20AC, 0xE9, 0x4E2D, 0xFFFF, 0xFEFF, 0x800]))
        else:
            units.append(rng.randrange(0xD800, 0xE000))  # lone surrogates, lead or trail
    return units


def random_value(kind, rng):
    if kind == "int":
        return rng.choice(INT_EDGES) if rng.random() < 0.6 else rng.randrange(*INT32)
    if kind == "int64":
        return rng.choice(LONG_EDGES) if rng.random() < 0.6 else rng.randrange(0, 2**63)
    if kind == "text":
        return random_text(rng)
    if kind == "bytes":
        length = rng.choice(LENGTH_EDGES) if rng.random() < 0.3 else rng.randrange(0, 64)
        return [rng.randrange(256) for _ in range(length)]
    if kind == "intlist":
        return [random_value("int", rng) for _ in range(rng.randrange(0, 12))]
    raise ValueError(kind)


def format_value(kind, value):
    if kind in ("int", "int64"):
        return str(value)
    if kind == "text":
        return "".join("%04x" % u for u in value)
    if kind == "bytes":
        return bytes(value).hex()
    if kind == "intlist":
        return "/".join(str(v) for v in value)
    raise ValueError(kind)


def parse_value(kind, text):
    if kind in ("int", "int64"):
        return int(text)
    if kind == "text":
        return [int(text[i:i + 4], 16) for i in range(0, len(text), 4)]
    if kind == "bytes":
        return list(bytes.fromhex(text))
    if kind == "intlist":
        return [int(v) for v in text.split("/")] if text else []
    raise ValueError(kind)


def cases(seed, count=300):
    rng = random.Random(seed)
    tags = [0, 2, 28, 30, 31, 59, 64, 116, 127, 128, 16383]
    kinds_all = ["int", "int64", "text", "bytes", "intlist"]
    out = []
    for n in range(count):
        message_tag = tags[n % len(tags)] if n < 2 * len(tags) else rng.randrange(0, 117)
        kinds = [rng.choice(kinds_all) for _ in range(rng.randrange(0, 8))]
        values = [random_value(k, rng) for k in kinds]
        octets = encode(message_tag, kinds, values)
        out.append("%d|%s|%s|%s|%s" % (message_tag, ",".join(kinds),
                                       ";".join(format_value(k, v) for k, v in zip(kinds, values)),
                                       octets.hex(), shuffled(octets, rng).hex()))
    return out


def verify(lines):
    faults = []
    for number, line in enumerate(lines, 1):
        message_tag, kinds, values, octets = line.split("|")[:4]
        kinds = kinds.split(",") if kinds else []
        values = [parse_value(k, v) for k, v in zip(kinds, values.split(";"))] if kinds else []
        octets = bytes.fromhex(octets)
        try:
            decoded = decode(int(message_tag), kinds, octets)
        except Exception as error:  # pyasn1 refuses the octets
            faults.append("line %d: pyasn1 cannot decode: %s" % (number, error))
            continue
        if decoded != values:
            faults.append("line %d: pyasn1 decodes other values" % number)
        if encode(int(message_tag), kinds, values) != octets:
            faults.append("line %d: pyasn1 encodes other octets" % number)
    return faults


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "cases":
        print("\n".join(cases(int(sys.argv[2]))))
        return 0
    if len(sys.argv) == 2 and sys.argv[1] == "verify":
        lines = [line for line in sys.stdin.read().splitlines() if line]
        faults = verify(lines)
        for fault in faults:
            print(fault)
        print("%d messages checked, %d faults" % (len(lines), len(faults)))
        return 1 if faults or not lines else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
