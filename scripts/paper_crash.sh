#!/usr/bin/env bash
# Trading processes on one paper ledger, killed with SIGKILL at random moments many times: two
# exchanges streaming orders, modifies, cancels and fills, and several ostrada-cli runs at once; the
# ledger is reconciled after each round. Then the fills themselves: no fill larger than what the market
# traded at or through its price in that second, none at a moment before its order's entry, and the
# same fills, and the same shares ahead of each waiting order, for one long process as for many short
# ones or one restarted on the way. Usage: scripts/paper_crash.sh [rounds, default 200]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" test_exchange_trading test_cli ostrada-cli
export OSTRADA_CRASH_ROUNDS=${1:-200}
"$build/tests/test_exchange_trading" --gtest_filter='Crash.*'
"$build/tests/test_cli" --gtest_filter='TradeCli.SeveralCommandLinesOnOneLedgerWithOneKilledReconcile'
"$build/tests/test_exchange_trading" --gtest_filter='PaperFills.*:FollowOthers.AnOrderEnteredLaterThanThisMarketWaitsForItsMoment:Paths/JumpIsWaiting.*'
"$build/tests/test_cli" --gtest_filter='TradeCli.ShortCommandsFillARestingOrderAsOneLongRunDoes'
