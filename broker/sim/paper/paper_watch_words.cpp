#include "broker/sim/paper/paper_watch_words.h"

#include <cstdio>

#include "basesrc/numberformat.h"
#include "broker/sim/market/market_stock.h"

namespace ostrada::sim {
namespace {

std::string Filled(Txt format, const std::string& value) {
  char text[512];
  std::snprintf(text, sizeof text, TextC(format), value.c_str());
  return text;
}

std::string Won(int32_t value) {
  return FormatNumber(int64_t{value});
}

std::string TimeText(int32_t ms) {
  const int32_t hhmmss = HhmmssOf(ms);
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", hhmmss / 10000, hhmmss / 100 % 100, hhmmss % 100);
  return text;
}

}  // namespace

Txt WatchKindName(WatchKind kind) {
  switch (kind) {
    case WatchKind::kStop:
      return Txt::kWatchStop;
    case WatchKind::kTake:
      return Txt::kWatchTake;
    case WatchKind::kTrail:
      return Txt::kWatchTrail;
    case WatchKind::kBreakout:
      return Txt::kWatchBreakout;
    case WatchKind::kAlertAbove:
    case WatchKind::kAlertBelow:
      return Txt::kWatchAlert;
  }
  return Txt::kWatchAlert;
}

Txt WatchStateName(WatchState state) {
  switch (state) {
    case WatchState::kActive:
      return Txt::kWatchActive;
    case WatchState::kFired:
      return Txt::kWatchFired;
    case WatchState::kEnded:
      return Txt::kWatchEnded;
    case WatchState::kCancelled:
      return Txt::kWatchCancelled;
  }
  return Txt::kWatchActive;
}

std::string PercentText(int32_t hundredths) {
  std::string text = std::to_string(hundredths / 100);
  const int32_t rest = hundredths % 100;
  if (rest != 0) text += (rest % 10 == 0 ? "." + std::to_string(rest / 10) : (rest < 10 ? ".0" : ".") + std::to_string(rest));
  return text;
}

std::string WatchTriggerText(const WatchCondition& c) {
  if (c.kind == WatchKind::kTrail) {
    return c.trailPercent > 0 ? Filled(Txt::kWatchFallPercent, PercentText(c.trailPercent))
                              : Filled(Txt::kWatchFallWon, Won(c.trailWon));
  }
  const bool below = c.kind == WatchKind::kStop || c.kind == WatchKind::kAlertBelow;
  return Filled(below ? Txt::kWatchAtOrBelow : Txt::kWatchAtOrAbove, Won(c.level));
}

std::string WatchOrderText(const WatchCondition& c) {
  if (!c.Orders()) return {};
  return (c.market ? Text(Txt::kWatchMarketOrder) : Filled(Txt::kWatchLimitTicks, std::to_string(c.ticks))) + " " +
         (c.quantity > 0 ? Filled(Txt::kWatchShares, Won(c.quantity)) : Text(Txt::kWatchWhole));
}

std::string WatchOutcomeText(const WatchCondition& c) {
  std::string text;
  const auto add = [&text](const std::string& part) { text += (text.empty() ? "" : "  ") + part; };
  if (c.firedPrice > 0) add(TimeText(c.endMs) + " " + Filled(Txt::kWatchMetAt, Won(c.firedPrice)));
  if (c.orderNumber > 0) add(Text(Txt::kTrdCliOrderNumber) + " " + std::to_string(c.orderNumber));
  if (!c.message.empty()) add(c.message);
  return text;
}

}  // namespace ostrada::sim
