#!/usr/bin/env bash
# Configures and builds into build/ (or $OSTRADA_BUILD_DIR). Extra arguments are ninja targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/deps.sh"
# Let every clone and build folder share the compiler cache.
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
if [[ ! -f $build/build.ninja ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${OSTRADA_BUILD_TYPE:-RelWithDebInfo}
fi
cmake --build "$build" -- "$@"
