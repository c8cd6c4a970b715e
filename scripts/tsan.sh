#!/usr/bin/env bash
# Builds the engine, pipeline and cli tests with ThreadSanitizer and runs
# each test program; prints the warnings of each and fails when there are
# any.   scripts/tsan.sh [build-folder]
# The window's tests are left out: Qt and GStreamer are not built for
# ThreadSanitizer.
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build-tsan}")
programs=(engine_binding_tests engine_core_tests engine_transcode_tests engine_frame_pipeline_tests
          pipeline_tests cli_options_tests cli_convert_tests)

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$here" -B "$build" -DTREVIX_TSAN=ON -DTREVIX_BUILD_GUI=OFF -DCMAKE_BUILD_TYPE=Debug || exit 1
fi
cmake --build "$build" -j2 --target "${programs[@]}" trevix-convert || exit 1

logs=$build/tsan-logs
rm -rf "$logs" && mkdir -p "$logs"
failed=0
cd "$build/bin"
for p in "${programs[@]}"; do
  # The reports of the program and of those it starts (trevix-convert) go
  # to $logs/<program>.<pid>.
  TSAN_OPTIONS="halt_on_error=0 second_deadlock_stack=1 log_path=$logs/$p ${TSAN_OPTIONS:-}" \
    ./"$p" > "$logs/$p.log" 2>&1
  rc=$?
  warnings=$(cat "$logs/$p".[0-9]* 2>/dev/null | grep -c "WARNING: ThreadSanitizer")
  echo "$p: exit status $rc, $warnings warnings, $(grep -E '^\[  (PASSED|FAILED)  \]' "$logs/$p.log" | tr '\n' ' ')"
  [ "$rc" -eq 0 ] && [ "$warnings" -eq 0 ] || failed=1
done
exit $failed
