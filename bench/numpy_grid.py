#!/usr/bin/python3
"""The counterpart that bench/grid_speed.sh times velmor-batch against: the
36-condition Type I error grid of bench/grid_speed.study written as a
researcher would write it in numpy, every replication of a condition drawn at
once (arrays of shape (samples, n)) and the F ratios referred to scipy's F
distribution in one vectorised call.

Model, as the study file states it: three normal groups with equal means (0),
reliability 1 (the observed score is the true score), continuous scores, no
bounds; n2 = 20, SD2 = 1; n1 and n3 each in {5, 20, 80}, SD1 in {1, 4},
SD3 in {.5, 2}; alpha .05; a sample is rejected when p <= alpha. Conditions
come in the study's order: n1 varies slowest, then SD1, n3, SD3.

Only the loop over the conditions is timed (time.perf_counter); importing
numpy and scipy, which a whole-process timing also pays, is not. The script
prints one line per condition, then

    loop seconds: S
    us per condition-replication: U

--check then computes each condition's exact rejection rate (Imhof's
inversion of the F test's quadratic form, see exact_size) and says whether
the simulated rate lies within the binomial acceptance band around it; the
band's level is 99.9% for the grid as a whole (Bonferroni over the
conditions), so a correct simulation fails it once in a thousand grids.
--check-summary CSV applies the same check to a velmor-batch summary of the
grid and simulates nothing. Either exits with 1 when a rate falls outside.

usage: bench/numpy_grid.py [--samples N] [--seed S] [--check]
       bench/numpy_grid.py --check-summary SUMMARY.csv
Needs python3-numpy and python3-scipy (Debian's /usr/bin/python3).
"""
import argparse
import csv
import itertools
import math
import sys
import time

import numpy as np
from scipy import integrate, stats

ALPHA = 0.05
N2, SD2 = 20, 1.0
# In the study file's order: the first factor varies slowest.
GRID = [dict(n1=n1, sd1=sd1, n3=n3, sd3=sd3)
        for n1, sd1, n3, sd3 in itertools.product((5, 20, 80), (1.0, 4.0),
                                                  (5, 20, 80), (0.5, 2.0))]
GRID_LEVEL = 0.999  # the whole grid's acceptance level in --check


def sizes_and_sds(cell):
    return (cell["n1"], N2, cell["n3"]), (cell["sd1"], SD2, cell["sd3"])


def rejections(rng, ns, sds, samples, alpha):
    """Draws `samples` replications of the three groups at once and counts the
    F tests with p <= alpha. Equal population means of 0."""
    total = sum(ns)
    ss_within = np.zeros(samples)
    weighted_sum = np.zeros(samples)
    means = []
    for n, sd in zip(ns, sds):
        scores = rng.normal(0.0, sd, size=(samples, n))
        mean = scores.mean(axis=1)
        ss_within += ((scores - mean[:, None]) ** 2).sum(axis=1)
        weighted_sum += n * mean
        means.append(mean)
    grand = weighted_sum / total
    ss_between = sum(n * (mean - grand) ** 2 for n, mean in zip(ns, means))
    f_ratio = (ss_between / 2.0) / (ss_within / (total - 3))
    p = stats.f.sf(f_ratio, 2, total - 3)
    return int(np.count_nonzero(p <= alpha))


def exact_size(ns, sds, alpha=ALPHA):
    """P(F >= c) for normal groups with equal means, where c is the F(2, N-3)
    critical value at alpha. F >= c exactly when Q = SSB - k SSW >= 0 with
    k = 2c / (N - 3). SSW is a sum of sd_g^2 chi-square(n_g - 1) terms, and
    SSB a quadratic form in the three standardised group means, independent
    of SSW, whose matrix has two non-zero eigenvalues. So Q is a weighted sum
    of independent central chi-squares, and Imhof's (1961) inversion gives
        P(Q > 0) = 1/2 + (1/pi) int_0^inf sin(theta(u)) / (u rho(u)) du,
        theta(u) = 1/2 sum h_r atan(l_r u),
        rho(u) = prod (1 + l_r^2 u^2)^(h_r / 4).
    Q's law is continuous, so P(Q >= 0) = P(Q > 0)."""
    ns = np.asarray(ns, dtype=float)
    sds = np.asarray(sds, dtype=float)
    total = ns.sum()
    c = stats.f.isf(alpha, 2, total - 3)
    k = 2.0 * c / (total - 3)
    # Group means are (sd_g / sqrt(n_g)) z_g; SSB = m' (diag(n) - n n'/N) m.
    scale = np.diag(sds / np.sqrt(ns))
    between = scale @ (np.diag(ns) - np.outer(ns, ns) / total) @ scale
    eig = np.linalg.eigvalsh(between)
    eig = eig[np.abs(eig) > 1e-12 * np.abs(eig).max()]
    weights = np.concatenate([eig, -k * sds ** 2])
    dfs = np.concatenate([np.ones(len(eig)), ns - 1])
    # Scaling every weight by one positive constant leaves P(Q > 0) alone and
    # keeps the integrand's scale near 1 for the quadrature.
    weights = weights / np.abs(weights).max()

    def integrand(u):
        if u == 0.0:
            return 0.5 * float(np.sum(dfs * weights))
        theta = 0.5 * np.sum(dfs * np.arctan(weights * u))
        log_rho = 0.25 * np.sum(dfs * np.log1p((weights * u) ** 2))
        return math.sin(theta) / (u * math.exp(log_rho))

    value, _ = integrate.quad(integrand, 0.0, np.inf, limit=1000,
                              epsabs=1e-13, epsrel=1e-11)
    return 0.5 + value / math.pi


