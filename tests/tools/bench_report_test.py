#!/usr/bin/env python3
"""scripts/bench_report.py on a build of stand-in benchmark programs with known results: the
ratios, the targets' verdicts, Google Benchmark's name suffixes, a failing program, missing
programs and the end-to-end figures. No time of this machine is asserted."""
import json
import os
import re
import stat
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SCRIPT = os.path.join(ROOT, "scripts", "bench_report.py")

# What each stand-in program reports, as Google Benchmark writes it (times in time_unit).
FAKE = r'''#!/usr/bin/env python3
import json, os, sys
name = os.path.basename(sys.argv[0])
out = [a.split("=", 1)[1] for a in sys.argv if a.startswith("--benchmark_out=")][0]
assert any(a.startswith("--benchmark_min_time=") for a in sys.argv)
runs = {
    "string_bench": [
        {"name": "BM_Format_Vortan", "real_time": 999, "cpu_time": 300, "time_unit": "ns"},
        {"name": "BM_Format_Snprintf", "real_time": 1, "cpu_time": 100, "time_unit": "ns"},
        {"name": "BM_ToUTF8_Vortan", "real_time": 2, "cpu_time": 2, "time_unit": "us"},
        {"name": "BM_ToUTF8_Iconv", "real_time": 8000, "cpu_time": 8000, "time_unit": "ns"},
    ],
    "md5_bench": [
        {"name": "BM_MD5File/real_time", "real_time": 150, "cpu_time": 1, "time_unit": "ms"},
        {"name": "BM_Md5sum/iterations:3/real_time", "real_time": 100, "cpu_time": 1,
         "time_unit": "ms"},
    ],
    "sound_bench": [
        {"name": "BM_Mix/32", "real_time": 5, "cpu_time": 5, "time_unit": "us", "x_realtime": 250.0},
        {"name": "BM_OggDecode_Vortan", "real_time": 1, "cpu_time": 1, "time_unit": "ms",
         "error_occurred": True, "error_message": "no sample file"},
        {"name": "BM_OggDecode_Vorbisfile", "real_time": 1, "cpu_time": 1, "time_unit": "ms"},
    ],
    "game_battle_bench": [
        {"name": "BM_FastForwardOneShot/%d/iterations:5" % i, "real_time": 1, "cpu_time": 1,
         "time_unit": "ms", "share_of_30s_turn": 0.001 * (i + 1), "frame_31_steps_ms_max": 4.0}
        for i in range(3)
    ] + [{"name": "BM_FastForwardOneShot_mean", "run_type": "aggregate", "real_time": 1,
          "cpu_time": 1, "time_unit": "ms", "share_of_30s_turn": 9.0}],
}
if name == "xml_bench":
    sys.stderr.write("cannot open the document\n")
    sys.exit(3)
with open(out, "w") as f:
    json.dump({"context": {}, "benchmarks": runs[name]}, f)
'''


class BenchReportTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        build = cls.tmp.name
        os.mkdir(os.path.join(build, "bench"))
        for name in ("string_bench", "md5_bench", "sound_bench", "game_battle_bench", "xml_bench"):
            path = os.path.join(build, "bench", name)
            with open(path, "w") as f:
                f.write(FAKE)
            os.chmod(path, stat.S_IRWXU)
        with open(os.path.join(build, "e2e_figures.json"), "w") as f:
            json.dump({"start_to_login_ms": 2345, "rss_kb_a": 120000, "rss_kb_b": 121000,
                       "idle_menu_cpu_percent": 1.5}, f)
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        result = subprocess.run([sys.executable, SCRIPT, build, "--min-time", "0.01"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env, timeout=120)
        cls.status = result.returncode
        cls.out = result.stdout.decode()
        cls.err = result.stderr.decode()

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def row(self, pair):
        for line in self.out.splitlines():
            if pair in line:
                return re.split(r"\s{2,}", line.strip())
        self.fail("no row for %r in\n%s" % (pair, self.out))

    def test_runs_and_names_the_machine(self):
        self.assertEqual(self.status, 0, self.err)
        cpu = re.search(r"^CPU:\s+(\S.*)$", self.out, re.M)
        self.assertTrue(cpu and "unknown" not in cpu.group(1), self.out)
        self.assertRegex(self.out, r"(?m)^Mesa: \S")

    def test_time_ratios_use_cpu_time_unless_real_time_and_units(self):
        # CPU time (300/100 ns), not the real time the program did not ask for.
        self.assertEqual(self.row("Format against snprintf")[4:7], ["3", "-", "-"])
        # Units differ: 2 us against 8000 ns.
        self.assertEqual(self.row("UTF-8 against iconv")[4], "0.25")
        # Real-time benchmarks with /iterations: and /real_time suffixes: 150 / 100 ms.
        md5 = self.row("MD5 of 64 MB")
        self.assertEqual(md5[2:], ["150 ms", "100 ms", "1.5", "<= 1.43", "NOT MET"])

    def test_counters_targets_and_the_worst_argument(self):
        self.assertEqual(self.row("32 sources mixed")[4:], ["250", ">= 200", "met"])
        # The worst of the three arguments; the aggregate row does not count.
        self.assertEqual(self.row("worst shot fast-forward")[4], "0.003")

    def test_what_did_not_run_is_said(self):
        self.assertEqual(self.row("Ogg decode")[-1], "skipped: no sample file")
        self.assertIn("failed: exit 3: cannot open the document", self.row("XML parse against expat")[-1])
        self.assertEqual(self.row("GLES2 frame of 500 sprites")[-1], "not built")
        self.assertEqual(self.row("UTF-16 to UTF-8 against codecvt")[-1], "not run")
        self.assertEqual(self.row("login button to start page")[-1], "not built")
        # Every pair of bench/pairs.txt names its benchmark.
        self.assertNotIn("no benchmark", self.out)
        # The program's resident sizes need the program.
        self.assertRegex(self.out, r"Peak resident size.*\n\s+not measured: no program")

    def test_end_to_end_figures(self):
        self.assertRegex(self.out, r"start to the login page\s+2345 ms")
        self.assertRegex(self.out, r"CPU while idle on the menu\s+1.5 %")
        self.assertRegex(self.out, r"copy A RSS\s+120000 kB")
        self.assertRegex(self.out, r"copy B RSS\s+121000 kB")
        self.assertRegex(self.out, r"minimal EGL/GLES2 window RSS\s+not built")
        self.assertNotIn("challenge accepted", self.out)


if __name__ == "__main__":
    unittest.main()
