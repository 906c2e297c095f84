#!/usr/bin/python3
"""packlint: every resource name the program loads is held by a data pack that the build makes.

Usage: packlint.py --source DIR --build DIR [--pack-tool PATH] [--dump]

Reads the product sources under --source (everything but tests/, tools/, bench/, fuzz/, build
directories and the build scripts), finds each string literal that names a resource and checks it
against the packs built into --build (listed with the pack tool) and against data/packs.txt.
Then checks that every pack data/packs.txt lists is built and holds the entries listed for it.

Then checks the layouts of data/layouts: their pictures, fonts, imports and text numbers.

Problems are printed as "file:line: message", one per line; the exit status is 0 when there are
none, 1 when there are, 2 when the lint itself cannot run (no pack tool, no size table, ...).
--dump also prints every name found, where, and the pack that holds it.

How names are found:
- A literal that looks like a file name ("title.png", "/dmp.meta", "orlosounds.dmp") with one of
  the resource extensions below is a load: ".dmp" / ".jet" names are packs beside the program,
  the rest are pack entries, looked up as "/" + the bare name. A literal made of adjacent pieces
  ("a" "b.png") counts as the whole; #define'd literals count where the macro is used too.
- A literal passed (directly or wrapped in a string constructor) to a loader call counts whatever
  it looks like: surfaces, sounds and fonts must be of a kind the resource manager registers.
- Names built at run time are expanded as the code builds them: a base passed to
  ChooseMediaPack gives "<base>_<size>.dmp" for every size of the resource manager's size table
  (kPackSizes: any of them may be chosen, so each must be built and a name in one size variant
  must be in all), a base passed to the language list's Init gives "<base>_0000.dmp" (packs are
  scanned from 0000 up to the first missing number), the title screen's picture bases are tried
  as ".jpg" then ".png", and a printf pattern formatted with integer constants and loop counters
  gives every name the loops make (others need an entry in PATTERNS). A pattern the lint cannot
  expand is a problem, so that a new one cannot slip through unchecked.
- A surface may also be a member of a surface atlas (".six") held by a pack. The "_alpha"
  companions of pictures in packs with separate alpha are optional and not looked for.
- Names that are not pack entries (user files, the lock file, ...) must be in NOT_IN_PACKS.
- The shipped layouts (data/layouts/*.xml, packed as orlolayouts.dmp) load by name too: every
  image, sound and import "path" and every text "font" (+ ".fnt") in them is checked like a name
  in the code, and every layout the code names must be one of them, held by orlolayouts.dmp.
- Files that lie beside the program rather than in a pack (the game's MP3 tunes, which the music
  player plays from a file) are listed on data/packs.txt's "loose:" line; each must be built into
  --build, and an MP3 name is only ever such a loose file.
"""

import argparse
import ast
import itertools
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

# Extensions of names that are (or might be taken for) resources.
RESOURCE_EXTENSIONS = ("png", "jpg", "jpeg", "wav", "ogg", "mp3", "xml", "fnt", "six", "meta", "dmp",
                       "jet", "txt", "scn", "dat", "lock")
PACK_EXTENSIONS = ("dmp", "jet")

# The pack of the shipped layouts (data/layouts/*.xml).
LAYOUT_PACK = "orlolayouts.dmp"

# Kinds the resource manager registers pack entries as (by extension, letter case ignored).
IMAGE_EXTENSIONS = ("png", "jpg")
SOUND_EXTENSIONS = ("wav", "ogg")
FONT_EXTENSIONS = ("fnt",)

# Names the program uses that are deliberately not pack entries. Each needs a reason; a name
# that is neither held by a pack nor listed here fails the lint.
NOT_IN_PACKS = {
    # The settings file, kept in the user-data directory.
    "stats.dat": "user file",
    # The single-instance lock file.
    "/tmp/orlo_app.lock": "lock file",
    # The user's unlocked achievements, kept in the user-data directory.
    "ach.dat": "user file",
    # A scene the editor saves for the user.
    "newscene.scn": "user file",
    # Shop item packs received from the server into the user-data directory.
    "data_%d_%d.dmp": "received from the server",
    # A shop item's description, inside the item's own pack (received from the server).
    "%d.xml": "inside a shop item pack received from the server",
    # Language packs received from the server into the user-data directory.
    "%s_%04d.dmp": "received from the server",
    # The page name of the built-in font, whose picture is compiled into the program.
    "default_font_image.png": "built into the program",
}

# Names whose packs are not made yet, by the source that holds them: a name of one of the listed
# extensions there that no built pack serves is pending (shown by --dump), not a problem. A
# pending name that a pack serves is checked as usual. Entries look like
#   "dir/File.cpp": (("png", "wav"), "why they are not packed yet"),
PENDING = {
}

# Extensions of files that are never pack entries: the music player plays them from a file beside
# the program. Names with them must be on data/packs.txt's "loose:" line.
LOOSE_EXTENSIONS = ("mp3",)

# Fonts the resource manager makes itself rather than loading them from a pack.
BUILT_IN_FONTS = ("default",)

