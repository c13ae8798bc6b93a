"""The comparison runner: reading result lines, statistics, the files it writes read back
by real parsers, and one short real run on two builds under the tests' X server."""

import csv
import importlib.util
import json
import os
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
module_source = importlib.util.spec_from_file_location("velmora_compare", ROOT / "tools/velmora_compare.py")
compare = importlib.util.module_from_spec(module_source)
sys.modules["velmora_compare"] = compare
module_source.loader.exec_module(compare)

STARTUP = ("velmora: single precision, x86-64 AVX, clang 14.0.6, flags -O3 -DNDEBUG -ffp-contract=off -mavx; "
           "SDL 2.26.5, video driver x11, renderer software, frames pushed to X11 (shared memory where available)")


class ParseOutput(unittest.TestCase):
    def test_cases(self):
        cases = [
            # name, stdout, exit status, stderr, frames, error contains
            ("good", f"{STARTUP}\nPlasma 10 seconds benchmark - 1079\n", 0, "", 1079, ""),
            ("missing result", f"{STARTUP}\n", 0, "", None, "0 result lines"),
            ("two results", f"{STARTUP}\nPlasma 10 seconds benchmark - 5\nPlasma 10 seconds benchmark - 6\n", 0, "",
             None, "2 result lines"),
            ("extra text after the count", f"{STARTUP}\nPlasma 10 seconds benchmark - 1079 fps\n", 0, "", None,
             "0 result lines"),
            ("extra line", f"{STARTUP}\nhello\nPlasma 10 seconds benchmark - 7\n", 0, "", None, "unexpected output"),
            ("crash", f"{STARTUP}\n", -11, "", None, "signal 11"),
            ("non-zero exit", "", 1, "velmora: SDL_Init(SDL_INIT_VIDEO) failed: x11 not available\n", None,
             "exit status 1: velmora: SDL_Init"),
            ("timed out", f"{STARTUP}\n", None, "", None, "did not finish"),
        ]
        for name, stdout, status, stderr, frames, error in cases:
            with self.subTest(name):
                fields = compare.parse_output(stdout, status, stderr)
                self.assertEqual(fields["frames"], frames)
                self.assertIn(error, fields["error"])
                if frames is None:
                    self.assertTrue(fields["error"])

    def test_startup_line_fields(self):
        fields = compare.parse_output(f"{STARTUP}\nPlasma 10 seconds benchmark - 3\n", 0)
        self.assertEqual((fields["precision"], fields["isa"], fields["compiler_version"]),
                         ("single", "AVX", "clang 14.0.6"))
        self.assertEqual(fields["flags"], "-O3 -DNDEBUG -ffp-contract=off -mavx")
        self.assertEqual((fields["video_driver"], fields["renderer"]), ("x11", "software"))


def run(build, frames, round_number=1):
    compiler, _, program = build.partition("/")
    return compare.Run(build=build, compiler=compiler, program=program, round=round_number, exit_status=0,
                       frames=frames)


class Statistics(unittest.TestCase):
    def test_known_samples(self):
        reference = compare.summarise("gcc/velmora", [run("gcc/velmora", f) for f in (1000, 1040, 980)])
        self.assertEqual((reference.median, reference.minimum, reference.maximum), (1000, 980, 1040))
        self.assertAlmostEqual(reference.spread_percent, 6.0)
        even = compare.summarise("clang/velmora", [run("clang/velmora", f) for f in (1100, 1200, 1300, 1400)])
        self.assertEqual(even.median, 1250)
        self.assertAlmostEqual(even.spread_percent, 24.0)
        failed = compare.summarise("gcc/velmora-avx", [run("gcc/velmora-avx", None), run("gcc/velmora-avx", 900)])
        self.assertEqual((failed.median, failed.failures), (900, 1))
        summaries = compare.with_ratios([reference, even, failed])
        self.assertEqual([s.ratio for s in summaries], [1.0, 1.25, 0.9])
        self.assertIn("1 failed", compare.format_table(summaries))

    def test_no_reference_gives_no_ratio(self):
        only = compare.with_ratios([compare.summarise("clang/velmora", [run("clang/velmora", 10)])])
        self.assertIsNone(only[0].ratio)


class Files(unittest.TestCase):
    def test_json_and_csv_read_back(self):
        runs = [run("gcc/velmora", 1000, 1), run("gcc/velmora", None, 2)]
        runs[1].error = "exit status 1: no display, with a comma"
        summaries = compare.with_ratios([compare.summarise("gcc/velmora", runs)])
        with tempfile.TemporaryDirectory() as folder:
            compare.write_json(Path(folder) / "runs.json", {"cpu_model": "test"}, runs, summaries, ["careful"])
            compare.write_csv(Path(folder) / "runs.csv", runs)
            document = json.loads((Path(folder) / "runs.json").read_text())
            with (Path(folder) / "runs.csv").open(newline="") as source:
                rows = list(csv.DictReader(source))
        self.assertEqual(document["context"]["cpu_model"], "test")
        self.assertEqual(document["warnings"], ["careful"])
        self.assertEqual([r["frames"] for r in document["runs"]], [1000, None])
        self.assertEqual(document["summaries"][0]["median"], 1000)
        self.assertEqual(len(rows), 2)
        self.assertEqual(rows[0]["build"], "gcc/velmora")
        self.assertEqual(rows[0]["frames"], "1000")
        self.assertEqual(rows[1]["error"], "exit status 1: no display, with a comma")


class RealRun(unittest.TestCase):
    def test_one_round_of_two_builds(self):
        state = os.environ.get("VELMORA_TEST_X_STATE")
        if not state:
            self.skipTest("needs the tests' X server")
        display = (Path(state) / "display").read_text().strip()
        with tempfile.TemporaryDirectory() as folder:
            done = subprocess.run([str(ROOT / "tools/compare"), "--rounds", "1", "--builds",
                                   "gcc/velmora,gcc/velmora-single", "--out", folder],
                                  capture_output=True, text=True, env={**os.environ, "DISPLAY": display},
                                  timeout=120, check=False)
            self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
            document = json.loads((Path(folder) / "runs.json").read_text())
            self.assertTrue((Path(folder) / "frames.png").read_bytes().startswith(b"\x89PNG"))
            with (Path(folder) / "runs.csv").open(newline="") as source:
                rows = list(csv.DictReader(source))
        self.assertEqual(sorted(r["build"] for r in document["runs"]), ["gcc/velmora", "gcc/velmora-single"])
        self.assertTrue(all(r["frames"] and r["frames"] > 0 for r in document["runs"]))
        self.assertEqual(len(rows), 2)
        self.assertEqual(document["context"]["sdl_video_driver"], "x11")
        self.assertIn("gcc/velmora-single", done.stdout)
        self.assertIn("warning: presentation is software", done.stdout)


if __name__ == "__main__":
    unittest.main()
