#!/bin/sh
# Fitting into a size: the 30 s 1920x1080 benchmark source fitted into
# 5 MB, 10 MB and 25 MB with an H.264 and an MPEG-4 profile through
# trevix-convert --json, with the size asked and reached, the video rate
# chosen, and the time of the fitted run against one pass of the same
# profile without fitting. It builds nothing (needs trevix-convert and
# bench_source in the build's bin/).
#   bench/fit_sizes.sh [build folder] [work folder]
# FIT_SIZES (default "5MB 10MB 25MB") and FIT_PROFILES (profile names, one
# a line) change what is run.
# Figures mean something only on a machine that does nothing else.
set -e
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=${2:-${TMPDIR:-/tmp}/trevix-bench}
convert=$build/bin/trevix-convert
if [ ! -x "$convert" ] || [ ! -x "$build/bin/bench_source" ]; then
  echo "nothing to run in $build/bin: build it first (cmake --build $build --target trevix-convert bench_source)" >&2
  exit 1
fi
mkdir -p "$work"
source=$work/source-1920x1080-29.97fps-30s.mov
[ -f "$source" ] || { echo "generating $source ..."; "$build/bin/bench_source" "$source"; }

now() { date +%s.%N; }
# One run into a fresh folder: prints "seconds|ended line".
run() {
  out=$work/fit-out
  rm -rf "$out" && mkdir -p "$out"
  start=$(now)
  ended=$("$convert" --json "$@" -o "$out" "$source" 2>&1 </dev/null | grep '"event":"ended"' || true)
  echo "$(echo "$(now) $start" | awk '{printf "%.1f", $1 - $2}')|$ended"
  rm -rf "$out"
}
# A field of a --json line: a text's letters, or a number or null.
field() {
  text=$(echo "$2" | sed -n "s/.*\"$1\":\"\([^\"]*\)\".*/\1/p")
  [ -n "$text" ] && echo "$text" || echo "$2" | sed -n "s/.*\"$1\":\([^,}]*\).*/\1/p"
}

echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores"
echo "load before: $(uptime)"
printf '%-28s %8s %10s %10s %7s %11s %8s %8s %6s\n' profile asked "asked B" "reached B" "%" "video" "fitted" "1 pass" "x"
profiles=${FIT_PROFILES:-"MP4 - H.264 Video (*.mp4)
MP4 - MPEG4 Video (*.mp4)"}
echo "$profiles" | while read -r profile; do
  one=$(run --profile "$profile")
  oneTime=${one%%|*}
  printf '%-28s %8s %10s %10s %7s %11s %8s %7ss\n' "$profile" "own" "" "$(field size "${one#*|}")" "" "" "" "$oneTime"
  for asked in ${FIT_SIZES:-5MB 10MB 25MB}; do
    r=$(run --profile "$profile" --target-size "$asked")
    t=${r%%|*}
    line=${r#*|}
    target=$(field target_size "$line")
    size=$(field size "$line")
    rate=$(field video_bit_rate "$line")
    state=$(field state "$line")
    case $rate in
      null) rate=own ;;
      '') rate=- ;;  # refused before encoding
      *) rate="$((rate / 1000)) kbit/s" ;;
    esac
    pct=$(echo "$size $target" | awk '$1 ~ /^[0-9]+$/ {printf "%.1f", 100 * $1 / $2}')
    printf '%-28s %8s %10s %10s %7s %11s %7ss %7ss %6s %s\n' "" "$asked" "$target" "$size" "$pct" "$rate" "$t" "$oneTime" \
      "$(echo "$t $oneTime" | awk '{printf "%.2f", $1 / $2}')" "$([ "$state" = Done ] || echo "$state: $(field reason "$line")")"
  done
done
echo "load after: $(uptime)"