# printf patterns of names that the code builds in a way the lint cannot follow by itself:
# pattern -> function(constant) giving the names the code makes, where `constant(NAME)` is the
# integer value of a #define or constant of the product sources. Patterns formatted with integer
# arguments made of constants and loop counters (for (int i = 0; i < N; ++i) ... Format(L"x%d.png",
# i + 1)) are expanded without an entry here.
PATTERNS = {
    # The game intro's story panels, numbered from 1.
    "Kuva%02d.jpg": lambda constant: ["Kuva%02d.jpg" % i for i in range(1, constant("VEX_INTRO_SLIDE_COUNT") + 1)],
}

# Loader calls, by the called function's name.
SURFACE_CALLS = ("GetSurface", "LoadSurface", "FindSurface")
SOUND_CALLS = ("GetSound", "LoadSoundAsync", "FindSound")
FONT_CALLS = ("GetFont", "LoadFont", "FindFont")
FILE_CALLS = ("ReadResourceFile", "LoadFile")
PACK_CALLS = ("OpenPack", "ClosePack", "FindPack")
MEDIA_PACK_CALLS = ("ChooseMediaPack",)
# The title screen's lookup of a picture: "<base>.jpg", else "<base>.png".
PICTURE_CALLS = ("GetPicture",)
PICTURE_EXTENSIONS = ("jpg", "png")
# The language list: Init(host, base) on an object whose name says it is the language list.
LANGUAGE_CALL = re.compile(r"(?i)language\w*\s*(?:->|\.)\s*Init$")
LANGUAGE_FIRST_PACK = "_0000.dmp"
# Calls that only turn a literal into a string object: the call that matters is the one around.
WRAPPER_CALLS = ("CVortanString", "CHashString", "string", "std::string", "L", "_T", "TEXT")

# Top-level directories that are not product code.
NOT_PRODUCT = ("tests", "tools", "bench", "fuzz", "data", "scripts", "cmake", "build", ".git")
SOURCE_SUFFIXES = (".cpp", ".cc", ".c", ".h", ".hpp", ".inl")

PRINTF = re.compile(r"(?<!%)%[-+ #0]*(?:\d+|\*)?(?:\.\d+)?(?:hh|h|ll|l|z|j|t)?[diouxXsScf]")
FILE_NAME = re.compile(r"^[A-Za-z0-9_./%+\-]*[A-Za-z0-9_%\-]\.(" + "|".join(RESOURCE_EXTENSIONS) + r")$",
                       re.IGNORECASE)


class Problems:
    def __init__(self):
        self.lines = []

    def add(self, where, message):
        line = "%s: %s" % (where, message)
        if line not in self.lines:
            self.lines.append(line)


class SetupError(Exception):
    pass


# --- reading the sources ------------------------------------------------------------------------

def product_files(root):
    files = []
    for entry in sorted(os.listdir(root)):
        path = os.path.join(root, entry)
        if not os.path.isdir(path) or entry in NOT_PRODUCT or entry.startswith("build") \
                or entry.startswith("."):
            continue
        for directory, subdirs, names in os.walk(path):
            subdirs[:] = sorted(d for d in subdirs if not d.startswith("."))
            for name in sorted(names):
                if name.endswith(SOURCE_SUFFIXES):
                    files.append(os.path.join(directory, name))
    return files


def unescape(body):
    """The value of a C string literal body (escapes of names are rare; keep it simple)."""
    simple = {"n": "\n", "t": "\t", "r": "\r", "0": "\0", "\\": "\\", "\"": "\"", "'": "'", "?": "?",
              "a": "\a", "b": "\b", "f": "\f", "v": "\v"}
    out = []
    i = 0
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            nxt = body[i + 1]
            if nxt == "x":
                m = re.match(r"[0-9A-Fa-f]+", body[i + 2:])
                if m:
                    out.append(chr(int(m.group(0), 16) & 0x10FFFF))
                    i += 2 + len(m.group(0))
                    continue
            if nxt in "01234567":
                m = re.match(r"[0-7]{1,3}", body[i + 1:])
                out.append(chr(int(m.group(0), 8)))
                i += 1 + len(m.group(0))
                continue
            out.append(simple.get(nxt, nxt))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def lex(text):
    """Returns (code, literals): `code` is the text with comments and the insides of string and
    character literals blanked (newlines kept, so offsets and line numbers stay), `literals` a list
    of (value, start, end) for each string literal, adjacent pieces joined."""
    code = list(text)
    pieces = []
    i = 0
    n = len(text)

    def blank(a, b):
        for k in range(a, b):
            if code[k] != "\n":
                code[k] = " "

    while i < n:
        c = text[i]
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            # A comment line ended by a backslash goes on.
            while end < n and end > 0 and text[end - 1] == "\\":
                nxt = text.find("\n", end + 1)
                end = n if nxt < 0 else nxt
            blank(i, end)
            i = end
            continue
        if text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            blank(i, end)
            i = end
            continue
        if c == "\"" or c == "'":
            # Prefix (L, u8, u, U) and raw strings.
            j = i
            while j > 0 and (text[j - 1].isalnum() or text[j - 1] == "_"):
                j -= 1
            prefix = text[j:i]
            if c == "'":
                # A digit separator (1'000) is not a character literal.
                if prefix and prefix[0].isdigit():
                    i += 1
                    continue
                k = i + 1
                while k < n and text[k] != "'" and text[k] != "\n":
                    k += 2 if text[k] == "\\" else 1
                blank(i + 1, min(k, n))
                i = k + 1
                continue
            if prefix.endswith("R") and prefix in ("R", "LR", "uR", "UR", "u8R"):
                open_paren = text.find("(", i + 1)
                delimiter = text[i + 1:open_paren]
                close = text.find(")" + delimiter + "\"", open_paren + 1)
                if open_paren < 0 or close < 0:
                    raise SetupError("unterminated raw string")
                pieces.append((text[open_paren + 1:close], j, close + len(delimiter) + 2))
                blank(i + 1, close + len(delimiter) + 1)
                i = close + len(delimiter) + 2
                continue
            k = i + 1
            while k < n and text[k] != "\"" and text[k] != "\n":
                k += 2 if text[k] == "\\" else 1
            pieces.append((unescape(text[i + 1:k]), j, k + 1))
            blank(i + 1, min(k, n))
            i = k + 1
            continue
        i += 1

    code = "".join(code)
    literals = []
    for value, start, end in pieces:
        if literals and code[literals[-1][2]:start].strip() == "":
            last = literals[-1]
            literals[-1] = (last[0] + value, last[1], end)
        else:
            literals.append((value, start, end))
    return code, literals


