"""scripts/screenshots.sh makes every picture the README names, none blank and no two alike.

Usage: screenshots_test.py BUILD_DIR."""
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_harness as h  # noqa: E402
from screenshots import NAMES  # noqa: E402


def magick(*args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout.decode()


def main(build):
    out = os.path.join(build, "screenshots")
    shutil.rmtree(out, ignore_errors=True)
    script = os.path.join(h.SOURCE, "scripts", "screenshots.sh")
    if subprocess.run(["sh", script, build]).returncode != 0:
        print("FAILED: the script failed")
        return 1
    failures = []
    paths = {n: os.path.join(out, n + ".png") for n in NAMES}
    for name, path in paths.items():
        if not os.path.exists(path):
            failures.append("%s.png is missing" % name)
            continue
        size = magick("identify", "-format", "%w %h", path).split()
        if size != ["800", "480"]:
            failures.append("%s.png is %s" % (name, size))
        # A blank picture has (almost) no spread of grey levels.
        spread = float(magick("convert", path, "-colorspace", "Gray", "-format",
                              "%[fx:standard_deviation]", "info:"))
        if spread < 0.03:
            failures.append("%s.png is blank (spread %.3f)" % (name, spread))
    names = [n for n in NAMES if os.path.exists(paths[n])]
    # A box-filtered 16th of each picture: its difference from another's is never larger than
    # the pictures' own (the mean of a block squared is at most the mean of its squares), so
    # thumbnails clearly apart spare the full comparison. The margin covers their rounding.
    thumbs = {n: subprocess.run(["convert", paths[n], "-scale", "50x30!", "-depth", "8",
                                 "rgb:-"], stdout=subprocess.PIPE).stdout for n in names}
    for i, first in enumerate(names):
        for second in names[i + 1:]:
            a, b = thumbs[first], thumbs[second]
            if a and len(a) == len(b):
                apart = (sum((x - y) ** 2 for x, y in zip(a, b)) / len(a)) ** 0.5 / 255.0
                if apart >= 0.03:
                    continue
            # Root mean square difference, 0 (alike) to 1.
            text = magick("compare", "-metric", "RMSE", paths[first], paths[second], "null:")
            rmse = float(text.split("(")[1].split(")")[0]) if "(" in text else 0.0
            if rmse < 0.02:
                failures.append("%s.png and %s.png are alike (%.3f)" % (first, second, rmse))
    for f in failures:
        print("FAILED: " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    h.script(main)
