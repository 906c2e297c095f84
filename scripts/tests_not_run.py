#!/usr/bin/env python3
"""The tests of ctest runs that did not run, by name, from the runs' JUnit reports.

    tests_not_run.py [--ci] REPORT...

Prints each test that did not run as "BUILD: NAME", with the lines of its output that say why
(a skipped or a DISABLED_ GoogleTest test names itself), or "BUILD: NAME (STATUS)" for one
that ctest did not start (its DISABLED property: "disabled"), or "none" when every test ran. A report that is
missing, cannot be read or names no test is named: nobody can tell what its run skipped, so it
is never taken for "none". Exits 1 for such a report, and with --ci (a run in CI, where every
test must run) also when a test did not run; else 0."""
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
        if not cases:
            unread.append("%s: its report names no test" % build)
        for case in cases:
            # ctest writes "run" and "fail" for a test it ran, "notrun" for a skip and
            # "disabled" for a test it did not start.
            status = case.get("status")
            if status in ("run", "fail"):
                continue
            skipped.append("%s: %s%s" % (build, case.get("name"),
                                         "" if status == "notrun" else " (%s)" % status))
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
