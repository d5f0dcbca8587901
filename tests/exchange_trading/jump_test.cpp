// A jump of the account's clock is the same as waiting: whatever the steps from one moment to the
// next, the ledger ends with the same orders, fills (at the same prices and times), cash and holdings,
// and the event log hears the same notices in the same order.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// How the clock gets from one moment to a later one.
using Path = std::function<void(Exchange&, int32_t date, int64_t timeOfDay)>;

Path Steps(int64_t milliseconds) {
  return [milliseconds](Exchange& exchange, int32_t date, int64_t timeOfDay) {
    for (;;) {
      const ExchangeClock& clock = exchange.Clock();
      const int64_t left =
          (DaysSinceEpoch(date) - DaysSinceEpoch(clock.Date())) * kMillisecondsPerDay + timeOfDay - clock.TimeOfDay();
      if (left <= 0) return;
      exchange.Step(std::min(left, milliseconds));
    }
  };
}

Path Jump() {
  return [](Exchange& exchange, int32_t date, int64_t timeOfDay) { exchange.AdvanceTo(date, timeOfDay); };
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
  std::vector<std::string> notices;  // kind, order, quantity, price, time
  std::vector<int32_t> fillTimes;
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
  {
    TradingSession session(TradingAt(8, 40, ledger));
    EXPECT_EQ(session.Login(), 0);
    NoticeRecorder& events = session.Listen();
    Exchange& exchange = session.TheExchange();
    const std::vector<std::string> codes = session.TradableCodes();
    Place(session, '2', codes[0], 30, 0, true);
    Place(session, '2', codes[1], 40, 0, true);
    auto [ask, bid] = session.Best(codes[2]);
    Place(session, '2', codes[2], 10, bid - 2 * (ask - bid));

    path(exchange, kTradingDate, At(9, 5));
    for (int i = 0; i < 3; ++i) {
      std::tie(ask, bid) = session.Best(codes[3 + i]);
      Place(session, '2', codes[3 + i], 20, bid - i * (ask - bid));
    }
    std::tie(ask, bid) = session.Best(codes[0]);
    Place(session, '1', codes[0], 10, ask);
    Place(session, '1', codes[0], 10, ask + (ask - bid));

    path(exchange, kTradingDate, At(14, 55));
    Place(session, '1', codes[1], 15, 0, true);

    path(exchange, kTradingDate, At(15, 10));
    path(exchange, kNextDay, At(9, 10));
    for (const NoticeRecorder::Notice& notice : events.notices) {
      run.notices.push_back(notice.kind + " " + std::to_string(notice.number) + " " + std::to_string(notice.quantity) +
                            " " + std::to_string(notice.price) + " " + notice.time);
    }
  }
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
      return Drive(folder.File("paper.sqlite"), [](Exchange& exchange, int32_t date, int64_t timeOfDay) {
        Steps(date == kTradingDate ? 1'000 : 16'000)(exchange, date, timeOfDay);
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
}

INSTANTIATE_TEST_SUITE_P(Paths, JumpIsWaiting,
                         ::testing::Values(std::make_pair("Jumps", Jump()),
                                           std::make_pair("StepsOf7Seconds", Steps(7'000)),
                                           std::make_pair("StepsOf16SecondsAtX1000", Steps(16'000)),
                                           std::make_pair("StepsOf10Minutes", Steps(10 * 60'000))),
                         [](const auto& row) { return std::string(row.param.first); });

}  // namespace
}  // namespace ostrada::sim::testing
