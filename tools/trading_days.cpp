#include "tools/trading_days.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "basesrc/daygate.h"
#include "tools/cli_words.h"

namespace ostrada::cli {
namespace {

constexpr char kExchangeIndex[] = "U001";
constexpr int32_t kIndexDays = 600;  // a little over two years, all the exchange keeps

}  // namespace

bool TradingDays::Download(StocGate& gate) {
  std::unique_ptr<DaySeries> index = gate.DownloadBarsNew(kExchangeIndex, kExchangeIndex, kIndexDays, 1, 'D', 0, 0, 1);
  if (!index) {
    Fail(Txt::kCliNoTradingDays);
    return false;
  }
  dates_.clear();
  for (const DayBar* bar = index->Oldest(); bar != nullptr; bar = bar->newer) dates_.push_back(bar->Key());
  return true;
}

bool TradingDays::IsSession(int32_t date) const {
  return std::binary_search(dates_.begin(), dates_.end(), date);
}

int32_t TradingDays::SessionBefore(int32_t date) const {
  const auto after = std::lower_bound(dates_.begin(), dates_.end(), date);
  return after == dates_.begin() ? 0 : *(after - 1);
}

int32_t ExchangeDate(const sim::Exchange& exchange) {
  const LocalClock now = exchange.Time().Now();
  return now.year * 10000 + now.month * 100 + now.day;
}

}  // namespace ostrada::cli
