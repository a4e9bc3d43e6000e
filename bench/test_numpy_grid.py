#!/usr/bin/python3
"""Tests of bench/numpy_grid.py and bench/grid_speed.sh (outside CI: they need
numpy and scipy; the script tests also need a built velmor-batch).
    [VELMOR_BATCH=PATH] /usr/bin/python3 bench/test_numpy_grid.py [unittest arguments]
Reference values come from R (bench/f_reference.R), not from the code tested."""
import contextlib
import csv
import io
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import numpy_grid  # noqa: E402

# The batch the script tests run: $VELMOR_BATCH, else this tree's build.
BATCH = os.environ.get("VELMOR_BATCH") or os.path.join(HERE, "..", "build", "src", "batch",
                                                      "velmor-batch")


class ExactSize(unittest.TestCase):
    def test_equal_variances_give_alpha(self):
        # Under equal variances F is exact whatever the sizes: a wrong k, df
        # or eigenvalue shows here at once.
        for ns, sds, alpha in [((5, 5, 5), (1, 1, 1), 0.05), ((16, 16, 16), (3, 3, 3), 0.05),
                               ((5, 20, 80), (2, 2, 2), 0.05), ((2, 3, 2), (1, 1, 1), 0.01),
                               ((50, 7, 12), (0.5, 0.5, 0.5), 0.10)]:
            with self.subTest(ns=ns, sds=sds, alpha=alpha):
                self.assertAlmostEqual(numpy_grid.exact_size(ns, sds, alpha), alpha, delta=1e-10)

    def test_against_r(self):
        # Rscript bench/f_reference.R, sections (b) and (d); tolerance 1e-9.
        for ns, sds, expected in [((5, 5, 5), (1, 2 ** 0.5, 3 ** 0.5), 0.0558200903170915),
                                  ((5, 20, 80), (4, 1, 0.5), 0.5748270978),
                                  ((80, 20, 5), (4, 1, 0.5), 0.0000800527),
                                  ((20, 20, 20), (1, 1, 2), 0.0616429900)]:
            with self.subTest(ns=ns, sds=sds):
                self.assertAlmostEqual(numpy_grid.exact_size(ns, sds), expected, delta=1e-9)

    def test_published_unequal_variance_size(self):
        # The published size for n = 5, 5, 5 and variances 1, 2, 3 is .0558.
        self.assertEqual(round(numpy_grid.exact_size((5, 5, 5), (1, 2 ** 0.5, 3 ** 0.5)), 4), 0.0558)


class Band(unittest.TestCase):
    def test_against_qbinom(self):
        # R: qbinom(c(.0005, .9995), samples, .05)
        self.assertEqual(numpy_grid.acceptance_band(0.05, 10000, 0.999), (430, 573))
        self.assertEqual(numpy_grid.acceptance_band(0.05, 20000, 0.999), (900, 1103))


class Simulation(unittest.TestCase):
    def test_rates_match_exact(self):
        # 200,000 replications: the 99.99% band is about +-0.002 at .05 and
        # +-0.004 at .23; a wrong df (2, N - 1 in place of 2, N - 3) or a wrong
        # sum of squares moves one of these rates out of it.
        rng = np.random.default_rng(7)
        for ns, sds in [((5, 20, 80), (4, 1, 2)), ((5, 5, 5), (1, 2 ** 0.5, 3 ** 0.5)),
                        ((5, 20, 80), (1, 1, 1))]:
            with self.subTest(ns=ns, sds=sds):
                samples = 200000
                count = numpy_grid.rejections(rng, ns, sds, samples, 0.05)
                low, high = numpy_grid.acceptance_band(numpy_grid.exact_size(ns, sds), samples, 0.9999)
                self.assertTrue(low <= count <= high, (count, low, high))


def write_summary(path, counts, status="ok"):
    """A velmor-batch summary of the grid, in its column names, with the
    given rejections of 10000 samples."""
    with open(path, "w", newline="") as stream:
        out = csv.writer(stream)
        out.writerow(["file", "condition", "group1.n", "group1.sd", "group3.n", "group3.sd",
                      "status", "seed", "samples", "rejections", "n1", "n2", "n3"])
        for index, (cell, count) in enumerate(zip(numpy_grid.GRID, counts), start=1):
            out.writerow(["g.study", f"g-{index:02d}", cell["n1"], f"{cell['sd1']:g}", cell["n3"],
                          f"{cell['sd3']:g}".replace("0.5", ".5"), status, 1, 10000, count,
                          cell["n1"], 20, cell["n3"]])


