#!/usr/bin/python3
"""layers: the libraries depend one way; no source file includes a header of a higher layer.

Usage: layers.py --source DIR

The layers, from the bottom, with the layers each one sits on (LAYERS below):

  engine     engine/ (but not engine/platform/ and engine/graphics/)
  shell      engine/platform/, engine/graphics/   on engine
  sound      VortanSound/                         on engine
  xmlloader  xmlloader/                           on engine
  platform   platform/                            on shell, sound, xmlloader
  ui         ui/                                  on platform
  protocol   online/protocol/                     on engine
  online     online/ (but not online/protocol/)   on ui, protocol
  game       game/                                on online
  program    program/                             on game

A file may include the headers of its own layer and of every layer below it, that is every
layer it sits on directly or through others. The shell, the sound engine and the XML loader
wrapper are siblings on the engine: none of them includes another, so each can be built and
tested with the engine alone. tests/, tools/, bench/ and fuzz/ are free: they may include
anything (each test program links the library of its own area).

What is checked:
- Every #include line, quoted or angled, of every C and C++ source file in the tree. The name
  is looked up beside the including file first (when quoted), then from the top of the tree
  (the build's include directory); a name found in neither place is judged by its first folders when they
  name a layer, and otherwise (system and generated headers) not checked. Lines inside
  comments and raw string literals do not count.
- Every C and C++ source file lies in a layer or in a free folder, so that a new folder has to
  be given its place in the table.
- Every vortan_library(...) of CMakeLists.txt builds the folders of one layer and links (DEPS)
  only libraries of the layers below; target_link_libraries calls on those libraries in the
  CMake files obey the same rule.

Problems are printed as "file:line: message", one per line; the exit status is 0 when there
are none, 1 when there are, 2 when the check cannot run.
"""

import argparse
import os
import re
import sys

# (layer, folders, layers it sits on), from the bottom. A folder belongs to the layer of its
# longest listed prefix.
LAYERS = [
    ("engine", ["engine"], []),
    ("shell", ["engine/platform", "engine/graphics"], ["engine"]),
    ("sound", ["VortanSound"], ["engine"]),
    ("xmlloader", ["xmlloader"], ["engine"]),
    ("platform", ["platform"], ["shell", "sound", "xmlloader"]),
    ("ui", ["ui", "ui/widgets", "ui/layouts", "ui/loader", "ui/anim"], ["platform"]),
    ("protocol", ["online/protocol"], ["engine"]),
    ("online", ["online", "online/net", "online/login", "online/achievements", "online/popups",
                "online/menu"], ["ui", "protocol"]),
    ("game", ["game"], ["online"]),
    ("program", ["program"], ["game"]),
]

# Folders outside the order: the tests, the data-building tools, the benchmarks and the fuzz
# targets.
FREE = ("tests", "tools", "bench", "fuzz")

