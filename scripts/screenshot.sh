#!/bin/sh
# Takes a picture of the main window under a virtual X server and saves it
# as docs/main-window.png (or the file given as the second argument).
#
#   scripts/screenshot.sh [build-folder] [output.png]
#
# The program draws itself into the file (TREVIX_SCREENSHOT) once the window
# is shown and then ends; its settings go to a scratch folder so the user's
# own settings are not touched.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
out=${2:-"$here/docs/main-window.png"}
program="$build/bin/trevix-mov-video-converter"

if [ ! -x "$program" ]; then
  echo "screenshot.sh: $program not found; build the target trevix-mov-video-converter first" >&2
  exit 1
fi
command -v xvfb-run >/dev/null 2>&1 || { echo "screenshot.sh: xvfb-run is not installed" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$(dirname "$out")"
case "$out" in /*) ;; *) out="$(pwd)/$out" ;; esac

TREVIX_SETTINGS_DIR="$scratch/settings" TREVIX_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
  XDG_RUNTIME_DIR="$scratch" \
  xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" "$program"
test -s "$out"
echo "$out"
