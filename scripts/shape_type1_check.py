#!/usr/bin/python3
"""Independent check of F's Type I error rate with exponential populations
(numpy/scipy, outside CI), to compare with velmor-batch on the same studies."""
import numpy as np
from scipy import stats
rng = np.random.default_rng(7)
def rate(ns, sds, reps=200000):
    groups = [sd * (rng.exponential(size=(reps, n)) - 1.0) for n, sd in zip(ns, sds)]
    N = sum(ns); means = [g.mean(axis=1) for g in groups]
    grand = sum(n * m for n, m in zip(ns, means)) / N
    ssb = sum(n * (m - grand) ** 2 for n, m in zip(ns, means))
    ssw = sum(((g - m[:, None]) ** 2).sum(axis=1) for g, m in zip(groups, means))
    F = (ssb / 2) / (ssw / (N - 3))
    p = stats.f.sf(F, 2, N - 3)
    r = (p <= 0.05).mean(); se = np.sqrt(r * (1 - r) / reps)
    return r, r - 1.96 * se, r + 1.96 * se
print("equal n=10:", rate([10, 10, 10], [1, 1, 1]))
print("n 5,10,20 sd 3,1.5,1:", rate([5, 10, 20], [3, 1.5, 1]))
print("n 20,10,5 sd 3,1.5,1:", rate([20, 10, 5], [3, 1.5, 1]))
