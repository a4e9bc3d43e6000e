#!/bin/sh
# Sample-size searches as a methodologist checks them: every search ends, in
# how many trials and how long; unequal allocations are kept; how the found
# sizes and their confirmed powers spread over seeds. Writes the summaries
# and a timing table into the folder given (default search_ends).
# Usage: bench/search_ends.sh path/to/velmor-batch [folder]
set -eu
batch=$1
out=${2:-search_ends}
mkdir -p "$out"

study() {  # name means n1 n2 n3 seed extra-search-lines
    cat > "$out/$1.study" <<STUDY
[group 1]
mean = $2
n = $3
[group 2]
mean = 0
n = $4
[group 3]
mean = -$2
n = $5
[run]
seed = $6
samples = 10000
means_to_keep = 0
[search]
power = 0.80
samples = 10000
$7
STUDY
}

# Each search alone, timed: the medium effect of the study that used to hang
# and the small effect, 20 seeds each.
printf 'study,seed,status,trials,n1,seconds\n' > "$out/ends.csv"
for effect in medium:0.31 small:0.12; do
    name=${effect%%:*}
    mean=${effect#*:}
    for k in $(seq 0 19); do
        seed=$((6405 + k))
        study "$name-$seed" "$mean" 16 16 16 "$seed" ""
        start=$(date +%s.%N)
        "$batch" --jobs 1 --summary "$out/$name-$seed.csv" "$out/$name-$seed.study" \
            > /dev/null 2>&1 || true
        end=$(date +%s.%N)
        python3 - "$out/$name-$seed.csv" "$name" "$seed" "$start" "$end" >> "$out/ends.csv" <<'PY'
import csv, sys
row = list(csv.DictReader(open(sys.argv[1])))[-1]
print(f"{sys.argv[2]},{sys.argv[3]},{row['status']},{row['trials']},{row['n1']},"
      f"{float(sys.argv[5]) - float(sys.argv[4]):.2f}")
PY
    done
done

# Sizes 10, 20, 40 (1:2:4), medium effect, 10 seeds, as a grid.
study alloc "0.31" 10 20 40 "6601, 6602, 6603, 6604, 6605, 6606, 6607, 6608, 6609, 6610" ""
"$batch" --jobs 2 --summary "$out/alloc.csv" "$out/alloc.study" > /dev/null 2>&1 || true

# The medium effect, 20 seeds, each confirmed with the full count.
seeds=$(seq -s ', ' 7001 7020)
study confirm "0.31" 16 16 16 "$seeds" "confirm = yes"
"$batch" --jobs 2 --summary "$out/confirm.csv" "$out/confirm.study" > /dev/null 2>&1 || true
