// Two processes trading on one ledger (placing, modifying, cancelling and filling), each killed with
// SIGKILL at a random moment while orders and fills stream: after them, every order and fill they
// acknowledged is in the ledger exactly once, no order is filled beyond its quantity, and the cash,
// the held cash and the holdings at cost follow from the fills to the won. OSTRADA_CRASH_ROUNDS sets
// how many rounds (scripts/paper_crash.sh runs many).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "broker/sim/market/market_calendar.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

// Enough that the stream's buys are never refused for cash.
constexpr int64_t kStreamCash = 1'000'000'000'000LL;

// Writes each acknowledgement to the parent: "O date number" for an accepted order, "F date number
// quantity price child" for a fill event told to the child.
class Reporter : public broker::IEventSink {
 public:
  Reporter(broker::IMarketRequest& events, int fd, int32_t date, int child)
      : events_(events), fd_(fd), date_(date), child_(child) {}
  void Received() override {
    if (events_.HeaderValue(14).ToText() != "1") return;
    Send("F " + std::to_string(date_) + " " + std::to_string(events_.HeaderValue(5).ToI4()) + " " +
         std::to_string(events_.HeaderValue(3).ToI4()) + " " + std::to_string(events_.HeaderValue(4).ToI4()) + " " +
         std::to_string(child_));
  }
  void Send(const std::string& line) {
    const std::string text = line + "\n";
    if (write(fd_, text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(3);
  }

 private:
  broker::IMarketRequest& events_;
  int fd_;
  int32_t date_;
  int child_;
};

// The child: trades on the ledger until it is killed.
// `shift` varies the stream between the processes.
[[noreturn]] void StreamUntilKilled(const std::string& ledger, int32_t date, int fd, uint64_t shift) {
  {
    ExchangeOptions options = Trading(ledger);
    options.tradingDate = date;
    options.paper.startingCash = kStreamCash;
    TradingSession session(options);
    if (session.Login() != 0) _exit(2);
    auto events = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
    Reporter reporter(*events, fd, session.TheExchange().Clock().Date(), static_cast<int>(shift));
    events->Events().Advise(&reporter);
    events->Subscribe();
    const std::vector<std::string> codes = session.TradableCodes();
    int32_t lastResting = 0;
    std::string lastRestingCode;
    int refusedInARow = 0;
    for (uint64_t i = shift;; ++i) {
      const std::string& code = codes[i % 8];
      const auto [ask, bid] = session.Best(code);
      OrderReply reply;
      switch (i % 4) {
        case 0:
          reply = session.Order('2', code, static_cast<int32_t>(1 + i % 5), ask);
          break;
        case 1:
          reply = session.Order('1', code, 1, bid);
          break;
        case 2:
          reply = session.Order('2', code, 2, bid);
          // The last resting buy: a share of it moved to its stock's best bid, or cancelled.
          if (lastResting != 0 && i % 8 == 2) {
            session.Amend(false, lastResting, lastRestingCode, 1, session.Best(lastRestingCode).second);
          } else if (lastResting != 0) {
            session.Amend(true, lastResting, lastRestingCode, 1);
          }
          lastResting = reply.number;
          lastRestingCode = code;
          break;
        default:
          reply = session.Order('1', code, 1, ask);
          break;
      }
      if (reply.status == 0) reporter.Send("O " + std::to_string(date) + " " + std::to_string(reply.number));
      // A stream that stopped being accepted would leave the parent waiting: end it instead.
      refusedInARow = reply.status == 0 ? 0 : refusedInARow + 1;
      if (refusedInARow > 200) _exit(4);
      session.TheExchange().Advance(700);
    }
  }
}

using Fills = std::multiset<std::tuple<int32_t, int32_t, int32_t, int32_t>>;  // date, number, quantity, price

struct Acknowledged {
  std::set<std::pair<int32_t, int32_t>> orders;  // date, number
  // Each process tells every fill once, its own and the other's: counted per process.
  std::map<int, Fills> fills;
};

// Runs two children on the date, kills one once they acknowledged `before` events between them and
// the other a while later, and collects what they said.
void KillMidStream(const std::string& ledger, int32_t date, size_t before, Acknowledged& acknowledged) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  std::fflush(nullptr);
  pid_t children[2] = {-1, -1};
  for (int i = 0; i < 2; ++i) {
    children[i] = fork();
    ASSERT_GE(children[i], 0);
    if (children[i] == 0) {
      close(pipeFds[0]);
      StreamUntilKilled(ledger, date, pipeFds[1], static_cast<uint64_t>(i) * 3);
    }
  }
  close(pipeFds[1]);
  FILE* in = fdopen(pipeFds[0], "r");
  char line[128];
  size_t seen = 0;
  auto take = [&](const char* text) {
    std::istringstream fields(text);
    char kind = 0;
    int32_t day = 0, number = 0, quantity = 0, price = 0;
    int child = 0;
    fields >> kind >> day >> number;
    if (kind == 'O') acknowledged.orders.emplace(day, number);
    if (kind == 'F' && (fields >> quantity >> price >> child))
      acknowledged.fills[child].emplace(day, number, quantity, price);
  };
  for (const size_t until : {before, before + before / 2}) {
    while (seen < until && std::fgets(line, sizeof line, in) != nullptr) {
      take(line);
      ++seen;
    }
    kill(children[until == before ? 0 : 1], SIGKILL);
  }
  // What the children wrote before they died was acknowledged too.
  while (std::fgets(line, sizeof line, in) != nullptr) take(line);
  std::fclose(in);
  for (const pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "a child ended by itself: " << status;
  }
  ASSERT_GE(seen, before + before / 2);
}

// The ledger against what was acknowledged and against itself.
void Reconcile(const std::string& path, int32_t latestDate, const Acknowledged& acknowledged) {
  std::string problem;
  auto ledger = PaperLedger::Open(path, PaperAccountNumbers(), kStreamCash, FeeRates{}, problem);
  ASSERT_TRUE(ledger) << problem;
  for (const auto& [date, number] : acknowledged.orders)
    ASSERT_TRUE(ledger->Order(date, number).has_value()) << "lost order " << date << "/" << number;
  const std::vector<PaperFill> fills = ledger->Fills();
  Fills stored;
  for (const PaperFill& fill : fills) stored.emplace(fill.date, fill.number, fill.quantity, fill.price);
  for (const auto& [child, told] : acknowledged.fills) {
    for (const auto& fill : told)
      ASSERT_GE(stored.count(fill), told.count(fill)) << "lost fill of order " << std::get<1>(fill);
  }
  // Replay the fills: each order filled exactly as far as its fills say, cash and holdings to the won.
  const FeeRates fees;
  int64_t cash = ledger->StartingCash(kAccount);
  std::map<std::string, PaperHolding> holdings;
  std::map<std::pair<int32_t, int32_t>, int32_t> filled;
  for (const PaperFill& fill : fills) {
    const std::optional<PaperOrder> order = ledger->Order(fill.date, fill.number);
    ASSERT_TRUE(order.has_value());
    const int64_t value = static_cast<int64_t>(fill.price) * fill.quantity;
    ASSERT_EQ(fill.commission, fees.Commission(value));
    ASSERT_EQ(fill.tax, order->IsBuy() ? 0 : fees.Tax(value));
    filled[{fill.date, fill.number}] += fill.quantity;
    PaperHolding& holding = holdings[order->code];
    if (order->IsBuy()) {
      cash -= value + fill.commission;
      holding.quantity += fill.quantity;
      holding.value += value;
      holding.cost += value + fill.commission;
    } else {
      cash += value - fill.commission - fill.tax;
      holding.value -= holding.value * fill.quantity / holding.quantity;
      holding.cost -= holding.cost * fill.quantity / holding.quantity;
      holding.quantity -= fill.quantity;
      ASSERT_GE(holding.quantity, 0) << "sold shares it did not hold";
    }
  }
  for (const auto& [key, quantity] : filled) {
    const std::optional<PaperOrder> order = ledger->Order(key.first, key.second);
    ASSERT_EQ(order->filled, quantity) << "order " << key.second << " counted twice or lost a fill";
    ASSERT_LE(quantity, order->quantity);
  }
  EXPECT_EQ(ledger->Cash(kAccount), cash);
  // The open buys hold their cash, at their reserve price with the commission, and nothing more.
  int64_t held = 0;
  for (const PaperOrder& order : ledger->OpenOrders(kAccount, latestDate, 0, INT32_MAX)) {
    ASSERT_LE(order.filled + order.withdrawn, order.quantity);
    const int64_t value = static_cast<int64_t>(order.reservePrice) * order.Remaining();
    if (order.IsBuy()) held += value + fees.Commission(value);
  }
  EXPECT_EQ(ledger->ReservedCash(kAccount), held);
  for (const auto& [code, holding] : holdings) {
    const PaperHolding kept = ledger->Holding(kAccount, code);
    EXPECT_EQ(kept.quantity, holding.quantity) << code;
    EXPECT_EQ(kept.value, holding.value) << code;
    EXPECT_EQ(kept.cost, holding.cost) << code;
  }
}

TEST(Crash, AKilledProcessLosesAndDoublesNothingItAcknowledged) {
  TempFolder folder;
  const std::string ledger = folder.File("paper.sqlite");
  const char* configured = std::getenv("OSTRADA_CRASH_ROUNDS");
  const int rounds = configured != nullptr ? std::max(1, std::atoi(configured)) : 3;
  Acknowledged acknowledged;
  std::mt19937 random(std::random_device{}());
  int32_t date = kTradingDate;
  for (int round = 0; round < rounds; ++round) {
    SCOPED_TRACE(round);
    // Two kills a day, then the next trading day: open orders expire, holdings and cash carry over.
    if (round > 0 && round % 2 == 0) {
      do date = AddDays(date, 1);
      while (!IsTradingDay(date));
    }
    // The kill lands at a random point of the stream each round.
    const size_t before = 60 + static_cast<size_t>(random() % 200);
    SCOPED_TRACE("killed after " + std::to_string(before) + " acknowledgements");
    KillMidStream(ledger, date, before, acknowledged);
    if (::testing::Test::HasFatalFailure()) return;
    Reconcile(ledger, date, acknowledged);
    if (::testing::Test::HasFatalFailure()) return;
  }
  EXPECT_GT(acknowledged.fills.size(), 0u);
}

}  // namespace
}  // namespace ostrada::sim::testing
