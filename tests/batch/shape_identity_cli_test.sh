#!/usr/bin/env bash
# A grid of shaped groups (normal-input and quantile shapes, reliability,
# bounds, whole numbers) gives the same bytes with --jobs 2 as with --jobs 1,
# and --resume after some conditions were lost reruns them to the same bytes.
# A refused shape fails its condition and leaves no file. Real processes.
set -euo pipefail
batch="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
same_outputs() {
  diff -r -x .velmor-batch -x '*.csv' "$1" "$2" >/dev/null || { diff -rq -x .velmor-batch -x '*.csv' "$1" "$2"; fail "$3"; }
}

cat > shapes.study <<'STUDY'
[groups]
n = 8, 20
reliability = 0.8
[group 1]
distribution = fleishman, exponential
skewness = 1.5
kurtosis = 4, 6
[group 2]
distribution = t
df = 6
minimum = -1
[group 3]
distribution = contaminated
proportion = 0.1
sd_ratio = 3
integer = yes
mean = 10
sd = 4
[run]
seed = 99
samples = 300
means_to_keep = 20
STUDY
"$batch" --jobs 1 --out one --data --means --summary one/s.csv shapes.study 2>/dev/null
[ "$(ls one/*.OUT | wc -l)" -eq 8 ] || fail "expected 8 reports"
head -1 one/s.csv | tr -d '\r' | grep -q ',skew1,kurt1,skew2,kurt2,skew3,kurt3$' || fail "header: $(head -1 one/s.csv)"
# Every row has all six achieved-shape cells.
[ "$(tail -n +2 one/s.csv | tr -d '\r' | grep -cE ',[-0-9.e]+,[-0-9.e]+,[-0-9.e]+,[-0-9.e]+,[-0-9.e]+,[-0-9.e]+$')" -eq 8 ] ||
  fail "achieved-shape cells missing: $(cat one/s.csv)"
grep -q 'Group 1: fleishman (skewness 1.5, kurtosis 4), 2400 true scores' one/shapes-1.OUT ||
  fail "report part missing"
"$batch" --jobs 2 --out two --data --means --summary two/s.csv shapes.study 2>/dev/null
cmp one/s.csv two/s.csv || fail "--jobs 2 wrote another summary than --jobs 1"
same_outputs one two "--jobs 2 wrote other files than --jobs 1"

# Lose two conditions' files and records; --resume runs exactly those again.
cp -r one resumed
rm resumed/shapes-3* resumed/shapes-6* resumed/.velmor-batch/shapes-3.done resumed/.velmor-batch/shapes-6.done
"$batch" --resume --jobs 2 --out resumed --data --means --summary resumed/s.csv shapes.study 2>/dev/null
cmp one/s.csv resumed/s.csv || fail "the resumed summary differs"
same_outputs one resumed "the resumed files differ"

# Conditions that differ only in a group's shape are no repeats of each other.
printf '[group 1]\ndistribution = normal, exponential, chi-square\ndf = 3\n[run]\nseed = 5\nsamples = 50\n' > kinds.study
"$batch" --strict --summary kinds.csv kinds.study >/dev/null 2>err || { cat err; fail "shapes refused as repeats"; }
! grep -q 'same settings' err || fail "shapes taken for repeats: $(cat err)"

# A shape no population has: the condition fails, and nothing of it is saved.
printf '[group 1]\ndistribution = fleishman\nskewness = 2\nkurtosis = 3\n[run]\nseed = 1\n' > bad.study
if "$batch" --out bad --data --means --summary bad/s.csv bad.study 2>err; then fail "a refused shape exited 0"; fi
grep -q 'at skewness 2 its excess kurtosis is at least 5.152' err || fail "message: $(cat err)"
[ -z "$(ls bad | grep -v '^s.csv$')" ] || fail "a refused shape left files: $(ls bad)"
grep -q '^bad.study,bad,failed,' bad/s.csv || fail "summary: $(cat bad/s.csv)"
echo "shape identity: 5 passed, 0 failed"
