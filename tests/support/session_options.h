#pragma once
// The program's start options of the GUI tests that run a whole session: the market of seed 23 with
// 40 stocks on one trading day, the paper ledger in the test's own folder, and a wall clock that
// stands still unless the test moves its own.
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <utility>

#include "app/startoptions.h"

namespace ostrada::testing {

constexpr int32_t kSessionDay = 20261208;  // a Tuesday
constexpr int64_t kStandingWall = 1'796'000'000'000;

inline StartOptions SessionOptions(const QTemporaryDir& folder,
                                   std::function<int64_t()> wallClock = [] { return kStandingWall; }) {
  StartOptions options;
  options.exchange.seed = 23;
  options.exchange.stocks = 40;
  options.exchange.tradingDate = kSessionDay;
  options.exchange.wallClock = std::move(wallClock);
  options.exchange.paper.ledgerPath = folder.filePath(QStringLiteral("paper.sqlite")).toStdString();
  return options;
}

}  // namespace ostrada::testing
