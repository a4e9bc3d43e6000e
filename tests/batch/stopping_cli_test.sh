#!/usr/bin/env bash
# Runs that stop when precise or decided, through velmor-batch as a real
# process: a run that stops at checkpoint C writes the files of the same study
# with samples = C, stops at the same checkpoint on one thread or two and with
# any --jobs, and says why in the summary and the report.
set -euo pipefail
batch="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
column() {  # CSV NAME: the column's cells, one per line, without the header
  tr -d '\r' < "$1" | awk -F, -v name="$2" 'NR == 1 { for (i = 1; i <= NF; i++) if ($i == name) c = i; next } { print $c }'
}

# 1. Precision: a rate near .05 is within +-.01 after a few thousand samples.
printf '[groups]\nn = 10\n[run]\nsamples = 20000\nseed = 99\nmeans_to_keep = 9000\ntests = welch kruskal-wallis\nprecision = .01\n' > p.study
"$batch" --data --means --out o --summary o/s.csv p.study 2>/dev/null
[ "$(column o/s.csv stop_reason)" = precision ] || fail "stop_reason: $(column o/s.csv stop_reason)"
stopped=$(column o/s.csv samples)
[ $((stopped % 1000)) -eq 0 ] && [ "$stopped" -lt 20000 ] || fail "stopped at $stopped, not a checkpoint"
sed "s/^samples = 20000$/samples = $stopped/; /^precision/d" p.study > q.study
"$batch" --data --means --out o --summary o/q.csv q.study 2>/dev/null
[ "$(column o/q.csv stop_reason)" = samples ] || fail "a run without a rule did not say samples"
cmp -s o/p_data.TXT o/q_data.TXT || fail "the data file differs from samples = $stopped"
cmp -s o/p_means.DAT o/q_means.DAT || fail "the means file differs from samples = $stopped"
# The same report, the tests' table of the added section included; only the
# stopping rule's own lines are new.
cmp -s <(grep -av '^Stopping rule: \|^Stopped at ' o/p.OUT | tr -d '\r' | cat -s) <(tr -d '\r' < o/q.OUT | cat -s) ||
  fail "the report differs from samples = $stopped beyond the stopping rule's lines"
tr -d '\r' < o/p.OUT | grep -q "^Stopped at $(echo "$stopped" | sed ':a;s/\B[0-9]\{3\}\>/,&/;ta') samples: the rates are precise enough" ||
  fail "the report does not say why it stopped"

# 2. Decide: the checkpoint depends on the settings and seed only.
printf '[groups]\nn = 10\n[run]\nsamples = 50000\nseed = 99\ntests = all\ndecide = robey\n' > d.study
"$batch" --out d1 --summary d1/s.csv d.study 2>/dev/null
VELMOR_THREADS=1 "$batch" --out d2 --summary d2/s.csv d.study 2>/dev/null
[ "$(column d1/s.csv stop_reason)" = decided ] || fail "decide: $(column d1/s.csv stop_reason)"
cmp -s d1/d.OUT d2/d.OUT || fail "one thread stopped elsewhere than two"
printf '[groups]\nn = 5, 10, 20\n[run]\nsamples = 50000\nseed = 7\ntests = welch\ndecide = bradley\nprecision = .004\n' > g.study
"$batch" --jobs 2 --out g2 --summary g2/s.csv g.study 2>/dev/null
"$batch" --jobs 1 --out g1 --summary g1/s.csv g.study 2>/dev/null
cmp -s g1/s.csv g2/s.csv || fail "--jobs 2 stopped conditions elsewhere than --jobs 1"

# 3. A half-width that no interval has is refused.
printf '[run]\nprecision = .7\n' > bad.study
if "$batch" bad.study >/dev/null 2>bad.err; then fail "precision .7 ran"; fi
grep -q "half-width" bad.err || fail "message: $(cat bad.err)"
# 4. A search draws all the samples of its trials: a rule is refused there.
printf '[run]\nprecision = .01\n[search]\npower = .8\nsamples = 500\n' > search.study
if "$batch" search.study >/dev/null 2>search.err; then fail "a search ran with a stopping rule"; fi
grep -q "precision stops a plain run early" search.err || fail "message: $(cat search.err)"
# 5. --dry-run lists each condition's expected samples and runs nothing: the
# normal theory of F asks .05 (.95) (1.96 / .005)^2 = 7299 samples, 8000 at
# the next checkpoint; a bounded group leaves the theory silent.
printf '[group 1]\nminimum = -5, \n[run]\nsamples = 100000\nprecision = .005\n' > dry.study
"$batch" --dry-run --out dry --summary dry/s.csv dry.study > dry.csv 2>dry.err || fail "--dry-run failed: $(cat dry.err)"
[ ! -e dry ] || fail "--dry-run wrote an output folder"
[ "$(column dry.csv expected_samples | tr '\n' ' ')" = "100000 8000 " ] ||
  fail "expected samples: $(cat dry.csv)"
echo ok
