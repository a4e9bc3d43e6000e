#!/usr/bin/env bash
# scripts/slurm-grid on a real cluster: starts a private single-node Slurm
# cluster (munged, slurmctld, slurmd) in a fresh temporary folder, runs a grid
# of 24 conditions as an array job of 4 tasks plus its merge job, and checks
# that the merged summary and every file equal a one-worker run on one machine.
# Nothing outside the temporary folder is used or changed; on exit it stops
# exactly the daemons it started, by PID. Needs root (the daemons switch to the
# job's user); without root it is skipped.
# Usage: slurm_cluster_test.sh VELMOR-BATCH SOURCE-ROOT
set -euo pipefail
batch="$1"
root="$2"
readonly skipped=77 # the test's SKIP_RETURN_CODE in CMake

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED: the cluster test starts munged, slurmctld and slurmd, which needs root; run it as root"
  exit $skipped
fi
export PATH="$PATH:/usr/sbin:/sbin"
missing=()
for tool in munged munge unmunge slurmctld slurmd sbatch scontrol sinfo squeue scancel; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "FAILED: ${missing[*]} not installed: scripts/deps installs munge, slurmctld, slurmd and slurm-client"
  exit 1
fi

now_ms() { echo $(($(date +%s%N) / 1000000)); }
seconds_since() { # START_MS: prints the seconds since then, to the millisecond
  local ms=$(($(now_ms) - $1))
  printf '%d.%03d' $((ms / 1000)) $((ms % 1000))
}
started=$(now_ms)

# The folder name has a blank so that slurm-grid's quoting is put to the test.
tmp="$(mktemp -d /tmp/velmor-cluster.XXXXXX)"
chmod 0755 "$tmp" # munged wants its socket's folder open to the jobs' users
work="$tmp/grid work"
mkdir -p "$work" "$tmp/state" "$tmp/spool"
daemons=() # PIDs of what this test started, in start order
declare -A names
cluster_up=false

# The daemons' logs, or what a daemon said before it opened its log, and the jobs' output.
show_logs() {
  local daemon log
  for daemon in munged slurmctld slurmd; do
    log="$tmp/$daemon.log"
    [ -s "$log" ] || log="$tmp/$daemon.console"
    [ -s "$log" ] && { echo "---- last lines of ${log#"$tmp"/}"; tail -n 25 "$log"; }
  done
  for log in "$work"/slurm-*.out; do
    [ -f "$log" ] && { echo "---- ${log#"$tmp"/}"; tail -n 25 "$log"; }
  done
  return 0
}

