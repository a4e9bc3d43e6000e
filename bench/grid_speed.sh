#!/usr/bin/env bash
# Whole-process times of the 36-condition grid of bench/grid_speed.study:
#   classic1   velmor-batch, classic generator, --jobs 1, VELMOR_THREADS=1
#              (one core: no chain thread beside the study)
#   philox-j2  velmor-batch, generator = philox, --jobs 2 (its default threads)
#   philox-t2  velmor-batch, generator = philox, --jobs 1 --threads 2
#   numpy      bench/numpy_grid.py, the same grid vectorised in numpy/scipy
# each REPEATS times, in a rotating order so that a change in the machine's
# load falls on all of them, and prints the medians and the ratios
# philox/classic1 (target <= 1/10) and philox/numpy (target <= 1/3), the
# latter for numpy's whole process and for its timed loop alone.
#   bench/grid_speed.sh [VELMOR-BATCH] [REPEATS] [SAMPLES]
# Defaults: build/src/batch/velmor-batch, 3 repeats, 10000 samples a condition.
# PYTHON names the interpreter with numpy and scipy (default /usr/bin/python3).
# A batch without the generator key or without --threads refuses it (unknown
# key / unknown option); the script says so and times what the batch has.
# Builds nothing. Afterwards every summary's rates are checked against the
# exact rates (bench/numpy_grid.py --check-summary), and numpy's own as well:
# a fast run of the wrong model is no result. Exit code 1 when a check fails.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
batch="${1:-$root/build/src/batch/velmor-batch}"
repeats="${2:-3}"
samples="${3:-10000}"
python="${PYTHON:-/usr/bin/python3}"
numpy_grid="$root/bench/numpy_grid.py"
[ -x "$batch" ] || { echo "no velmor-batch at $batch (scripts/build makes it)"; exit 1; }
[[ "$repeats" =~ ^[1-9][0-9]*$ ]] || { echo "REPEATS must be a positive whole number"; exit 1; }
[[ "$samples" =~ ^[1-9][0-9]*$ ]] || { echo "SAMPLES must be a positive whole number"; exit 1; }
"$python" -c 'import numpy, scipy' 2>/dev/null ||
  { echo "$python lacks numpy or scipy (apt-get install python3-scipy)"; exit 1; }
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT

# The study with the samples asked for; [run] is its last section, so a
# generator line appended at the end belongs to it.
sed "s/^samples = .*/samples = $samples/" "$root/bench/grid_speed.study" > "$work/base.study"
grep -q "^samples = $samples\$" "$work/base.study" || { echo "grid_speed.study has no samples line"; exit 1; }
{ cat "$work/base.study"; echo "generator = philox"; } > "$work/philox.study"

# A refusal of the philox study means a batch without philox only when the
# grid itself is accepted.
"$batch" --dry-run "$work/base.study" > /dev/null 2> "$work/refusal" ||
  { echo "FAIL: the batch refuses the grid itself:"; cat "$work/refusal"; exit 1; }
variants=(classic1)
classic_study="$work/base.study"
if "$batch" --dry-run "$work/philox.study" > /dev/null 2> "$work/refusal"; then
  # The key exists: name classic too, so that a changed default cannot
  # quietly turn the baseline into philox.
  { cat "$work/base.study"; echo "generator = classic"; } > "$work/classic.study"
  classic_study="$work/classic.study"
  variants+=(philox-j2)
  if "$batch" --jobs 1 --threads 2 --dry-run "$work/philox.study" > /dev/null 2> "$work/refusal"; then
    variants+=(philox-t2)
  else
    echo "philox with --threads: unavailable, the batch refuses it: $(head -n 1 "$work/refusal")"
  fi
else
  echo "philox: unavailable, the batch refuses 'generator = philox': $(head -n 1 "$work/refusal")"
fi
variants+=(numpy)

