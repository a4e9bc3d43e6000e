"""The fixed data sets the tests of equal means are checked on.

Each is three groups of scores given as decimal literals, so that R, Python
and the C++ test read the same doubles. The generated sets use NumPy's PCG64
with the seed shown and are rounded before use; the rounded values are what
counts (they are printed into the C++ table).
"""

import numpy as np


def _normal(seed, sizes, means, sds, decimals):
    rng = np.random.default_rng(seed)
    return [list(np.round(rng.normal(m, s, n), decimals)) for n, m, s in zip(sizes, means, sds)]


DATASETS = {
    # Sizes 5, 10, 15, similar spreads.
    "unequal_sizes": [
        [10.2, 11.5, 9.8, 12.1, 10.9],
        [12.3, 13.1, 11.8, 12.9, 14.2, 12.5, 13.7, 11.9, 12.8, 13.4],
        [11.1, 10.4, 12.2, 11.7, 10.8, 11.5, 12.6, 10.9, 11.3, 12.0, 11.8, 10.6, 11.4, 12.3, 11.0],
    ],
    # Equal sizes, SDs about 0.25, 1.8 and 8.7.
    "unequal_sds": [
        [20.1, 19.8, 20.4, 20.0, 19.7, 20.3, 20.2, 19.9],
        [18.5, 22.1, 19.4, 21.7, 17.9, 23.0, 20.6, 19.2],
        [12.0, 31.5, 25.2, 14.8, 28.9, 9.7, 22.3, 33.1],
    ],
    # Integer scores: many ties within and across groups.
    "integer_ties": [
        [3, 4, 4, 5, 3, 2, 4, 5, 3, 4],
        [5, 6, 4, 5, 7, 5, 6, 4, 5, 6, 7, 5],
        [4, 3, 5, 4, 4, 6, 3, 5, 4],
    ],
    # A group of two.
    "group_of_two": [
        [7.5, 9.25],
        [5.1, 6.3, 4.8, 5.9, 6.6, 5.4],
        [6.2, 7.9, 8.4, 6.8, 7.1, 9.0, 7.7, 8.1, 6.5],
    ],
    # A group of two with integer scores and ties.
    "group_of_two_ties": [
        [3, 5],
        [2, 2, 3, 4, 3, 2, 3],
        [5, 4, 6, 5, 5, 4],
    ],
    # Sizes 5, 10, 15 with SDs 3, 2, 1: the small group has the large variance.
    "small_group_large_sd": _normal(20261208, [5, 10, 15], [50, 50, 50], [3, 2, 1], 2),
    # Equal means and spreads: a large p-value.
    "near_null": _normal(7, [12, 12, 12], [0, 0, 0], [1, 1, 1], 3),
    # A strong effect: a very small p-value.
    "strong_effect": _normal(11, [20, 20, 20], [0, 1.5, 3], [1, 1, 1], 3),
    # Larger unequal groups with unequal spreads.
    "larger_groups": _normal(2026, [60, 45, 52], [100, 101, 99.5], [4, 7, 2.5], 3),
}
