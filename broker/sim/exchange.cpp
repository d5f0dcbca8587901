#include "broker/sim/exchange.h"

#include "broker/sim/clock.h"
#include "broker/sim/faults.h"
#include "broker/sim/listing.h"
#include "broker/sim/registry.h"

namespace ostrada::sim {

int32_t DefaultTradingDate(int64_t unixMilliseconds) {
  int32_t date = KoreanDate(unixMilliseconds);
  while (!IsWeekday(date)) date = AddDays(date, -1);
  return date;
}

struct Exchange::State {
  explicit State(const ExchangeOptions& chosen)
      : options(chosen),
        wallClock(chosen.wallClock ? chosen.wallClock : std::function<int64_t()>(SystemMilliseconds)),
        lastWall(wallClock()),
        clock(StartDate(), StartTime()),
        listing(Listing::Build(options.seed, options.stocks)),
        context(clock, listing, faults, options.seed),
        timeSource(clock) {}

  int32_t StartDate() const {
    if (options.clock == ClockMode::kLive) return KoreanDate(lastWall);
    return IsValidDate(options.tradingDate) ? options.tradingDate : DefaultTradingDate(lastWall);
  }
  int64_t StartTime() const {
    if (options.clock == ClockMode::kLive) return KoreanTimeOfDay(lastWall);
    return ExchangeClock::AtHhmmss(kMarketOpenHhmm * 100);
  }

  ExchangeOptions options;
  std::function<int64_t()> wallClock;
  int64_t lastWall;
  double carry = 0;  // the fraction of a millisecond a sped-up session still owes
  ExchangeClock clock;
  Listing listing;
  FaultPlan faults;
  ExchangeContext context;
  ObjectRegistry registry;
  ExchangeTimeSource timeSource;
};

Exchange::Exchange(const ExchangeOptions& options) : state_(std::make_unique<State>(options)) {
  RegisterCodeObjects(state_->registry, state_->context);
  RegisterMarketObjects(state_->registry, state_->context);
}

Exchange::~Exchange() = default;

std::shared_ptr<broker::IObject> Exchange::CreateInstance(const broker::Guid& clsid) {
  state_->faults.CheckCreation(clsid);
  return state_->registry.Create(clsid);
}

void Exchange::Advance(int64_t milliseconds) {
  state_->clock.Advance(milliseconds);
}

void Exchange::Pump() {
  const int64_t wall = state_->wallClock();
  const int64_t passed = wall - state_->lastWall;
  if (passed <= 0) return;
  state_->lastWall = wall;
  const double speed = state_->options.clock == ClockMode::kLive ? 1.0 : state_->options.speed;
  const double owed = static_cast<double>(passed) * speed + state_->carry;
  const auto step = static_cast<int64_t>(owed);
  state_->carry = owed - static_cast<double>(step);
  state_->clock.Advance(step);
}

FaultPlan& Exchange::Faults() {
  return state_->faults;
}
ExchangeClock& Exchange::Clock() {
  return state_->clock;
}
const Listing& Exchange::Stocks() const {
  return state_->listing;
}
ExchangeContext& Exchange::Context() {
  return state_->context;
}
const TimeSource& Exchange::Time() const {
  return state_->timeSource;
}

}  // namespace ostrada::sim
