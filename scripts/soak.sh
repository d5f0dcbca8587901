#!/usr/bin/env bash
# Runs the program offscreen through a whole session day at high clock speed with both quote
# windows and the contract window open on the day's 20 busiest stocks in turn, sampling its resident
# memory; fails when it grows by more than 5% after the first hour of trading. Arguments go to the
# program (default: --speed 120, a day in about three and a quarter minutes). SOAK_IDLE_WINDOWS=1 leaves
# the windows empty, to see how much of the growth is the embedded exchange's own day.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" ostrada-soak
(($#)) || set -- --clock session --speed 120
export QT_QPA_PLATFORM=offscreen OSTRADA_DATA_DIR=${OSTRADA_DATA_DIR:-$(mktemp -d)}
exec "$build/soak/ostrada-soak" "$@"