def acceptance_band(p, samples, level):
    """The rejection counts a correct simulation of rate p falls outside with
    probability at most 1 - level, split equally between the two tails."""
    tail = (1.0 - level) / 2.0
    low = int(stats.binom.ppf(tail, samples, p))
    high = int(stats.binom.isf(tail, samples, p))
    return low, high


def check(rows, alpha):
    """rows: (cell, rejections, samples). Prints each verdict; True when all
    lie inside their bands."""
    level = 1.0 - (1.0 - GRID_LEVEL) / len(rows)
    print(f"check: exact rate (Imhof) and {100 * level:.4f}% band per condition"
          f" ({100 * GRID_LEVEL:.1f}% for the grid)")
    good = True
    for index, (cell, count, samples) in enumerate(rows, start=1):
        ns, sds = sizes_and_sds(cell)
        exact = exact_size(ns, sds, alpha)
        low, high = acceptance_band(exact, samples, level)
        inside = low <= count <= high
        good &= inside
        print(f"{index:3d} n={ns} sd={sds} rate={count / samples:.4f} exact={exact:.5f}"
              f" band={low / samples:.4f}..{high / samples:.4f}"
              f" {'ok' if inside else 'OUTSIDE'}")
    print("check: all rates inside their bands" if good
          else "check: FAILED, a rate lies outside its band")
    return good


def read_summary(path):
    """(cell, rejections, samples) of each ok row of a velmor-batch summary of
    the grid, matched to the grid by its factor columns."""
    rows = []
    needed = {"condition", "status", "n1", "n2", "n3", "group1.sd", "group3.sd",
              "rejections", "samples"}
    with open(path, newline="") as stream:
        reader = csv.DictReader(stream)
        missing = needed - set(reader.fieldnames or ())
        if missing:
            raise SystemExit(f"{path}: not a summary of this grid, it lacks "
                             + ", ".join(sorted(missing)))
        for row in reader:
            if row["status"] != "ok":
                raise SystemExit(f"{path}: condition {row['condition']} is {row['status']}")
            cell = dict(n1=int(row["n1"]), sd1=float(row["group1.sd"]),
                        n3=int(row["n3"]), sd3=float(row["group3.sd"]))
            if cell not in GRID or int(row["n2"]) != N2:
                raise SystemExit(f"{path}: condition {row['condition']} is not in the grid")
            rows.append((cell, int(row["rejections"]), int(row["samples"])))
    if len(rows) != len(GRID):
        raise SystemExit(f"{path}: {len(rows)} conditions, the grid has {len(GRID)}")
    return rows


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--samples", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--alpha", type=float, default=ALPHA)
    parser.add_argument("--check", action="store_true",
                        help="compare each rate with its exact value")
    parser.add_argument("--check-summary", metavar="CSV",
                        help="check a velmor-batch summary of the grid; simulate nothing")
    args = parser.parse_args()
    if args.samples < 1:
        parser.error("--samples must be at least 1")
    if not 0.0 < args.alpha < 1.0:
        parser.error("--alpha must lie between 0 and 1")

    if args.check_summary:
        return 0 if check(read_summary(args.check_summary), args.alpha) else 1

    rng = np.random.default_rng(args.seed)
    counts = []
    start = time.perf_counter()
    for cell in GRID:
        ns, sds = sizes_and_sds(cell)
        counts.append(rejections(rng, ns, sds, args.samples, args.alpha))
    seconds = time.perf_counter() - start

    print("condition,n1,n2,n3,sd1,sd2,sd3,samples,rejections,rate")
    for index, (cell, count) in enumerate(zip(GRID, counts), start=1):
        ns, sds = sizes_and_sds(cell)
        print(f"{index},{ns[0]},{ns[1]},{ns[2]},{sds[0]:g},{sds[1]:g},{sds[2]:g},"
              f"{args.samples},{count},{count / args.samples:.4f}")
    print(f"loop seconds: {seconds:.3f}")
    print(f"us per condition-replication: {1e6 * seconds / (len(GRID) * args.samples):.3f}")
    if args.check:
        rows = [(cell, count, args.samples) for cell, count in zip(GRID, counts)]
        return 0 if check(rows, args.alpha) else 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
