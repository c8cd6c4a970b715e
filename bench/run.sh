#!/bin/sh
# Runs the transcode benchmark of an existing build and prints its table;
# it builds nothing (the normal build makes transcode_bench and
# trevix-convert).
#   bench/run.sh [build folder] [benchmark arguments...]
# The build folder defaults to ./build next to the sources; the benchmark's
# own arguments (--repeat N, --keep, --work DIR, --source FILE, --case NAME)
# follow it. The cases: "iPod (*.mp4)" (with the FFmpeg command line beside
# it where ffmpeg is installed), "AVI - XviD Video (*.avi)", "MP4 - H.264
# Video (*.mp4)" on the 1080p source, and a batch of 8 short 640x360 clips
# into "iPod (*.mp4)" with --jobs 1 and --jobs 0.
# Figures mean something only on a machine that does nothing else.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
[ $# -gt 0 ] && shift
if [ ! -x "$build/bin/transcode_bench" ] || [ ! -x "$build/bin/trevix-convert" ]; then
  echo "no benchmark in $build/bin: build it first (cmake --build $build --target transcode_bench trevix-convert)" >&2
  exit 1
fi
exec "$build/bin/transcode_bench" "$@"
