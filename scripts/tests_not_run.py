#!/usr/bin/env python3
"""The tests of ctest runs that did not run, by name, from the runs' JUnit reports.

    tests_not_run.py [--ci] REPORT...

Prints each test that did not run (a skip) as "BUILD: NAME", with the lines of its output that
say why, or "none" when every test ran. A report that is missing or cannot be read is named:
nobody can tell what its run skipped, so it is never taken for "none". Exits 1 when a report
is missing or unreadable, and with --ci (a run in CI, where every test must run) also when a
test did not run; else 0."""
import sys
import xml.etree.ElementTree as ET


def main(args):
    ci = args[:1] == ["--ci"]
    reports = args[1:] if ci else args
    skipped, unread = [], []
    for path in reports:
        build = path.split("/Testing/")[0]
        try:
            cases = list(ET.parse(path).getroot().iter("testcase"))
        except (OSError, ET.ParseError) as e:
            unread.append("%s: no report of its tests: %s" % (build, e))
            continue
        for case in cases:
            if case.get("status") != "notrun":
                continue
            skipped.append("%s: %s" % (build, case.get("name")))
            for line in (case.findtext("system-out") or "").splitlines():
                if "skipped" in line.lower():
                    skipped.append("    " + line.strip())
    for line in skipped + unread or ["none"]:
        print(line)
    if ci and skipped:
        print("In CI every test must run: the tests above did not.")
    return 1 if unread or (ci and skipped) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
