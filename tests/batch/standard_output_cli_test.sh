#!/usr/bin/env bash
# A report written to standard output that cannot be written is a failed
# study: on a full device and on a closed standard output, the exit code is 1,
# standard error says "I/O error N (reason)", and the summary says the study was not
# saved. Real processes, real /dev/full.
set -euo pipefail
batch="$1"; root="$2"
work="$(mktemp -d)"; trap 'rm -rf "$work"' EXIT
cd "$work"
study="$root/examples/medium_power.study"
fail() { echo "FAIL: $*"; exit 1; }

expect_failure() {  # NAME CODE REASON REDIRECTION...
  local name="$1" code="$2" reason="$3"; shift 3
  set +e
  "$@" 2>"$work/$name.err"
  local status=$?
  set -e
  [ "$status" -eq 1 ] || fail "$name: exit code $status, expected 1"
  # The program's "I/O error N", then the system's reason.
  grep -qx ".*medium_power.study: I/O error $code ($reason) writing standard output" "$work/$name.err" ||
    { cat "$work/$name.err"; fail "$name: no 'I/O error $code' on standard error"; }
  grep -q "^.*medium_power.study,medium_power,save failed,1432449975,10000,.*,I/O error $code writing standard output,[^,]*,[^,]*,[^,]*,[^,]*,[^,]*,,,,,,,,[^,]*,[^,]*,[^,]*,,,samples,,,,,,"$'\r'"\$" \
    "$work/$name.csv" || { cat "$work/$name.csv"; fail "$name: summary row does not say the save failed"; }
}

expect_failure full 28 'No space left on device' sh -c '"$0" --summary "$1" "$2" >/dev/full' "$batch" "$work/full.csv" "$study"
expect_failure closed 9 'Bad file descriptor' sh -c '"$0" --summary "$1" "$2" >&-' "$batch" "$work/closed.csv" "$study"
# A report that does fit still exits 0.
"$batch" "$study" >"$work/report.OUT" 2>/dev/null || fail "a good run failed"
grep -q "MONTE CARLO POWER ANALYSIS" "$work/report.OUT" || fail "no report on standard output"
echo "standard output failures: ok"
