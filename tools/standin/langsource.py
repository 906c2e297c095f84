#!/usr/bin/python3
"""Builds the text source of a stand-in language pack from its description and a base table.

  langsource.py DESCRIPTION OUT.txt --base-dir DIR

The description is a language source (header lines, then "<n>=<text>" lines) that may name a
base table with a line "#base: NAME" (DIR/NAME.txt) and ask with "#accent" for the base's texts
with their vowels and a few consonants accented (a test language whose every text differs from
English and stays within Latin-1). The output holds the description's header, then every
numbered text of the base, accented when asked, with the description's own numbered lines in
place of or beside them, in ascending order: the form tools/maketext --language reads.
"""

import re
import sys

ACCENTS = str.maketrans("aeiouyncAEIOUYNC", "áéíóúýñçÁÉÍÓÚÝÑÇ")
# Placeholders and escapes keep their letters.
_KEEP = re.compile(r"(%[sd%]|\\n)")
_NUMBERED = re.compile(r"^([0-9]+)=(.*)$")
HEADER_KEYS = ("NAME=", "CODE=", "FLAGS=", "SPECIAL_CHARS=")


def accent(text):
    return "".join(part if _KEEP.fullmatch(part) else part.translate(ACCENTS)
                   for part in _KEEP.split(text))


def read_table(path):
    """(header lines, {number: text}, directives) of a language source."""
    header, texts, directives = [], {}, {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("#base:"):
                directives["base"] = line.split(":", 1)[1].strip()
            elif line.strip() == "#accent":
                directives["accent"] = True
            elif line.startswith(HEADER_KEYS):
                header.append(line)
            else:
                match = _NUMBERED.match(line)
                if match:
                    texts[int(match.group(1))] = match.group(2)
    return header, texts, directives


def build(description, base_dir):
    header, own, directives = read_table(description)
    texts = {}
    if "base" in directives:
        _, base, _ = read_table("%s/%s.txt" % (base_dir, directives["base"]))
        texts = {n: accent(t) if directives.get("accent") else t for n, t in base.items()}
    texts.update(own)
    lines = header + ["%d=%s" % (n, texts[n]) for n in sorted(texts)]
    return "\n".join(lines) + "\n"


def main(argv):
    if len(argv) != 4 or argv[2] != "--base-dir":
        sys.stderr.write(__doc__)
        return 2
    description, out, _, base_dir = argv
    text = build(description, base_dir)
    with open(out + ".tmp", "w", encoding="utf-8") as f:
        f.write(text)
    import os
    os.rename(out + ".tmp", out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
