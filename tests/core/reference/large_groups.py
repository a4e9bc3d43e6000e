# Reference values for tests/core/sorted_groups_test.cpp: the rank and trimmed
# tests on groups of 300, 260 and 400 (sorted by the radix path), without and
# with ties. Run: /usr/bin/python3 large_groups.py (SciPy 1.10, statsmodels 0.13).
from scipy import stats
sizes=[300,260,400]
def data(ties):
    out=[]
    for g,n in enumerate(sizes):
        if ties: out.append([((i*7919+13*g)%37)-18.0+2*g for i in range(n)])
        else: out.append([((i*7919+13*g)%1009)-504.5+60.25*g for i in range(n)])
    return out
for ties in (False,True):
    d=data(ties)
    h=stats.kruskal(*d)
    print(ties, repr(h.statistic), repr(h.pvalue))
    r=stats.trim_mean(d[0],0.2)
from statsmodels.stats.oneway import anova_oneway
for ties in (False,True):
    d=data(ties)
    r=anova_oneway(d,use_var="unequal",trim_frac=0.2)
    print('trim',ties,repr(r.statistic),repr(r.df[1]),repr(r.pvalue))
