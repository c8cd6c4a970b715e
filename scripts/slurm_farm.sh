#!/usr/bin/env bash
# The Slurm recipe of the README, run for real on this machine: installs
# slurm-wlm and munge from Debian when missing, starts a one-node Slurm on
# localhost (its own configuration, ports and state under the work folder;
# munged only when none answers), submits a job array of 8 conversions of
# generated clips through scripts/slurm_convert.sh, waits, checks every
# task's state and exit code, every output and its --json lines, and
# prints a summary. A ninth task, on a file that does not exist, must end
# FAILED with exit code 1. The daemons it started are stopped at the end.
#   scripts/slurm_farm.sh [build-folder] [work-folder]
# Run as root. The work folder (default /tmp/trevix-slurm-farm) keeps the
# clips between runs; everything else in it is made afresh.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
work=$(realpath -m "${2:-${TMPDIR:-/tmp}/trevix-slurm-farm}")
count=8
profile="iPod (*.mp4)"
source "$here/scripts/farm_common.sh"

[ "$(id -u)" -eq 0 ] || { echo "run as root (it installs packages and starts daemons)" >&2; exit 2; }
install_missing slurm-wlm munge || exit 1
mkdir -p "$work" && cd "$work" || exit 1
build_tools "$here" "$build" "$work" || { echo "cannot build trevix-convert and the clip generator" >&2; exit 1; }
make_clips "$work/clips" "$count" || exit 1

slurm=$work/slurm
conf=$slurm/slurm.conf
export SLURM_CONF=$conf
started_munge=0

stop_daemons() {
  local f
  for f in "$slurm/slurmd.pid" "$slurm/slurmctld.pid"; do
    [ -f "$f" ] && kill "$(cat "$f")" 2>/dev/null
  done
  for _ in $(seq 50); do
    pgrep -F "$slurm/slurmd.pid" >/dev/null 2>&1 || pgrep -F "$slurm/slurmctld.pid" >/dev/null 2>&1 || break
    sleep 0.1
  done
  if [ $started_munge -eq 1 ]; then
    runuser -u munge -- /usr/sbin/munged --stop >/dev/null 2>&1
    [ "${made_run_munge:-0}" -eq 1 ] && rm -rf /run/munge
  fi
}

# A run that was cut short may have left its daemons behind.
[ -d "$slurm" ] && stop_daemons
rm -rf "$slurm" "$work/out" "$work/logs"
mkdir -p "$slurm/state" "$slurm/spool" "$slurm/log" "$work/out" "$work/logs"
trap stop_daemons EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! munge -n 2>/dev/null | unmunge >/dev/null 2>&1; then
  [ -f /etc/munge/munge.key ] || runuser -u munge -- mungekey || exit 1
  made_run_munge=0
  [ -d /run/munge ] || { mkdir -p /run/munge && chown munge:munge /run/munge && made_run_munge=1; }
  runuser -u munge -- /usr/sbin/munged || { echo "munged does not start" >&2; exit 1; }
  started_munge=1
fi

for port in 6917 6918; do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    echo "port $port is taken by another program (a Slurm of this script's left running?)" >&2
    exit 1
  fi
done
node=$(hostname -s)
cat > "$conf" <<EOF
ClusterName=trevix-farm
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmdUser=root
SlurmctldPort=6917
SlurmdPort=6918
AuthType=auth/munge
StateSaveLocation=$slurm/state
SlurmdSpoolDir=$slurm/spool
SlurmctldPidFile=$slurm/slurmctld.pid
SlurmdPidFile=$slurm/slurmd.pid
SlurmctldLogFile=$slurm/log/slurmctld.log
SlurmdLogFile=$slurm/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/filetxt
JobCompLoc=$slurm/log/jobcomp.log
MinJobAge=3600
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
ReturnToService=2
MpiDefault=none
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=farm Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
slurmctld -f "$conf" && slurmd -f "$conf" || { echo "Slurm does not start (see $slurm/log)" >&2; exit 1; }
for _ in $(seq 100); do
  [ "$(sinfo -h -o %T 2>/dev/null)" = idle ] && break
  sleep 0.2
done
echo "Slurm $(sinfo -V | cut -d' ' -f2) on $node: $(sinfo -h -o '%P %D node, %c CPUs, %T')"

# The file list: the 8 clips, then a file that is not there.
for i in $(seq "$count"); do printf '%s/clips/clip-%02d.mov\n' "$work" "$i"; done > files.txt
echo "$work/clips/missing.mov" >> files.txt

submit() {
  TREVIX_CONVERT=$convert sbatch --parsable --array="$1" --cpus-per-task=1 -o "$work/logs/%a.json" \
    -e "$work/logs/%a.err" "$here/scripts/slurm_convert.sh" "$work/files.txt" "$work/out" --profile "$profile"
}
start=$(date +%s.%N)
job=$(submit "1-$count") && bad=$(submit $((count + 1))) || { echo "sbatch failed" >&2; exit 1; }
echo "submitted job array $job (tasks 1-$count) and $bad (task $((count + 1)), the missing file)"
for _ in $(seq 3000); do
  [ -z "$(squeue -h -j "$job,$bad" 2>/dev/null)" ] && break
  sleep 0.2
done
wall=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')

# Each task's state and exit code as Slurm keeps them.
declare -A state code
while read -r line; do
  t=$(grep -o 'ArrayTaskId=[0-9]*' <<<"$line" | cut -d= -f2)
  state[$t]=$(grep -o 'JobState=[A-Z_]*' <<<"$line" | cut -d= -f2)
  code[$t]=$(grep -o ' ExitCode=[0-9:]*' <<<"$line" | cut -d= -f2)
done < <(scontrol -o show job "$job"; scontrol -o show job "$bad")

failed=0
echo "task  state      exit  output"
for i in $(seq "$count"); do
  name=$(printf 'clip-%02d' "$i")
  printf '%4d  %-9s  %-4s' "$i" "${state[$i]:-?}" "${code[$i]:-?}"
  check_output "$work/out/$name.mp4" "$work/logs/$i.json" "$i" || failed=1
  [ "${state[$i]:-}" = COMPLETED ] && [ "${code[$i]:-}" = 0:0 ] || failed=1
done
t=$((count + 1))
reason=$(grep -o '"reason":"[^"]*"' "$work/logs/$t.json" 2>/dev/null | head -1)
printf '%4d  %-9s  %-4s  missing.mov: %s\n' "$t" "${state[$t]:-?}" "${code[$t]:-?}" "${reason:-no --json reason}"
[ "${state[$t]:-}" = FAILED ] && [ "${code[$t]:-}" = 1:0 ] && [ -n "$reason" ] || failed=1

done_tasks=$(grep -c 'JobState=COMPLETED' "$slurm/log/jobcomp.log")
failed_tasks=$(grep -c 'JobState=FAILED' "$slurm/log/jobcomp.log")
echo "job completion log: $done_tasks COMPLETED, $failed_tasks FAILED; outputs in $work/out, --json logs in $work/logs"
if [ $failed -eq 0 ]; then
  echo "slurm farm: ok, $count of $count tasks COMPLETED with exit code 0 and checked outputs, the missing file's task FAILED with exit code 1; ${wall} s"
else
  echo "slurm farm: FAILED (see above; daemons' logs in $slurm/log)"
fi
exit $failed
