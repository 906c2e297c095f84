"""The wire's BER octets: identifiers, lengths, integers, texts, lists and message framing."""

CONTEXT = 0x80
CONSTRUCTED = 0xA0
UNIVERSAL_INTEGER = 0x02
UNIVERSAL_SEQUENCE = 0x30


class WireError(Exception):
    """Octets that do not form what was expected."""


def identifier(number, klass):
    """The identifier octets of a tag number below 16384 in the given class octet."""
    if number < 31:
        return bytes([klass | number])
    if number < 128:
        return bytes([klass | 0x1F, number])
    if number < 16384:
        return bytes([klass | 0x1F, 0x80 | ((number >> 7) & 0x7F), number & 0x7F])
    raise WireError("tag %d cannot be written" % number)


def length(n):
    """Short form below 128, else 0x80 | count followed by the fewest big-endian octets."""
    if n < 128:
        return bytes([n])
    raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(raw)]) + raw


def tlv(ident, content):
    return ident + length(len(content)) + content


def int32(value):
    """A 32-bit integer: one count octet, then the minimal two's-complement octets."""
    if not -2**31 <= value < 2**31:
        raise WireError("%d is not a 32-bit integer" % value)
    n = 1
    while not -(1 << (8 * n - 1)) <= value < (1 << (8 * n - 1)):
        n += 1
    return bytes([n]) + value.to_bytes(n, "big", signed=True)


def int64(value):
    """A 64-bit integer of zero or more (game identifiers)."""
    if not 0 <= value < 2**64:
        raise WireError("%d is not a game identifier" % value)
    raw = value.to_bytes(max(1, (value.bit_length() + 7) // 8), "big")
    if raw[0] & 0x80:
        raw = b"\x00" + raw
    return bytes([len(raw)]) + raw


def text_octets(text):
    """Every 16-bit unit of the text by itself in UTF-8 (a surrogate is three octets)."""
    units = text.encode("utf-16-le", "surrogatepass")
    return b"".join(
        chr(int.from_bytes(units[i:i + 2], "little")).encode("utf-8", "surrogatepass")
        for i in range(0, len(units), 2))


def text(value):
    raw = text_octets(value)
    return length(len(raw)) + raw


def octets(value):
    return length(len(value)) + bytes(value)


def int_list(values):
    body = b"".join(bytes([UNIVERSAL_INTEGER]) + int32(v) for v in values)
    return length(len(body)) + body


def record(fields):
    """A record of a class-decoded list: 0x30, its length and its fields [0], [1], ..."""
    return tlv(bytes([UNIVERSAL_SEQUENCE]), fields_content(fields))


def record_list(records):
    body = b"".join(records)
    return length(len(body)) + body


def fields_content(fields):
    """Fields given as encoded values in order; None leaves a field out. A value may be a
    (class octet, encoded value) pair for a field with another identifier class."""
    out = b""
    for number, value in enumerate(fields):
        if value is None:
            continue
        klass = CONTEXT
        if isinstance(value, tuple):
            klass, value = value
        out += identifier(number, klass) + value
    return out


def message(tag, fields):
    return tlv(identifier(tag, CONSTRUCTED), fields_content(fields))


# --- reading ---------------------------------------------------------------------------------

def read_identifier(data, at):
    """(class bits, number, position after) of the identifier at data[at]."""
    if at >= len(data):
        raise WireError("identifier missing")
    first = data[at]
    klass = first & 0xE0
    number = first & 0x1F
    at += 1
    if number == 0x1F:
        number = 0
        while True:
            if at >= len(data):
                raise WireError("identifier cut short")
            octet = data[at]
            at += 1
            number = number * 128 + (octet & 0x7F)
            if octet < 0x80:
                break
            if number > 16383:
                raise WireError("identifier too long")
    return klass, number, at


def read_length(data, at):
    """(length, position after) of the length octets at data[at]."""
    if at >= len(data):
        raise WireError("length missing")
    first = data[at]
    if first < 0x80:
        return first, at + 1
    n = first & 0x7F
    if n > 4:
        raise WireError("length of %d octets" % n)
    if at + 1 + n > len(data):
        raise WireError("length cut short")
    return int.from_bytes(data[at + 1:at + 1 + n], "big"), at + 1 + n


def message_size(data):
    """Total octets of the message at the start of data, or None while not yet known."""
    if len(data) < 2:
        return None
    ident = 2 if data[0] == 0xBF else 1
    if len(data) < ident + 1:
        return None
    first = data[ident]
    if first < 0x80:
        return ident + 1 + first
    n = first & 0x7F
    if n > 4:
        raise WireError("length of %d octets" % n)
    if len(data) < ident + 1 + n:
        return None
    return ident + 1 + n + int.from_bytes(data[ident + 1:ident + 1 + n], "big")


def split_message(data):
    """(tag, {field number: content octets}) of one whole message. A field's content is what
    follows its identifier: the value's own length octets and content."""
    _, tag, at = read_identifier(data, 0)
    size, at = read_length(data, at)
    end = at + size
    if end > len(data):
        raise WireError("message cut short")
    fields = {}
    while at < end:
        _, number, at = read_identifier(data, at)
        n, body = read_length(data, at)
        if body + n > end:
            raise WireError("field [%d] runs past the message" % number)
        fields[number] = data[at:body + n]
        at = body + n
    return tag, fields


def value_body(encoded):
    """The content octets of an encoded value (its length octets dropped)."""
    n, at = read_length(encoded, 0)
    if at + n != len(encoded):
        raise WireError("value length mismatch")
    return encoded[at:]


def read_int(encoded):
    body = value_body(encoded)
    if not 1 <= len(body) <= 4:
        raise WireError("integer of %d octets" % len(body))
    return int.from_bytes(body, "big", signed=True)


def read_int64(encoded):
    body = value_body(encoded)
    if not 1 <= len(body) <= 9:
        raise WireError("long of %d octets" % len(body))
    return int.from_bytes(body, "big", signed=False) & (2**64 - 1)


def read_text(encoded):
    """UTF-8 of one to three octets per 16-bit unit; units recombined into a Python text."""
    raw = value_body(encoded)
    units = []
    i = 0
    while i < len(raw):
        lead = raw[i]
        if lead >= 0xE0 and i + 2 < len(raw):
            units.append(((lead & 0x0F) << 12) | ((raw[i + 1] & 0x3F) << 6) | (raw[i + 2] & 0x3F))
            i += 3
        elif 0xC0 <= lead < 0xE0 and i + 1 < len(raw):
            units.append(((lead & 0x1F) << 6) | (raw[i + 1] & 0x3F))
            i += 2
        else:
            units.append(lead & 0x7F)
            i += 1
    wide = b"".join(u.to_bytes(2, "little") for u in units)
    return wide.decode("utf-16-le", "surrogatepass")


def read_octets(encoded):
    return bytes(value_body(encoded))


def read_int_list(encoded):
    body = value_body(encoded)
    values = []
    at = 0
    while at < len(body):
        if body[at] != UNIVERSAL_INTEGER:
            raise WireError("list element without 0x02")
        n, start = read_length(body, at + 1)
        values.append(read_int(body[at + 1:start + n]))
        at = start + n
    return values
