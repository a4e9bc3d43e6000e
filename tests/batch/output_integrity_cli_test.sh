#!/usr/bin/env bash
# An output folder vouches for exactly what it holds, and merge for exactly
# what the shards wrote. Each block is one way a run's files could pass for
# another's: a kill between the renames of one condition's files, two runs
# into one folder, a tampered file or record, a FIFO for a record, a file of
# an earlier run that this one does not write, a failure that would come only
# after every condition ran, a tampered summary part, a merge killed before
# its rename. Real processes, real files.
set -euo pipefail
set -m
batch="$1"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
cd "$work"
# KEEP_GOING=1 reports every failure instead of stopping at the first (to
# see which attacks an older build lets through).
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); [ -n "${KEEP_GOING:-}" ] || exit 1; }
same_outputs() {  # DIR DIR WHAT: the same reports, data and means files, byte for byte
  diff -r -x .velmor-batch -x '*.csv' "$1" "$2" >/dev/null || { diff -rq -x .velmor-batch -x '*.csv' "$1" "$2" || true; fail "$3"; }
  cmp "$1/s.csv" "$2/s.csv" >/dev/null || fail "$3 (summary)"
}
run() {  # STATUS-VARIABLE ARGS...: runs the batch, errors into err
  set +e; "$batch" "${@:2}" 2>err; eval "$1=\$?"; set -e
}

cat > grid.study <<'STUDY'
[group 1]
sd = 1, 2, 3, 4
[run]
seed = 11
samples = 20000
STUDY
sed 's/samples = 20000/samples = 10000/' grid.study > half.study
A=(--jobs 1 --out out --data --means --summary out/s.csv grid.study)
"$batch" --jobs 1 --out reference --data --means --summary reference/s.csv grid.study 2>/dev/null

# 1. Killed between renaming a condition's report and its data file, a run
# of other settings must leave nothing that --resume with the first
# settings keeps.
"$batch" "${A[@]}" 2>/dev/null
cp grid.study full.study; cp half.study grid.study  # the same names, other settings
set +e
VELMOR_BATCH_TEST_KILL_BETWEEN_RENAMES=grid-1 \
  "$batch" --jobs 1 --out out --data --means --summary out/s.csv grid.study 2>/dev/null
status=$?
set -e
cp full.study grid.study
[ "$status" -eq 137 ] || fail "the test hook did not kill the run between two renames (exit $status)"
grep -q 'samples.*10000\|10000' out/grid-1.OUT || fail "the report of the killed run was not renamed into place"
run status --resume "${A[@]}"
[ "$status" -eq 0 ] || { cat err; fail "resume after the kill between renames: exit $status"; }
grep -q 'skipped 4 of 4' err && fail "resume kept the conditions of the killed run"
same_outputs reference out "resume kept a file of the run killed between two renames"

# 2. Two runs into one folder at once: the second is refused at once,
# naming the first, and writes nothing; the shards of one grid share it.
cp -r reference busy
# The first run must outlast the second on any machine: one long condition.
# It holds the folder once it has the lock file open (the file itself stays
# from the reference run, so its existence says nothing).
sed 's/samples = 20000/samples = 50000000/; s/sd = 1, 2, 3, 4/sd = 1/' grid.study > long.study
"$batch" --jobs 1 --out busy --data --means --summary busy/s.csv long.study 2>/dev/null &
pid=$!
holds_lock() { for fd in /proc/"$1"/fd/*; do [[ "$(readlink "$fd" 2>/dev/null)" == */busy/.velmor-batch/lock ]] && return 0; done; return 1; }
for _ in $(seq 400); do holds_lock "$pid" && break; sleep 0.05; done
holds_lock "$pid" || fail "the first run never took the folder's lock"
run status --jobs 1 --out busy --data --means --summary busy/second.csv grid.study
kill -KILL "$pid" 2>/dev/null || fail "the first run ended before the second began"
wait "$pid" 2>/dev/null || true
[ "$status" -eq 1 ] || fail "a second run into a busy folder: exit $status"
grep -q "the output folder busy is in use by another run (process $pid) of velmor-batch" err ||
  { cat err; fail "the second run did not name the process that holds the folder"; }
[ ! -e busy/second.csv ] || fail "the refused run wrote its summary"
pid=""
"$batch" --shard 1/2 --jobs 1 --out shared --summary shared/s.csv half.study 2>/dev/null &
pid=$!
for _ in $(seq 200); do [ -e shared/.velmor-batch/lock ] && break; sleep 0.05; done
"$batch" --shard 2/2 --jobs 1 --out shared --summary shared/s.csv half.study 2>err ||
  { cat err; fail "two shards of one grid could not share a folder"; }
