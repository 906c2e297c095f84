"""The language packs the lobby offers: each pack's kind, language code, number and digest."""

import hashlib
import os
import re

from connection import log

_PACK_NAME = re.compile(r"^([A-Za-z0-9_-]+)_([0-9]{4})\.dmp$")


class LanguagePack:
    def __init__(self, kind, code, number, path):
        self.kind = kind
        self.code = code
        self.number = number
        self.path = path
        with open(path, "rb") as f:
            self.data = f.read()
        self.digest = hashlib.md5(self.data).hexdigest()


class LanguageCatalogue:
    """Read from a list of "<kind> <code> <pack file>" lines; a pack whose file is missing from
    the pack directory is left out."""

    def __init__(self, list_path, pack_dir):
        self.packs = []
        if not list_path or not os.path.exists(list_path):
            return
        with open(list_path, encoding="utf-8") as f:
            for line in f:
                line = line.strip()
                if not line or line.startswith("#"):
                    continue
                kind, code, name = line.split()
                match = _PACK_NAME.match(name)
                if not match:
                    raise ValueError("not a language pack name: %r" % name)
                path = os.path.join(pack_dir or "", name)
                if not pack_dir or not os.path.exists(path):
                    log("language pack %s is not built: not offered" % name)
                    continue
                self.packs.append(LanguagePack(kind, code, int(match.group(2)), path))

    def find(self, code, kind):
        for pack in self.packs:
            if pack.code.lower() == code.lower() and pack.kind.lower() == kind.lower():
                return pack
        return None
