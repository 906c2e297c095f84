"""The program's frame cost beside the least a full redraw costs, measured in one run on one
private X server: the program's CPU share (process CPU time of all threads over wall time, as the
software GL driver draws on threads of its own) on the game's menu at rest and in a training
battle with no input, and the CPU share of a minimal EGL/GLES2 window (BUILD/bench/minimal_window
--quad) drawing one full-screen textured quad per frame at the program's measured frame rate.
The main thread's share is given too (the GL calls' own cost lands there). The program runs with the GL counter (BUILD/bench/libgl_counter.so) loaded, which gives its
draw calls, program switches and texture binds per frame on each screen.

Usage: frame_cost.py BUILD_DIR [RUNS] [SECONDS]: prints one line per run and the medians. Nothing
here judges a figure: it is for a person (and scripts/bench_report.py)."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402

TICK = os.sysconf("SC_CLK_TCK")


def read_counts(path):
    counts = {}
    try:
        with open(path) as f:
            for line in f:
                key, _, value = line.partition(" ")
                counts[key] = float(value)
    except (OSError, ValueError):
        pass
    return counts


def sample(copy, counts_path, seconds):
    """CPU share (% of one core), frame rate and GL counts of the program over the given wall
    time."""
    pid = copy.pid()
    first = read_counts(counts_path)
    t0, c0, m0 = time.monotonic(), copy.cpu_ticks(), copy.cpu_ticks(thread=pid)
    time.sleep(seconds)
    t1, c1, m1 = time.monotonic(), copy.cpu_ticks(), copy.cpu_ticks(thread=pid)
    h.check(os.path.exists("/proc/%d" % pid), "the program ended")
    # The counter rewrites its file every few frames with the averages of those frames, the
    # frames since the start and the time of the report.
    last = read_counts(counts_path)
    out = {"cpu": 100.0 * (c1 - c0) / TICK / (t1 - t0),
           "main": 100.0 * (m1 - m0) / TICK / (t1 - t0)}
    if last.get("at", 0) > first.get("at", 0):
        out["fps"] = (last["total"] - first["total"]) / (last["at"] - first["at"])
    for key in ("draws", "programs", "textures", "binds", "uses"):
        if key in last:
            out[key] = last[key]
    return out


def measure(build, seconds=6.0):
    """{'menu': {...}, 'training': {...}, 'quad': {...}} of one run, or raises h.Failure."""
    window = os.path.join(os.path.abspath(build), "bench", "minimal_window")
    counter = os.path.join(os.path.abspath(build), "bench", "libgl_counter.so")
    h.check(os.path.exists(counter), "no GL counter at " + counter)
    with h.lone_copy(build, "frame_cost") as copy:
        counts_path = os.path.join(copy.dir, "gl_counts.txt")
        # Measured as a player runs it: the dump is written only when it changes.
        copy.env = {"LD_PRELOAD": counter, "GL_COUNT_FILE": counts_path,
                    "GL_COUNT_FRAMES": "10", "ORLO_DUMP_FRAMES": "0"}
        copy.start()
        figures = {screen: sample(copy, counts_path, seconds)
                   for screen in h.to_training_battle(copy, 3.0) if screen != "picker"}
        copy.kill()
        # The yardstick at the rate the program drew its menu, on the same X server.
        fps = max(1, int(round(figures["menu"].get("fps", 60.0))))
        out = subprocess.run([window, "--quad", str(fps), str(seconds)],
                             env=dict(os.environ, DISPLAY=copy.display),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=120).stdout.decode()
        quad = {}
        for line in out.splitlines():
            key, _, value = line.partition(" ")
            if key == "quad_cpu_percent":
                quad["cpu"] = float(value)
            elif key == "quad_fps":
                quad["fps"] = float(value)
        h.check("cpu" in quad, "the minimal window drew no quads")
        figures["quad"] = quad
        return figures


def describe(f):
    q = f["quad"]
    parts = ["one full-screen quad %.1f%% at %.0f fps" % (q["cpu"], q.get("fps", 0))]
    for key, screen in (("menu", "the game's menu at rest"), ("training", "a training battle")):
        s = f[key]
        parts.append("%s %.1f%% at %.0f fps (%.2fx; main thread %.1f%%; %.0f draws, %.0f program "
                     "switches, %.0f texture binds a frame)"
                     % (screen, s["cpu"], s.get("fps", 0), s["cpu"] / q["cpu"] if q["cpu"] else 0,
                        s.get("main", 0), s.get("draws", -1), s.get("programs", -1),
                        s.get("textures", -1)))
    return "; ".join(parts)


def main(build, runs, seconds):
    return h.measure_runs(lambda: measure(build, seconds), describe, runs)


if __name__ == "__main__":
    h.script(main, (int, 1), (float, 6.0))
