"""Library values for the tests of equal means, beside the independent script.

  --csv   writes the data sets as long-format CSV for mean_tests_r.R
  (none)  prints, per data set and test, the library's statistic, df and p:
          scipy.stats.alexandergovern and scipy.stats.kruskal;
          statsmodels anova_oneway(use_var="bf") for Brown-Forsythe (its df1
          follows Mehrotra's correction, so only statistic and df2 compare);
          statsmodels anova_oneway(use_var="unequal", trim_frac=0.2) for the
          trimmed Welch test; and R's lines read from mean_tests_r.R's output.

Run: /usr/bin/python3 mean_tests_library.py --csv > /tmp/d.csv
     Rscript mean_tests_r.R /tmp/d.csv > /tmp/r.txt
     /usr/bin/python3 mean_tests_library.py /tmp/r.txt
"""

import json
import sys

import numpy as np
from scipy import stats
from statsmodels.stats.oneway import anova_oneway

from mean_test_data import DATASETS


def main():
    if sys.argv[1:] == ["--csv"]:
        print("set,group,score")
        for name, groups in DATASETS.items():
            for i, g in enumerate(groups):
                for x in g:
                    print(f"{name},{i + 1},{float(x)!r}")
        return
    out = {name: {} for name in DATASETS}
    for line in open(sys.argv[1]):
        s, test, *values = line.split()
        out[s]["R " + test] = [None if v == "NA" else float(v) for v in values]
    for name, groups in DATASETS.items():
        groups = [np.asarray(g, float) for g in groups]
        ag = stats.alexandergovern(*groups)
        out[name]["scipy alexander-govern"] = [float(ag.statistic), 2.0, None, float(ag.pvalue)]
        kw = stats.kruskal(*groups)
        out[name]["scipy kruskal-wallis"] = [float(kw.statistic), 2.0, None, float(kw.pvalue)]
        bf = anova_oneway(groups, use_var="bf")
        out[name]["statsmodels brown-forsythe"] = [float(bf.statistic), float(bf.df_num),
                                                   float(bf.df_denom), float(bf.pvalue)]
        tw = anova_oneway(groups, use_var="unequal", trim_frac=0.2)
        out[name]["statsmodels trimmed-welch"] = [float(tw.statistic), float(tw.df_num),
                                                  float(tw.df_denom), float(tw.pvalue)]
    json.dump(out, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
