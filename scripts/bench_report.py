#!/usr/bin/env python3
"""Runs every benchmark program of a build and prints the benchmark report.

    scripts/bench_report.py BUILD [--min-time SECONDS] [--pairs FILE] [--only PROGRAM ...]

Every BUILD/bench/*_bench program runs once with JSON output and a short minimum time. The
report gives the machine (CPU model, Mesa), then per pair of bench/pairs.txt ours, the peer,
the ratio or value, the target and whether it is met; then the figures the end-to-end harness
left in BUILD/e2e_figures.json, each copy's resident size beside that of a minimal EGL/GLES2
window (BUILD/bench/minimal_window); then the program's peak resident size on the game's menu,
the training picker and in a training battle beside the minimal window's, both measured in this
run on one private X server (tests/e2e/resident.py). Nothing here judges a time: the report is
for a person.
"""
import argparse
import glob
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
DEFAULT_PAIRS = os.path.join(HERE, "..", "bench", "pairs.txt")
UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
E2E_FIGURES = [
    ("start_to_login_ms", "start to the login page", "ms"),
    ("login_to_start_ms", "login to the start page", "ms"),
    ("challenge_to_first_frame_ms", "challenge accepted to the battle's first frame", "ms"),
    ("battle_frame_cpu_ms", "main-thread CPU per battle frame (program)", "ms"),
    ("idle_menu_cpu_percent", "CPU while idle on the menu", "%"),
]


def read_pairs(path):
    pairs = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = [x.strip() for x in line.split("|")]
            if len(fields) != 7:
                raise ValueError("%s:%d: seven fields expected, %d found" % (path, number, len(fields)))
            issue, program, ours, peer, measure, target, what = fields
            pairs.append(dict(issue=issue, program=program, ours=ours, peer=peer,
                              measure=measure.split(), target=target, what=what))
    return pairs


def plain_name(name):
    """The benchmark's name without the suffixes Google Benchmark adds; and its clock."""
    parts = name.split("/")
    real = "real_time" in parts or "manual_time" in parts
    kept = [p for p in parts if ":" not in p and p not in ("real_time", "manual_time")]
    return "/".join(kept), real


def run_program(path, min_time, timeout):
    """Runs one benchmark program; returns ({name: entry}, error text or None, seconds)."""
    handle, out = tempfile.mkstemp(suffix=".json")
    os.close(handle)
    started = time.monotonic()
    try:
        result = subprocess.run(
            [path, "--benchmark_out=" + out, "--benchmark_out_format=json",
             "--benchmark_min_time=%g" % min_time],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=timeout,
            cwd=os.path.dirname(path))
        seconds = time.monotonic() - started
        entries = {}
        try:
            with open(out, encoding="utf-8") as f:
                data = json.load(f)
        except (OSError, ValueError):
            data = {}
        for entry in data.get("benchmarks", []):
            if entry.get("run_type") == "aggregate":
                continue
            name, real = plain_name(entry.get("name", ""))
            entry["_real"] = real
            entries[name] = entry
        error = None
        if result.returncode != 0:
            tail = result.stderr.decode("utf-8", "replace").strip().splitlines()[-1:]
            error = "exit %d%s" % (result.returncode, (": " + tail[0][:60]) if tail else "")
        return entries, error, seconds
    except subprocess.TimeoutExpired:
        return {}, "timed out after %d s" % timeout, time.monotonic() - started
    finally:
        os.unlink(out)


def entry_ns(entry):
    key = "real_time" if entry["_real"] else "cpu_time"
    return float(entry[key]) * UNIT_NS.get(entry.get("time_unit", "ns"), 1.0)


