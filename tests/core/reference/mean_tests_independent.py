"""Independent reference values for the tests of equal means.

Written from the published formulas, in array form (NumPy over the groups)
rather than the C++ code's loops, so that the two share no structure:
  Welch (1951); Brown & Forsythe (1974), F* with Satterthwaite df2;
  James (1951) second-order critical value, in the form of Alexander & Govern
  (1994) and Cribbie et al. (2012), with the p-value found in alpha (not in
  the chi-square quantile, as the C++ does) by Brent's method;
  Alexander & Govern (1994); Kruskal-Wallis with the tie correction from
  SciPy's rankdata; Welch on 20% trimmed means with winsorized variances
  (Lix & Keselman 1998), the winsorizing done by clipping.

Run: /usr/bin/python3 mean_tests_independent.py  (Debian's python3-scipy)
"""

import json
import sys

import numpy as np
from scipy import optimize, special, stats

from mean_test_data import DATASETS

K = 3


def welch(groups):
    n = np.array([len(g) for g in groups], float)
    mean = np.array([np.mean(g) for g in groups])
    var = np.array([np.var(g, ddof=1) for g in groups])
    w = n / var
    m = np.sum(w * mean) / np.sum(w)
    lam = np.sum((1 - w / np.sum(w)) ** 2 / (n - 1))
    f = np.sum(w * (mean - m) ** 2) / (K - 1) / (1 + 2 * (K - 2) / (K * K - 1) * lam)
    df2 = (K * K - 1) / (3 * lam)
    return f, K - 1, df2, special.fdtrc(K - 1, df2, f)


def brown_forsythe(groups):
    n = np.array([len(g) for g in groups], float)
    mean = np.array([np.mean(g) for g in groups])
    var = np.array([np.var(g, ddof=1) for g in groups])
    big_n = n.sum()
    grand = np.concatenate(groups).mean()
    part = (1 - n / big_n) * var
    f = np.sum(n * (mean - grand) ** 2) / part.sum()
    c = part / part.sum()
    df2 = 1 / np.sum(c ** 2 / (n - 1))
    return f, K - 1, df2, special.fdtrc(K - 1, df2, f)


def james_terms(groups):
    n = np.array([len(g) for g in groups], float)
    mean = np.array([np.mean(g) for g in groups])
    var = np.array([np.var(g, ddof=1) for g in groups])
    w = n / var
    share = w / w.sum()
    m = np.sum(share * mean)
    j = np.sum(w * (mean - m) ** 2)
    nu = n - 1
    R = {(s, t): np.sum(share ** t / nu ** s) for s in (1, 2) for t in range(4)}
    T = np.sum((1 - share) ** 2 / nu)
    return j, R, T


def james_critical(alpha, R, T):
    c = stats.chi2.isf(alpha, K - 1)
    chi = {}
    denominator = 1.0
    for s in (1, 2, 3, 4):
        denominator *= K + 2 * s - 3
        chi[2 * s] = c ** s / denominator
    x2, x4, x6, x8 = chi[2], chi[4], chi[6], chi[8]
    r = lambda s, t: R[(s, t)]
    h = c + 0.5 * (3 * x4 + x2) * T
    h += (3 * x4 + x2) ** 2 * (1 - (K - 3) / c) * T ** 2 / 16
    h += 0.5 * (3 * x4 + x2) * (
        (8 * r(2, 3) - 10 * r(2, 2) + 4 * r(2, 1) - 6 * r(1, 2) ** 2 + 8 * r(1, 2) * r(1, 1) - 4 * r(1, 1) ** 2)
        + (2 * r(2, 3) - 4 * r(2, 2) + 2 * r(2, 1) - 2 * r(1, 2) ** 2 + 4 * r(1, 2) * r(1, 1) - 2 * r(1, 1) ** 2)
        * (x2 - 1)
        + (-r(1, 2) ** 2 + 4 * r(1, 2) * r(1, 1) - 2 * r(1, 2) * r(1, 0) - 4 * r(1, 1) ** 2
           + 4 * r(1, 1) * r(1, 0) - r(1, 0) ** 2) * (3 * x4 - 2 * x2 - 1) / 4)
    h += (r(2, 3) - 3 * r(2, 2) + 3 * r(2, 1) - r(2, 0)) * (5 * x6 + 2 * x4 + x2)
    h += 3 / 16 * (r(1, 2) ** 2 - 4 * r(2, 3) + 6 * r(2, 2) - 4 * r(2, 1) + r(2, 0)) * (
        35 * x8 + 15 * x6 + 9 * x4 + 5 * x2)
    h += (-2 * r(2, 2) + 4 * r(2, 1) - r(2, 0) + 2 * r(1, 2) * r(1, 0) - 4 * r(1, 1) * r(1, 0)
          + r(1, 0) ** 2) * (9 * x8 - 3 * x6 - 5 * x4 - x2) / 16
    h += (-r(2, 2) + r(1, 1) ** 2) * (27 * x8 + 3 * x6 + x4 + x2) / 4
    h += (r(2, 3) - r(1, 2) * r(1, 1)) * (45 * x8 + 9 * x6 + 7 * x4 + 3 * x2) / 4
    return h


