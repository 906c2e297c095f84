#!/usr/bin/env python3
"""unity_check: do the batched library sources compile as they do alone?

Usage: scripts/unity_check.py BUILD_DIR   (configured with -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)

Preprocesses every batch (the Unity/unity_*.cxx sources CMake writes) and each of its members
alone, and compares, member by member, the member's own text and that of every header the
member is the first of its batch to include. A difference is a macro of an earlier member
reaching a later one; it is printed as a DIFF line and the exit status is 1. (Names that clash
in a batch are compile errors and need no check here.) JOBS=N sets the parallel runs."""
import json, os, re, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor
build = sys.argv[1]
cmds = json.load(open(os.path.join(build, 'compile_commands.json')))
marker = re.compile(r'^# (\d+) "([^"]*)"(.*)$')

def runs(text):
    cur = None
    res = []
    for line in text.splitlines():
        m = marker.match(line)
        if m:
            cur = os.path.normpath(m.group(2)); res.append((cur, [])); continue
        if res and line.strip():
            res[-1][1].append(' '.join(line.split()))
    return res

def work(c):
    args = c.get('arguments') or shlex.split(c['command'])
    src = c['file']
    d = c['directory']
    # remove -M* dependency options
    clean = []
    it = iter(args)
    for x in it:
        if x in ('-o', '-MF', '-MT', '-MQ'): next(it); continue
        if x in ('-c', '-MD', '-MMD'): continue
        clean.append(x)
    def prep(s):
        a = [s if x == src else x for x in clean]
        return subprocess.run(a + ['-E'], cwd=d, capture_output=True, text=True).stdout
    members = [os.path.normpath(m) for m in re.findall(r'#include "([^"]+)"', open(src).read())]
    u = runs(prep(src))
    problems = []
    # split the unity output by member
    seg = {}
    cur = None
    for path, lines in u:
        if path in members:
            cur = path
        if cur is None: continue
        seg.setdefault(cur, {}).setdefault(path, []).extend(lines)
    for mbr in members:
        alone = {}
        for path, lines in runs(prep(mbr)):
            alone.setdefault(path, []).extend(lines)
        if seg.get(mbr, {}).get(mbr) != alone.get(mbr):
            problems.append((src, mbr, mbr, len(seg.get(mbr, {}).get(mbr, [])), len(alone.get(mbr, []))))
        for path, lines in seg.get(mbr, {}).items():
            if path == mbr or path in members or path == os.path.normpath(src):
                continue
            a = alone.get(path, [])
            # A header's text in the batch must be text it has alone (headers read in
            # pieces, like stddef.h, give fewer lines).
            extra = set(lines) - set(a)
            if extra:
                problems.append((src, mbr, path, len(lines), len(a)))
    return src, members, problems

todo = [c for c in cmds if '/Unity/unity_' in c['file']]
with ThreadPoolExecutor(int(os.environ.get('JOBS', '4'))) as ex:
    bad = 0
    for src, members, problems in ex.map(work, todo):
        for p in problems:
            bad += 1
            print('DIFF unity=%s member=%s path=%s lines unity=%d alone=%d' % p)
print('%d unity sources checked, %d differences' % (len(todo), bad))
sys.exit(1 if bad else 0)