def format_ns(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return "%.3g %s" % (ns / scale, unit)
    return "%.3g ns" % ns


def format_number(value):
    if value == int(value) and abs(value) < 1e9:
        return "%d" % value
    return "%.3g" % value


def find(entries, name):
    """The entries named; "NAME/*" gives every argument of NAME."""
    if name.endswith("/*"):
        stem = name[:-1]
        return [e for n, e in sorted(entries.items()) if n.startswith(stem)]
    return [entries[name]] if name in entries else []


def entry_error(found):
    for e in found:
        if e.get("error_occurred"):
            return "skipped: " + str(e.get("error_message", ""))[:50]
    return None


def evaluate(pair, results):
    """(ours text, peer text, value, status) of one pair."""
    program, ours, peer, measure = pair["program"], pair["ours"], pair["peer"], pair["measure"]
    if not ours:
        return "", peer, None, "no benchmark"
    if program not in results:
        return ours, peer, None, "not built"
    entries, error = results[program]
    mine = find(entries, ours)
    kind = measure[0]
    theirs = find(entries, peer) if kind in ("time", "counters") else []
    if not mine or (kind in ("time", "counters") and not theirs):
        return ours, peer, None, ("failed: " + error) if error else "not run"
    problem = entry_error(mine) or entry_error(theirs)
    if problem:
        return ours, peer, None, problem
    if kind == "time":
        a, b = max(entry_ns(e) for e in mine), entry_ns(theirs[0])
        return format_ns(a), format_ns(b), a / b if b > 0 else None, None
    if kind == "share":
        a = max(entry_ns(e) for e in mine)
        return format_ns(a), peer, a / (float(measure[1]) * 1e6), None
    counter = measure[1]
    values = [float(e[counter]) for e in mine if counter in e]
    if not values:
        return ours, peer, None, "no counter " + counter
    a = max(values)
    if kind == "counter":
        return "%s %s" % (format_number(a), counter), peer, a, None
    if counter not in theirs[0]:
        return ours, peer, None, "no counter " + counter
    b = float(theirs[0][counter])
    return format_number(a), format_number(b), a / b if b else None, None


def target_met(target, value):
    m = re.match(r"^(<=|>=|==)\s*([-+0-9.eE]+)$", target)
    if not m or value is None:
        return "-"
    limit = float(m.group(2))
    ok = {"<=": value <= limit, ">=": value >= limit, "==": value == limit}[m.group(1)]
    return "met" if ok else "NOT MET"


def cpu_model():
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return "unknown"


def run_minimal_window(build):
    """{'rss_kb', 'hwm_kb', 'gl_renderer', 'gl_version'} of the minimal window, or None."""
    program = os.path.join(build, "bench", "minimal_window")
    if not os.access(program, os.X_OK):
        return None
    command = [program]
    if not os.environ.get("DISPLAY"):
        if not shutil.which("xvfb-run"):
            return None
        command = ["xvfb-run", "-a", "-s", "-screen 0 800x480x24", program]
    try:
        out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout.decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        return None
    figures = {}
    for line in out.splitlines():
        key, _, value = line.partition(" ")
        figures[key] = value.strip()
    return figures if "rss_kb" in figures else None


def mesa_version(window):
    for tool, args in (("glxinfo", ["-B"]), ("eglinfo", [])):
        if shutil.which(tool) and os.environ.get("DISPLAY"):
            try:
                out = subprocess.run([tool] + args, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, timeout=20).stdout.decode()
            except subprocess.TimeoutExpired:
                continue
            m = re.search(r"Mesa [0-9][0-9.]*\S*", out)
            if m:
                return m.group(0) + " (" + tool + ")"
    if window and "gl_version" in window:
        m = re.search(r"Mesa [0-9][0-9.]*\S*", window["gl_version"])
        version = m.group(0) if m else window["gl_version"]
        return "%s, %s (GL strings)" % (version, window.get("gl_renderer", "?"))
    return "unknown"


def print_table(rows, header):
    widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
    for r in [header, ["-" * w for w in widths]] + rows:
        print("  ".join(str(c).ljust(w) for c, w in zip(r, widths)).rstrip())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--min-time", type=float, default=0.05)
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--pairs", default=DEFAULT_PAIRS)
    parser.add_argument("--only", nargs="*", default=None)
    parser.add_argument("--no-resident", action="store_true",
                        help="leave out the program's peak resident sizes (they start the program)")
    parser.add_argument("--no-frames", action="store_true",
                        help="leave out the program's frame cost (it starts the program)")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    pairs = read_pairs(args.pairs)

    programs = sorted(p for p in glob.glob(os.path.join(build, "bench", "*_bench"))
                      if os.access(p, os.X_OK))
    if args.only:
        programs = [p for p in programs if os.path.basename(p) in args.only]
    window = run_minimal_window(build)

    print("Benchmark report: %s" % build)
    print("CPU:  %s (%d cores)" % (cpu_model(), os.cpu_count() or 0))
    print("Mesa: %s" % mesa_version(window))
    print("Minimum time per benchmark: %g s (single runs; other work on the machine counts)"
          % args.min_time)
    print()

    results = {}
    for path in programs:
        name = os.path.basename(path)
        entries, error, seconds = run_program(path, args.min_time, args.timeout)
        results[name] = (entries, error)
        print("ran %-22s %6.1f s  %3d benchmarks%s" % (name, seconds, len(entries),
                                                        ("  (" + error + ")") if error else ""))
        sys.stdout.flush()
    print()

    rows = []
    for pair in pairs:
        ours, peer, value, status = evaluate(pair, results)
        met = status if status else target_met(pair["target"], value)
        shown = "%.3g" % value if value is not None else "-"
        rows.append([pair["issue"], pair["what"], ours, peer, shown, pair["target"], met])
    print_table(rows, ["issue", "pair", "ours", "peer", "ratio/value", "target", "met"])
    print()

    figures_path = os.path.join(build, "e2e_figures.json")
    print("End-to-end figures (%s):" % figures_path)
    figures = {}
    try:
        with open(figures_path, encoding="utf-8") as f:
            figures = json.load(f)
    except (OSError, ValueError):
        print("  none: the two-copy harness has not written them")
    for key, what, unit in E2E_FIGURES:
        if key in figures:
            print("  %-48s %s %s" % (what, format_number(float(figures[key])), unit))
    window_kb = int(window["rss_kb"]) if window else None
    print("  %-48s %s" % ("minimal EGL/GLES2 window RSS",
                          ("%d kB" % window_kb) if window_kb else "not built or no display"))
    for key, copy in (("rss_kb_a", "A"), ("rss_kb_b", "B")):
        if key in figures:
            kb = int(float(figures[key]))
            beside = (" (%+d kB beside the minimal window)" % (kb - window_kb)) if window_kb else ""
            print("  %-48s %d kB%s" % ("copy %s RSS" % copy, kb, beside))
    if not args.no_resident:
        print()
        print_resident(build)
    if not args.no_frames:
        print()
        print_frame_cost(build)
    return 0


def measure_program(build, script):
    """The figures of tests/e2e/<script>.measure on the build's program, or None with the reason
    it was not measured printed."""
    if not os.access(os.path.join(build, "orlogate"), os.X_OK):
        print("  not measured: no program in the build")
        return None
    try:
        import e2e_harness
        module = __import__(script)
    except ImportError as e:
        print("  not measured: %s" % e)
        return None
    reason = e2e_harness.cannot_run()
    if reason:
        print("  not measured: " + reason)
        return None
    try:
        return module.measure(build)
    except e2e_harness.Failure as failure:
        print("  not measured: %s" % str(failure).splitlines()[0])
        return None


def print_resident(build):
    """The program's peak resident size on its screens beside the minimal window's, one run."""
    print("Peak resident size (VmHWM) above a minimal EGL/GLES2 window, measured in this run on "
          "one X server:")
    f = measure_program(build, "resident")
    if f is None:
        return
    import resident
    print("  %-30s %7d kB" % ("minimal EGL/GLES2 window", f["window_kb"]))
    for key, screen in resident.SCREENS:
        print("  %-30s %7d kB  %+6.1f MB (target <= +64 MB: %s)"
              % (screen, f[key], (f[key] - f["window_kb"]) / 1024.0,
                 "met" if f[key] - f["window_kb"] <= 64 * 1024 else "NOT MET"))


def print_frame_cost(build):
    """The program's CPU share on its screens beside one full-screen quad's, one run."""
    print("Frame cost: CPU share of all threads (software GL draws on threads of its own) beside "
          "one full-screen textured quad per frame at the same rate, measured in this run on one "
          "X server:")
    f = measure_program(build, "frame_cost")
    if f is None:
        return
    quad = f["quad"]
    print("  %-30s %5.1f%% at %.0f fps" % ("one full-screen quad", quad["cpu"], quad.get("fps", 0)))
    for key, screen in (("menu", "the game's menu at rest"), ("training", "a training battle")):
        s = f[key]
        ratio = s["cpu"] / quad["cpu"] if quad["cpu"] > 0 else 0.0
        print("  %-30s %5.1f%% at %.0f fps  %.2fx (target within 2x: %s); a frame: %.0f draws, "
              "%.0f program switches, %.0f texture binds"
              % (screen, s["cpu"], s.get("fps", 0), ratio, "met" if ratio <= 2.0 else "NOT MET",
                 s.get("draws", -1), s.get("programs", -1), s.get("textures", -1)))


if __name__ == "__main__":
    sys.exit(main())
