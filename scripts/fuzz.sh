#!/usr/bin/env bash
# Runs every libFuzzer target (fuzz/<name>.cpp) for the given seconds each (default 60), one after
# another, seeded from fuzz/corpus/<name>/. New inputs go to <build>/fuzz-work/<name>/, never into the
# repository; a crash leaves its input in <build>/fuzz-artifacts/ and fails the run. Extra arguments
# go to every fuzzer (for example -runs=1000000). The build is the sanitizer build (scripts/sanitize.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_FUZZ_BUILD_DIR:-$root/build-sanitize}
seconds=${1:-60}
shift || true
if [[ ! -f $build/build.ninja ]]; then
  FUZZ_SECONDS=0 OSTRADA_SANITIZE_BUILD_DIR=$build "$root/scripts/sanitize.sh"
fi
targets=()
for source in "$root"/fuzz/*.cpp; do targets+=("fuzz_$(basename "$source" .cpp)"); done
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
mkdir -p "$build/fuzz-artifacts"
for target in "${targets[@]}"; do
  name=${target#fuzz_}
  work=$build/fuzz-work/$name
  log=$build/fuzz-work/$name.log
  mkdir -p "$work" "$root/fuzz/corpus/$name"
  echo "== $target: ${seconds}s"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-artifacts/$name-" "$@" "$work" "$root/fuzz/corpus/$name" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "$target found a fault; its input is in $build/fuzz-artifacts/"
    exit 1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$log"
done