class Source:
    def __init__(self, path, relative):
        self.path = path
        self.relative = relative
        with open(path, encoding="utf-8", errors="replace") as f:
            self.text = f.read()
        self.code, self.literals = lex(self.text)
        self.line_starts = [0] + [m.end() for m in re.finditer("\n", self.text)]

    def line_of(self, offset):
        lo, hi = 0, len(self.line_starts) - 1
        while lo < hi:
            mid = (lo + hi + 1) // 2
            if self.line_starts[mid] <= offset:
                lo = mid
            else:
                hi = mid - 1
        return lo + 1

    def where(self, offset):
        return "%s:%d" % (self.relative, self.line_of(offset))

    def is_include(self, offset):
        start = self.text.rfind("\n", 0, offset) + 1
        return re.match(r"\s*#\s*include\b", self.code[start:offset]) is not None

    def callee(self, offset):
        """The function that the text at `offset` is an argument of, looking through string
        wrappers: (callee expression, its last name), or (None, None)."""
        code = self.code
        i = offset
        while True:
            depth = 0
            i -= 1
            while i >= 0:
                c = code[i]
                if c in ")]":
                    depth += 1
                elif c in "([":
                    if depth == 0:
                        break
                    depth -= 1
                elif c in ";{}" and depth == 0:
                    return None, None
                elif c == "#" and depth == 0:
                    return None, None
                i -= 1
            if i < 0 or code[i] == "[":
                return None, None
            m = re.search(r"([A-Za-z_]\w*(?:\s*(?:->|\.|::)\s*[A-Za-z_]\w*)*)\s*$", code[max(0, i - 200):i])
            if not m:
                return None, None
            expression = re.sub(r"\s+", "", m.group(1))
            name = re.split(r"->|\.|::", expression)[-1]
            if expression in WRAPPER_CALLS or name in WRAPPER_CALLS:
                continue
            return expression, name


def read_constants(sources):
    """Integer #defines and constants, and integer tables, of the product sources."""
    values = {}
    tables = {}
    for source in sources:
        code = source.code
        for m in re.finditer(r"^\s*#\s*define\s+([A-Za-z_]\w*)\s+\(?\s*(-?\d+)\s*\)?\s*$", code, re.M):
            values.setdefault(m.group(1), int(m.group(2)))
        for m in re.finditer(r"\bconst(?:expr)?\s+(?:static\s+)?(?:int|i32|u32|unsigned)\s+([A-Za-z_]\w*)"
                             r"\s*=\s*(-?\d+)\s*;", code):
            values.setdefault(m.group(1), int(m.group(2)))
        for m in re.finditer(r"\b([A-Za-z_]\w*)\s*\[\s*\w*\s*\]\s*=\s*\{([-\d,\s]+)\}", code):
            tables.setdefault(m.group(1), [int(v) for v in m.group(2).split(",") if v.strip()])
    return values, tables


def read_macros(sources):
    """#define NAME "literal": name -> (value, source, offset)."""
    macros = {}
    for source in sources:
        for value, start, end in source.literals:
            line_start = source.text.rfind("\n", 0, start) + 1
            m = re.match(r"\s*#\s*define\s+([A-Za-z_]\w*)\s+$", source.code[line_start:start])
            if m and source.code[end:].split("\n", 1)[0].strip() == "":
                macros.setdefault(m.group(1), (value, source, start))
    return macros


# --- the built packs and data/packs.txt ---------------------------------------------------------

def bare(name):
    return re.split(r"[/\\]", name)[-1]


