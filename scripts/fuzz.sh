#!/usr/bin/env bash
# Builds the fuzz targets, writes their seed corpora and runs each in turn.
#   scripts/fuzz.sh [build-folder] [seconds-per-target] [target...]
# Corpora grow under <build-folder>/fuzz/corpus/<target>; crashes, leaks and
# timeouts are written to <build-folder>/fuzz/artifacts/<target>/, the
# fuzzer's log to <build-folder>/fuzz/<target>.log.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build-fuzz}")
seconds=${2:-600}
shift $(( $# > 2 ? 2 : $# ))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(option_text probe job_builder)

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -DTREVIX_FUZZ=ON -DTREVIX_BUILD_GUI=OFF \
    -DTREVIX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" -j2 --target fuzz_targets
cd "$build/fuzz"
[ -d seeds ] || ./make_fuzz_seeds seeds

for t in "${targets[@]}"; do
  mkdir -p "corpus/$t" "artifacts/$t"
  dict=()
  [ -f "seeds/$t.dict" ] && dict=(-dict="seeds/$t.dict")
  echo "== $t: $seconds s"
  # -jobs=1 runs the target in one child process and logs to fuzz-0.log.
  ./"${t}_fuzzer" -max_total_time="$seconds" -timeout=30 -jobs=1 -print_final_stats=1 \
    -artifact_prefix="artifacts/$t/" "${dict[@]}" "corpus/$t" "seeds/$t" || true
  mv fuzz-0.log "$t.log"
  grep -E "^(#[0-9]+\s+DONE|Done [0-9]+ runs|stat::|SUMMARY|==[0-9]+==ERROR)" "$t.log" || true
  ls "artifacts/$t"
done
