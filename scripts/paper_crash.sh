#!/usr/bin/env bash
# Kills a trading process on the paper ledger many times (SIGKILL mid-stream) and reconciles the
# ledger after each kill. Usage: scripts/paper_crash.sh [rounds, default 200]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTRADA_BUILD_DIR:-$root/build}
"$root/scripts/build.sh" test_exchange_trading
OSTRADA_CRASH_ROUNDS=${1:-200} "$build/tests/test_exchange_trading" --gtest_filter='Crash.*'
