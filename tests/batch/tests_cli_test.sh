#!/usr/bin/env bash
# The tests beside F, through velmor-batch as a real process: a one-sample run's
# tests CSV against an independent computation on its own data file, the
# byte-identity of everything the specified run writes, and the tests CSV kept
# whole through --jobs and --resume.
set -euo pipefail
batch="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

# 1. One sample of whole-number scores, unequal sizes and SDs. Its data file
# holds (in group order) 62 50 39 59 35 42 46 | 50 56 55 67 55 52 66 62 60 56
# 55 58 | 51 57 51 66 45 60 60 52 46. The references, computed once on that
# file:
#   R 4.2 (r-base-core):
#     f      oneway.test(x ~ g, var.equal = TRUE)   4.3370173756960044 2 25 0.024157982455946053
#     welch  oneway.test(x ~ g, var.equal = FALSE)  3.1604380866382424 2 12.410311361344277 0.077736667823472716
#     kruskal-wallis  kruskal.test(x ~ g)            5.0462843010246248 2 0.080207187332544491
#   python3-scipy 1.10: scipy.stats.alexandergovern  4.99958007975404 0.08210223500971822
#   python3-statsmodels 0.13: anova_oneway(use_var="unequal", trim_frac=0.2)
#     trimmed-welch  2.24035808016361 2 7.957441413925554 0.16912094409897824
#   tests/core/reference/mean_tests_independent.py (the published formulas in
#   NumPy; statsmodels' "bf" agrees on the statistic and df2):
#     brown-forsythe 3.6099047608048194 2 13.840652629514326 0.05474520899287579
#     james          6.660425869183109 2 - 0.07871215356238796
# Tolerance 1e-9 relative, except F's p-value: the specified F probability is
# a series approximation, within 1e-10 relative of R's here.
cat > one.study <<'STUDY'
[group 1]
mean = 50
sd = 10
n = 7
integer = yes
[group 2]
mean = 55
sd = 4
n = 12
integer = yes
[group 3]
mean = 52
sd = 8
n = 9
integer = yes
[run]
samples = 1
seed = 4242
tests = all
STUDY
"$batch" --data --out one --summary one/s.csv one.study 2>/dev/null || fail "the one-sample study failed"
[ -f one/s.tests.csv ] || fail "no tests CSV beside the summary"
tr -d '\r' < one/one_data.TXT | tail -n +2 | cut -d, -f3 | tr '\n' ' ' | grep -q \
  '^62.000 50.000 39.000 59.000 35.000 42.000 46.000 50.000 56.000 55.000 67.000 55.000 52.000 66.000 62.000 60.000 56.000 55.000 58.000 51.000 57.000 51.000 66.000 45.000 60.000 60.000 52.000 46.000 $' ||
  fail "the data set is not the one the references were computed on"
check() {  # TEST STATISTIC DF1 DF2 P PTOL
  local row
  row="$(tr -d '\r' < one/s.tests.csv | grep "^one.study,one,$1,")" || fail "no row for $1"
  echo "$row" | awk -F, -v s="$2" -v d1="$3" -v d2="$4" -v p="$5" -v pt="$6" -v t="$1" '
    function rel(a, b) { return (a - b) / b < 0 ? (b - a) / b : (a - b) / b }
    { if (rel($12, s) > 1e-9) { print "FAIL: " t " statistic " $12 " not " s; exit 1 }
      if ($13 != d1) { print "FAIL: " t " df1 " $13; exit 1 }
      if (d2 == "-" && $14 != "") { print "FAIL: " t " has a df2"; exit 1 }
      if (d2 != "-" && rel($14, d2) > 1e-9) { print "FAIL: " t " df2 " $14 " not " d2; exit 1 }
      if (rel($15, p) > pt) { print "FAIL: " t " p " $15 " not " p; exit 1 } }'
}
check f 4.3370173756960044 2 25 0.024157982455946053 1e-10
check welch 3.1604380866382424 2 12.410311361344277 0.077736667823472716 1e-9
check brown-forsythe 3.6099047608048194 2 13.840652629514326 0.05474520899287579 1e-9
check james 6.660425869183109 2 - 0.07871215356238796 1e-9
check alexander-govern 4.99958007975404 2 - 0.08210223500971822 1e-9
check kruskal-wallis 5.0462843010246248 2 - 0.080207187332544491 1e-9
check trimmed-welch 2.24035808016361 2 7.957441413925554 0.16912094409897824 1e-9

# 2. tests = all changes nothing the specified run writes: the same data and
# means files, and the same report up to its added section.
cat > plain.study <<'STUDY'
[groups]
n = 8
[group 3]
mean = 0.7
sd = 2
[run]
samples = 500
seed = 31
means_to_keep = 100
STUDY
sed 's/^seed = 31$/seed = 31\ntests = all/' plain.study > chosen.study
"$batch" --data --means --out plain plain.study 2>/dev/null
"$batch" --data --means --out chosen chosen.study 2>/dev/null
cmp -s plain/plain_data.TXT chosen/chosen_data.TXT || fail "tests = all changed the data file"
cmp -s plain/plain_means.DAT chosen/chosen_means.DAT || fail "tests = all changed the means file"
size=$(stat -c %s plain/plain.OUT)
cmp -s plain/plain.OUT <(head -c "$size" chosen/chosen.OUT) || fail "tests = all changed the standard report"
grep -q "ADDITIONAL RESULTS" plain/plain.OUT && fail "a run without tests has an added section"
tail -c +"$((size + 1))" chosen/chosen.OUT | grep -q "^kruskal-wallis " || fail "the added section lacks the tests"

# 3. A grid with the tests as a factor, run with two jobs, then resumed: the
# resumed run writes the same tests CSV without running anything again.
cat > grid.study <<'STUDY'
[groups]
n = 5, 12
[group 1]
sd = 1, 3
[run]
samples = 300
seed = 5
tests = welch james, all
STUDY
"$batch" --jobs 2 --out g --summary g/grid.csv grid.study 2>/dev/null
rows=$(tr -d '\r' < g/grid.tests.csv | tail -n +2 | wc -l)
[ "$rows" -eq $((4 * 3 + 4 * 7)) ] || fail "expected 40 test rows, found $rows"
head -1 g/grid.tests.csv | tr -d '\r' | grep -q '^file,condition,groups.n,group1.sd,run.tests,test,samples,' ||
  fail "tests CSV header: $(head -1 g/grid.tests.csv)"
cp g/grid.tests.csv first.csv
"$batch" --jobs 1 --resume --out g --summary g/grid.csv grid.study 2>resume.err
cmp -s first.csv g/grid.tests.csv || fail "--resume wrote another tests CSV"
"$batch" --jobs 1 --out h --summary h/grid.csv grid.study 2>/dev/null
cmp -s first.csv h/grid.tests.csv || fail "--jobs 2 and --jobs 1 wrote different tests CSVs"

# 4. A name that is no test is refused, naming the tests there are.
printf '[run]\ntests = welsh\n' > bad.study
if "$batch" bad.study >/dev/null 2>bad.err; then fail "an unknown test ran"; fi
grep -q "welsh" bad.err && grep -q "kruskal-wallis" bad.err || fail "message: $(cat bad.err)"
echo "ok"
