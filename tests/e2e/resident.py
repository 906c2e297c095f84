"""The program's peak resident size on its screens beside that of a minimal EGL/GLES2 window, both
measured in one run on one private X server: the minimal window (BUILD/bench/minimal_window)
first, then one copy of the program on the game's menu, on the training picker (the menu's
training button) and in a training battle (the picker's first scene, then its first frames). Each figure is VmHWM in kB.

Usage: resident.py BUILD_DIR [RUNS]: prints one line per run and the medians. The benchmark
report (scripts/bench_report.py) prints the same figures through measure()."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402


def measure(build):
    """{'window_kb', 'menu_kb', 'picker_kb', 'training_kb'} of one run, or raises h.Failure."""
    window = os.path.join(os.path.abspath(build), "bench", "minimal_window")
    with h.lone_copy(build, "resident") as copy:
        copy.start_display()
        copy.start_bus()
        out = subprocess.run([window], env=dict(os.environ, DISPLAY=copy.display),
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=60).stdout.decode()
        figures = {}
        for line in out.splitlines():
            key, _, value = line.partition(" ")
            if key == "hwm_kb":
                figures["window_kb"] = int(value)
        h.check("window_kb" in figures, "the minimal window printed no peak")
        copy.start()
        for screen in h.to_training_battle(copy, 2.0):
            figures[screen + "_kb"] = copy.peak_kb()
        return figures


SCREENS = (("menu_kb", "the game's menu"), ("picker_kb", "the training picker"),
           ("training_kb", "a training battle"))


def describe(f):
    """The figures of one run as one line: each screen's peak and its excess over the window."""
    parts = ["minimal EGL/GLES2 window %d kB" % f["window_kb"]]
    for key, screen in SCREENS:
        parts.append("%s %d kB (%+.1f MB)" % (screen, f[key], (f[key] - f["window_kb"]) / 1024.0))
    return "; ".join(parts)


def main(build, runs):
    return h.measure_runs(lambda: measure(build), describe, runs)


if __name__ == "__main__":
    h.script(main, (int, 1))
