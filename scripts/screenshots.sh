#!/usr/bin/env bash
# Pictures of the program's main window as a user sees it: the program
# itself, started under a virtual X server with a window manager (openbox),
# with three generated clips named on its command line, in English and in
# German, at 100% and at 150% (QT_SCALE_FACTOR):
#
#   scripts/screenshots.sh [build-folder] [work-folder]
#
#   docs/screenshots/main-en-100.png  main-en-150.png
#   docs/screenshots/main-de-100.png  main-de-150.png
#
# The clips come from the test suite's media generator (scripts/farm_media.cpp,
# built against the build folder) and stay in the work folder (default
# build-folder/screenshots); the program's settings live in a scratch folder.
# As root it installs what is missing (xvfb openbox imagemagick x11-utils).
# Not part of the test run.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
work=${2:-"$build/screenshots"}
out="$here/docs/screenshots"
# shellcheck source=scripts/farm_common.sh
source "$here/scripts/farm_common.sh"

tools=(xvfb openbox imagemagick x11-utils)
if [ "$(id -u)" -eq 0 ]; then
  install_missing "${tools[@]}"
fi
for tool in Xvfb openbox import xwininfo; do
  command -v "$tool" >/dev/null || { echo "screenshots.sh: $tool is missing (packages: ${tools[*]})" >&2; exit 1; }
done

mkdir -p "$work" "$out"
build_tools "$here" "$build" "$work" || { echo "screenshots.sh: cannot build the clip generator" >&2; exit 1; }
cmake --build "$build" -j2 --target trevix-mov-video-converter >/dev/null
program="$build/bin/trevix-mov-video-converter"
make_clips "$work/clips" 3 >/dev/null

scratch=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

display=
for n in $(seq 90 120); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=:$n; break; fi
done
[ -n "$display" ] || { echo "screenshots.sh: no free X display" >&2; exit 1; }
Xvfb "$display" -screen 0 1600x1200x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$scratch/openbox.log" 2>&1 &
pids+=($!)
sleep 1

title="Trevix MOV Video Converter"
# The program's top-level window: the one with its class (Qt keeps a 1x1 leader of the same name).
window_id() { xwininfo -root -tree | awk -v t="\"$title\": (\"" 'index($0, t) && !found { print $1; found = 1 }'; }

# shoot LANGUAGE LOCALE SCALE
shoot() {
  local language=$1 locale=$2 scale=$3 picture
  picture="$out/main-$language-$scale.png"
  mkdir -p "$scratch/config-$language-$scale"
  env -u LC_ALL LANGUAGE="$language" LANG="$locale" LC_MESSAGES="$locale" \
    XDG_CONFIG_HOME="$scratch/config-$language-$scale" XDG_RUNTIME_DIR="$scratch" QT_QPA_PLATFORM=xcb \
    QT_SCALE_FACTOR=$(awk -v s="$scale" 'BEGIN { print s / 100 }') \
    "$program" "$work"/clips/clip-0{1,2,3}.mov >"$scratch/program-$language-$scale.log" 2>&1 &
  local pid=$! id=
  for _ in $(seq 100); do id=$(window_id); [ -n "$id" ] && break; sleep 0.1; done
  [ -n "$id" ] || { echo "screenshots.sh: the window did not appear" >&2; cat "$scratch/program-$language-$scale.log" >&2; exit 1; }
  sleep 3  # the clips are probed and listed
  import -window "$id" -frame "$picture"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  test -s "$picture"
  echo "$picture"
}

shoot en en_US.UTF-8 100
shoot en en_US.UTF-8 150
shoot de de_DE.UTF-8 100
shoot de de_DE.UTF-8 150