def read_pack_list(path, problems):
    """data/packs.txt: ({pack: [entries]}, {pack: line}, {loose file: line})."""
    packs = {}
    lines = {}
    loose = {}
    try:
        with open(path, encoding="utf-8") as f:
            text = f.read()
    except OSError as e:
        raise SetupError("cannot read %s: %s" % (path, e))
    for number, line in enumerate(text.split("\n"), 1):
        stripped = line.strip()
        if not stripped or stripped.startswith("#"):
            continue
        where = "data/packs.txt:%d" % number
        pack, colon, rest = stripped.partition(":")
        pack = pack.strip()
        if colon and pack == "loose":
            for name in rest.split():
                if name in loose:
                    problems.add(where, "the loose file %s is listed twice" % name)
                loose[name] = where
            continue
        if not colon or not re.match(r"^[\w.\-]+\.(dmp|jet)$", pack):
            problems.add(where, "not a \"<pack>: <entry> ...\" line: %s" % stripped)
            continue
        if pack in packs:
            problems.add(where, "%s is listed twice" % pack)
        entries = rest.split()
        for entry in entries:
            if entries.count(entry) > 1:
                problems.add(where, "%s lists %s twice" % (pack, entry))
                break
        packs[pack] = entries
        lines[pack] = where
    return packs, lines, loose


def list_pack(tool, path):
    """The entry names of a built pack, through the pack tool; None when it cannot be listed."""
    try:
        result = subprocess.run([tool, "list", path], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=60)
    except OSError as e:
        raise SetupError("cannot run the pack tool %s: %s" % (tool, e))
    if result.returncode != 0:
        return None
    names = []
    for line in result.stdout.decode("utf-8", "replace").split("\n"):
        if not line.strip():
            continue
        size, _, name = line.strip().partition(" ")
        names.append(name)
    return names


def list_atlas_members(tool, build, pack, entry):
    """Member names of a surface atlas description held by a pack (extracted to read it)."""
    with tempfile.TemporaryDirectory() as tmp:
        if subprocess.run([tool, "extract", os.path.join(build, pack), tmp], stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=60).returncode != 0:
            return []
        try:
            root = ET.parse(os.path.join(tmp, entry.lstrip("/"))).getroot()
        except (ET.ParseError, OSError):
            return []
        surfaces = root if root.tag == "surfaces" else root.find("surfaces")
        if surfaces is None:
            return []
        return [s.get("name") for s in surfaces if s.tag.lower() == "surface" and s.get("name")]


# --- names built by printf patterns ------------------------------------------------------------

FORMAT_CALLS = ("Format", "AppendFormat", "sprintf", "snprintf", "swprintf")
MAX_EXPANSION = 10000


def evaluate(expression, names):
    """Integer value of a C expression of integer literals, names (from `names`) and + - * / %."""
    text = re.sub(r"(\d+)[uUlL]+\b", r"\1", expression.strip())
    if "/" in text.replace("//", ""):
        text = text.replace("/", "//")
    try:
        tree = ast.parse(text, mode="eval")
    except SyntaxError:
        raise ValueError("cannot read %s" % expression.strip())

    def value(node):
        if isinstance(node, ast.Constant) and isinstance(node.value, int):
            return node.value
        if isinstance(node, ast.Name):
            if node.id not in names:
                raise ValueError("%s is not a known integer" % node.id)
            return names[node.id]
        if isinstance(node, ast.UnaryOp) and isinstance(node.op, (ast.USub, ast.UAdd)):
            v = value(node.operand)
            return -v if isinstance(node.op, ast.USub) else v
        if isinstance(node, ast.BinOp):
            a, b = value(node.left), value(node.right)
            if isinstance(node.op, ast.Add):
                return a + b
            if isinstance(node.op, ast.Sub):
                return a - b
            if isinstance(node.op, ast.Mult):
                return a * b
            if isinstance(node.op, (ast.FloorDiv, ast.Mod)) and b != 0:
                q = abs(a) // abs(b) * (1 if (a >= 0) == (b >= 0) else -1)  # C truncates
                return q if isinstance(node.op, ast.FloorDiv) else a - q * b
        raise ValueError("cannot evaluate %s" % expression.strip())

    return value(tree.body)


