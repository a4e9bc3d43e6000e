#!/usr/bin/env bash
# generator = philox through velmor-batch as a real process: reports, data,
# means, summary and tests files are byte for byte the same on --threads 1
# and 2, --jobs 1 and 2, in three shards merged, and resumed after SIGKILL;
# the summary gains its generator column only when some condition runs philox;
# the report says which generator made the numbers; bad values are refused.
set -euo pipefail
set -m
batch="$1"
source "$(dirname "$0")/identity_cli_lib.sh"

# 12 conditions: sizes, a spread, an error variance, resampled bounds on
# group 3 (redraws), whole numbers (a sample without variance now and then,
# set aside), tests beside F and kept means.
cat > grid.study <<'STUDY'
[groups]
n = 5, 12, 30
[group 1]
sd = 2, 6
integer = yes
[group 2]
reliability = 1, 0.8
[group 3]
minimum = -1.2
maximum = 1.5
[run]
seed = 31
samples = 3000
means_to_keep = 100
tests = welch kruskal-wallis
no_variance = skip
generator = philox
STUDY
"$batch" --jobs 1 --threads 1 --out t1 --data --means --summary t1/g.csv grid.study 2>/dev/null
[ "$(ls t1/*.OUT | wc -l)" -eq 12 ] || fail "expected 12 reports"
head -1 t1/g.csv | tr -d '\r' | grep -q ',kurt3,generator$' || fail "header: $(head -1 t1/g.csv)"
[ "$(tr -d '\r' < t1/g.csv | tail -n +2 | awk -F, '{print $NF}' | sort -u)" = philox ] ||
  fail "generator cells: $(cut -d, -f1-3 t1/g.csv)"
[ -s t1/g.tests.csv ] || fail "no tests file"
tr -d '\r' < t1/grid-01.OUT | grep -q '^Generator: philox (Philox4x32-10, counter-based)' ||
  fail "the report does not name its generator"
tr -d '\r' < t1/grid-01.OUT | grep -q 'does not reproduce them' ||
  fail "the report does not say the window does not reproduce it"

for run in "--jobs 1 --threads 2" "--jobs 2" "--jobs 2 --threads 2"; do
  dir="x$(echo "$run" | tr -dc '0-9')"
  # shellcheck disable=SC2086
  "$batch" $run --out "$dir" --data --means --summary "$dir/g.csv" grid.study 2>/dev/null
  cmp t1/g.csv "$dir/g.csv" || fail "$run wrote another summary than --threads 1"
  cmp t1/g.tests.csv "$dir/g.tests.csv" || fail "$run wrote another tests file"
  same_outputs t1 "$dir" "$run wrote other files than --threads 1"
done

# Three shards, merged.
for k in 1 2 3; do
  "$batch" --shard "$k/3" --threads 2 --out shards --data --means --summary shards/g.csv grid.study 2>/dev/null
done
"$batch" merge merged.csv shards/g.shard-2-of-3.csv shards/g.shard-1-of-3.csv shards/g.shard-3-of-3.csv
cmp merged.csv t1/g.csv || fail "the merged summary differs from one machine's"
"$batch" merge merged.tests.csv shards/g.tests.shard-1-of-3.csv shards/g.tests.shard-2-of-3.csv \
  shards/g.tests.shard-3-of-3.csv
cmp merged.tests.csv t1/g.tests.csv || fail "the merged tests file differs from one machine's"
same_outputs t1 shards "shards wrote other files than one machine"

# A condition's numbers do not depend on what ran beside it: shard 5 of 12
# runs condition 5 alone.
"$batch" --shard 5/12 --out alone --summary alone/g.csv grid.study 2>/dev/null
cmp alone/grid-05.OUT t1/grid-05.OUT || fail "condition 5 alone differs from condition 5 in the grid"

# A classic grid keeps the summary it always had: no generator column, and
# a report without the generator's part.
sed '/^generator/d' grid.study > classic.study
"$batch" --out c --summary c/s.csv classic.study 2>/dev/null
head -1 c/s.csv | tr -d '\r' | grep -q ',kurt3$' || fail "classic header: $(head -1 c/s.csv)"
if grep -aq '^Generator:' c/classic-01.OUT; then fail "a classic report names a generator"; fi
cmp -s c/classic-01.OUT t1/grid-01.OUT && fail "philox drew the classic numbers"

# Killed with SIGKILL part way, then resumed on other threads and jobs.
cat > long.study <<'STUDY'
[groups]
n = 100, 200
[group 1]
sd = 1, 1.5, 2, 3, 4
[run]
seed = 1, 2
samples = 40000
generator = philox
STUDY
"$batch" --jobs 2 --out reference --data --means --summary reference/s.csv long.study 2>/dev/null
"$batch" --jobs 1 --threads 1 --out killed --data --means --summary killed/s.csv long.study 2>/dev/null &
pid=$!
wait_records killed 4
kill -KILL "$pid" 2>/dev/null || fail "the grid finished before it was killed"
wait "$pid" 2>/dev/null || true
pid=""
complete=$(ls killed/.velmor-batch | grep -c '\.done$')
[ "$complete" -lt 20 ] || fail "the grid finished before it was killed"
"$batch" --resume --jobs 1 --threads 2 --out killed --data --means --summary killed/s.csv long.study 2>err
grep -q "resuming: skipped $complete of 20 conditions" err || { cat err; fail "resume did not skip"; }
cmp killed/s.csv reference/s.csv || fail "the resumed summary differs from an uninterrupted run"
same_outputs reference killed "the resumed files differ from an uninterrupted run"

# Bad values are refused with a message, and nothing runs.
printf '[run]\ngenerator = mersenne\n' > bad.study
if "$batch" bad.study >/dev/null 2>bad.err; then fail "generator = mersenne ran"; fi
grep -q "generator must be classic or philox" bad.err || fail "message: $(cat bad.err)"
set +e
"$batch" --threads 0 grid.study >/dev/null 2>threads.err
status=$?
set -e
[ "$status" -eq 2 ] || fail "--threads 0: exit code $status"
grep -q -- "--threads needs a whole number of 1 or more" threads.err || fail "$(cat threads.err)"
echo "philox: byte for byte on any threads, jobs, shards and resume ($complete of 20 complete when killed)"
