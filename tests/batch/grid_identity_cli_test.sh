#!/usr/bin/env bash
# A grid gives the same bytes however it is run: --jobs 2 as --jobs 1, in
# another folder, split into shards and merged, as a design, condition by
# condition as hand-written studies, and resumed after SIGKILL or SIGTERM, where
# the conditions completed before are not run again. merge refuses parts that
# do not belong together and then writes nothing. Real processes, real files.
set -euo pipefail
set -m  # background jobs keep SIGINT and SIGTERM as they are
batch="$1"
source "$(dirname "$0")/identity_cli_lib.sh"

cat > grid.study <<'STUDY'
# 24 conditions: size x distribution x SD of group 1 x mean of group 2
[groups]
n = 5, 10
distribution = normal, uniform
[group 1]
sd = 1, 2, 4
[group 2]
mean = 0, 0.5
[run]
seed = 77
samples = 200
means_to_keep = 50
STUDY
"$batch" --jobs 1 --out one --data --means --summary one/grid.csv grid.study 2>/dev/null
[ "$(ls one/*.OUT | wc -l)" -eq 24 ] || fail "expected 24 reports"
head -1 one/grid.csv | grep -q '^file,condition,groups.n,groups.distribution,group1.sd,group2.mean,status,' ||
  fail "summary header: $(head -1 one/grid.csv)"
"$batch" --jobs 2 --out two --data --means --summary two/grid.csv grid.study 2>/dev/null
cmp one/grid.csv two/grid.csv || fail "--jobs 2 wrote another summary than --jobs 1 (or another folder did)"
same_outputs one two "--jobs 2 wrote other files than --jobs 1"
# Reports on standard output come in condition order whatever the order of finishing.
"$batch" --jobs 1 grid.study >one.txt 2>/dev/null
"$batch" --jobs 2 grid.study >two.txt 2>/dev/null
cmp one.txt two.txt || fail "--jobs 2 wrote standard output in another order"
cat one/grid-*.OUT | cmp - one.txt || fail "standard output is not the reports in condition order"

# Condition 7 is n 5, uniform, sd 1, mean 0: the same study written by hand.
cat > hand.study <<'STUDY'
[group 1]
n = 5
distribution = uniform
sd = 1
[group 2]
n = 5
distribution = uniform
mean = 0
[group 3]
n = 5
distribution = uniform
[run]
seed = 77
samples = 200
means_to_keep = 50
STUDY
"$batch" --out hand --data --means hand.study 2>/dev/null
for suffix in .OUT _data.TXT _means.DAT; do
  cmp hand/hand$suffix one/grid-07$suffix || fail "grid-07$suffix differs from the study written by hand"
done
# ... and as the row of a design, over a base study.
printf '[run]\nseed = 77\nsamples = 200\nmeans_to_keep = 50\n' > base.study
printf 'name,groups.n,groups.distribution,group1.sd,group2.mean\nseven,5,uniform,1,0\nother,10,normal,2,0.5\n' > design.csv
"$batch" --out design --summary design/design.csv --design design.csv base.study 2>/dev/null
cmp design/seven.OUT one/grid-07.OUT || fail "a design row gives another report than the grid"
cmp design/other.OUT one/grid-16.OUT || fail "a design row gives another report than the grid"

# Three shards and a merge give the one-machine summary and files.
for k in 1 2 3; do
  "$batch" --shard "$k/3" --jobs 1 --out shards --data --means --summary shards/grid.csv grid.study 2>/dev/null
done
# ... then the SHA-256 of its body and a 16-digit tag for each of its 8 rows.
head -1 shards/grid.shard-2-of-3.csv |
  grep -q '^#velmor-batch summary part,2,3,24,[0-9a-f]\{16\},complete,[0-9a-f]\{64\},[0-9a-f]\{128\}'$'\r''$' ||
  fail "part header: $(head -1 shards/grid.shard-2-of-3.csv)"
"$batch" merge merged.csv shards/grid.shard-3-of-3.csv shards/grid.shard-1-of-3.csv shards/grid.shard-2-of-3.csv
cmp merged.csv one/grid.csv || fail "the merged summary differs from the one-machine summary"
same_outputs one shards "shards wrote other files than one machine"
# A Slurm array task 5 of an array 4..6 is shard 2 of 3.
SLURM_ARRAY_TASK_ID=5 SLURM_ARRAY_TASK_MIN=4 SLURM_ARRAY_TASK_COUNT=3 \
  "$batch" --shard slurm --jobs 1 --out slurm --data --means --summary slurm/grid.csv grid.study 2>/dev/null
cmp slurm/grid.shard-2-of-3.csv shards/grid.shard-2-of-3.csv || fail "--shard slurm is not shard 2 of 3"
set +e
SLURM_ARRAY_TASK_ID=5 SLURM_ARRAY_TASK_MIN=4 "$batch" --shard slurm --out x grid.study 2>err
status=$?
set -e
[ "$status" -eq 2 ] && grep -q 'SLURM_ARRAY_TASK_COUNT is not set' err || fail "--shard slurm without its variables"