def james(groups):
    j, R, T = james_terms(groups)
    # The alpha at which the critical value equals J: h falls as alpha rises.
    p = optimize.brentq(lambda a: james_critical(a, R, T) - j, 1e-300, 1 - 1e-15,
                        xtol=1e-300, rtol=4 * np.finfo(float).eps, maxiter=500)
    return j, K - 1, None, p


def alexander_govern(groups):
    n = np.array([len(g) for g in groups], float)
    mean = np.array([np.mean(g) for g in groups])
    se = np.sqrt(np.array([np.var(g, ddof=1) for g in groups]) / n)
    u = (1 / se ** 2) / np.sum(1 / se ** 2)
    t = (mean - np.sum(u * mean)) / se
    nu = n - 1
    a = nu - 0.5
    b = 48 * a ** 2
    c = np.sqrt(a * np.log1p(t ** 2 / nu))
    z = c + (c ** 3 + 3 * c) / b - (4 * c ** 7 + 33 * c ** 5 + 240 * c ** 3 + 855 * c) / (
        10 * b ** 2 + 8 * b * c ** 4 + 1000 * b)
    a_stat = np.sum(z ** 2)
    return a_stat, K - 1, None, stats.chi2.sf(a_stat, K - 1)


def kruskal_wallis(groups):
    allscores = np.concatenate(groups)
    ranks = stats.rankdata(allscores)
    big_n = len(allscores)
    bounds = np.cumsum([0] + [len(g) for g in groups])
    h = 12 / (big_n * (big_n + 1)) * sum(
        ranks[bounds[i]:bounds[i + 1]].sum() ** 2 / len(groups[i]) for i in range(K)) - 3 * (big_n + 1)
    _, ties = np.unique(allscores, return_counts=True)
    h /= 1 - np.sum(ties ** 3 - ties) / (big_n ** 3 - big_n)
    return h, K - 1, None, stats.chi2.sf(h, K - 1)


def trimmed_welch(groups):
    tmean, d, kept = [], [], []
    for g in groups:
        y = np.sort(np.asarray(g, float))
        n = len(y)
        cut = int(np.floor(0.2 * n))
        h = n - 2 * cut
        tmean.append(y[cut:n - cut].mean())
        wins = np.clip(y, y[cut], y[n - cut - 1])
        d.append((n - 1) * np.var(wins, ddof=1) / (h * (h - 1)))
        kept.append(h)
    tmean, d, kept = np.array(tmean), np.array(d), np.array(kept, float)
    w = 1 / d
    m = np.sum(w * tmean) / w.sum()
    lam = np.sum((1 - w / w.sum()) ** 2 / (kept - 1))
    f = np.sum(w * (tmean - m) ** 2) / (K - 1) / (1 + 2 * (K - 2) / (K * K - 1) * lam)
    df2 = (K * K - 1) / (3 * lam)
    return f, K - 1, df2, special.fdtrc(K - 1, df2, f)


TESTS = {
    "welch": welch,
    "brown-forsythe": brown_forsythe,
    "james": james,
    "alexander-govern": alexander_govern,
    "kruskal-wallis": kruskal_wallis,
    "trimmed-welch": trimmed_welch,
}


def main():
    out = {}
    for name, groups in DATASETS.items():
        groups = [np.asarray(g, float) for g in groups]
        out[name] = {test: [None if v is None else float(v) for v in fn(groups)] for test, fn in TESTS.items()}
    json.dump(out, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
