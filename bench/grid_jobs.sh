#!/usr/bin/env bash
# velmor-batch on a 200-condition crossed grid, --jobs 2 against --jobs 1, in
# one run: checks that both write the same summary and files byte for byte and
# prints the speed-up (time with --jobs 1 / time with --jobs 2) of each pair.
#   bench/grid_jobs.sh [VELMOR-BATCH] [SAMPLES] [PAIRS]
# Defaults: build/src/batch/velmor-batch, 20000 samples a condition, 1 pair.
# The two runs of a pair follow each other, in alternating order from pair to
# pair, so that a change in the machine's load falls on both.
# With --jobs 1 on two free cores each study puts its random chain on the
# second core, so --jobs 1 already uses both; VELMOR_THREADS=1 keeps every
# study on one thread and measures what the workers alone bring.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
batch="${1:-$root/build/src/batch/velmor-batch}"
samples="${2:-20000}"
pairs="${3:-1}"
[ -x "$batch" ] || { echo "no velmor-batch at $batch (scripts/build makes it)"; exit 1; }
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
cat > "$work/grid.study" <<STUDY
# 200 conditions: 2 sizes x 2 distributions x 5 SDs of group 1 x 10 seeds
[groups]
n = 20, 40
distribution = normal, uniform
[group 1]
sd = 1, 1.5, 2, 3, 4
[run]
seed = 1, 2, 3, 4, 5, 6, 7, 8, 9, 10
samples = $samples
means_to_keep = 1000
STUDY

run() {  # JOBS DIR: prints the seconds it took
  rm -rf "$2"
  local start end
  start=$(date +%s.%N)
  "$batch" --jobs "$1" --out "$2" --data --means --summary "$2/grid.csv" "$work/grid.study" 2>/dev/null
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }' 
}

echo "velmor-batch grid of 200 conditions, $samples samples each, $(nproc) cores"
ratios=()
for pair in $(seq "$pairs"); do
  if [ $((pair % 2)) -eq 1 ]; then
    one=$(run 1 "$work/one"); two=$(run 2 "$work/two")
  else
    two=$(run 2 "$work/two"); one=$(run 1 "$work/one")
  fi
  cmp -s "$work/one/grid.csv" "$work/two/grid.csv" || { echo "FAIL: the summaries differ"; exit 1; }
  diff -r -x .velmor-batch -x grid.csv "$work/one" "$work/two" >/dev/null ||
    { echo "FAIL: the files differ"; exit 1; }
  ratio=$(awk -v a="$one" -v b="$two" 'BEGIN { printf "%.4f", a / b }')
  ratios+=("$ratio")
  printf 'pair %d: --jobs 1 %.2f s, --jobs 2 %.2f s, speed-up %.3f (outputs identical: %d files)\n' \
    "$pair" "$one" "$two" "$ratio" "$(ls "$work/one" | wc -l)"
done
printf 'median speed-up of %d pair(s): %.3f\n' "$pairs" \
  "$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}')"
