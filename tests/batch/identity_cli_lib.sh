# Shared by the batch tests that compare whole runs byte for byte (sourced,
# after `batch` is set): a work folder that is the current folder and is
# removed on exit, killing by PID the batch started in the background, if
# any; fail; the comparison of two output folders; and the wait for a grid's
# completion records.
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
cd "$work"
fail() { echo "FAIL: $*"; exit 1; }
same_outputs() {  # DIR DIR MESSAGE: the same reports, data and means files, byte for byte
  diff -r -x .velmor-batch -x '*.csv' "$1" "$2" >/dev/null ||
    { diff -rq -x .velmor-batch -x '*.csv' "$1" "$2"; fail "$3"; }
}
wait_records() {  # DIR COUNT: until the batch in $pid has completed COUNT conditions
  for _ in $(seq 600); do
    [ "$(ls "$1/.velmor-batch" 2>/dev/null | grep -c '\.done$')" -ge "$2" ] && return 0
    kill -0 "$pid" 2>/dev/null || fail "the grid ended before $2 conditions were complete"
    sleep 0.05
  done
  fail "no $2 conditions complete in 30 s"
}
