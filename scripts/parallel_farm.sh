#!/usr/bin/env bash
# The GNU parallel recipe of the README, run for real on this machine:
# installs openssh-server, openssh-client, parallel and rsync from Debian
# when missing, starts a private sshd (key-based only, its own keys and
# port under the work folder) listening on the loopback addresses
# 127.0.0.1, 127.0.0.2 and 127.0.0.3 only, which stand for three hosts,
# and converts 8 generated clips with trevix-convert over ssh twice:
#   shared    sources, outputs and --json logs on storage every host sees
#   transfer  each source sent to the host's work folder (--transferfile),
#             the output and its --json lines fetched back (--return) and
#             removed there (--cleanup)
# It checks every job's exit value and host in the job log, every output
# and its --json lines (and, on shared storage, that a ninth file, which
# does not exist, fails alone with exit value 1), and prints a summary. The sshd is stopped at the end.
#   scripts/parallel_farm.sh [build-folder] [work-folder]
# Run as root. The work folder (default /tmp/trevix-parallel-farm) keeps
# the clips between runs; everything else in it is made afresh.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
work=$(realpath -m "${2:-${TMPDIR:-/tmp}/trevix-parallel-farm}")
count=8
hosts=(127.0.0.1 127.0.0.2 127.0.0.3)
port=${FARM_SSH_PORT:-2722}
source "$here/scripts/farm_common.sh"

[ "$(id -u)" -eq 0 ] || { echo "run as root (it installs packages and starts sshd)" >&2; exit 2; }
install_missing openssh-server openssh-client parallel rsync || exit 1
mkdir -p "$work" && cd "$work" || exit 1
build_tools "$here" "$build" "$work" || { echo "cannot build trevix-convert and the clip generator" >&2; exit 1; }
make_clips "$work/clips" "$count" || exit 1

ssh=$work/ssh
made_run_sshd=0
had_parallel_home=0
[ -e "$HOME/.parallel" ] && had_parallel_home=1

stop_sshd() {
  local h
  for h in "${hosts[@]}"; do
    [ -S "$ssh/master-$h" ] && ssh -F "$ssh/ssh_config" -O exit "$h" 2>/dev/null
  done
  if [ -f "$ssh/sshd.pid" ]; then
    kill "$(cat "$ssh/sshd.pid")" 2>/dev/null
    for _ in $(seq 50); do pgrep -F "$ssh/sshd.pid" >/dev/null 2>&1 || break; sleep 0.1; done
    rm -f "$ssh/sshd.pid"
  fi
  [ $made_run_sshd -eq 1 ] && rmdir /run/sshd 2>/dev/null
  [ $had_parallel_home -eq 0 ] && rm -rf "$HOME/.parallel"
}

# A run that was cut short may have left its sshd behind.
[ -d "$ssh" ] && stop_sshd
rm -rf "$ssh" "$work/shared" "$work/transfer"
mkdir -p "$ssh" && chmod 700 "$ssh"
trap stop_sshd EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

ssh-keygen -q -t ed25519 -N '' -C trevix-farm-host -f "$ssh/host_key" || exit 1
ssh-keygen -q -t ed25519 -N '' -C trevix-farm-client -f "$ssh/client_key" || exit 1
cp "$ssh/client_key.pub" "$ssh/authorized_keys"
{
  echo "Port $port"
  for h in "${hosts[@]}"; do echo "ListenAddress $h"; done
  cat <<EOF
HostKey $ssh/host_key
PidFile $ssh/sshd.pid
AuthorizedKeysFile $ssh/authorized_keys
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
X11Forwarding no
# The keys lie in a folder only root reads, but under /tmp, which anyone
# may write: the check of the folders up to / would refuse them.
StrictModes no
EOF
} > "$ssh/sshd_config"
for h in "${hosts[@]}"; do echo "[$h]:$port $(cut -d' ' -f1,2 "$ssh/host_key.pub")"; done > "$ssh/known_hosts"
cat > "$ssh/ssh_config" <<EOF
Host ${hosts[*]}
  Port $port
  User root
  IdentityFile $ssh/client_key
  IdentitiesOnly yes
  UserKnownHostsFile $ssh/known_hosts
  StrictHostKeyChecking yes
  BatchMode yes
  ControlMaster auto
  ControlPath $ssh/master-%h
  ControlPersist 120
EOF
for h in "${hosts[@]}"; do
  if (exec 3<>"/dev/tcp/$h/$port") 2>/dev/null; then
    echo "port $port of $h is taken by another program: name a free one in FARM_SSH_PORT" >&2
    exit 1
  fi