wait "$pid" || fail "shard 1 of 2 failed beside shard 2"
pid=""

# 3. Each tampering of a file or a record: --resume runs that condition
# again, says why, and the folder ends as an untouched run leaves it.
tamper() {  # WHAT REASON COMMAND
  rm -rf out; cp -r reference out
  sh -c "$3"
  run status --resume "${A[@]}"
  [ "$status" -eq 0 ] || { cat err; fail "$1: exit $status"; }
  grep -q 'skipped 3 of 4 conditions, complete before; running 1' err || { cat err; fail "$1 was kept"; }
  grep -qF "$2" err || { cat err; fail "$1: resume did not say: $2"; }
  same_outputs reference out "$1 survived --resume"
}
tamper "a report cut to 100 bytes" "grid-2.OUT holds 100 bytes where its record says" \
  'head -c 100 out/grid-2.OUT > t && mv t out/grid-2.OUT'
tamper "an emptied means file" "grid-2_means.DAT holds 0 bytes" ': > out/grid-2_means.DAT'
tamper "a data file removed" "grid-2_data.TXT is missing" 'rm out/grid-2_data.TXT'
tamper "garbage of the same size" "grid-3.OUT is not the file its record describes" \
  'head -c "$(stat -c %s out/grid-3.OUT)" /dev/zero | tr "\0" x > t && mv t out/grid-3.OUT'
tamper "another condition's report" "grid-4.OUT holds" 'cp out/grid-1.OUT out/grid-4.OUT'
tamper "an edited record" "its record is damaged or was edited" \
  'sed -i "s/^ok,[^,]*,[^,]*,[0-9]*,/ok,1,20000,999,/" out/.velmor-batch/grid-1.done'
tamper "an edited fingerprint" "damaged or was edited" \
  'sed -i "s/^fingerprint 0/fingerprint 1/; t; s/^fingerprint ./fingerprint 0/" out/.velmor-batch/grid-2.done'
# A folder in a record's place is not removed with what it may hold: the
# run is refused before anything runs.
rm -rf out; cp -r reference out
rm out/.velmor-batch/grid-3.done; mkdir out/.velmor-batch/grid-3.done
run status --resume "${A[@]}"
[ "$status" -eq 1 ] && grep -q 'grid-3.done; nothing was run' err || { cat err; fail "a folder record: exit $status"; }
same_outputs reference out "a run refused for a folder record changed files"

# 4. A FIFO in a record's place is not waited on.
rm -rf out; cp -r reference out
rm out/.velmor-batch/grid-2.done; mkfifo out/.velmor-batch/grid-2.done
set +e; timeout 120 "$batch" --resume "${A[@]}" 2>err; status=$?; set -e
[ "$status" -ne 124 ] || fail "resume blocked on a FIFO record"
[ "$status" -eq 0 ] || { cat err; fail "a FIFO record: exit $status"; }
grep -q "grid-2: its record is not a regular file" err || { cat err; fail "a FIFO record: no reason"; }
same_outputs reference out "a FIFO record"

# 5. Files this run does not write go with those it replaces.
rm -rf out; cp -r reference out
"$batch" --jobs 1 --out out --summary out/s.csv grid.study 2>/dev/null || fail "a run without --data --means"
[ -z "$(ls out | grep -v '\.OUT$\|\.csv$')" ] || fail "files of the earlier run stay: $(ls out)"
rm -rf out; cp -r reference out
"$batch" --resume --jobs 1 --out out --data --summary out/s.csv grid.study 2>/dev/null || fail "a resume with --data only"
[ -z "$(ls out | grep _means)" ] || fail "a resume with other arguments left means files: $(ls out)"

# 6. What would fail only after every condition ran is refused before.
run status --jobs 1 --out late --summary nowhere/s.csv grid.study
[ "$status" -eq 1 ] && grep -q 'the folder of the summary nowhere/s.csv does not exist' err ||
  { cat err; fail "a summary in a folder that does not exist: exit $status"; }
[ -z "$(ls late 2>/dev/null | grep -v '^$')" ] || fail "conditions ran before the missing summary folder was seen"
long="$(printf 'n%.0s' $(seq 246))"
printf '[run]\nseed = 1\nsamples = 1000\n' > base.study
printf 'name,group1.sd\nshort,1\n%s,2\n' "$long" > design.csv
run status --jobs 1 --out late --means --design design.csv base.study
[ "$status" -eq 1 ] && grep -q "the means file ${long}_means.DAT is longer (256 bytes)" err ||
  { cat err; fail "a name too long for the file system: exit $status"; }
