#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer into build/fuzz and runs each
# for the given number of seconds (default 60), one after the other:
#   bash tools/fuzz.sh [SECONDS] [TARGET...]
# A crash stops the run with a non-zero status; its input is kept in
# build/fuzz/artifacts/. What each target reached goes to build/fuzz/runs.log.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(levelListFuzzer profileFileFuzzer mapListFuzzer jpegFuzzer commandLineFuzzer levelTableFuzzer
    gamePackageFuzzer entityTextFuzzer mapFileFuzzer paradoxFuzzer mapPlanFuzzer steamLibraryFuzzer entryPathFuzzer readmeFuzzer
    playHistoryFuzzer filterSettingsFuzzer)
fi

build=build/fuzz
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTOLVEX_FUZZ=ON -DTOLVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
  # The committed seeds stay small; what the fuzzer learns grows in the build folder.
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  log="$build/$target.log"
  echo "== $target: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      nice -n 10 "$build/$target" "$corpus" "fuzz/corpus/$target" \
      -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -max_len=65536 \
      -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 >"$log" 2>&1; then
    status=1
    echo "$target FAILED; see $log and $build/artifacts/"
    tail -n 40 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$(date -u +%FT%TZ) $target ${seconds}s ${runs:-0} executions" | tee -a "$build/runs.log"
done
exit $status
