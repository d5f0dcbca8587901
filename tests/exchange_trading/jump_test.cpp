// A jump of the account's clock is the same as waiting: whatever the steps from one moment to the
// next, the ledger ends with the same orders, fills (at the same prices and times), cash and holdings,
// the event log hears the same notices in the same order, and every open order has the same shares
// ahead of it. A process that takes over from another on the way is no different, however often.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

constexpr int32_t kNextDay = 20261209;

int64_t At(int hh, int mm) {
  return (hh * 60LL + mm) * 60'000;
}

// The account's process: one that runs all along, or one a path ends and starts again on the ledger.
struct Account {
  std::string ledger;
  std::unique_ptr<TradingSession> session;
  NoticeRecorder* events = nullptr;
  std::vector<std::string> notices;  // kind, order, quantity, price, time

  void Start(const ExchangeOptions& options) {
    session = std::make_unique<TradingSession>(options);
    EXPECT_EQ(session->Login(), 0);
    events = &session->Listen();
  }
  void Stop() {
    for (const NoticeRecorder::Notice& notice : events->notices) {
      notices.push_back(notice.kind + " " + std::to_string(notice.number) + " " + std::to_string(notice.quantity) +
                        " " + std::to_string(notice.price) + " " + notice.time);
    }
    session.reset();
  }
  // A new process resumes at the ledger's clock.
  void Restart() {
    Stop();
    Start(Trading(ledger));
  }
  Exchange& TheExchange() { return session->TheExchange(); }
};

// How the clock gets from one moment to a later one.
using Path = std::function<void(Account&, int32_t date, int64_t timeOfDay)>;

Path Steps(int64_t milliseconds) {
  return [milliseconds](Account& account, int32_t date, int64_t timeOfDay) {
    for (;;) {
      const ExchangeClock& clock = account.TheExchange().Clock();
      const int64_t left =
          (DaysSinceEpoch(date) - DaysSinceEpoch(clock.Date())) * kMillisecondsPerDay + timeOfDay - clock.TimeOfDay();
      if (left <= 0) return;
      account.TheExchange().Step(std::min(left, milliseconds));
    }
  };
}

Path Jump() {
  return [](Account& account, int32_t date, int64_t timeOfDay) { account.TheExchange().AdvanceTo(date, timeOfDay); };
}

// Another process takes over every `every` milliseconds of a stretch of the trading day (half way
// through it when the stretch is shorter), so orders part filled go on filling in a new process.
Path Restarted(int64_t every) {
  return [every](Account& account, int32_t date, int64_t timeOfDay) {
    const ExchangeClock& clock = account.TheExchange().Clock();
    if (clock.Date() == date && clock.TimeOfDay() >= At(9, 0)) {
      const int64_t step = std::min(every, (timeOfDay - clock.TimeOfDay()) / 2);
      for (int64_t at = clock.TimeOfDay() + step; step > 0 && at < timeOfDay; at += step) {
        account.TheExchange().AdvanceTo(date, at);
        account.Restart();
      }
    }
    account.TheExchange().AdvanceTo(date, timeOfDay);
  };
}

// Every row of the tables that hold the account, as text.
std::vector<std::string> LedgerRows(const std::string& path) {
  SqliteDb db(path, SqliteDb::ReadOnly{});
  const std::vector<std::pair<std::string, std::string>> tables = {
      {"accounts", "account, cash, starting_cash, reserved"},
      {"orders", PaperOrderColumns()},
      {"fills", PaperFillColumns()},
      {"holdings", "account, code, quantity, value, cost"},
      {"clock", "date, time_ms, seed, shares_through"}};
  std::vector<std::string> rows;
  for (const auto& table : tables) {
    std::string columns = table.second;
    std::replace(columns.begin(), columns.end(), ',', '|');
    std::string concatenated;
    for (const char c : columns) concatenated += c == '|' ? std::string(" || '|' || ") : std::string(1, c);
    SqliteStatement rowsOf(db, "SELECT '" + table.first + ": ' || " + concatenated + " FROM " + table.first +
                                   " ORDER BY rowid");
    while (rowsOf.Step()) rows.push_back(rowsOf.Text(0));
  }
  return rows;
}

struct Ended {
  std::vector<std::string> ledger;
  std::vector<std::string> notices;
  std::vector<int32_t> fillTimes;
  std::vector<std::string> queues;  // each open order's number, unfilled and queue ahead, after each stretch
};

void Place(TradingSession& session, char side, const std::string& code, int32_t quantity, int32_t price,
           bool market = false) {
  const OrderReply reply = session.Order(side, code, quantity, price, market);
  ASSERT_EQ(reply.status, 0) << Cp949ToUtf8(reply.text2);
}