done
[ -d /run/sshd ] || { mkdir -p /run/sshd && chmod 755 /run/sshd && made_run_sshd=1; }
/usr/sbin/sshd -f "$ssh/sshd_config" -E "$ssh/sshd.log" || { echo "sshd does not start (see $ssh/sshd.log)" >&2; exit 1; }
for h in "${hosts[@]}"; do
  for _ in $(seq 50); do ssh -F "$ssh/ssh_config" "$h" true 2>/dev/null && break; sleep 0.1; done
  ssh -F "$ssh/ssh_config" "$h" true || { echo "no ssh to $h (see $ssh/sshd.log)" >&2; exit 1; }
done
logins=$(printf '1/%s,' "${hosts[@]}")
echo "sshd on ${hosts[*]} port $port (keys only); GNU parallel $(parallel --will-cite --version | head -1 | cut -d' ' -f3)"
farm=(parallel --will-cite --ssh "ssh -F $ssh/ssh_config" -S "${logins%,}")
q() { printf '%q' "$1"; }

# check_run NAME OUT-FOLDER LOG-FOLDER JOBLOG : one line a clip (the host
# and exit value from the job log, then check_output); returns 1 on any
# fault.
check_run() {
  local name=$1 out=$2 logs=$3 joblog=$4 failed=0 i clip host exitval used
  echo "$name: job  host        exit  output"
  for i in $(seq "$count"); do
    clip=$(printf 'clip-%02d' "$i")
    read -r host exitval < <(awk -F'\t' -v c="$clip.mov" '$9 ~ c { print $2, $7 }' "$joblog")
    printf '%*s  %4d  %-10s  %-4s' ${#name} "" "$i" "${host:-?}" "${exitval:-?}"
    check_output "$out/$clip.mp4" "$logs/$clip.json" "$i" || failed=1
    [ "${exitval:-}" = 0 ] || failed=1
  done
  used=$(awk -F'\t' 'NR > 1 { print $2 }' "$joblog" | sort -u | tr '\n' ' ')
  echo "$(printf '%*s' ${#name} '')  hosts used: $used"
  [ "$(wc -w <<<"$used")" -eq ${#hosts[@]} ] || { echo "  not every host got a job"; failed=1; }
  return $failed
}

# 1. Shared storage: every host reads the clips and writes the outputs and
#    logs in the same folders.
shared=$work/shared
mkdir -p "$shared/out" "$shared/logs"
start=$(date +%s.%N)
"${farm[@]}" --joblog "$shared/joblog" \
  "$(q "$convert") --json --profile 'iPod (*.mp4)' -o $(q "$shared/out") {} > $(q "$shared/logs")/{/.}.json" \
  ::: "$work"/clips/clip-*.mov "$work/clips/missing.mov"
rc_shared=$?
wall_shared=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
check_run shared "$shared/out" "$shared/logs" "$shared/joblog"
ok_shared=$?
# The file that is not there: exit value 1 in the job log, its reason in
# its log, and parallel's exit status the number of failed files.
missing_exit=$(awk -F'\t' '$9 ~ /missing\.mov/ { print $7 }' "$shared/joblog")
reason=$(grep -o '"reason":"[^"]*"' "$shared/logs/missing.json" 2>/dev/null | head -1)
echo "shared: missing.mov: exit ${missing_exit:-?}, ${reason:-no --json reason}; parallel's exit status $rc_shared"
[ "$missing_exit" = 1 ] && [ -n "$reason" ] && [ $rc_shared -eq 1 ] || ok_shared=1

# 2. Sent and fetched: the clips lie only in the local folder; each job
#    works in the host's own folder, which is empty again afterwards.
local_dir=$work/transfer/local remote=$work/transfer/remote
mkdir -p "$local_dir/clips" "$remote"
cp "$work"/clips/clip-*.mov "$local_dir/clips/"
cd "$local_dir" || exit 1
start=$(date +%s.%N)
"${farm[@]}" --joblog "$work/transfer/joblog" --workdir "$remote" \
  --transferfile '{}' --return 'out/{/.}.mp4' --return 'out/{/.}.json' --cleanup \
  "mkdir -p out && $(q "$convert") --json --profile 'iPod (*.mp4)' -o out {} > out/{/.}.json" \
  ::: clips/clip-*.mov
rc_transfer=$?
wall_transfer=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
cd "$work" || exit 1
check_run transfer "$local_dir/out" "$local_dir/out" "$work/transfer/joblog"
ok_transfer=$?
left=$(find "$remote" -type f 2>/dev/null | wc -l)
echo "transfer: $left files left in the hosts' work folder $remote"
[ "$left" -eq 0 ] || ok_transfer=1

if [ $ok_shared -eq 0 ] && [ $rc_transfer -eq 0 ] && [ $ok_transfer -eq 0 ]; then
  echo "parallel farm: ok, $count of $count clips converted and checked over ssh to ${#hosts[@]} hosts twice (shared storage ${wall_shared} s, with a missing file that failed alone; --transferfile/--return ${wall_transfer} s)"
  exit 0
fi
echo "parallel farm: FAILED (parallel exit $rc_shared and $rc_transfer; see above and $ssh/sshd.log)"
exit 1
