// The chart objects: daily, weekly and monthly bars (two years of history and today) and the current
// day's N-minute bars with cumulative volumes. The exchange indexes answer prices as floats.
#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

#include "basesrc/priceinfo.h"
#include "broker/clsid.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/objects/market_objects.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

constexpr int32_t kRowCountHeader = 3;
constexpr int kHistoryDays = 520;  // a little over two years of trading days
constexpr int kMostDaysInAPeriod = 23;  // the weekdays of the longest month
constexpr int32_t kMostRows = 9999;
constexpr int32_t kLongestInterval = 60;

struct Bar {
  int32_t date = 0;
  int32_t time = 0;  // minute bars: HHMM of the bar's end
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t close = 0;
  int32_t change = 0;
  int64_t volume = 0;  // daily bars: the bar's volume; minute bars: the day's volume at the bar's end
};

Bar FromDaily(const DailyBar& daily) {
  return Bar{daily.date, 0, daily.open, daily.high, daily.low, daily.close, daily.change, daily.volume};
}

// Prices are integers for stocks and floats (hundredths / 100) for the indexes.
Variant PriceValue(int32_t value, bool index) {
  return index ? Variant::R4(HundredthsValue(value)) : Variant::I4(value);
}

int32_t Volume32(int64_t volume) {
  return static_cast<int32_t>(std::min<int64_t>(volume, std::numeric_limits<int32_t>::max()));
}

// What the request is about: a listed stock or one of the exchange indexes.
struct Subject {
  int stock = -1;
  std::string index;  // "U001" or "U201" when it is an index
  bool IsIndex() const { return !index.empty(); }
};

bool FindSubject(Market& market, const Variant& input, Answer& answer, Subject& subject) {
  if (input.Type() == broker::VarType::kText && IsIndexCode(input.ToText())) {
    subject.index = input.ToText();
    return true;
  }
  subject.stock = StockOfInput(market, input, answer);
  return subject.stock >= 0;
}

// Today's daily bar, once the day has a contract.
bool TodayBar(Market& market, const Subject& subject, Bar& bar) {
  bar.date = market.TradingDate();
  if (subject.IsIndex()) {
    // An index minute is known once it is over; before the first is, the day stands at its opening
    // level, which the opening prices fixed. Yesterday's bar would pass yesterday's change for today's.
    if (market.Now() < kOpenMs) return false;
    // The closing auction's bar, the last, once the closing contract is made.
    const int last = market.Now() >= kCloseMs ? kRegularMinutes
                                              : std::min(kRegularMinutes, (market.Now() - kOpenMs) / kMsPerMinute) - 1;
    const std::vector<IndexMinute> minutes = market.IndexDay(subject.index);
    bar.open = minutes.front().open;
    bar.high = bar.open;
    bar.low = bar.open;
    bar.close = bar.open;
    for (int m = 0; m <= last; ++m) {
      const IndexMinute& minute = minutes[static_cast<size_t>(m)];
      bar.high = std::max(bar.high, minute.high);
      bar.low = std::min(bar.low, minute.low);
      bar.volume += minute.volume;
      bar.close = minute.close;
    }
    const std::vector<DailyBar> previous = market.IndexHistory(subject.index, 1);
    bar.change = previous.empty() ? 0 : bar.close - previous.front().close;
    return true;
  }
  const DayState state = market.State(subject.stock);
  if (state.open <= 0) return false;
  bar = Bar{market.TradingDate(), 0, state.open, state.high, state.low, state.price, state.price - state.previousClose,
            state.volume};
  return true;
}

