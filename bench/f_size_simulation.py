#!/usr/bin/python3
"""A third, independent check of the exact size of F for normal groups of
sizes 5, 5, 5 with variances 1, 2, 3 at alpha .05 (Imhof, in bench/f_reference.R
and bench/numpy_grid.py: 0.0558200903): 10^8 replications in numpy, in chunks
of 10^6, and the rate with its binomial standard error.
    /usr/bin/python3 bench/f_size_simulation.py [SEED]    (about a minute)"""
import sys
import time

import numpy as np
from scipy import stats

rng = np.random.default_rng(int(sys.argv[1]) if len(sys.argv) > 1 else 20261209)
reps, chunk, n, total = 10 ** 8, 10 ** 6, 5, 15
critical = stats.f.isf(0.05, 2, total - 3)
sds = np.sqrt([1.0, 2.0, 3.0])
hits = 0
start = time.perf_counter()
for _ in range(reps // chunk):
    scores = rng.standard_normal((3, chunk, n)) * sds[:, None, None]
    means = scores.mean(axis=2)
    ss_within = ((scores - means[:, :, None]) ** 2).sum(axis=(0, 2))
    ss_between = n * ((means - means.mean(axis=0)) ** 2).sum(axis=0)  # equal n: plain grand mean
    f_ratio = (ss_between / 2) / (ss_within / (total - 3))
    hits += int(np.count_nonzero(f_ratio >= critical))
rate = hits / reps
print(f"rejections {hits} of {reps}: rate {rate:.6f}, se {np.sqrt(rate * (1 - rate) / reps):.6f},"
      f" {time.perf_counter() - start:.0f} s")
