#!/bin/sh
# Takes the documentation's pictures of the main window under a virtual X
# server, into docs/ (or the folder given as the second argument):
#
#   scripts/screenshot.sh [build-folder] [output-folder]
#
#   main-window.png     the window as it starts
#   converting.png      converting three files
#   failed-log.png      a run with a failed row, its log shown
#   failed-log-150.png  the same at 150% (QT_SCALE_FACTOR=1.5) on a
#                       1280x800 screen
#
# The pictures come from the test tool window_screenshot, which builds the
# window as the program does, with its questions answered and its settings
# in a scratch folder; the program itself reads nothing for this.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
out=${2:-"$here/docs"}
tool="$build/bin/window_screenshot"

if [ ! -x "$tool" ]; then
  echo "screenshot.sh: $tool not found; build the target window_screenshot first" >&2
  exit 1
fi
command -v xvfb-run >/dev/null 2>&1 || { echo "screenshot.sh: xvfb-run is not installed" >&2; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
mkdir -p "$out"
out=$(cd "$out" && pwd)

shoot() {  # screen, mode, picture, then VAR=value settings
  screen=$1 mode=$2 picture=$3
  shift 3
  env XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM=xcb "$@" \
    xvfb-run --auto-servernum --server-args="-screen 0 ${screen}x24" "$tool" "$mode" "$out/$picture"
  test -s "$out/$picture"
  echo "$out/$picture"
}

shoot 1024x768 window main-window.png
shoot 1024x768 converting converting.png
shoot 1280x800 failed-log failed-log.png
shoot 1280x800 failed-log failed-log-150.png QT_SCALE_FACTOR=1.5