// Folds consecutive daily bars of one period (a week or a month) into one bar dated by its last day.
std::vector<Bar> Aggregate(const std::vector<Bar>& days, char kind) {
  std::vector<Bar> periods;
  int32_t period = -1;
  for (const Bar& day : days) {
    const int32_t of = kind == 'W' ? WeekOf(day.date) : day.date / 100;
    if (periods.empty() || of != period) {
      const int32_t base = periods.empty() ? day.close - day.change : periods.back().close;
      periods.push_back(day);
      periods.back().change = day.close - base;
      period = of;
      continue;
    }
    Bar& bar = periods.back();
    bar.change += day.close - bar.close;
    bar.date = day.date;
    bar.high = std::max(bar.high, day.high);
    bar.low = std::min(bar.low, day.low);
    bar.close = day.close;
    bar.volume += day.volume;
  }
  return periods;
}

// Inputs: 0 the code, 1 the kind 'D', 'W' or 'M', 2 unused (0), 3 the number of bars, 4 '1'.
// Rows newest first: 0 date, 1 open, 2 high, 3 low, 4 close, 5 volume, 6 change.
class DayChartObject : public CountedRequest {
 public:
  DayChartObject(ExchangeContext& context, SharedMarket market)
      : CountedRequest(context, broker::clsid::kDayChart, kRowCountHeader), market_(std::move(market)) {}

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    Subject subject;
    if (!FindSubject(market, Input(0), answer, subject)) return;
    const char kind = InputChar(Input(1));
    if (kind != 'D' && kind != 'W' && kind != 'M') return answer.Refuse(RefusalKind::kBadInput);
    const int32_t count = CountInput(Input(3), kMostRows);
    if (count == 0) return answer.Refuse(RefusalKind::kBadCount);
    std::vector<Bar> bars;
    // Where the history is cut, the oldest week or month may have begun before the cut: weeks and
    // months reach a period further back and leave that first one out, so every bar holds all its days.
    const int days = kind == 'D' ? kHistoryDays : kHistoryDays + kMostDaysInAPeriod;
    const std::vector<DailyBar> history =
        subject.IsIndex() ? market.IndexHistory(subject.index, days) : market.History(subject.stock, days);
    std::transform(history.begin(), history.end(), std::back_inserter(bars), FromDaily);
    if (Bar today; TodayBar(market, subject, today)) bars.push_back(today);
    if (kind != 'D') {
      bars = Aggregate(bars, kind);
      if (history.size() == static_cast<size_t>(days) && !bars.empty()) bars.erase(bars.begin());
    }
    const bool index = subject.IsIndex();
    for (auto it = bars.rbegin(); it != bars.rend() && answer.RowCount() < static_cast<size_t>(count); ++it) {
      answer.AddRow({Variant::I4(it->date), PriceValue(it->open, index), PriceValue(it->high, index),
                     PriceValue(it->low, index), PriceValue(it->close, index), Variant::I4(Volume32(it->volume)),
                     PriceValue(it->change, index)});
    }
    answer.SetHeader(0, Input(0));
  }

 private:
  SharedMarket market_;
};