run_one() {  # VARIANT: runs it once, its messages to $work/err
  case "$1" in
    classic1) VELMOR_THREADS=1 "$batch" --jobs 1 --summary "$work/classic1.csv" "$classic_study" > /dev/null ;;
    philox-j2) env -u VELMOR_THREADS "$batch" --jobs 2 --summary "$work/philox-j2.csv" "$work/philox.study" > /dev/null ;;
    philox-t2) env -u VELMOR_THREADS "$batch" --jobs 1 --threads 2 --summary "$work/philox-t2.csv" "$work/philox.study" > /dev/null ;;
    numpy) "$python" "$numpy_grid" --samples "$samples" > "$work/numpy.out" ;;
  esac 2> "$work/err"
}

run() {  # VARIANT: runs it once, prints its wall seconds and its CPU seconds
  # (user + system, all its threads): on a loaded machine the wall time
  # grows with the others' work, the CPU time much less.
  local TIMEFORMAT='%3R %3U %3S' status=0
  { time run_one "$1"; } 2> "$work/time" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "FAIL: $1 exited with $status:" >&2; cat "$work/err" >&2; return 1
  fi
  awk '{ printf "%.3f %.3f", $1, $2 + $3 }' "$work/time"
}

median() {  # NUMBERS...: their median
  printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'
}

declare -A times cpus
loops=()
count=${#variants[@]}
echo "grid of 36 conditions, $samples samples each, $repeats repeat(s), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for repeat in $(seq "$repeats"); do
  line="repeat $repeat:"
  for k in $(seq 0 $((count - 1))); do
    variant=${variants[$(((k + repeat - 1) % count))]}
    measured=$(run "$variant")
    read -r seconds cpu <<< "$measured"
    times[$variant]="${times[$variant]:-} $seconds"
    cpus[$variant]="${cpus[$variant]:-} $cpu"
    if [ "$variant" = numpy ]; then
      loops+=("$(sed -n 's/^loop seconds: //p' "$work/numpy.out")")
    fi
    line+=" $variant $seconds s (CPU $cpu s),"
  done
  echo "${line%,}"
done

declare -A med
replications=$((36 * samples))
for variant in "${variants[@]}"; do
  # shellcheck disable=SC2086  # the list of times splits on purpose
  med[$variant]=$(median ${times[$variant]})
  # shellcheck disable=SC2086
  cpu=$(median ${cpus[$variant]})
  printf 'median %-9s %8.3f s  %8.3f us per condition-replication  (CPU %.3f s)\n' "$variant" "${med[$variant]}" \
    "$(awk -v s="${med[$variant]}" -v r="$replications" 'BEGIN { print 1e6 * s / r }')" "$cpu"
done
med[loop]=$(median "${loops[@]}")
printf 'median %-9s %8.3f s  %8.3f us per condition-replication (numpy timed loop only)\n' "loop" "${med[loop]}" \
  "$(awk -v s="${med[loop]}" -v r="$replications" 'BEGIN { print 1e6 * s / r }')"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
echo "ratio classic1/numpy: $(ratio "${med[classic1]}" "${med[numpy]}") (numpy's loop: $(ratio "${med[classic1]}" "${med[loop]}"))"
philox_any=no
for variant in philox-j2 philox-t2; do
  [ -n "${med[$variant]:-}" ] || continue
  philox_any=yes
  echo "ratio $variant/classic1: $(ratio "${med[$variant]}" "${med[classic1]}") (target <= 0.100)"
  echo "ratio $variant/numpy: $(ratio "${med[$variant]}" "${med[numpy]}") (numpy's loop: $(ratio "${med[$variant]}" "${med[loop]}"); target <= 0.333)"
done
[ "$philox_any" = yes ] || echo "philox ratios: not measured (this velmor-batch has no philox generator)"

# The rates of the last run of each: velmor-batch against the exact rates,
# numpy likewise (one more run, untimed, with its own check).
status=0
for variant in "${variants[@]}"; do
  if [ "$variant" = numpy ]; then
    "$python" "$numpy_grid" --samples "$samples" --check > "$work/check" || status=1
  else
    "$python" "$numpy_grid" --check-summary "$work/$variant.csv" > "$work/check" || status=1
  fi
  echo "rates of $variant: $(tail -n 1 "$work/check")"
  grep OUTSIDE "$work/check" || true
done
exit "$status"
