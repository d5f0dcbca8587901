#!/usr/bin/env bash
# Builds and runs ostrada on the embedded exchange. Arguments go to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" ostrada-cli
exec "$build/tools/ostrada-cli" codes download "$@"