// The one-minute bars of today up to now (minutes without a contract have no bar; an index bar comes
// when its minute is over), the day's cumulative volume at each bar's end.
std::vector<Bar> MinuteBars(Market& market, const Subject& subject) {
  std::vector<Bar> bars;
  const int32_t now = market.Now();
  if (now < kOpenMs) return bars;
  const int current = (now - kOpenMs) / kMsPerMinute;
  const int32_t date = market.TradingDate();
  int64_t volume = 0;
  auto add = [&](int32_t startMs, int32_t open, int32_t high, int32_t low, int32_t close, int64_t added) {
    volume += added;
    bars.push_back(Bar{date, HhmmOf(startMs), open, high, low, close, 0, volume});
  };
  if (subject.IsIndex()) {
    const std::vector<IndexMinute> minutes = market.IndexDay(subject.index);
    for (int m = 0; m < current && m < kRegularMinutes; ++m) {
      const IndexMinute& minute = minutes[static_cast<size_t>(m)];
      add(kOpenMs + m * kMsPerMinute, minute.open, minute.high, minute.low, minute.close, minute.volume);
    }
    if (now >= kCloseMs) {
      const IndexMinute& closing = minutes.back();
      add(kCloseMs, closing.open, closing.high, closing.low, closing.close, closing.volume);
    }
    return bars;
  }
  StockDay& day = market.Day(subject.stock);
  for (int m = 0; m < current && m < kRegularMinutes; ++m) {
    const MinuteSummary& minute = day.Minute(m);
    if (minute.count > 0)
      add(kOpenMs + m * kMsPerMinute, minute.open, minute.high, minute.low, minute.close, minute.volume);
  }
  if (current < kRegularMinutes) {
    Bar part{};
    int64_t added = 0;
    for (const Trade& trade : day.MinuteTrades(current)) {
      if (trade.timeMs > now) break;
      if (added == 0) part.open = part.high = part.low = trade.price;
      part.high = std::max(part.high, trade.price);
      part.low = std::min(part.low, trade.price);
      part.close = trade.price;
      added += trade.quantity;
    }
    if (added > 0) add(kOpenMs + current * kMsPerMinute, part.open, part.high, part.low, part.close, added);
  }
  if (now >= kCloseMs && !day.Halted()) {
    const DayState closed = market.State(subject.stock);
    add(kCloseMs, closed.price, closed.price, closed.price, closed.price, closed.volume - volume);
  }
  return bars;
}

// Folds one-minute bars into N-minute bars keyed by their end time.
std::vector<Bar> Fold(const std::vector<Bar>& minutes, int32_t interval) {
  std::vector<Bar> bars;
  for (const Bar& minute : minutes) {
    const int32_t end = BarEndTime(minute.time, interval);
    if (!bars.empty() && bars.back().time == end) {
      Bar& bar = bars.back();
      bar.high = std::max(bar.high, minute.high);
      bar.low = std::min(bar.low, minute.low);
      bar.close = minute.close;
      bar.volume = minute.volume;
      continue;
    }
    bars.push_back(minute);
    bars.back().time = end;
  }
  return bars;
}

// Inputs: 0 the code, 1 'M', 2 the interval N (1 to 60 minutes), 3 the number of bars, 4 '1'.
// Rows newest first: 0 date, 1 end time HHMM, 2 open, 3 high, 4 low, 5 close, 6 cumulative volume.
class MinuteChartObject : public CountedRequest {
 public:
  MinuteChartObject(ExchangeContext& context, SharedMarket market)
      : CountedRequest(context, broker::clsid::kMinuteChart, kRowCountHeader), market_(std::move(market)) {}

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    Subject subject;
    if (!FindSubject(market, Input(0), answer, subject)) return;
    const int32_t interval = CountInput(Input(2), kLongestInterval);
    if (InputChar(Input(1)) != 'M' || interval == 0) return answer.Refuse(RefusalKind::kBadInput);
    const int32_t count = CountInput(Input(3), kMostRows);
    if (count == 0) return answer.Refuse(RefusalKind::kBadCount);
    const std::vector<Bar> bars = Fold(MinuteBars(market, subject), interval);
    const bool index = subject.IsIndex();
    for (auto it = bars.rbegin(); it != bars.rend() && answer.RowCount() < static_cast<size_t>(count); ++it) {
      answer.AddRow({Variant::I4(it->date), Variant::I4(it->time), PriceValue(it->open, index),
                     PriceValue(it->high, index), PriceValue(it->low, index), PriceValue(it->close, index),
                     Variant::I4(Volume32(it->volume))});
    }
    answer.SetHeader(0, Input(0));
  }

 private:
  SharedMarket market_;
};

}  // namespace

void RegisterChartObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market) {
  registry.Register(broker::clsid::kDayChart,
                    [&context, market] { return std::make_shared<DayChartObject>(context, market); });
  registry.Register(broker::clsid::kMinuteChart,
                    [&context, market] { return std::make_shared<MinuteChartObject>(context, market); });
}

}  // namespace ostrada::sim