def split_arguments(code, start):
    """The arguments of a call from `start` (just after an argument) to the closing parenthesis:
    the texts of the following arguments, or None when the call does not close."""
    args = []
    depth = 0
    current = None
    i = start
    while i < len(code):
        c = code[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            if depth == 0:
                if current is not None:
                    args.append(current)
                return args
            depth -= 1
        elif c == "," and depth == 0:
            if current is not None:
                args.append(current)
            current = ""
            i += 1
            continue
        elif c == ";" and depth == 0:
            return None
        if current is not None:
            current += c
        elif not c.isspace():
            return None
        i += 1
    return None


def enclosing_loops(source, offset, constants, tables):
    """The counting loops whose body holds `offset`: {variable: [values]}, innermost first."""
    code = source.code
    loops = {}
    for m in re.finditer(r"\bfor\s*\(", code[:offset]):
        open_paren = m.end() - 1
        depth = 0
        close = None
        for i in range(open_paren, offset):
            if code[i] == "(":
                depth += 1
            elif code[i] == ")":
                depth -= 1
                if depth == 0:
                    close = i
                    break
        if close is None:
            continue
        # The loop's body: a braced block or one statement.
        j = close + 1
        while j < len(code) and code[j].isspace():
            j += 1
        if j < len(code) and code[j] == "{":
            depth = 0
            body_end = None
            for k in range(j, len(code)):
                if code[k] == "{":
                    depth += 1
                elif code[k] == "}":
                    depth -= 1
                    if depth == 0:
                        body_end = k
                        break
        else:
            body_end = code.find(";", j)
        if body_end is None or not (j <= offset <= body_end):
            continue
        header = code[open_paren + 1:close]
        ranged = re.match(r"^\s*(?:const\s+)?(?:auto|int|i32|u32|unsigned)\s*&?\s*(\w+)\s*:\s*(\w+)\s*$", header)
        if ranged and ranged.group(2) in tables:
            loops[ranged.group(1)] = list(tables[ranged.group(2)])
            continue
        counted = re.match(r"^\s*(?:int|i32|u32|unsigned|size_t|long)?\s*(\w+)\s*=\s*([^;]+);\s*(\w+)\s*(<=|<|>=|>)"
                           r"\s*([^;]+);\s*(\+\+\s*(\w+)|(\w+)\s*\+\+|--\s*(\w+)|(\w+)\s*--)\s*$", header)
        if not counted:
            continue
        var = counted.group(1)
        stepped = [g for g in counted.group(7, 8, 9, 10) if g]
        if counted.group(3) != var or stepped != [var]:
            continue
        try:
            first = evaluate(counted.group(2), constants)
            bound = evaluate(counted.group(5), constants)
        except ValueError:
            continue
        up = counted.group(6).strip().startswith("++") or counted.group(6).strip().endswith("++")
        op = counted.group(4)
        if up and op in ("<", "<="):
            values = list(range(first, bound + (1 if op == "<=" else 0)))
        elif not up and op in (">", ">="):
            values = list(range(first, bound - (1 if op == ">=" else 0), -1))
        else:
            continue
        if len(values) <= MAX_EXPANSION:
            loops[var] = values
    return loops


def expand_format(source, pattern, end, constants, tables):
    """The names a printf pattern gives where the code formats it with integer arguments:
    constants, or counters of the loops around the call. Raises ValueError when the lint cannot
    follow the arguments."""
    args = split_arguments(source.code, end)
    if args is None:
        raise ValueError("the call's arguments cannot be read")
    conversions = PRINTF.findall(pattern)
    if any(c[-1] in "sScf" for c in conversions):
        raise ValueError("only integer conversions are followed")
    if len(args) != len(conversions):
        raise ValueError("%d conversions but %d arguments" % (len(conversions), len(args)))
    loops = enclosing_loops(source, end, constants, tables)
    used = sorted(v for v in loops if any(re.search(r"\b%s\b" % re.escape(v), a) for a in args))
    names = []
    for combination in itertools.product(*[loops[v] for v in used]):
        bound = dict(constants)
        bound.update(zip(used, combination))
        values = tuple(evaluate(a, bound) for a in args)
        c_pattern = re.sub(r"(%[-+ #0]*\d*(?:\.\d+)?)(?:hh|h|ll|l|z|j|t)([diouxX])", r"\1\2", pattern)
        names.append(c_pattern % values)
        if len(names) > MAX_EXPANSION:
            raise ValueError("more than %d names" % MAX_EXPANSION)
    return names


# --- the lint ------------------------------------------------------------------------------------

class Request:
    """One load the code makes: the names tried in turn (the first that loads wins) and the kind
    of object it loads ("pack", "image", "sound", "font", "file" or "entry")."""

    def __init__(self, where, shown, names, kind):
        self.where = where
        self.shown = shown
        self.names = names
        self.kind = kind
        self.resolved = None      # the name that passed
        self.holders = []         # the packs that hold it
        self.note = None          # why it is not a pack entry


class Lint:
    def __init__(self, source_root, build, tool):
        self.source_root = source_root
        self.build = build
        self.tool = tool
        self.problems = Problems()
        self.requests = []
        self.built = {}          # pack file name -> [bare entry names] (None: not built)
        self.unreadable = set()  # packs that are there but cannot be listed
        self.atlas = {}          # member -> pack
        self.families = {}       # base -> [pack names], the size variants of ChooseMediaPack
        self.seen_allowed = set()
        self.seen_loose = set()

    def pack_entries(self, pack):
        if pack not in self.built:
            path = os.path.join(self.build, pack)
            if not os.path.isfile(path) and pack.endswith(".dmp"):
                jet = path[:-4] + ".jet"
                path = jet if os.path.isfile(jet) else path
            names = list_pack(self.tool, path) if os.path.isfile(path) else None
            if names is None and os.path.isfile(path):
                self.unreadable.add(pack)
            self.built[pack] = None if names is None else [bare(n) for n in names]
        return self.built[pack]

    def not_built(self, pack):
        if pack in self.unreadable:
            return "unreadable by the pack tool (%s)" % os.path.join(self.build, pack)
        return "not built in %s" % self.build

    def run(self):
        if not os.access(self.tool, os.X_OK):
            raise SetupError("no pack tool at %s (build the target vortanpack)" % self.tool)
        self.listed, self.listed_lines, self.loose = read_pack_list(
            os.path.join(self.source_root, "data", "packs.txt"), self.problems)
        files = product_files(self.source_root)
        if not files:
            raise SetupError("no product sources under %s" % self.source_root)
        self.sources = [Source(f, os.path.relpath(f, self.source_root)) for f in files]
        self.constants, self.tables = read_constants(self.sources)
        self.sizes = self.tables.get("kPackSizes")
        if not self.sizes:
            raise SetupError("the resource manager's pack size table (kPackSizes) was not found")
        self.macros = read_macros(self.sources)

        # 1. Every load the code makes.
        for source in self.sources:
            for value, start, end in source.literals:
                if not source.is_include(start):
                    self.add_literal(source, value, start, end)
            for name, (value, _, _) in self.macros.items():
                for m in re.finditer(r"\b%s\b" % re.escape(name), source.code):
                    line_start = source.code.rfind("\n", 0, m.start()) + 1
                    if not re.match(r"\s*#\s*define\s+$", source.code[line_start:m.start()]):
                        self.add_literal(source, value, m.start(), m.end(), via=name)

        # 2. The packs it opens, then what it loads from them.
        self.opened = set(bare(n) for r in self.requests if r.kind == "pack" for n in r.names)
        self.packs = sorted(set(self.listed) | self.opened)
        for pack in self.packs:
            for entry in self.pack_entries(pack) or []:
                if entry.lower().endswith(".six"):
                    for member in list_atlas_members(self.tool, self.build, pack, "/" + entry):
                        self.atlas.setdefault(member, pack)
        for request in self.requests:
            self.resolve(request)

        self.check_families()
        self.check_listed_packs()
        self.check_layouts()
        self.check_layout_texts()
        return self.problems.lines

    def check_layout_texts(self):
        """Each text number a layout in data/layouts shows is in the English language source
        (pictures, fonts and imports: check_layouts)."""
        folder = os.path.join(self.source_root, "data", "layouts")
        if not os.path.isdir(folder):
            return
        texts = set()
        with open(os.path.join(self.source_root, "data", "language", "orlolanguage_0000.txt"),
                  encoding="utf-8") as f:
            for line in f:
                m = re.match(r"^([0-9]+)=", line)
                if m:
                    texts.add(int(m.group(1)))
        for name in sorted(os.listdir(folder)):
            if not name.endswith(".xml"):
                continue
            rel = "data/layouts/" + name
            with open(os.path.join(folder, name), encoding="latin-1") as f:
                lines = f.read().split("\n")
            for number, line in enumerate(lines, 1):
                where = "%s:%d" % (rel, number)
                for key in re.findall(r"<text\b[^>]*\b(?:local|title)=\"([0-9]+)\"", line):
                    if int(key) not in texts:
                        self.problems.add(where, "the layout's text %s is not in the language source"
                                          % key)

    # One literal (or use of a #define'd literal) between `start` and `end` of `source`.
    def add_literal(self, source, value, start, end, via=None):
        where = source.where(start)
        expression, call = source.callee(start)
        shown = '"%s"' % value + (" (%s)" % via if via else "")

        def request(names, kind):
            self.requests.append(Request(where, shown, names, kind))

        if call in MEDIA_PACK_CALLS:
            packs = ["%s_%d.dmp" % (value, size) for size in self.sizes]
            self.families.setdefault(value, packs)
            for pack in packs:
                request([pack], "pack")
            return
        if expression and LANGUAGE_CALL.search(expression):
            request([value + LANGUAGE_FIRST_PACK], "pack")
            return
        if call in PICTURE_CALLS:
            request(["%s.%s" % (value, e) for e in PICTURE_EXTENSIONS], "image")
            return

        kind = {"image": SURFACE_CALLS, "sound": SOUND_CALLS, "font": FONT_CALLS, "file": FILE_CALLS,
                "pack": PACK_CALLS}
        kind = next((k for k, calls in kind.items() if call in calls), None)
        if kind == "font" and value in BUILT_IN_FONTS:
            return
        file_like = FILE_NAME.match(value) is not None
        if not kind and not file_like:
            return
        if value in NOT_IN_PACKS or bare(value) in NOT_IN_PACKS:
            request([value], kind or self.kind_of(value))
            return
        if PRINTF.search(value):
            names = None
            reason = "it is not formatted by a call the lint follows"
            if call in FORMAT_CALLS:
                try:
                    names = expand_format(source, value, end, self.constants, self.tables)
                except ValueError as e:
                    reason = str(e)
            if names is None and value in PATTERNS:
                try:
                    names = PATTERNS[value](self.constant)
                except SetupError as e:
                    reason = str(e)
                    names = None
            if names is None:
                self.problems.add(where, "cannot tell which names the pattern %s gives (%s): add its "
                                  "expansion to PATTERNS in tests/tools/packlint.py, or, if it names no pack "
                                  "entry, add it to NOT_IN_PACKS" % (shown, reason))
                return
            for name in names:
                request([name], kind or self.kind_of(name))
            return
        request([value], kind or self.kind_of(value))

    def constant(self, name):
        if name not in self.constants:
            raise SetupError("no integer constant %s in the product sources" % name)
        return self.constants[name]

    @staticmethod
    def kind_of(name):
        ext = name.rsplit(".", 1)[-1].lower() if "." in name else ""
        return "pack" if ext in PACK_EXTENSIONS else "entry"

    def resolve(self, request):
        """Checks a load: at least one of its names must pass."""
        results = []
        for name in request.names:
            problems, holders, note = self.name_problems(name, request.kind)
            if not problems:
                request.resolved, request.holders, request.note = name, holders, note
                return
            results.append(problems)
        pending = PENDING.get(request.where.rsplit(":", 1)[0])
        if pending and all(n.rsplit(".", 1)[-1].lower() in pending[0] for n in request.names):
            request.note = "pending: " + pending[1]
            return
        if len(request.names) == 1:
            for problem in results[0]:
                self.problems.add(request.where, "%s: %s" % (request.shown, problem))
        else:
            self.problems.add(request.where, "%s: none of %s loads: %s" % (
                request.shown, ", ".join(request.names), "; ".join(p for ps in results for p in ps)))

    def name_problems(self, name, kind):
        """(problems, holding packs, note) of one name."""
        allowed = name if name in NOT_IN_PACKS else bare(name) if bare(name) in NOT_IN_PACKS else None
        if allowed:
            self.seen_allowed.add(allowed)
            return [], [], "not a pack entry: " + NOT_IN_PACKS[allowed]
        entry = bare(name)
        if not entry:
            return ["an empty name"], [], None
        ext = entry.rsplit(".", 1)[-1].lower() if "." in entry else ""

        if entry in self.loose or ext in LOOSE_EXTENSIONS:
            problems = []
            if entry not in self.loose:
                problems.append("%s is played from a file beside the program but is not on the \"loose:\" line of "
                                "data/packs.txt" % entry)
            elif not os.path.isfile(os.path.join(self.build, entry)):
                problems.append("the loose file %s is not built in %s" % (entry, self.build))
            self.seen_loose.add(entry)
            return problems, [], "a file beside the program"

        if kind == "pack":
            problems = []
            if self.pack_entries(entry) is None:
                problems.append("the pack %s is %s" % (entry, self.not_built(entry)))
            if entry not in self.listed:
                problems.append("the pack %s is not listed in data/packs.txt" % entry)
            return problems, [entry], None

        problems = []
        if kind == "image" and ext not in IMAGE_EXTENSIONS and entry not in self.atlas:
            problems.append("%s is loaded as a surface but is neither a .png / .jpg image nor an atlas member"
                            % entry)
        if kind == "sound" and ext not in SOUND_EXTENSIONS:
            problems.append("%s is loaded as a sound but is not a .wav / .ogg file" % entry)
        if kind == "font" and ext not in FONT_EXTENSIONS:
            problems.append("%s is loaded as a font but is not a .fnt description" % entry)

        holders = [p for p in self.packs if entry in (self.pack_entries(p) or [])]
        if not holders and kind in ("image", "entry") and entry in self.atlas:
            return problems, [self.atlas[entry]], "atlas member"
        if not holders:
            problems.append("no built pack holds %s" % entry)
            return problems, holders, None
        if not any(p in self.opened for p in holders):
            problems.append("%s is only in %s, which the program never opens" % (entry, ", ".join(holders)))
        if entry != "dmp.meta":  # each pack's optional description, read by position in no list
            for pack in holders:
                if pack in self.listed and entry not in self.listed[pack]:
                    problems.append("%s is held by %s but data/packs.txt does not list it there" % (entry, pack))
        return problems, holders, None

    def check_families(self):
        """A name in one size variant of a media pack must be in every one: any may be chosen."""
        for request in self.requests:
            if request.kind == "pack" or not request.resolved or request.note:
                continue
            entry = bare(request.resolved)
            for base, packs in sorted(self.families.items()):
                if any(p in packs for p in request.holders):
                    missing = [p for p in packs if entry not in (self.pack_entries(p) or [])]
                    if missing:
                        self.problems.add(request.where, "%s: %s is in some size variants of %s but not in %s"
                                          % (request.shown, entry, base, ", ".join(missing)))

    def check_layouts(self):
        """The shipped layouts (data/layouts, packed as LAYOUT_PACK): every image, sound and import
        "path" and every text "font" (+ ".fnt") they name must be served like a name in the code
        (in every size variant of a media pack), and every layout the code loads must be one of
        them."""
        folder = os.path.join(self.source_root, "data", "layouts")
        shipped = sorted(f for f in os.listdir(folder) if f.endswith(".xml")) if os.path.isdir(folder) else []
        for name in shipped:
            path = os.path.join(folder, name)
            try:
                tree = ET.parse(path)
            except ET.ParseError as e:
                self.problems.add("data/layouts/%s" % name, "not well-formed XML: %s" % e)
                continue
            for node in tree.iter():
                wanted = []
                if "path" in node.attrib:
                    value = node.attrib["path"]
                    ext = value.rsplit(".", 1)[-1].lower() if "." in value else ""
                    kind = ("image" if ext in IMAGE_EXTENSIONS else "sound" if ext in SOUND_EXTENSIONS
                            else "entry")
                    wanted.append((value, kind))
                if node.tag == "text" and "font" in node.attrib:
                    wanted.append((node.attrib["font"] + ".fnt", "font"))
                for value, kind in wanted:
                    where = "data/layouts/%s: <%s>" % (name, node.tag)
                    problems, holders, _ = self.name_problems(value, kind)
                    for problem in problems:
                        self.problems.add(where, '"%s": %s' % (value, problem))
                    for base, packs in sorted(self.families.items()):
                        if any(p in packs for p in holders):
                            missing = [p for p in packs if bare(value) not in (self.pack_entries(p) or [])]
                            if missing:
                                self.problems.add(where, '"%s" is in some size variants of %s but not in %s'
                                                  % (value, base, ", ".join(missing)))
        for request in self.requests:
            if request.kind == "pack" or not request.resolved or request.note:
                continue
            entry = bare(request.resolved)
            if entry.lower().endswith(".xml") and (entry not in shipped or LAYOUT_PACK not in request.holders):
                self.problems.add(request.where, "%s: the layout %s is not a shipped layout of %s"
                                  % (request.shown, entry, LAYOUT_PACK))

    def check_listed_packs(self):
        for pack, entries in sorted(self.listed.items()):
            where = self.listed_lines[pack]
            held = self.pack_entries(pack)
            if held is None:
                self.problems.add(where, "%s is listed but %s (target datapacks)" % (pack, self.not_built(pack)))
                continue
            if not held:
                self.problems.add(where, "%s is built empty" % pack)
            for entry in entries:
                if entry not in held:
                    self.problems.add(where, "%s lacks the listed entry %s" % (pack, entry))
        for name, where in sorted(self.loose.items()):
            if not os.path.isfile(os.path.join(self.build, name)):
                self.problems.add(where, "the loose file %s is not built in %s (target datapacks)" % (name, self.build))
        # Language packs are scanned from 0000 up to the first missing number.
        numbered = {}
        for pack in self.listed:
            m = re.match(r"^(.*)_(\d{4})\.dmp$", pack)
            if m and (m.group(1) + LANGUAGE_FIRST_PACK) in self.opened:
                numbered.setdefault(m.group(1), []).append(int(m.group(2)))
        for base, numbers in sorted(numbered.items()):
            for expected, number in enumerate(sorted(numbers)):
                if number != expected:
                    self.problems.add(self.listed_lines["%s_%04d.dmp" % (base, number)],
                                      "%s_%04d.dmp can never be found: the language scan stops at the missing "
                                      "%s_%04d.dmp" % (base, number, base, expected))
                    break

    def dump(self):
        out = []
        for r in self.requests:
            what = r.note or " ".join(r.holders) or "-"
            out.append("found %s %s %s: %s -> %s" % (r.where, r.kind, r.shown, r.resolved or "|".join(r.names),
                                                     what))
        for name in sorted(set(NOT_IN_PACKS) - self.seen_allowed):
            out.append("note: the allowed non-pack name %s is not used by the code (yet)" % name)
        for name in sorted(set(self.loose) - self.seen_loose):
            out.append("note: data/packs.txt lists the loose file %s, which no code names" % name)
        for pack in sorted(set(self.listed) - self.opened):
            out.append("note: data/packs.txt lists %s, which no code names" % pack)
        return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--build", required=True, help="the build directory holding the packs")
    parser.add_argument("--pack-tool", help="the pack tool (default: BUILD/tools/vortanpack)")
    parser.add_argument("--dump", action="store_true", help="print every name found")
    args = parser.parse_args()
    tool = args.pack_tool or os.path.join(args.build, "tools", "vortanpack")
    lint = Lint(os.path.abspath(args.source), os.path.abspath(args.build), tool)
    try:
        problems = lint.run()
    except SetupError as e:
        print("packlint: %s" % e, file=sys.stderr)
        return 2
    if args.dump:
        for line in lint.dump():
            print(line)
    def order(line):
        m = re.match(r"^(.*?):(\d+): ", line)
        return (m.group(1), int(m.group(2))) if m else (line, 0)
    for line in sorted(problems, key=order):
        print(line)
    if problems:
        print("packlint: %d problem(s). A name the program loads must be an entry of a pack that it opens: "
              "add the entry to the pack's line in data/packs.txt and make it in cmake/DataPacks.cmake; "
              "a name that is no pack entry goes into NOT_IN_PACKS (with its reason) in "
              "tests/tools/packlint.py." % len(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