refuse() {  # WHAT MESSAGE PART...: merge must fail, say MESSAGE, write nothing
  local what="$1" message="$2"; shift 2
  set +e
  "$batch" merge refused.csv "$@" 2>err
  local status=$?
  set -e
  [ "$status" -ne 0 ] || fail "merge accepted $what"
  grep -qF "$message" err || { cat err; fail "merge did not say: $message"; }
  [ ! -e refused.csv ] || fail "merge wrote a summary for $what"
}
p() { echo "shards/grid.shard-$1-of-3.csv"; }
refuse "a missing shard" "shard 3 of 3 is missing" "$(p 1)" "$(p 2)"
refuse "a shard twice" "are both shard 2 of 3" "$(p 1)" "$(p 2)" "$(p 2)" "$(p 3)"
sed 's/seed = 77/seed = 78/' grid.study > other.study
"$batch" --shard 1/3 --out other --summary other/other.csv other.study 2>/dev/null
refuse "parts of another grid" "are parts of different grids" "$(p 2)" other/other.shard-1-of-3.csv "$(p 3)"
"$batch" --shard 1/2 --out halves --summary halves/grid.csv grid.study 2>/dev/null
refuse "another count of shards" "split the grid into different numbers of shards (3 and 2)" \
  "$(p 1)" halves/grid.shard-1-of-2.csv
sed '1s/,complete/,interrupted/' "$(p 1)" > stopped.shard-1-of-3.csv
refuse "an interrupted part" "was interrupted" stopped.shard-1-of-3.csv "$(p 2)" "$(p 3)"
refuse "a summary that is not a part" "is not a summary part" one/grid.csv "$(p 2)" "$(p 3)"

# 100 conditions, killed with SIGKILL part way, then resumed. Completion
# records are written at most once a second, so the grid must run for some
# seconds even on a fast, idle machine for the kill to land in the middle.
cat > hundred.study <<'STUDY'
[groups]
n = 5, 10, 20, 40
[group 1]
sd = 1, 1.5, 2, 3, 4
[run]
seed = 1, 2, 3, 4, 5
samples = 20000
STUDY
"$batch" --jobs 2 --out reference --data --means --summary reference/s.csv hundred.study 2>/dev/null

"$batch" --jobs 1 --out killed --data --means --summary killed/s.csv hundred.study 2>/dev/null &
pid=$!
wait_records killed 10
kill -KILL "$pid" 2>/dev/null || fail "the grid finished before it was killed"
wait "$pid" 2>/dev/null || true; pid=""
complete=$(ls killed/.velmor-batch | grep -c '\.done$')
[ "$complete" -lt 100 ] || fail "the grid finished before it was killed"
# Inode and modification time of every record and report of a complete
# condition: a condition run again replaces both (new files, renamed into place).
snapshot() { (cd killed && for r in .velmor-batch/*.done; do
  n="$(basename "$r" .done)"; stat -c '%n %i %.9Y' "$r" "$n.OUT" "${n}_data.TXT" "${n}_means.DAT"; done) | sort; }
before="$(snapshot)"
"$batch" --resume --jobs 2 --out killed --data --means --summary killed/s.csv hundred.study 2>err
grep -q "resuming: skipped $complete of 100 conditions, complete before; running $((100 - complete))" err ||
  { cat err; fail "resume did not say it skipped the $complete complete conditions"; }
after="$(snapshot | grep -F -f <(echo "$before" | cut -d' ' -f1 | sed 's/$/ /'))"
[ "$before" = "$after" ] || fail "conditions complete before the kill were run again"
cmp killed/s.csv reference/s.csv || fail "the resumed summary differs from an uninterrupted run"
same_outputs reference killed "the resumed files differ from an uninterrupted run"
[ -z "$(find killed -name '*.tmp')" ] || fail "temporary files of the killed run are left"

# SIGTERM stops the grid as it stops a study; --resume carries on from there.
"$batch" --jobs 2 --out stopped --data --means --summary stopped/s.csv hundred.study 2>/dev/null &
pid=$!
wait_records stopped 10
kill -TERM "$pid" 2>/dev/null || fail "the grid finished before SIGTERM"
set +e; wait "$pid"; status=$?; set -e; pid=""
[ "$status" -eq 143 ] || fail "SIGTERM: exit code $status"
grep -q ',\(interrupted\|not run\),' stopped/s.csv || fail "SIGTERM: the summary does not mark the rest"
[ -z "$(find stopped -name '*.tmp')" ] || fail "SIGTERM: temporary files left"
"$batch" --resume --jobs 2 --out stopped --data --means --summary stopped/s.csv hundred.study 2>/dev/null
cmp stopped/s.csv reference/s.csv || fail "the summary resumed after SIGTERM differs"
same_outputs reference stopped "the files resumed after SIGTERM differ"
echo "grids: byte for byte the same however they are run ($complete of 100 conditions complete when killed)"
