#!/bin/sh
# One task of a Slurm job array: converts line $SLURM_ARRAY_TASK_ID of LIST
# (one source path a line) with trevix-convert into FOLDER; the task's
# output is the file's --json lines and its exit status the program's.
#   sbatch --array=1-N [--cpus-per-task=C] -o 'logs/%A_%a.json' \
#       scripts/slurm_convert.sh LIST FOLDER [trevix-convert options...]
# TREVIX_CONVERT names the program when it is not on PATH.
#SBATCH --job-name=trevix-convert
#SBATCH --cpus-per-task=1
set -u
[ $# -ge 2 ] && [ -n "${SLURM_ARRAY_TASK_ID:-}" ] || {
  echo "usage: sbatch --array=1-N $0 LIST FOLDER [trevix-convert options...]" >&2
  exit 2
}
list=$1 folder=$2
shift 2
file=$(sed -n "${SLURM_ARRAY_TASK_ID}p" "$list")
[ -n "$file" ] || { echo "line $SLURM_ARRAY_TASK_ID of $list is empty" >&2; exit 2; }
exec "${TREVIX_CONVERT:-trevix-convert}" --json --threads "${SLURM_CPUS_PER_TASK:-0}" "$@" -o "$folder" "$file"
