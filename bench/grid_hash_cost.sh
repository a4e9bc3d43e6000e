#!/usr/bin/env bash
# What the SHA-256 of completion records costs: a 10,000-condition grid with
# --data --means written by a build before records carried hashes (OLD) and by
# this one (NEW), then --resume over the complete folder, which reads and
# hashes every file again. Prints the times and the ratios NEW / OLD.
#   bench/grid_hash_cost.sh OLD-VELMOR-BATCH [NEW-VELMOR-BATCH] [SAMPLES] [JOBS]
# Defaults: build/src/batch/velmor-batch, 200 samples a condition (few, so that
# writing files, not the study, dominates: the worst case for the hashes),
# --jobs 2. The runs of a pair follow each other; on a busy machine repeat and
# compare ratios, not times.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
old="${1:?the velmor-batch to compare with}"
new="${2:-$root/build/src/batch/velmor-batch}"
samples="${3:-200}"
jobs="${4:-2}"
for b in "$old" "$new"; do [ -x "$b" ] || { echo "no velmor-batch at $b"; exit 1; }; done
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
cat > "$work/grid.study" <<STUDY
# 10,000 conditions: 10 sizes x 10 SDs of group 1 x 100 seeds
[groups]
n = 5, 6, 7, 8, 9, 10, 11, 12, 13, 14
[group 1]
sd = 1, 1.2, 1.4, 1.6, 1.8, 2, 2.5, 3, 3.5, 4
[run]
seed = $(seq -s ', ' 1 100)
samples = $samples
means_to_keep = $samples
STUDY
cd "$work"
seconds() {  # DIR BATCH ARGS...: wall time of one run, in seconds
  local dir="$1" batch="$2"; shift 2
  local start end
  start=$(date +%s.%N)
  "$batch" --jobs "$jobs" --out "$dir" --data --means --summary "$dir/s.csv" "$@" grid.study 2>/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc
}
t_old=$(seconds old "$old")
t_new=$(seconds new "$new")
cmp old/s.csv new/s.csv || echo "note: the summaries differ (the old build is another version)"
r_old=$(seconds old "$old" --resume)
r_new=$(seconds new "$new" --resume)
files=$(find new -maxdepth 1 -type f | wc -l)
bytes=$(du -sb new | cut -f1)
printf 'grid of 10000 conditions, --data --means, %s samples, --jobs %s: %s files, %s bytes\n' \
  "$samples" "$jobs" "$files" "$bytes"
printf 'run:    old %.2f s, new %.2f s, ratio new/old %.3f\n' "$t_old" "$t_new" "$(echo "$t_new / $t_old" | bc -l)"
printf 'resume: old %.2f s, new %.2f s, ratio new/old %.3f\n' "$r_old" "$r_new" "$(echo "$r_new / $r_old" | bc -l)"
