#!/bin/sh
# Builds the transcode benchmark and runs it.
#   bench/run.sh [build folder] [benchmark arguments...]
# The build folder defaults to ./build-bench next to the sources; the
# benchmark's own arguments (--repeat N, --keep, --work DIR, --source FILE)
# follow it.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
[ $# -gt 0 ] && shift
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTREVIX_BUILD_GUI=OFF >/dev/null
cmake --build "$build" --target transcode_bench -j"$(nproc)"
exec "$build/bin/transcode_bench" "$@"