// One account through a day and into the next: auction orders before the open, limit orders at and
// away from the touch on both sides, a closing-auction order, the night.
Ended Drive(const std::string& ledger, const Path& path) {
  Ended run;
  Account account;
  account.ledger = ledger;
  account.Start(TradingAt(8, 40, ledger));
  auto go = [&](int32_t date, int64_t timeOfDay) {
    path(account, date, timeOfDay);
    for (const TradingSession::UnfilledRow& row : account.session->Unfilled()) {
      run.queues.push_back(std::to_string(row.number) + " " + std::to_string(row.unfilled) + " " +
                           std::to_string(row.queueAhead));
    }
  };
  const std::vector<std::string> codes = account.session->TradableCodes();
  Place(*account.session, '2', codes[0], 30, 0, true);
  Place(*account.session, '2', codes[1], 40, 0, true);
  Place(*account.session, '2', codes[2], 10, TicksFrom(account.session->Best(codes[2]).second, -2));

  go(kTradingDate, At(9, 5));
  for (int i = 0; i < 6; ++i) {
    Place(*account.session, '2', codes[3 + i], 20, TicksFrom(account.session->Best(codes[3 + i]).second, -i));
  }
  const int32_t ask = account.session->Best(codes[0]).first;
  Place(*account.session, '1', codes[0], 10, ask);
  Place(*account.session, '1', codes[0], 10, TicksFrom(ask, 1));

  for (const int64_t moment : {At(9, 20), At(9, 35), At(10, 5), At(11, 0), At(14, 55)}) go(kTradingDate, moment);
  Place(*account.session, '1', codes[1], 15, 0, true);

  go(kTradingDate, At(15, 10));
  go(kNextDay, At(9, 10));
  account.Stop();
  run.notices = account.notices;
  run.ledger = LedgerRows(ledger);
  SqliteDb db(ledger, SqliteDb::ReadOnly{});
  SqliteStatement times(db, "SELECT time_ms FROM fills ORDER BY id");
  while (times.Step()) run.fillTimes.push_back(static_cast<int32_t>(times.Int(0)));
  return run;
}

class JumpIsWaiting : public ::testing::TestWithParam<std::pair<const char*, Path>> {
 protected:
  // The account at ×1, the program's pump a second at a time, through the trading day; the night,
  // when nothing trades, at ×1000.
  static const Ended& AtWalkingPace() {
    static const Ended run = [] {
      TempFolder folder;
      return Drive(folder.File("paper.sqlite"), [](Account& account, int32_t date, int64_t timeOfDay) {
        Steps(date == kTradingDate ? 1'000 : 16'000)(account, date, timeOfDay);
      });
    }();
    return run;
  }
  TempFolder folder_;
};

TEST_P(JumpIsWaiting, LeavesTheLedgerAndTheEventLogAsWaitingDoes) {
  const Ended& reference = AtWalkingPace();
  // The day did trade: the auctions, several resting orders, and nothing after the close.
  ASSERT_GE(reference.fillTimes.size(), 5u);
  EXPECT_EQ(reference.fillTimes.front(), At(9, 0)) << "the opening auction's fill at its moment";
  EXPECT_TRUE(std::is_sorted(reference.fillTimes.begin(), reference.fillTimes.end()));
  EXPECT_GE(std::count(reference.fillTimes.begin(), reference.fillTimes.end(), At(15, 0)), 1)
      << "the closing auction's fill at the close";
  EXPECT_LE(reference.fillTimes.back(), At(15, 0));

  const Ended run = Drive(folder_.File("paper.sqlite"), GetParam().second);
  EXPECT_EQ(run.ledger, reference.ledger);
  EXPECT_EQ(run.notices, reference.notices);
  EXPECT_EQ(run.queues, reference.queues);
}

INSTANTIATE_TEST_SUITE_P(Paths, JumpIsWaiting,
                         ::testing::Values(std::make_pair("Jumps", Jump()),
                                           std::make_pair("StepsOf7Seconds", Steps(7'000)),
                                           std::make_pair("StepsOf16SecondsAtX1000", Steps(16'000)),
                                           std::make_pair("StepsOf10Minutes", Steps(10 * 60'000)),
                                           std::make_pair("RestartedHalfWay", Restarted(kMillisecondsPerDay)),
                                           std::make_pair("RestartedEvery20Minutes", Restarted(20 * 60'000))),
                         [](const auto& row) { return std::string(row.param.first); });

}  // namespace
}  // namespace ostrada::sim::testing
