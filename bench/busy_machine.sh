#!/usr/bin/env bash
# The pipelined chain on a machine whose cores are busy with other work:
# runs pipeline_bench with 0, 1, ... busy-looping processes beside it (one
# per core at most) and prints each figure's pipelined_vs_single. Near or
# below 1 under load means a run loses nothing by having tried a second
# thread; on a quiet machine the same figures show what the thread gains.
#   bench/busy_machine.sh [PIPELINE_BENCH] [FILTER]
# Defaults: build/bench/pipeline_bench, the replication blocks and the
# whole default study and F8 search.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bench="${1:-$root/build/bench/pipeline_bench}"
filter="${2:-Against|DefaultRun|MediumEffectSearch}"
[ -x "$bench" ] || { echo "no pipeline_bench at $bench (scripts/build makes it)"; exit 1; }
cores="$(nproc)"

hogs=()
stop_hogs() {  # only the processes started here, by their PIDs
  if [ ${#hogs[@]} -gt 0 ]; then kill "${hogs[@]}" 2>/dev/null || true; wait "${hogs[@]}" 2>/dev/null || true; fi
  hogs=()
}
trap stop_hogs EXIT

for busy in $(seq 0 "$cores"); do
  stop_hogs
  for _ in $(seq 1 "$busy"); do
    sh -c 'while :; do :; done' &
    hogs+=("$!")
  done
  echo "== $busy of $cores cores busy with other work"
  "$bench" --benchmark_filter="$filter" --benchmark_repetitions=3 \
           --benchmark_report_aggregates_only=true 2>/dev/null |
    awk '/_median/ { name = $1; sub(/\/manual_time_median/, "", name)
                     for (i = 1; i <= NF; ++i) if ($i ~ /^pipelined_vs_single=/) {
                       split($i, kv, "="); printf "  %-40s pipelined_vs_single %s\n", name, kv[2] } }'
done
