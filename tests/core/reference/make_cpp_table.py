"""Prints the reference rows of tests/core/mean_tests_test.cpp.

Run (Debian's r-base-core, python3-scipy, python3-statsmodels):
  cd tests/core/reference
  /usr/bin/python3 mean_tests_library.py --csv > /tmp/d.csv
  Rscript mean_tests_r.R /tmp/d.csv > /tmp/r.txt
  /usr/bin/python3 mean_tests_library.py /tmp/r.txt > /tmp/lib.json
  /usr/bin/python3 mean_tests_independent.py > /tmp/ind.json
  /usr/bin/python3 make_cpp_table.py /tmp/lib.json /tmp/ind.json

Source of each test's values (the other source agrees as printed to stderr):
  welch             R oneway.test(var.equal = FALSE)
  kruskal-wallis    R kruskal.test
  alexander-govern  scipy.stats.alexandergovern
  trimmed-welch     statsmodels anova_oneway(use_var="unequal", trim_frac=0.2)
  brown-forsythe    mean_tests_independent.py (statsmodels' bf agrees on the
                    statistic and df2; its df1 is Mehrotra's, not 1974's)
  james             mean_tests_independent.py (no library has it)
"""

import json
import sys

from mean_test_data import DATASETS

SOURCE = {
    "welch": ("R welch", "welch"),
    "kruskal-wallis": ("R kruskal-wallis", "kruskal-wallis"),
    "alexander-govern": ("scipy alexander-govern", "alexander-govern"),
    "trimmed-welch": ("statsmodels trimmed-welch", "trimmed-welch"),
    "brown-forsythe": (None, "brown-forsythe"),
    "james": (None, "james"),
}
KIND = {"welch": "Welch", "brown-forsythe": "BrownForsythe", "james": "James",
        "alexander-govern": "AlexanderGovern", "kruskal-wallis": "KruskalWallis",
        "trimmed-welch": "TrimmedWelch"}


def number(v):
    return "kNone" if v is None else repr(float(v))


def main():
    lib = json.load(open(sys.argv[1]))
    ind = json.load(open(sys.argv[2]))
    print("// data sets")
    for name, groups in DATASETS.items():
        print(f"const DataSet k_{name} = {{\"{name}\",")
        print("    {{{" + "},\n     {".join(", ".join(repr(float(x)) for x in g) for g in groups) + "}}}};")
    print("// reference rows")
    for name in DATASETS:
        for test, (library, independent) in SOURCE.items():
            values = lib[name][library] if library else ind[name][independent]
            other = ind[name][independent]
            worst = max(abs(a - b) / abs(b) for a, b, i in zip(values, other, range(4))
                        if a is not None and b is not None and b != 0 and not (test == "brown-forsythe" and i == 1))
            print(f"{name} {test}: sources agree to {worst:.1e}", file=sys.stderr)
            print(f"    {{&k_{name}, MeanTestKind::{KIND[test]}, " + ", ".join(number(v) for v in values) + "},")


if __name__ == "__main__":
    main()
