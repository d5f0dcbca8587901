// The account's standing conditions against the seeded market: each kind acts at the first contract
// of the tape that meets it (found here by walking the tape), whatever the steps the clock took, once
// across processes and restarts; and what cannot be watched is refused with its reason.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/market_service.h"
#include "broker/sim/paper/paper_account.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

constexpr int32_t kBuyMs = 9 * kMsPerHour + 5 * kMsPerMinute;
constexpr int32_t kSetMs = 9 * kMsPerHour + 10 * kMsPerMinute;
constexpr int32_t kHeld = 100;

// The continuous session's contracts of the code after `afterMs`, from a market of its own.
struct Tape {
  int32_t price = 0;  // the price at `afterMs`
  std::vector<TapeContract> contracts;
  int32_t Lowest() const {
    int32_t lowest = price;
    for (const TapeContract& c : contracts) lowest = std::min(lowest, c.price);
    return lowest;
  }
  int32_t Highest() const {
    int32_t highest = price;
    for (const TapeContract& c : contracts) highest = std::max(highest, c.price);
    return highest;
  }
};
Tape TapeOf(const Listing& listing, const std::string& code, int32_t afterMs) {
  Market market(ProfilesOf(listing), Trading().seed);
  market.Sync(kTradingDate, kCloseMs);
  StockDay& day = market.Day(market.Find(code));
  std::vector<Trade> records;
  day.Records(0, day.CountAt(kCloseMs), records);
  Tape tape;
  tape.price = day.StateAt(afterMs).price;
  for (const Trade& r : records) {
    if (r.phase == Phase::kRegular && r.timeMs > afterMs && r.timeMs < kClosingAuctionMs)
      tape.contracts.push_back({r.timeMs, r.price});
  }
  return tape;
}

// A level halfway from the price to the day's extreme, on the tick grid and beyond the price.
int32_t Halfway(int32_t price, int32_t extreme) {
  const int32_t level = TickAtOrBelow((price + extreme) / 2);
  return level == price || level == TickAtOrBelow(price) ? extreme : level;
}

class WatchFixture : public ::testing::Test {
 protected:
  WatchFixture() : path_(folder_.File("paper.sqlite")), session_(Trading(path_)) {}
  void SetUp() override {
    ASSERT_EQ(session_.Login(), 0);
    // A stock that moves both ways enough after 09:10 to meet a level each way.
    for (const std::string& code : session_.TradableCodes()) {
      const Tape tape = TapeOf(session_.TheExchange().Stocks(), code, kSetMs);
      if (tape.contracts.size() > 200 && tape.Lowest() < TicksFrom(tape.price, -3) &&
          tape.Highest() > TicksFrom(tape.price, 3)) {
        code_ = code;
        tape_ = tape;
        break;
      }
    }
    ASSERT_FALSE(code_.empty());
    To(kBuyMs);
    ASSERT_EQ(session_.Order('2', code_, kHeld, 0, true).status, 0);
    ASSERT_EQ(Paper().Ledger().Holding(kAccount, code_).quantity, kHeld);
    To(kSetMs);
  }
  PaperTrading& Paper() { return session_.TheExchange().Paper(); }
  void To(int32_t ms) { session_.TheExchange().Advance(ms - session_.TheExchange().Clock().TimeOfDay()); }
  WatchCondition Condition(WatchKind kind) const {
    WatchCondition condition;
    condition.account = kAccount;
    condition.code = code_;
    condition.kind = kind;
    return condition;
  }
  WatchCondition Only() {
    const std::vector<WatchCondition> all = Paper().Watches(kAccount);
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? WatchCondition{} : all[0];
  }

