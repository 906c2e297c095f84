"""The program's peak resident size on its screens beside that of a minimal EGL/GLES2 window, both
measured in one run on one private X server: the minimal window (BUILD/bench/minimal_window)
first, then one copy of the program on the game's menu, on the training picker (the menu's
training button) and in a training battle (the picker's first scene, then its first frames). Each figure is VmHWM in kB.

Usage: resident.py BUILD_DIR [RUNS]: prints one line per run and the medians. The benchmark
report (scripts/bench_report.py) prints the same figures through measure()."""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402

# The game's menu button that opens a training battle: screen centre + (-1.25, -0.2) x w / 8.
TRAINING_BUTTON = (-1.25, -0.2)


def measure(build):
    """{'window_kb', 'menu_kb', 'picker_kb', 'training_kb'} of one run, or raises h.Failure."""
    build = os.path.abspath(build)
    window = os.path.join(build, "bench", "minimal_window")
    world = h.World(build, names=("a",))
    ok = False
    try:
        world.standin.start()
        copy = h.Copy("a", build, world.root, "127.0.0.1:%d" % world.standin.lobby,
                      "356938035643800")
        world.copies["a"] = copy
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
        # The game's menu with its buttons, the online menu closed, the lobby's toast gone.
        h.first_login(copy)
        h.no_toast(copy)
        h.close_menu(copy)
        d = copy.wait_dump(lambda d: d.screens()[-1:] == ["menu"], "the game's menu does not come")
        time.sleep(2.0)  # its buttons grow in and the sparks fill the field
        figures["menu_kb"] = copy.peak_kb()
        w, hgt = (int(x) for x in d.values.get("view", ["800", "480"])[:2])
        s = w / 8.0
        copy.click(w / 2 + TRAINING_BUTTON[0] * s, hgt / 2 + TRAINING_BUTTON[1] * s)
        copy.wait_dump(lambda d: d.screens()[-1:] == ["training"], "no training picker")
        time.sleep(2.0)
        figures["picker_kb"] = copy.peak_kb()
        # The first scene's button: the top left of the picker's grid of 5 x 3.
        b = w / 20.0
        for _ in range(10):  # the picker takes touches once its buttons have grown in
            copy.click(w / 2 - 5 * b + b, hgt / 2 - 2 * b + b / 2)
            if h.wait_until(lambda: "play" in copy.dump().screens(), 3):
                break
        copy.wait_dump(lambda d: "play" in d.screens() and d.num("fps") > 0, "no training battle")
        time.sleep(2.0)
        figures["training_kb"] = copy.peak_kb()
        ok = True
        return figures
    finally:
        if not ok:
            world.keep("resident")
        world.stop(remove=ok)


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
