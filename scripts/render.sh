#!/usr/bin/env bash
# Renders the main frame, the about box, the stock finder (after a jump to 사), the picker of the kept
# practice accounts, both quote windows and the contract window, the mini order window on each of its
# lists, the options dialog, the
# quote-click order window, the chart window (daily, and 3- and 60-minute), the home board, the
# workspace's windows with their link toggles, the trading journal (its days, its orders and its equity
# curve), and the 감시주문 panel of the mini order window and the list of conditions, to PNG files in
# <build>/renders, headless, from the same code the program runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" test_gui_app test_gui_quote test_gui_contract test_gui_trading test_gui_workspace test_gui_chart \
  test_gui_journal ostrada-cli
export QT_QPA_PLATFORM=offscreen OSTRADA_TEST_OUTPUT="$build/renders"
"$build/tests/test_gui_app" --gtest_filter='Render.*:*SwitchAccount*ReopenKept'
"$build/tests/test_gui_quote" --gtest_filter='*RenderAtTheClose*'
"$build/tests/test_gui_contract" --gtest_filter='*RendersAtTheClose*'
"$build/tests/test_gui_trading" --gtest_filter='Render.*:WatchWindows.*'
"$build/tests/test_gui_workspace" --gtest_filter='Render.*'
"$build/tests/test_gui_chart" --gtest_filter='*WheelZooms*:*AReportLoadsAsTheWatchlist*:*ThreeAndSixtyMinuteChartsAreRendered*'
"$build/tests/test_gui_journal" --gtest_filter='*Render*'
echo "PNG files in $OSTRADA_TEST_OUTPUT:"
ls "$OSTRADA_TEST_OUTPUT"
