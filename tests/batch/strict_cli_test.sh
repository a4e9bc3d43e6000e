#!/usr/bin/env bash
# Values the window's rules change, through the real command line: without
# --strict the batch runs them and says each change on standard error (the
# grid's collapsed cells before anything runs); with --strict a changed study
# is refused and keeps no file, and a grid whose cells collapse runs nothing.
set -euo pipefail
batch="$1"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

printf '[groups]\nn = 1000, 2000, 4000\n[run]\nsamples = 2\n' > grid.study
printf '[group 1]\nn = 7.9\n[run]\nsamples = 2\n' > cut.study
printf '[run]\nsamples = 2\n' > plain.study

"$batch" --out out --summary s.csv grid.study cut.study 2>err || fail "exit code $? without --strict"
head -1 err | grep -qx "velmor-batch: grid.study: condition grid-3 runs the same settings as grid-2 once the window's rules have corrected their values" ||
  { cat err; fail "the collapsed cell is not named first"; }
grep -qx "cut.study: group1.n = 7.9 runs as 7" err || { cat err; fail "the cut size is not said"; }
grep -q "^cut.study,cut,,ok,.*,group1.n = 7.9 runs as 7," s.csv || { cat s.csv; fail "no message cell"; }
[ -f out/cut.OUT ] || fail "the changed study was not run"

set +e
"$batch" --strict --out strict --summary t.csv cut.study plain.study 2>err
status=$?
set -e
[ "$status" -eq 1 ] || fail "--strict: exit code $status, expected 1"
grep -q "^cut.study,cut,failed,.*refused (--strict): the window would change values: group1.n = 7.9 runs as 7; nothing was run," t.csv ||
  { cat t.csv; fail "--strict: the changed study is not refused"; }
grep -q "^plain.study,plain,ok," t.csv || { cat t.csv; fail "--strict: the other study did not run"; }
[ ! -e strict/cut.OUT ] || fail "--strict: the refused study left a report"
[ -f strict/plain.OUT ] || fail "--strict: no report for the unchanged study"

set +e
"$batch" --strict --out grid --summary g.csv grid.study 2>err
status=$?
set -e
[ "$status" -eq 1 ] || fail "--strict grid: exit code $status, expected 1"
grep -q "nothing was run" err || { cat err; fail "--strict grid: no refusal"; }
[ ! -e g.csv ] && [ -z "$(ls grid 2>/dev/null | grep -v '^$' || true)" ] ||
  fail "--strict grid: something was written"
echo "ok"
