#!/usr/bin/env bash
# SIGINT and SIGTERM sent to a real velmor-batch: the study in flight is
# stopped (inside a replication that keeps redrawing, between replications,
# and while its files are being written) and keeps no file, no temporary file
# is left, the summary of the complete studies replaces an older one and
# marks the rest, and the exit code is 130 or 143.
set -euo pipefail
# Job control: background jobs of a script otherwise start with SIGINT ignored.
set -m
batch="$1"; root="$2"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }

cp "$root/examples/medium_power.study" a.study
cp "$root/examples/uniform_robustness.study" c.study
# Bounds no score can practically meet: the first replication redraws for ever.
printf '[group 1]\nminimum = -0.0000001\nmaximum = 0.0000001\n[run]\nsamples = 10\n' > redraws.study
# About a quarter of an hour of ordinary replications.
printf '[run]\nsamples = 100000000\n' > long.study

wait_for() {  # FILE-PATTERN: waits up to 60 s for a file to appear
  for _ in $(seq 600); do
    compgen -G "$1" >/dev/null && return 0
    kill -0 "$pid" 2>/dev/null || fail "velmor-batch ended before $1 appeared"
    sleep 0.1
  done
  fail "$1 did not appear"
}

# run_and_stop SIGNAL EXPECTED-CODE MIDDLE-STUDY FILE-TO-WAIT-FOR
run_and_stop() {
  local signal="$1" code="$2" middle="$3" ready="$4"
  rm -rf out; mkdir out
  printf 'an older summary\r\n' > summary.csv
  # One condition at a time, so that the last study is certainly not begun.
  "$batch" --jobs 1 --out out --data --means --summary summary.csv a.study "$middle" c.study 2>stderr &
  pid=$!
  wait_for "$ready"
  sleep 0.3
  kill "-$signal" "$pid"
  set +e
  wait "$pid"
  local status=$?
  set -e
  pid=""
  [ "$status" -eq "$code" ] || { cat stderr; fail "$signal: exit code $status, expected $code"; }
  [ "$(ls -A out | sort | tr '\n' ' ')" = ".velmor-batch a.OUT a_data.TXT a_means.DAT " ] ||
    { ls -A out; fail "$signal: the output folder holds more than the complete study"; }
  # Besides the records, the folder's lock, which stays (see the README).
  [ "$(ls -A out/.velmor-batch | grep -vx lock)" = "a.done" ] ||
    fail "$signal: a completion record for more than a.study"
  [ -z "$(find . -name '*.tmp')" ] || fail "$signal: temporary files left behind"
  [ "$(sed -n 2p summary.csv | cut -d, -f1-3)" = "a.study,a,ok" ] || fail "$signal: no ok row for a.study"
  sed -n 3p summary.csv | grep -q "^$middle,${middle%.study},interrupted,.*,stopped by SIG$signal,,,,,,,,,,,,,,,,,,,,,,,,"$'\r$' ||
    { cat summary.csv; fail "$signal: the study in flight is not marked interrupted"; }
  sed -n 4p summary.csv | grep -q "^c.study,c,not run," || fail "$signal: the last study is not marked not run"
  [ "$(wc -l < summary.csv)" -eq 4 ] || fail "$signal: summary has the wrong number of lines"
  grep -q "stopped by SIG$signal after 1 of 3 conditions" stderr || { cat stderr; fail "$signal: no message"; }
}

# Inside a replication, at the resampling stop check.
run_and_stop INT 130 redraws.study out/a_means.DAT
# Between replications.
run_and_stop TERM 143 long.study out/a_means.DAT
# While writing its files: the means file is a FIFO nobody reads, so the
# writer waits in open() with the report and data file written under their
# temporary names.
cp a.study fifo.study
rm -rf out; mkdir out; mkfifo out/fifo_means.DAT
"$batch" --out out --data --means --summary summary.csv fifo.study 2>stderr &
pid=$!
wait_for 'out/.fifo_data.TXT.velmor-*.tmp'
kill -INT "$pid"
set +e; wait "$pid"; status=$?; set -e; pid=""
[ "$status" -eq 130 ] || { cat stderr; fail "write: exit code $status, expected 130"; }
[ "$(ls -A out | tr '\n' ' ')" = ".velmor-batch fifo_means.DAT " ] &&
  [ "$(ls -A out/.velmor-batch)" = "lock" ] || { ls -AR out; fail "write: files or temporary files left behind"; }
sed -n 2p summary.csv | grep -q '^fifo.study,fifo,interrupted,' || { cat summary.csv; fail "write: not interrupted"; }
echo "interrupted batches: ok"
