#!/usr/bin/env bash
# Renders the main frame, the about box and the stock finder (after a jump to 사) to PNG files in
# <build>/renders, headless, from the same code the program runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" test_gui_app
QT_QPA_PLATFORM=offscreen OSTRADA_TEST_OUTPUT="$build/renders" "$build/tests/test_gui_app" --gtest_filter='Render.*'