# Stops what this test started: first its jobs (so that no job step outlives
# slurmd), then slurmd, slurmctld and munged by PID, TERM first and KILL after 10 s.
stop_cluster() {
  local status=$?
  # Nothing may cut the clean-up short: not a failing command, not a second
  # signal, not a reader that has gone away.
  set +e
  trap '' INT TERM HUP PIPE
  trap - EXIT
  [ "$status" -eq 0 ] || show_logs
  if $cluster_up; then
    # Every job on this private cluster is one of ours.
    squeue -h -o %i 2>/dev/null | xargs -r scancel --quiet 2>/dev/null || true
    for _ in $(seq 50); do
      [ -z "$(squeue -h -o %i 2>/dev/null)" ] && break
      sleep 0.2
    done
  fi
  local stop_start i pid
  stop_start=$(now_ms)
  for ((i = ${#daemons[@]} - 1; i >= 0; i--)); do
    pid="${daemons[$i]}"
    kill -TERM "$pid" 2>/dev/null || continue
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && { echo "daemon $pid ignored TERM for 10 s: killing it"; kill -KILL "$pid" 2>/dev/null || true; }
    wait "$pid" 2>/dev/null || true
  done
  [ ${#daemons[@]} -eq 0 ] || echo "stopped ${#daemons[@]} daemons (PIDs ${daemons[*]}) in $(seconds_since "$stop_start") s"
  rm -rf "$tmp"
  exit "$status"
}
trap stop_cluster EXIT
trap 'echo "FAILED: interrupted"; exit 1' INT TERM HUP
trap 'exit 1' PIPE

fail() {
  echo "FAILED: $*"
  exit 1
}

# Waits until COMMAND succeeds, checking every 0.2 s for at most SECONDS; gives
# up at once when one of the daemons has died.
wait_for() {
  local seconds="$1"
  shift
  local tries=$((seconds * 5)) pid
  while ! "$@" 2>/dev/null; do
    for pid in "${daemons[@]}"; do
      kill -0 "$pid" 2>/dev/null || { echo "${names[$pid]} (PID $pid) has exited"; return 1; }
    done
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.2
  done
}

# Two free TCP ports for slurmctld and slurmd: none that any socket on this
# machine holds now, from a random start so that parallel runs part ways.
declare -A taken
for table in /proc/net/tcp /proc/net/tcp6; do
  [ -r "$table" ] || continue
  while read -r _ local_address _; do
    [[ "$local_address" == *:* ]] && taken[$((16#${local_address##*:}))]=1
  done < <(tail -n +2 "$table")
done
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 30000))
    [ -z "${taken[$port]:-}" ] && break
  done
  taken[$port]=1
  free="$port"
}
free_port; controller_port="$free"
free_port; node_port="$free"

# munged, with its key, socket, pid, seed and log all here.
dd if=/dev/urandom of="$tmp/munge.key" bs=1024 count=1 status=none
chmod 0400 "$tmp/munge.key"
socket="$tmp/munge.socket"
munged --foreground --force --socket="$socket" --key-file="$tmp/munge.key" --pid-file="$tmp/munged.pid" \
  --log-file="$tmp/munged.log" --seed-file="$tmp/munged.seed" >"$tmp/munged.console" 2>&1 </dev/null &
daemons+=($!)
names[$!]=munged
munge_works() { munge --socket="$socket" --no-input | unmunge --socket="$socket" >/dev/null; }
wait_for 20 munge_works || fail "munged did not answer on $socket (waited at most 20 s)"

# slurm.conf: this node as it really is (slurmd -C), every path in the folder,
# plugins that need no cgroups, no accounting and no database.
node_line="$(slurmd -C | head -n 1)"
node="${node_line%% *}"
node="${node#NodeName=}"
[ -n "$node" ] && [[ "$node_line" == *CPUs=* ]] || fail "slurmd -C did not describe this node: $node_line"
export SLURM_CONF="$tmp/slurm.conf"
cat >"$SLURM_CONF" <<EOF
ClusterName=velmortest
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$controller_port
SlurmdPort=$node_port
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/backfill
ReturnToService=2
MpiDefault=none
JobCompType=jobcomp/none
AccountingStorageType=accounting_storage/none
MailProg=/bin/true
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
NodeName=${node_line#NodeName=} NodeAddr=127.0.0.1 State=UNKNOWN
PartitionName=grid Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -D -f "$SLURM_CONF" >"$tmp/slurmctld.console" 2>&1 </dev/null &
daemons+=($!)
names[$!]=slurmctld
slurmd -D -N "$node" -f "$SLURM_CONF" >"$tmp/slurmd.console" 2>&1 </dev/null &
daemons+=($!)
names[$!]=slurmd
node_idle() { [ "$(sinfo -h -N -n "$node" -o %T)" = idle ]; }
wait_for 60 node_idle || fail "node $node did not become idle (waited at most 60 s; state: $(sinfo -h -N -o %T 2>&1))"
cluster_up=true
echo "private cluster up in $(seconds_since "$started") s: node $node ($(sinfo -h -N -o '%c CPUs, %m MB')), controller port $controller_port, node port $node_port"

# A crossed grid: 2 distributions x 3 SDs of group 1 x 4 common group sizes.
cat >"$work/grid.study" <<'EOF'
# 24 conditions: the first list varies slowest
[groups]
distribution = normal, uniform
n = 5, 10, 20, 40
[group 1]
sd = 1, 2, 4
[run]
seed = 4242
samples = 2000
EOF
cd "$work"
export VELMOR_BATCH="$batch"

# Refusals: no --summary to merge into, and a job that sbatch will not take.
set +e
refusal="$("$root/scripts/slurm-grid" --tasks 4 -- --out "cluster out" grid.study 2>&1)"
refusal_status=$?
rejected="$("$root/scripts/slurm-grid" --tasks 4 --sbatch "--partition=nosuch" -- --summary "cluster out/grid.csv" grid.study 2>&1)"
rejected_status=$?
set -e
[ "$refusal_status" -eq 2 ] && grep -q 'ARGS must include --summary FILE.csv' <<<"$refusal" ||
  fail "slurm-grid without --summary: exit $refusal_status, $refusal"
[ "$rejected_status" -eq 1 ] && grep -q 'sbatch refused the array job' <<<"$rejected" && grep -qi 'partition' <<<"$rejected" ||
  fail "slurm-grid with a partition that does not exist: exit $rejected_status, $rejected"
[ -z "$(squeue -h -o %i)" ] || fail "a refused submission left jobs behind: $(squeue -h)"
echo "slurm-grid refuses a grid without --summary (exit 2) and passes on sbatch's refusal (exit 1)"

grid_start=$(now_ms)
submitted="$("$root/scripts/slurm-grid" --tasks 4 --sbatch "--job-name=velmor-test --time=00:10:00" -- \
  --out "cluster out" --data --means --summary "cluster out/grid.csv" grid.study)" ||
  fail "slurm-grid did not submit: $submitted"
echo "$submitted"
array_id="$(sed -n 's/^array job: \([0-9][0-9]*\) (4 tasks)$/\1/p' <<<"$submitted")"
merge_id="$(sed -n 's/^merge job: \([0-9][0-9]*\) .*/\1/p' <<<"$submitted")"
[ -n "$array_id" ] && [ -n "$merge_id" ] || fail "slurm-grid printed no job ids"
grep -qxF "merged summary: $work/cluster out/grid.csv" <<<"$submitted" || fail "slurm-grid did not say where the merged summary goes"

job_state() { scontrol -o show job "$1" | grep -o 'JobState=[A-Z_]*' | sed 's/JobState=//'; }
merge_finished() {
  case "$(job_state "$merge_id")" in
    COMPLETED | FAILED | CANCELLED | TIMEOUT | NODE_FAIL | OUT_OF_MEMORY | BOOT_FAIL | DEADLINE | PREEMPTED) return 0 ;;
    *) return 1 ;;
  esac
}
wait_for 300 merge_finished || fail "merge job $merge_id did not finish (waited at most 300 s; state $(job_state "$merge_id"))"
tasks="$(scontrol -o show job "$array_id" |
  sed -n 's/.* ArrayTaskId=\([0-9]*\) .* JobState=\([A-Z_]*\) .* ExitCode=\([0-9:]*\) .*/task \1 \2 exit \3/p')"
[ "$(grep -c ' COMPLETED exit 0:0$' <<<"$tasks")" -eq 4 ] || fail "not all 4 array tasks succeeded:" $tasks
[ "$(job_state "$merge_id")" = COMPLETED ] || fail "merge job $merge_id ended $(job_state "$merge_id")"
echo "array of 4 tasks and merge job done in $(seconds_since "$grid_start") s"

for k in 1 2 3 4; do
  part="cluster out/grid.shard-$k-of-4.csv"
  [ -s "$part" ] || fail "array task $k left no part summary $part"
  # Each task ran its own quarter of the grid: six of the 24 conditions.
  conditions="$(grep -o 'grid-[0-9][0-9]' "$part" | sort -u | wc -l)"
  [ "$conditions" -eq 6 ] || fail "$part names $conditions conditions, not 6"
done

"$batch" --jobs 1 --out "one machine" --data --means --summary "one machine/grid.csv" grid.study 2>"$tmp/one-machine.log" ||
  fail "velmor-batch --jobs 1 failed: $(cat "$tmp/one-machine.log")"
[ "$(wc -l <"one machine/grid.csv")" -eq 25 ] || fail "the one-machine summary has not 24 condition rows"
[ "$(find "one machine" -name '*.OUT' | wc -l)" -eq 24 ] || fail "the one-machine run did not write 24 reports"
diff -r --exclude='grid.shard-*-of-4.csv' "one machine" "cluster out" >"$tmp/diff.txt" ||
  fail "the cluster's files differ from one machine's: $(head -n 20 "$tmp/diff.txt")"
echo "24 conditions on the cluster: merged summary and $(find "cluster out" -type f ! -name 'grid.shard-*' | wc -l) files identical to one machine; whole test $(seconds_since "$started") s"