  // The first contract after the set time at or below `level`.
  TapeContract FirstAtOrBelow(int32_t level) const {
    for (const TapeContract& c : tape_.contracts) {
      if (c.price <= level) return c;
    }
    return {};
  }
  // At the close: the one condition fired at the contract, and sold once, entered at that moment.
  void ExpectFiredOnceAt(const TapeContract& expected) {
    To(kCloseMs + 1);
    const WatchCondition fired = Only();
    EXPECT_EQ(fired.state, WatchState::kFired);
    EXPECT_EQ(fired.endMs, expected.timeMs);
    EXPECT_EQ(fired.firedPrice, expected.price);
    EXPECT_EQ(Sells(), 1);
    EXPECT_EQ(Paper().Ledger().Order(kTradingDate, fired.orderNumber)->timeMs, expected.timeMs);
  }
  // The sell orders of the stock in the ledger.
  int Sells() {
    int sells = 0;
    for (const PaperOrder& order : Paper().Ledger().OrdersAfter(kTradingDate, 0))
      sells += order.code == code_ && order.side == Side::kSell ? 1 : 0;
    return sells;
  }

  TempFolder folder_;
  std::string path_;
  TradingSession session_;
  std::string code_;
  Tape tape_;
};

struct KindCase {
  const char* name;
  WatchKind kind;
  bool market;
  int32_t ticks;
  int32_t quantity;
  bool jump;  // the day in one step, else in steps of ten seconds
};

class WatchKinds : public WatchFixture, public ::testing::WithParamInterface<KindCase> {};

