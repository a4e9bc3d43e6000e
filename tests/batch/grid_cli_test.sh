#!/usr/bin/env bash
# velmor-batch as a command: a generated grid plus one broken study, one call,
# one summary row per study, reports on disk, and an exit code that says a
# study failed.
set -euo pipefail
batch="$1"; root="$2"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
"$root/scripts/make-grid" "$work/grid" 200 >/dev/null
printf '[group 1]\nreliability = 2\n' > "$work/grid/99_broken.study"
set +e
"$batch" --out "$work/out" --summary "$work/summary.csv" "$work"/grid/*.study 2>"$work/stderr"
status=$?
set -e
[ "$status" -eq 1 ] || { echo "expected exit code 1, got $status"; exit 1; }
rows=$(wc -l < "$work/summary.csv")
[ "$rows" -eq 52 ] || { echo "expected 52 summary lines, got $rows"; exit 1; }
[ "$(grep -c ',ok,' "$work/summary.csv")" -eq 50 ] || { echo "expected 50 ok rows"; cat "$work/summary.csv"; exit 1; }
grep -q '^.*99_broken.study,99_broken,failed,.*RELIABILITY must be greater than 0.0' "$work/summary.csv" || { echo "no failed row"; exit 1; }
grep -q 'RELIABILITY must be greater than 0.0 and less than or equal to 1.0' "$work/stderr" || { echo "message not on stderr"; exit 1; }
[ "$(ls "$work/out"/*.OUT | wc -l)" -eq 50 ] || { echo "expected 50 reports"; exit 1; }
head -c 12 "$work/out/01_normal_sd1_n5.OUT" | od -c | grep -q '\\r  \\n' || { echo "report lacks CR LF"; exit 1; }
"$batch" 2>/dev/null && { echo "no arguments must be a usage error"; exit 1; }
echo "grid of 50 studies: ok"
