# shellcheck shell=bash disable=SC2034
# Shared by scripts/slurm_farm.sh and scripts/parallel_farm.sh (sourced, not
# run): the Debian packages, the clip generator, the clips and the checks of
# the outputs. make_clips and check_output read $build and $media.

# install_missing PACKAGE... : installs those not installed yet, with no
# service started by the packages' own scripts (the farm scripts start and
# stop their own daemons).
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing ${missing[*]}"
  local guard=/usr/sbin/policy-rc.d made_guard=0
  if [ ! -e "$guard" ]; then
    printf '#!/bin/sh\nexit 101\n' > "$guard" && chmod 755 "$guard" && made_guard=1
  fi
  local log
  log=$(mktemp)
  DEBIAN_FRONTEND=noninteractive apt-get update -q >"$log" 2>&1 &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >>"$log" 2>&1
  local rc=$?
  [ $rc -eq 0 ] || cat "$log" >&2
  rm -f "$log"
  [ $made_guard -eq 1 ] && rm -f "$guard"
  return $rc
}

# build_tools SOURCE-TREE BUILD-FOLDER WORK-FOLDER : trevix-convert in the
# build folder (configured without the window when it is not yet), and the
# clip generator and probe $WORK/farm_media, built against the test suite's
# media helpers. Sets $convert and $media.
build_tools() {
  local tree=$1 build=$2 work=$3
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVIX_BUILD_GUI=OFF >/dev/null || return 1
  fi
  cmake --build "$build" -j2 --target trevix-convert trevix_test_support >/dev/null || {
    echo "(the clip generator needs the tests' helpers: a build configured with TREVIX_BUILD_TESTS=ON, the default)" >&2
    return 1
  }
  convert=$build/bin/trevix-convert
  media=$work/farm_media
  local libs=("$build/tests/support/libtrevix_test_support.a" "$build/src/engine/libtrevix_engine.a")
  if [ ! -x "$media" ] || [ "$tree/scripts/farm_media.cpp" -nt "$media" ] || [ "${libs[0]}" -nt "$media" ] ||
     [ "${libs[1]}" -nt "$media" ]; then
    local rooms=() room
    for room in "$tree"/src/engine/*/; do rooms+=("-I$room"); done
    c++ -std=c++20 -O1 -Wall -Wextra -I"$tree/tests/support" "${rooms[@]}" "$tree/scripts/farm_media.cpp" \
      "${libs[@]}" -lgtest -pthread -ldl -o "$media" || return 1
  fi
}

# make_clips FOLDER COUNT : clip-01.mov ... clip-COUNT.mov (those missing),
# clip i lasting 1.5 + 0.5 i seconds.
make_clips() {
  "$media" "$build/bin/Common" make "$1" "$2" 2>"$1.log" || { cat "$1.log" >&2; return 1; }
}

# check_output OUTPUT JSON-LOG I : prints one line on OUTPUT and returns 1
# when it is missing, left half-written, not "iPod (*.mp4)"'s MPEG-4 320x240
# with AAC stereo 44.1 kHz, not as long as clip I (within 0.1 s), or when
# the --json lines do not tell that it started and ended "Done" with exit
# status 0.
check_output() {
  local out=$1 log=$2 i=$3 want probe duration problems=()
  want=$(awk -v i="$i" 'BEGIN { printf "%.2f", 1.5 + 0.5 * i }')
  if [ ! -f "$out" ]; then
    problems+=("missing")
  else
    probe=$("$media" "$build/bin/Common" probe "$out" 2>/dev/null | cut -f2)
    duration=$(echo "$probe" | awk '{ print $2 }')
    [[ $probe == *" video:mpeg4:320x240@25.00 "* ]] || problems+=("video: $probe")
    [[ $probe == *" audio:aac:44100Hz/2"* ]] || problems+=("audio: $probe")
    awk -v d="${duration:-0}" -v w="$want" 'BEGIN { exit !(d - w < 0.1 && w - d < 0.1) }' ||
      problems+=("duration ${duration:-?} s, not $want s")
  fi
  ls "$(dirname "$out")"/.*.part.* >/dev/null 2>&1 && problems+=("a .part file left")
  local lines=0
  [ -f "$log" ] && lines=$(grep -c '^{"event":' "$log")
  grep -q '^{"event":"started"' "$log" 2>/dev/null || problems+=("no started line")
  grep -q '^{"event":"ended".*"state":"Done"' "$log" 2>/dev/null || problems+=("no Done line")
  grep -q '^{"event":"summary".*"exit_status":0}' "$log" 2>/dev/null || problems+=("no summary with exit status 0")
  if [ ${#problems[@]} -eq 0 ]; then
    printf '  ok    %-14s %s s (clip %s s), %s --json lines: %s\n' "$(basename "$out")" "$duration" "$want" "$lines" \
      "$(echo "$probe" | cut -d' ' -f3-)"
    return 0
  fi
  printf '  FAIL  %-14s %s\n' "$(basename "$out")" "$(printf '%s; ' "${problems[@]}")"
  return 1
}
