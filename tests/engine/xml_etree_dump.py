#!/usr/bin/python3
"""Canonical dump of XML files, read with Python's xml.etree, in the form the engine's XML
tree holds them: an element's attributes become "$" children in their order, then its text
becomes a "$ORIG_DATA" child when it has no child elements, then the child elements follow.

Output, per file given on the command line:
    FILE <path>
    T <depth*2 spaces>E <name>            an element
    T <depth*2 spaces>V <name>=<value>    a value node
    C <index path> I <int>                GetInt of that value node must give <int>
    C <index path> F <hex>                GetFloat must give the float32 with these bits
    C <index path> A <k> <int>            GetIntAt(k) must give <int>
    END
Strings are written as bytes of the document's encoding: printable ASCII as is, a backslash
as \\\\, every other byte as \\xNN. The index path lists child indexes from the document node.
"""
import re
import struct
import sys
import xml.etree.ElementTree as ET

INT_RE = re.compile(r'-?\d+')
FLOAT_RE = re.compile(r'-?\d+\.\d+|-?\d+')
LIST_RE = re.compile(r'-?\d+(?:(?:\s*,\s*|\s+)-?\d+)+')


def escape(data):
    out = []
    for b in data:
        if b == 0x5C:
            out.append('\\\\')
        elif 0x20 <= b < 0x7F:
            out.append(chr(b))
        else:
            out.append('\\x%02X' % b)
    return ''.join(out)


def encoding_of(raw):
    m = re.match(rb'\s*<\?xml[^>]*encoding\s*=\s*["\']([A-Za-z0-9._-]+)["\']', raw)
    return m.group(1).decode('ascii') if m else 'utf-8'


def value_checks(path, value, lines):
    p = ','.join(str(i) for i in path)
    if INT_RE.fullmatch(value) and -2**31 <= int(value) < 2**31:
        lines.append('C %s I %d' % (p, int(value)))
    if FLOAT_RE.fullmatch(value):
        bits = struct.unpack('<I', struct.pack('<f', float(value)))[0]
        lines.append('C %s F %08X' % (p, bits))
    if LIST_RE.fullmatch(value):
        for k, field in enumerate(re.split(r'\s*,\s*|\s+', value)):
            lines.append('C %s A %d %d' % (p, k, int(field)))


def dump(elem, depth, path, enc, lines):
    pad = '  ' * depth
    lines.append('T %sE %s' % (pad, escape(elem.tag.encode(enc))))
    index = 0
    for name, value in elem.attrib.items():
        lines.append('T %s  V $%s=%s' % (pad, escape(name.encode(enc)), escape(value.encode(enc))))
        value_checks(path + [index], value, lines)
        index += 1
    children = list(elem)
    if not children and elem.text:
        lines.append('T %s  V $ORIG_DATA=%s' % (pad, escape(elem.text.encode(enc))))
        value_checks(path + [index], elem.text, lines)
        index += 1
    for child in children:
        dump(child, depth + 1, path + [index], enc, lines)
        index += 1


def main():
    for name in sys.argv[1:]:
        with open(name, 'rb') as f:
            raw = f.read()
        lines = ['FILE ' + name]
        root = ET.fromstring(raw)
        dump(root, 0, [0], encoding_of(raw), lines)
        lines.append('END')
        sys.stdout.write('\n'.join(lines) + '\n')


if __name__ == '__main__':
    main()
