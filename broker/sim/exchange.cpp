#include "broker/sim/exchange.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "basesrc/foundation/texts.h"

#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/objects/registry.h"
#include "broker/sim/objects/trade_objects.h"

namespace ostrada::sim {

int32_t DefaultTradingDate(int64_t unixMilliseconds) {
  return TradingDayAtOrBefore(KoreanDate(unixMilliseconds));
}

// A seed nobody can name in advance, for a new account's market.
uint64_t RandomSeed() {
  std::random_device device;
  return (static_cast<uint64_t>(device()) << 32) ^ device();
}

namespace {

// Moves the clock with the market's events held, and releases them however the move ends.
template <class Move>
void Held(Market& market, Move&& move) {
  if (market.Held()) return move();
  market.Hold();
  try {
    move();
  } catch (...) {
    market.Release();
    throw;
  }
  market.Release();
}

}  // namespace

struct Exchange::State {
  explicit State(const ExchangeOptions& chosen)
      : options(chosen),
        wallClock(chosen.wallClock ? chosen.wallClock : std::function<int64_t()>(SystemMilliseconds)),
        lastWall(wallClock()),
        ledger(OpenLedger()),
        marketSeed(ChooseMarketSeed()),
        listingSize(ChooseListingSize()),
        resume(ledger ? ledger->LastSeen() : PaperLedger::Moment{}),
        clock(StartDate(), StartTime()),
        listing(ListingOf(options, marketSeed, listingSize)),
        context(clock, listing, faults, marketSeed),
        timeSource(clock) {}

  std::unique_ptr<PaperLedger> OpenLedger() {
    const PaperOptions& chosen = options.paper;
    if (chosen.readOnly && !chosen.ledgerPath.empty())
      return PaperLedger::OpenToRead(chosen.ledgerPath, FeeRatesOf(chosen), ledgerProblem);
    return PaperLedger::Open(chosen.ledgerPath.empty() ? ":memory:" : chosen.ledgerPath, PaperAccountNumbers(),
                             chosen.startingCash, FeeRatesOf(chosen), ledgerProblem);
  }

  // The paper account's market when its ledger keeps one, else the one asked for. A ledger of
  // another market than the one asked for is set aside, so that nothing trades on the wrong market.
  uint64_t ChooseMarketSeed() {
    const uint64_t asked = options.marketSeed.value_or(options.seed);
    if (!ledger || options.paper.ledgerPath.empty()) return asked;
    try {
      std::optional<uint64_t> kept = ledger->MarketSeed();
      // A view of an account that has not chosen its market yet shows the one asked for.
      if (!kept && ledger->ReadOnly()) return asked;
      if (!kept) kept = ledger->KeepMarketSeed(options.paper.drawSeed ? RandomSeed() : asked);
      if (options.paper.drawSeed || *kept == asked) return *kept;
      ledgerProblem = Text(Txt::kPaperOtherMarket);
    } catch (const SqliteError& error) {
      ledgerProblem = Text(Txt::kPaperLedgerWriteFailed) + " " + error.what();
    }
    ledger.reset();
    return asked;
  }

  // The paper account's listing size when its ledger keeps one, else the one asked for; as with the
  // seed, a ledger of another size than the one asked for is set aside.
  int ChooseListingSize() {
    const int asked = ListingSizeFor(options.stocks);
    if (!ledger || options.paper.ledgerPath.empty()) return asked;
    try {
      std::optional<int> kept = ledger->ListingSize();
      if (!kept && ledger->ReadOnly()) return asked;
      if (!kept) kept = ledger->KeepListingSize(asked);
      if (options.paper.followListing || *kept == asked) return *kept;
      char message[512];
      std::snprintf(message, sizeof message, TextC(Txt::kPaperOtherListing), *kept);
      ledgerProblem = message;
    } catch (const SqliteError& error) {
      ledgerProblem = Text(Txt::kPaperLedgerWriteFailed) + " " + error.what();
    }
    ledger.reset();
    return asked;
  }

  static Listing ListingOf(const ExchangeOptions& options, uint64_t marketSeed, int stocks) {
    Listing listing = Listing::Build(options.seed, stocks);
    return marketSeed == options.seed ? listing : listing.WithMarket(marketSeed);
  }

