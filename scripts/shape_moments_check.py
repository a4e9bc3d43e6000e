#!/usr/bin/python3
"""Independent check of the population shapes: runs velmor-batch on a grid of
20 seeds per shape (2000 scores per group, reliability 1, one sample), reads
the data files and compares the pooled sample moments with targets computed
here from scipy (never from the program). Not run by CI (needs numpy/scipy).

usage: scripts/shape_moments_check.py BUILD/src/batch/velmor-batch
"""
import csv
import math
import os
import subprocess
import sys
import tempfile

import numpy as np
from scipy import integrate, optimize, stats

MEAN, SD = 100.0, 10.0
SEEDS = ", ".join(str(int(os.environ.get("SEED_STEP", "11")) * k) for k in range(1, 21))


def gh_moments(g, h):
    # Raw moments of Hoaglin's g-and-h by integrating over the normal.
    def value(z):
        core = z if g == 0 else math.expm1(g * z) / g
        return core * math.exp(h * z * z / 2)

    raw = [integrate.quad(lambda z: value(z) ** k * stats.norm.pdf(z), -40, 40,
                          limit=400)[0] for k in range(1, 5)]
    m, m2, m3, m4 = raw
    var = m2 - m * m
    mu3 = m3 - 3 * m * m2 + 2 * m ** 3
    mu4 = m4 - 4 * m * m3 + 6 * m * m * m2 - 3 * m ** 4
    return mu3 / var ** 1.5, mu4 / var ** 2 - 3


def contaminated(p, r):
    var = (1 - p) + p * r * r
    return 0.0, 3 * ((1 - p) + p * r ** 4) / var ** 2 - 3


def scipy_target(dist):
    _, _, s, k = dist.stats(moments="mvsk")
    return float(s), float(k)


def fleishman_sampler(skew, kurt):
    # Fleishman's equations solved here with scipy, not by the program.
    def eqs(v):
        b, c, d = v
        return [b * b + 6 * b * d + 2 * c * c + 15 * d * d - 1,
                2 * c * (b * b + 24 * b * d + 105 * d * d + 2) - skew,
                24 * (b * d + c * c * (1 + b * b + 28 * b * d)
                      + d * d * (12 + 48 * b * d + 141 * c * c + 225 * d * d)) - kurt]
    b, c, d = optimize.fsolve(eqs, [1.0, 0.1, 0.0], xtol=1e-14)
    return lambda z: -c + b * z + c * z * z + d * z ** 3


RNG = np.random.default_rng(20261209)


def normal_sampler(transform):
    return lambda n: transform(RNG.standard_normal(n))


def gh(g, h):
    return lambda z: np.expm1(g * z) / g * np.exp(h * z * z / 2)


def mixture(p, r):
    return lambda n: RNG.standard_normal(n) * np.where(RNG.random(n) < p, r, 1.0)


def scipy_sampler(dist):
    return lambda n: dist.rvs(size=n, random_state=RNG)


SHAPES = [
    ("fleishman", "skewness = 1\nkurtosis = 2", (1.0, 2.0),
     normal_sampler(fleishman_sampler(1.0, 2.0))),
    ("fleishman", "skewness = 0.5\nkurtosis = 0", (0.5, 0.0),
     normal_sampler(fleishman_sampler(0.5, 0.0))),
    ("g-and-h", "g = 0.2\nh = 0.02", gh_moments(0.2, 0.02), normal_sampler(gh(0.2, 0.02))),
    ("g-and-h", "g = 0.3\nh = 0.05", gh_moments(0.3, 0.05), normal_sampler(gh(0.3, 0.05))),
    ("lognormal", "sigma = 0.25", scipy_target(stats.lognorm(0.25)),
     scipy_sampler(stats.lognorm(0.25))),
    ("lognormal", "sigma = 0.5", scipy_target(stats.lognorm(0.5)),
     scipy_sampler(stats.lognorm(0.5))),
    ("exponential", "", scipy_target(stats.expon()), scipy_sampler(stats.expon())),
    ("chi-square", "df = 4", scipy_target(stats.chi2(4)), scipy_sampler(stats.chi2(4))),
    ("t", "df = 10", scipy_target(stats.t(10)), scipy_sampler(stats.t(10))),
    ("contaminated", "proportion = 0.1\nsd_ratio = 3", contaminated(0.1, 3.0),
     mixture(0.1, 3.0)),
]


def sampling_sd(sampler, n, reps=60):
    # The SD of the pooled sample skewness and kurtosis themselves, from
    # samples of the exact population drawn by numpy: how close a sample of n
    # scores can be expected to come.
    sk = [(stats.skew(x), stats.kurtosis(x)) for x in (sampler(n) for _ in range(reps))]
    a = np.array(sk)
    return a[:, 0].std(ddof=1), a[:, 1].std(ddof=1)


def main():
    batch = sys.argv[1]
    failures = 0
    print("shape,params,target_skew,target_kurt,skew,kurt,mean_err_sd,sd_err_sd,"
          "program_skew_mean,program_kurt_mean,sampling_sd_skew,sampling_sd_kurt")
    for name, params, (ts, tk), sampler in SHAPES:
        with tempfile.TemporaryDirectory() as work:
            study = os.path.join(work, "shape.study")
            with open(study, "w") as f:
                f.write(f"[groups]\ndistribution = {name}\n{params}\nn = 2000\n"
                        f"mean = {MEAN}\nsd = {SD}\nreliability = 1\n"
                        f"[run]\nsamples = 1\nseed = {SEEDS}\n")
            out = os.path.join(work, "out")
            summary = os.path.join(work, "summary.csv")
            subprocess.run([batch, "--out", out, "--data", "--summary", summary, study],
                           check=True, stderr=subprocess.DEVNULL)
            scores = []
            for file in sorted(os.listdir(out)):
                if file.endswith("_data.TXT"):
                    with open(os.path.join(out, file)) as f:
                        rows = list(csv.DictReader(f))
                    scores.extend(float(r["score"]) for r in rows)
            x = (np.array(scores) - MEAN) / SD
            skew = stats.skew(x)
            kurt = stats.kurtosis(x)
            with open(summary) as f:
                rows = list(csv.DictReader(f))
            ps = np.mean([float(r[f"skew{g}"]) for r in rows for g in (1, 2, 3)])
            pk = np.mean([float(r[f"kurt{g}"]) for r in rows for g in (1, 2, 3)])
            ss, sk = sampling_sd(sampler, len(x))
            # Within the stated tolerances; where the sample kurtosis itself
            # varies by more than its tolerance, within three of its SDs.
            ok = (abs(skew - ts) <= max(0.1, 3 * ss) and abs(kurt - tk) <= max(0.5, 3 * sk)
                  and abs(x.mean()) <= 0.02 and abs(x.std(ddof=1) - 1) <= 0.02
                  and len(x) == 120000)
            failures += not ok
            print(f"{name},{params.replace(chr(10), ' ')},{ts:.4f},{tk:.4f},{skew:.4f},"
                  f"{kurt:.4f},{x.mean():+.4f},{x.std(ddof=1) - 1:+.4f},{ps:.4f},{pk:.4f},"
                  f"{ss:.4f},{sk:.4f}{'' if ok else ',FAIL'}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