TEST_P(WatchKinds, ActAtTheFirstContractThatMeetsThem) {
  const KindCase& row = GetParam();
  WatchCondition condition = Condition(row.kind);
  condition.market = row.market;
  condition.ticks = row.ticks;
  condition.quantity = row.quantity;
  // The level and the contract that meets it, from the tape.
  const bool down = row.kind == WatchKind::kStop || row.kind == WatchKind::kAlertBelow;
  int32_t peak = tape_.price;
  int32_t drop = 0;  // a trailing stop's distance: half the deepest fall from a high of the day
  for (const TapeContract& c : tape_.contracts) {
    peak = std::max(peak, c.price);
    drop = std::max(drop, peak - c.price);
  }
  if (row.kind == WatchKind::kTrail) {
    condition.trailWon = std::max(1, drop / 2);
  } else {
    condition.level = Halfway(tape_.price, down ? tape_.Lowest() : tape_.Highest());
  }
  std::optional<TapeContract> expected;
  peak = tape_.price;
  for (const TapeContract& c : tape_.contracts) {
    peak = std::max(peak, c.price);
    const bool meets = row.kind == WatchKind::kTrail ? c.price <= peak - condition.trailWon
                       : down                        ? c.price <= condition.level
                                                     : c.price >= condition.level;
    if (meets) {
      expected = c;
      break;
    }
  }
  ASSERT_TRUE(expected);
  const PaperTrading::WatchResult set = Paper().SetWatch(condition);
  ASSERT_EQ(set.refusal, "") << Cp949ToUtf8(set.refusal);

  if (row.jump) {
    To(kCloseMs + kMsPerMinute);
  } else {
    while (session_.TheExchange().Clock().TimeOfDay() < kCloseMs) session_.TheExchange().Advance(10'000);
  }
  const WatchCondition fired = Only();
  EXPECT_EQ(fired.state, WatchState::kFired) << Cp949ToUtf8(fired.message);
  EXPECT_EQ(fired.endMs, expected->timeMs);
  EXPECT_EQ(fired.firedPrice, expected->price);
  if (!set.condition.Orders()) {
    EXPECT_EQ(fired.orderNumber, 0);
    return;
  }
  const std::optional<PaperOrder> order = Paper().Ledger().Order(kTradingDate, fired.orderNumber);
  ASSERT_TRUE(order);
  EXPECT_EQ(order->timeMs, expected->timeMs) << "entered at the contract, not at the step's end";
  EXPECT_EQ(order->side, row.kind == WatchKind::kBreakout ? Side::kBuy : Side::kSell);
  EXPECT_EQ(order->market, row.market);
  const int32_t away = row.kind == WatchKind::kBreakout ? row.ticks : -row.ticks;
  EXPECT_EQ(order->price, row.market ? 0 : TicksFrom(expected->price, away));
  EXPECT_EQ(order->quantity, row.quantity > 0 ? row.quantity : kHeld);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, WatchKinds,
    ::testing::Values(KindCase{"StopAtMarket", WatchKind::kStop, true, 0, 0, true},
                      KindCase{"StopAtMarketInSteps", WatchKind::kStop, true, 0, 0, false},
                      KindCase{"TakeTwoTicksUnder", WatchKind::kTake, false, 2, 40, true},
                      KindCase{"TakeTwoTicksUnderInSteps", WatchKind::kTake, false, 2, 40, false},
                      KindCase{"TrailOneTickUnder", WatchKind::kTrail, false, 1, 0, true},
                      KindCase{"TrailOneTickUnderInSteps", WatchKind::kTrail, false, 1, 0, false},
                      KindCase{"BreakoutAtItsPrice", WatchKind::kBreakout, false, 0, 10, true},
                      KindCase{"BreakoutAtMarketInSteps", WatchKind::kBreakout, true, 0, 10, false},
                      KindCase{"AlertAbove", WatchKind::kAlertAbove, true, 0, 0, true},
                      KindCase{"AlertBelowInSteps", WatchKind::kAlertBelow, true, 0, 0, false}),
    [](const ::testing::TestParamInfo<KindCase>& row) { return std::string(row.param.name); });

using WatchLife = WatchFixture;

// Set in one process; another that never saw it set, started afterwards on the ledger, acts on it;
// the first, and a third, find it done: one order, at the contract that met it.
TEST_F(WatchLife, ActsOnceAcrossProcessesAndRestarts) {
  WatchCondition condition = Condition(WatchKind::kStop);
  condition.level = Halfway(tape_.price, tape_.Lowest());
  ASSERT_EQ(Paper().SetWatch(condition).refusal, "");
  const TapeContract expected = FirstAtOrBelow(condition.level);
  {
    Exchange restarted(Trading(path_));
    Exchange third(Trading(path_));
    for (int hour = 0; hour < 6; ++hour) {
      restarted.Advance(kMsPerHour);
      for (int step = 0; step < 360; ++step) third.Advance(10'000);
    }
  }
  ExpectFiredOnceAt(expected);
}

// Once the parent says go (a byte on `go`), runs an exchange of its own on the ledger from its
// clock to the close in steps of `stepMs`, telling the parent through `fd` where each step starts;
// ends the process.
constexpr int32_t kVictimStepMs = 10 * kMsPerMinute;

[[noreturn]] void StepToTheClose(const std::string& ledger, int go, int fd, int32_t stepMs) {
  char byte = 0;
  if (read(go, &byte, 1) != 1) _exit(3);
  Exchange exchange(Trading(ledger));
  while (exchange.Clock().TimeOfDay() < kCloseMs) {
    dprintf(fd, "%d\n", static_cast<int>(exchange.Clock().TimeOfDay()));
    exchange.Advance(stepMs);
  }
  // The victim stays until killed, so that a kill meant for its last steps never finds it gone.
  if (stepMs == kVictimStepMs) {
    close(fd);
    pause();
  }
  _exit(0);
}

// Three processes on the ledger: the first killed with SIGKILL once it has begun the step that
// reaches the contract meeting the stop (before, during or after its claim), the other two then
// racing from the ledger's clock to the close: one order, at that contract.
TEST_F(WatchLife, ActsOnceWithThreeProcessesAndOneKilledInTheStepThatMeetsIt) {
  WatchCondition condition = Condition(WatchKind::kStop);
  condition.level = Halfway(tape_.price, tape_.Lowest());
  ASSERT_EQ(Paper().SetWatch(condition).refusal, "");
  const TapeContract expected = FirstAtOrBelow(condition.level);
  ASSERT_GT(expected.timeMs, kSetMs);
  constexpr int32_t kSteps[] = {kVictimStepMs, kMsPerHour, 1'000};
  int go[3][2];
  int out[3][2];
  pid_t children[3];
  std::fflush(nullptr);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(pipe(go[i]), 0);
    ASSERT_EQ(pipe(out[i]), 0);
    children[i] = fork();
    ASSERT_GE(children[i], 0);
    if (children[i] == 0) {
      close(out[i][0]);
      StepToTheClose(path_, go[i][0], out[i][1], kSteps[i]);
    }
    close(go[i][0]);
    close(out[i][1]);
  }
  const auto release = [&go](int i) { return write(go[i][1], "g", 1) == 1; };
  ASSERT_TRUE(release(0));
  FILE* victim = fdopen(out[0][0], "r");
  char line[32];
  bool killed = false;
  while (!killed && std::fgets(line, sizeof line, victim) != nullptr) {
    if (std::atoi(line) + kSteps[0] >= expected.timeMs) killed = kill(children[0], SIGKILL) == 0;
  }
  std::fclose(victim);
  if (!killed) kill(children[0], SIGKILL);  // told below; the victim never leaves by itself
  ASSERT_TRUE(release(1) && release(2));
  for (int i = 0; i < 3; ++i) {
    close(go[i][1]);
    if (i > 0) {
      FILE* steps = fdopen(out[i][0], "r");
      while (std::fgets(line, sizeof line, steps) != nullptr) {
      }
      std::fclose(steps);
    }
    int status = 0;
    waitpid(children[i], &status, 0);
    if (i == 0) {
      EXPECT_TRUE(killed && WIFSIGNALED(status)) << status;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << i << ": " << status;
    }
  }
  ExpectFiredOnceAt(expected);
}

// A stop whose holding was sold elsewhere ends when met, saying so, and sells nothing short.
TEST_F(WatchLife, EndsWhenItsHoldingIsGone) {
  WatchCondition condition = Condition(WatchKind::kStop);
  // From the cost: 1 % under the average purchase price, on the grid, or less where the day falls
  // less far under it.
  const PaperHolding holding = Paper().Ledger().Holding(kAccount, code_);
  const int64_t cost = holding.value / kHeld;
  const auto hundredths = static_cast<int32_t>(std::min<int64_t>(100, (cost - tape_.Lowest()) * 10'000 / cost));
  ASSERT_GT(hundredths, 0) << "the day falls under the cost";
  const int32_t level = TickAtOrBelow(static_cast<int32_t>(cost * (10'000 - hundredths) / 10'000));
  ASSERT_LT(level, tape_.price);
  ASSERT_GT(FirstAtOrBelow(level).price, 0) << "the seeded day meets it";
  const PaperTrading::WatchResult set = Paper().SetWatch(condition, hundredths);
  ASSERT_EQ(set.refusal, "");
  EXPECT_EQ(set.condition.level, level);
  ASSERT_EQ(session_.Order('1', code_, kHeld, 0, true).status, 0);
  To(kCloseMs + 1);
  const WatchCondition ended = Only();
  EXPECT_EQ(ended.state, WatchState::kEnded);
  EXPECT_EQ(Cp949ToUtf8(ended.message), "보유수량이 없어 감시주문을 끝냈습니다.");
  EXPECT_EQ(Sells(), 1);
  EXPECT_EQ(Paper().Ledger().Holding(kAccount, code_).quantity, 0);
}

// Cancelled, it never acts; unmet, it carries into the next day unless its expiry ends it.
TEST_F(WatchLife, CancelAndExpiry) {
  WatchCondition alert = Condition(WatchKind::kAlertAbove);
  alert.level = TicksFrom(tape_.Highest(), 1);
  const int64_t carried = Paper().SetWatch(alert).condition.id;
  alert.expiry = kTradingDate;
  const int64_t expiring = Paper().SetWatch(alert).condition.id;
  WatchCondition stop = Condition(WatchKind::kStop);
  stop.level = Halfway(tape_.price, tape_.Lowest());
  const int64_t cancelled = Paper().SetWatch(stop).condition.id;
  EXPECT_EQ(Paper().CancelWatch(kAccount, cancelled), "");
  EXPECT_EQ(Cp949ToUtf8(Paper().CancelWatch(kAccount, cancelled)), "이미 끝난 감시주문입니다.");
  EXPECT_EQ(Cp949ToUtf8(Paper().CancelWatch(kAccount, 99)), "없는 감시주문입니다.");
  EXPECT_EQ(Cp949ToUtf8(Paper().CancelWatch("5011223301", carried)), "없는 감시주문입니다.");
  const int32_t next = AddDays(kTradingDate, 1);
  session_.TheExchange().AdvanceTo(next, kOpenMs);
  const std::vector<WatchCondition> all = Paper().Watches(kAccount);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].id, carried);
  EXPECT_EQ(all[0].state, WatchState::kActive);
  EXPECT_EQ(all[1].id, expiring);
  EXPECT_EQ(all[1].state, WatchState::kEnded);
  EXPECT_EQ(Cp949ToUtf8(all[1].message), "만료일이 지나 감시주문을 끝냈습니다.");
  EXPECT_EQ(all[2].state, WatchState::kCancelled);
  EXPECT_EQ(Sells(), 0);
}

// ---- refusals ----

struct RefusalCase {
  const char* name;
  WatchKind kind;
  bool held;         // on the stock bought, else on one not held
  std::optional<int> ticksFromPrice;  // the level; none: no level
  int32_t quantity;
  int32_t costPercent;
  int32_t trailWon;
  bool offTick;  // the level a won off the grid
  int32_t expiry;
  const char* says;
};

class WatchRefusals : public WatchFixture, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(WatchRefusals, SayWhyAndKeepNothing) {
  const RefusalCase& row = GetParam();
  WatchCondition condition = Condition(row.kind);
  if (!row.held) {
    for (const std::string& code : session_.TradableCodes()) {
      if (code != code_) {
        condition.code = code;
        break;
      }
    }
  }
  const Tape tape = TapeOf(session_.TheExchange().Stocks(), condition.code, kSetMs);
  if (row.ticksFromPrice) condition.level = TicksFrom(tape.price, *row.ticksFromPrice) + (row.offTick ? 1 : 0);
  condition.quantity = row.quantity;
  condition.trailWon = row.trailWon;
  condition.expiry = row.expiry;
  const PaperTrading::WatchResult set = Paper().SetWatch(condition, row.costPercent);
  EXPECT_NE(Cp949ToUtf8(set.refusal).find(row.says), std::string::npos) << Cp949ToUtf8(set.refusal);
  EXPECT_TRUE(Paper().Watches(kAccount).empty());
}

INSTANTIATE_TEST_SUITE_P(
    EveryRule, WatchRefusals,
    ::testing::Values(
        RefusalCase{"StopNotHeld", WatchKind::kStop, false, -2, 0, 0, 0, false, 0, "보유하지 않은 종목"},
        RefusalCase{"TrailNotHeld", WatchKind::kTrail, false, {}, 0, 0, 50, false, 0, "보유하지 않은 종목"},
        RefusalCase{"AboveHolding", WatchKind::kStop, true, -2, kHeld + 1, 0, 0, false, 0, "보유수량(100주)을 넘었"},
        RefusalCase{"StopAtThePrice", WatchKind::kStop, true, 0, 0, 0, 0, false, 0, "보다 낮아야"},
        RefusalCase{"StopWithoutLevel", WatchKind::kStop, true, {}, 0, 0, 0, false, 0, "호가단위"},
        RefusalCase{"StopAbove", WatchKind::kStop, true, 1, 0, 0, 0, false, 0, "보다 낮아야"},
        RefusalCase{"TakeBelow", WatchKind::kTake, true, -1, 0, 0, 0, false, 0, "보다 높아야"},
        RefusalCase{"BreakoutBelow", WatchKind::kBreakout, false, -1, 5, 0, 0, false, 0, "보다 높아야"},
        RefusalCase{"AlertBelowAbove", WatchKind::kAlertBelow, false, 3, 0, 0, 0, false, 0, "보다 낮아야"},
        RefusalCase{"OffTheGrid", WatchKind::kTake, true, 3, 0, 0, 0, true, 0, "호가단위"},
        RefusalCase{"BreakoutWithoutQuantity", WatchKind::kBreakout, false, 3, 0, 0, 0, false, 0, "주문수량"},
        RefusalCase{"TrailWithoutDistance", WatchKind::kTrail, true, {}, 0, 0, 0, false, 0, "하락폭"},
        RefusalCase{"StopAHundredPercent", WatchKind::kStop, true, {}, 0, 10'000, 0, false, 0, "하락폭"},
        RefusalCase{"ExpiryPassed", WatchKind::kAlertAbove, false, 3, 0, 0, 0, false, kTradingDate - 1, "만료일"}),
    [](const ::testing::TestParamInfo<RefusalCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ostrada::sim::testing
