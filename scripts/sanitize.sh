#!/usr/bin/env bash
# Builds the core, the program and every test suite with Clang 14 under AddressSanitizer and
# UndefinedBehaviorSanitizer into build-sanitize/ (or $OSTRADA_SANITIZE_BUILD_DIR), runs every suite
# (GUI ones headless), then runs each file-reader fuzzer briefly. The first finding fails the run.
# FUZZ_SECONDS (default 20) is the time each fuzzer gets; 0 skips them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_SANITIZE_BUILD_DIR:-$root/build-sanitize}
"$root/scripts/deps.sh" clang-14 libclang-rt-14-dev
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
if [[ ! -f $build/build.ninja ]]; then
  # The fuzzers share the instrumented libraries, so one build serves the suites and the fuzzers.
  CXX=clang++-14 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTRADA_SANITIZE=ON -DOSTRADA_FUZZ=ON -DOSTRADA_BUILD_BENCH=OFF
fi
cmake --build "$build" -j "$(nproc)"
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 900)
if [[ ${FUZZ_SECONDS:-20} != 0 ]]; then
  OSTRADA_FUZZ_BUILD_DIR=$build "$root/scripts/fuzz.sh" "${FUZZ_SECONDS:-20}"
fi