SOURCE_EXTENSIONS = (".h", ".hh", ".hpp", ".c", ".cc", ".cpp", ".cxx", ".inc", ".ipp")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]*)[>"]')
# The start of a raw string literal, R"delimiter( with an optional encoding prefix.
RAW_STRING = re.compile(r'(?:u8|u|U|L)?R"([^()\\\s"]{0,16})\(')


class SetupError(Exception):
    pass


def allowed_layers():
    """layer -> the set of layers its files may include (itself and all below)."""
    below = {name: list(on) for name, _, on in LAYERS}
    allowed = {}
    for name, _, _ in LAYERS:
        seen = {name}
        todo = list(below[name])
        while todo:
            layer = todo.pop()
            if layer not in seen:
                seen.add(layer)
                todo.extend(below[layer])
        allowed[name] = seen
    return allowed


def layer_of(path):
    """The layer of a path relative to the top of the tree ('/'-separated), "free" for the free
    folders, None outside both."""
    best, best_length = None, -1
    for name, folders, _ in LAYERS:
        for folder in folders:
            if (path == folder or path.startswith(folder + "/")) and len(folder) > best_length:
                best, best_length = name, len(folder)
    if best is None and path.split("/", 1)[0] in FREE:
        return "free"
    return best


def blank_comments(text):
    """The text with every comment and the body of every raw string literal replaced by spaces
    (line ends kept, so that line numbers stay right); other literals are kept as they are, so
    that a comment mark inside one starts no comment."""
    out = []
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        pair = text[i:i + 2]
        if pair == "//":
            end = text.find("\n", i)
            end = n if end < 0 else end
            out.append(" " * (end - i))
            i = end
        elif pair == "/*":
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            out.append(re.sub(r"[^\n]", " ", text[i:end]))
            i = end
        elif c in "uULR" and not (i > 0 and (text[i - 1].isalnum() or text[i - 1] == "_")) \
                and RAW_STRING.match(text, i):
            raw = RAW_STRING.match(text, i)
            end = text.find(")" + raw.group(1) + '"', raw.end())
            end = n if end < 0 else end + len(raw.group(1)) + 2
            out.append(text[i:raw.end()] + re.sub(r"[^\n]", " ", text[raw.end():end]))
            i = end
        elif c == '"' or (c == "'" and not (i > 0 and text[i - 1].isdigit())):
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            out.append(text[i:j])
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def source_files(root):
    """Relative paths ('/'-separated) of the C and C++ files of the tree, without hidden folders
    and build directories."""
    found = []
    for directory, subdirs, names in os.walk(root):
        subdirs[:] = sorted(d for d in subdirs if not d.startswith(".") and not d.startswith("build")
                            and not os.path.exists(os.path.join(directory, d, "CMakeCache.txt")))
        for name in sorted(names):
            if name.endswith(SOURCE_EXTENSIONS):
                found.append(os.path.relpath(os.path.join(directory, name), root).replace(os.sep, "/"))
    return found


def resolve(root, including, name, quoted):
    """The tree path that an include names, or None when it names nothing of the tree. A quoted
    name is looked for beside the including file first."""
    candidates = []
    if not os.path.isabs(name):
        if quoted:
            candidates.append(os.path.normpath(os.path.join(os.path.dirname(including), name)))
        candidates.append(os.path.normpath(name))
    for candidate in candidates:
        candidate = candidate.replace(os.sep, "/")
        if not candidate.startswith("../") and os.path.isfile(os.path.join(root, candidate)):
            return candidate
    # A header that is not there (yet): judged by its folders when they name a layer.
    if candidates:
        candidate = candidates[-1].replace(os.sep, "/")
        if not candidate.startswith("../") and layer_of(candidate) not in (None, "free"):
            return candidate
    return None


def describe(layer, target, allowed):
    if layer in allowed[target]:
        return "%s, a higher layer" % target
    return "%s, a sibling layer" % target


def check_includes(root, problems):
    allowed = allowed_layers()
    for path in source_files(root):
        layer = layer_of(path)
        if layer is None:
            problems.append("%s:1: not in any layer: add its folder to LAYERS or FREE in "
                            "tests/tools/layers.py" % path)
            continue
        if layer == "free":
            continue
        try:
            with open(os.path.join(root, path), encoding="latin-1") as f:
                text = blank_comments(f.read())
        except OSError as e:
            raise SetupError("cannot read %s: %s" % (path, e))
        for number, line in enumerate(text.split("\n"), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            written = match.group(1) + match.group(2) + (">" if match.group(1) == "<" else '"')
            target_path = resolve(root, path, match.group(2), match.group(1) == '"')
            if target_path is None:
                continue
            target = layer_of(target_path)
            if target is None or target == "free":
                problems.append("%s:%d: %s includes %s, which is in no layer" %
                                (path, number, layer, written))
            elif target not in allowed[layer]:
                problems.append("%s:%d: %s must not include %s (%s)" %
                                (path, number, layer, written, describe(layer, target, allowed)))


def cmake_calls(text, command):
    """(line, arguments) of every call of the command in a CMake text, comments removed."""
    text = re.sub(r"#[^\n]*", "", text)
    calls = []
    for match in re.finditer(r"^[ \t]*%s[ \t]*\(" % re.escape(command), text, re.M):
        end = text.find(")", match.end())
        if end < 0:
            continue
        line = text.count("\n", 0, match.start()) + 1
        calls.append((line, text[match.end():end].split()))
    return calls


def check_libraries(root, problems):
    allowed = allowed_layers()
    top = os.path.join(root, "CMakeLists.txt")
    try:
        with open(top) as f:
            text = f.read()
    except OSError:
        raise SetupError("no CMakeLists.txt in %s" % root)

    libraries = {}  # name -> layer
    declared = []
    for line, arguments in cmake_calls(text, "vortan_library"):
        if not arguments:
            continue
        name, dirs, deps, key = arguments[0], [], [], None
        for argument in arguments[1:]:
            if argument in ("DIRS", "DEPS"):
                key = argument
            elif key == "DIRS":
                dirs.append(argument.strip("/"))
            elif key == "DEPS":
                deps.append(argument)
        layers = sorted({layer_of(d) for d in dirs}, key=str)
        if len(layers) != 1 or layers[0] in (None, "free"):
            problems.append("CMakeLists.txt:%d: library %s builds %s, not the folders of one "
                            "layer" % (line, name, ", ".join(dirs) or "nothing"))
            continue
        libraries[name] = layers[0]
        declared.append((line, name, deps))

    def check_links(where, line, name, deps):
        for dep in deps:
            target = libraries.get(dep)
            if target is not None and target not in allowed[libraries[name]]:
                problems.append("%s:%d: library %s (%s) must not link %s (%s)" %
                                (where, line, name, libraries[name], dep,
                                 describe(libraries[name], target, allowed)))

    for line, name, deps in declared:
        check_links("CMakeLists.txt", line, name, deps)

    cmake_files = ["CMakeLists.txt"]
    cmake_dir = os.path.join(root, "cmake")
    if os.path.isdir(cmake_dir):
        cmake_files += ["cmake/" + n for n in sorted(os.listdir(cmake_dir)) if n.endswith(".cmake")]
    for where in cmake_files:
        with open(os.path.join(root, where)) as f:
            for line, arguments in cmake_calls(f.read(), "target_link_libraries"):
                if arguments and arguments[0] in libraries:
                    check_links(where, line, arguments[0], arguments[1:])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--source", help="the top of the source tree")
    args = parser.parse_args()
    if not args.source or not os.path.isdir(args.source):
        print("layers: no source tree (--source)", file=sys.stderr)
        return 2
    root = os.path.abspath(args.source)
    problems = []
    try:
        check_includes(root, problems)
        check_libraries(root, problems)
    except SetupError as e:
        print("layers: %s" % e, file=sys.stderr)
        return 2
    for problem in problems:
        print(problem)
    if problems:
        print("%d problem(s); the layers are listed in tests/tools/layers.py." % len(problems))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