  // A session never starts before the latest moment its ledger saw; without a date of its own it
  // resumes there, the account's clock, however long ago that was (a practice account in the past).
  int32_t StartDate() const {
    if (options.clock == ClockMode::kLive) return KoreanDate(lastWall);
    if (!IsValidDate(options.tradingDate) && IsValidDate(resume.date)) return resume.date;
    const int32_t chosen = IsValidDate(options.tradingDate) ? options.tradingDate : DefaultTradingDate(lastWall);
    return std::max(chosen, resume.date);
  }
  int64_t StartTime() const {
    if (options.clock == ClockMode::kLive) return KoreanTimeOfDay(lastWall);
    const int64_t open = ExchangeClock::AtHhmmss(kMarketOpenHhmm * 100);
    return StartDate() == resume.date ? std::max(open, resume.timeMs) : open;
  }

  ExchangeOptions options;
  std::function<int64_t()> wallClock;
  int64_t lastWall;
  double carry = 0;                     // the fraction of a millisecond a sped-up session still owes
  bool running = true;
  std::string ledgerProblem;            // before the ledger, which may fill it
  std::unique_ptr<PaperLedger> ledger;  // until the paper account takes it
  uint64_t marketSeed;
  int listingSize;
  PaperLedger::Moment resume;
  ExchangeClock clock;
  Listing listing;
  FaultPlan faults;
  ExchangeContext context;
  ObjectRegistry registry;
  ExchangeTimeSource timeSource;
  SharedMarket market;
  std::shared_ptr<PaperTrading> paper;
  std::function<void()> accountJumped;
};

Exchange::Exchange(const ExchangeOptions& options) : state_(std::make_unique<State>(options)) {
  RegisterCodeObjects(state_->registry, state_->context);
  state_->market = RegisterMarketObjects(state_->registry, state_->context);
  state_->paper = std::make_shared<PaperTrading>(state_->context, state_->market, std::move(state_->ledger),
                                                 state_->ledgerProblem, state_->options.paper);
  RegisterTradeObjects(state_->registry, state_->context, state_->paper);
}

Exchange::~Exchange() = default;

std::shared_ptr<broker::IObject> Exchange::CreateInstance(const broker::Guid& clsid) {
  state_->faults.CheckCreation(clsid);
  return state_->registry.Create(clsid);
}

void Exchange::Advance(int64_t milliseconds) {
  state_->clock.Advance(milliseconds);
}

void Exchange::AdvanceTo(int32_t date, int64_t timeOfDay) {
  ExchangeClock& clock = state_->clock;
  // A step stops at each midnight on its way; the guard ends a moment the clock cannot reach.
  for (int days = 0; days < 100'000; ++days) {
    const int64_t left =
        (DaysSinceEpoch(date) - DaysSinceEpoch(clock.Date())) * kMillisecondsPerDay + timeOfDay - clock.TimeOfDay();
    if (left <= 0) return;
    clock.Advance(left);
  }
}

void Exchange::JumpTo(int32_t date, int64_t timeOfDay) {
  Held(state_->market->Current(), [&] { AdvanceTo(date, timeOfDay); });
}

void Exchange::Step(int64_t milliseconds) {
  // Another process on the account (a command line's run) may have moved its clock ahead.
  const int64_t ahead = state_->paper->LedgerClockAhead();
  if (ahead - milliseconds < kAccountJumpMs) {
    state_->clock.Advance(std::max(milliseconds, ahead));
    return;
  }
  Held(state_->market->Current(), [&] { state_->clock.Advance(ahead); });
  if (state_->accountJumped) state_->accountJumped();
}

void Exchange::OnAccountJump(std::function<void()> listener) {
  state_->accountJumped = std::move(listener);
}

void Exchange::Pump() {
  const int64_t wall = state_->wallClock();
  const int64_t passed = wall - state_->lastWall;
  if (passed <= 0) return;
  state_->lastWall = wall;
  if (!state_->running) {
    Step(0);
    return;
  }
  const double speed = state_->options.clock == ClockMode::kLive ? 1.0 : state_->options.speed;
  const double owed = static_cast<double>(passed) * speed + state_->carry;
  const auto step = static_cast<int64_t>(owed);
  state_->carry = owed - static_cast<double>(step);
  Step(step);
}

void Exchange::SetSpeed(double speed) {
  if (speed > 0) state_->options.speed = speed;
}

double Exchange::Speed() const {
  return state_->options.speed;
}

void Exchange::SetRunning(bool running) {
  state_->running = running;
  state_->carry = 0;
}

bool Exchange::Running() const {
  return state_->running;
}

const std::string& Exchange::PaperProblem() const {
  return state_->ledgerProblem;
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
PaperTrading& Exchange::Paper() {
  return *state_->paper;
}
ExchangeContext& Exchange::Context() {
  return state_->context;
}
const TimeSource& Exchange::Time() const {
  return state_->timeSource;
}

}  // namespace ostrada::sim