class SummaryCheck(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.path = os.path.join(self.dir.name, "s.csv")
        self.exact = [round(10000 * numpy_grid.exact_size(*numpy_grid.sizes_and_sds(c)))
                      for c in numpy_grid.GRID]

    def tearDown(self):
        self.dir.cleanup()

    def check(self):
        with contextlib.redirect_stdout(io.StringIO()):
            return numpy_grid.check(numpy_grid.read_summary(self.path), 0.05)

    def test_exact_counts_pass_and_one_shifted_count_fails(self):
        write_summary(self.path, self.exact)
        self.assertTrue(self.check())
        shifted = list(self.exact)
        shifted[4] += 300  # condition 5, exact .2485: 3 points is over 4 of its SEs
        write_summary(self.path, shifted)
        self.assertFalse(self.check())

    def test_unfit_summaries_are_refused(self):
        write_summary(self.path, self.exact, status="failed")
        with self.assertRaises(SystemExit):
            numpy_grid.read_summary(self.path)
        write_summary(self.path, self.exact[:-1])
        with self.assertRaises(SystemExit):
            numpy_grid.read_summary(self.path)
        with open(self.path, "w") as stream:
            stream.write("name,group1.n\nx,5\n")
        with self.assertRaises(SystemExit):
            numpy_grid.read_summary(self.path)


# A stand-in batch: runs the real one, first changing the study by SED and
# dropping what it does not know when ACCEPT is set (the generator key,
# --threads), so that the script's philox path runs today.
STAND_IN = """#!/usr/bin/env bash
{before}
args=(); skip=no
for a in "$@"; do
  if [ $skip = yes ]; then skip=no; continue; fi
  case "$a" in
    --threads) if [ "{accept}" = yes ]; then skip=yes; else args+=("$a"); fi ;;
    *.study) sed -e '{sed}' "$a" > "$a.x.study"
             [ "{accept}" = yes ] && sed -i '/^generator = /d' "$a.x.study"
             args+=("$a.x.study") ;;
    *) args+=("$a") ;;
  esac
done
exec "{batch}" "${{args[@]}}"
"""


@unittest.skipUnless(os.access(BATCH, os.X_OK), "no built velmor-batch")
class GridSpeedScript(unittest.TestCase):
    def run_script(self, accept, sed="s/^x//", before=""):
        with tempfile.TemporaryDirectory() as folder:
            fake = os.path.join(folder, "velmor-batch")
            with open(fake, "w") as stream:
                stream.write(STAND_IN.format(accept=accept, sed=sed, before=before,
                                             batch=os.path.abspath(BATCH)))
            os.chmod(fake, 0o755)
            done = subprocess.run([os.path.join(HERE, "grid_speed.sh"), fake, "1", "500"],
                                  capture_output=True, text=True, timeout=600)
        return done.returncode, done.stdout + done.stderr

    def test_without_philox_times_classic_and_says_so(self):
        code, out = self.run_script("no")
        self.assertEqual(code, 0, out)
        self.assertIn("philox: unavailable", out)
        self.assertIn("philox ratios: not measured", out)
        self.assertIn("rates of classic1: check: all rates inside their bands", out)

    def test_with_philox_prints_both_ratios(self):
        code, out = self.run_script("yes")
        self.assertEqual(code, 0, out)
        for line in ("ratio philox-j2/classic1:", "ratio philox-t2/numpy:", "rates of philox-t2: check: all"):
            self.assertIn(line, out)

    def test_wrong_rates_fail_the_script(self):
        # Group 1's mean moved to 1: every rate is power, not size.
        code, out = self.run_script("no", sed="0,/^mean = 0/s//mean = 1/")
        self.assertEqual(code, 1, out)
        self.assertIn("rates of classic1: check: FAILED", out)

    def test_a_refused_grid_fails_the_script(self):
        # Group 2 of size 1: every condition is refused, which must not pass
        # for a batch without philox.
        code, out = self.run_script("no", sed="s/^n = 20$/n = 1/")
        self.assertEqual(code, 1, out)
        self.assertIn("FAIL: the batch refuses the grid itself", out)
        self.assertNotIn("philox: unavailable", out)

    def test_a_failing_run_fails_the_script(self):
        # The probes pass, the timed run does not: a batch that exits with 1
        # whenever it is asked for a summary.
        code, out = self.run_script("no", sed="s/^x//", before='[[ " $* " == *" --summary "* ]] && exit 1')
        self.assertEqual(code, 1, out)
        self.assertIn("FAIL: classic1 exited with 1", out)


if __name__ == "__main__":
    unittest.main()