[ -z "$(ls late 2>/dev/null)" ] || fail "a report was written before the name too long was seen: $(ls late)"

# 7. merge refuses every tampered row, naming the part and the row.
cat > twelve.study <<'STUDY'
[group 1]
sd = 1, 2, 3, 4, 5, 6
[groups]
n = 5, 10
[run]
seed = 3
samples = 500
STUDY
for k in 1 2; do "$batch" --shard "$k/2" --jobs 1 --out p --summary p/s.csv twelve.study 2>/dev/null; done
sed 's/seed = 3/seed = 4/' twelve.study > other.study
"$batch" --shard 1/2 --jobs 1 --out q --summary q/s.csv other.study 2>/dev/null
"$batch" merge merged.csv p/s.shard-1-of-2.csv p/s.shard-2-of-2.csv || fail "merge of untouched parts"
one=p/s.shard-1-of-2.csv two=p/s.shard-2-of-2.csv
line() { sed -n "$2p" "$1"; }
refuse() {  # WHAT MESSAGE (parts are t1.csv and t2.csv)
  set +e; "$batch" merge refused.csv t1.csv t2.csv 2>err; local status=$?; set -e
  [ "$status" -eq 1 ] || fail "merge accepted $1"
  grep -qF "$2" err || { cat err; fail "merge of $1 did not say: $2"; }
  [ ! -e refused.csv ] || fail "merge wrote a summary for $1"
}
parts() { cp "$one" t1.csv; cp "$two" t2.csv; }
parts; sed -i '4s/,ok,/,OK,/' t1.csv
refuse "an edited cell" "t1.csv (shard 1 of 2) was changed after it was written: row 2 (line 4, condition twelve-03)"
parts; { sed -n '1,3p' "$one"; line "$one" 5; line "$one" 4; sed -n '6,$p' "$one"; } > t1.csv
refuse "two rows swapped" "t1.csv (shard 1 of 2) was changed after it was written: row 2 (line 4, condition twelve-05)"
parts; { sed -n '1,4p' "$one"; line "$one" 4; sed -n '6,$p' "$one"; } > t1.csv
refuse "a row duplicated over another" "row 3 (line 5, condition twelve-03) is not the row the shard wrote for condition 5"
parts; { sed -n '1,2p' "$one"; line "$two" 3; sed -n '4,$p' "$one"; } > t1.csv
refuse "a row of the other part" "row 1 (line 3, condition twelve-02) is not the row the shard wrote for condition 1"
parts; { sed -n '1,2p' "$one"; line q/s.shard-1-of-2.csv 3; sed -n '4,$p' "$one"; } > t1.csv
refuse "a row of another grid" "t1.csv (shard 1 of 2) was changed after it was written: row 1 (line 3, condition other-01)"
parts; sed -i '7s/twelve-09/twelve-99/' t1.csv
refuse "a renamed condition" "row 5 (line 7, condition twelve-99)"
parts; { sed -n '1,2p' "$one"; sed -n '3,$p' "$one" | sort -t, -k7,7 -k2,2r; } > t1.csv
cmp -s t1.csv "$one" && fail "the sort changed nothing"
refuse "a part sorted in a spreadsheet" "t1.csv (shard 1 of 2) was changed after it was written: row 1"
parts; sed -i '2s/status/Status/' t2.csv
refuse "an edited header" "are parts of different grids"

# A merge killed before its rename: its fresh file, named for a process
# that has ended, does not stay behind the next merge.
true & dead=$!; wait "$dead"
printf 'half\r\n' > ".merged2.csv.velmor-$dead-0.tmp"
"$batch" merge merged2.csv "$one" "$two" || fail "merge after a killed merge"
[ -z "$(ls -a | grep '\.tmp$')" ] || fail "a killed merge's temporary file stays: $(ls -a | grep tmp)"
cmp merged.csv merged2.csv || fail "the second merge wrote another summary"

# 8. I/O errors say the system's reason and what was written.
run status --jobs 1 --summary /dev/full twelve.study >/dev/null
[ "$status" -eq 1 ] && grep -q 'I/O error 28 (No space left on device) writing the summary /dev/full' err ||
  { cat err; fail "a full summary: exit $status"; }
[ "$failures" -eq 0 ] || exit 1
echo "output integrity: every attack refused or repaired"
