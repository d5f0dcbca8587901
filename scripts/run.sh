#!/usr/bin/env bash
# Installs what is missing, builds and starts the ostrada desktop program on the embedded exchange.
# Arguments go to the program (see `--help`: seed, listing size, clock, speed, start-up fault); the
# OSTRADA_SEED, OSTRADA_STOCKS, OSTRADA_CLOCK, OSTRADA_SPEED and OSTRADA_FAULT variables do the same.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" ostrada
exec "$build/app/ostrada" "$@"
