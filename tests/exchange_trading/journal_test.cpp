// The journal of a paper account driven through several days of buys, partial sells, a modify, a
// cancel, an expiry and a consolidation: every figure against the fees worked out here and against
// the ledger's own cash and holdings at each day's end, and the ledger read without being touched.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/paper/paper_journal.h"
#include "broker/sim/paper/paper_journal_ledger.h"
#include "broker/sim/paper/paper_journal_table.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/exchange_trading/trading_fixture.h"
#include "tests/support/scratch_folder.h"

namespace ostrada::sim {
namespace {

constexpr int32_t kDay1 = 20261207, kDay2 = 20261208, kDay3 = 20261209, kDay4 = 20261210;
using testing::kAccount;
const std::string kA = "A000010", kB = "A000020";
constexpr int64_t kCash = 100'000'000;

int64_t Fee(int64_t value) {
  return value * 150 / 1'000'000;
}
int64_t Tax(int64_t value) {
  return value * 2000 / 1'000'000;
}

class ScriptedMarket : public JournalMarket {
 public:
  int32_t Close(const std::string& code, int32_t date) override {
    const auto found = closes.find({code, date});
    return found == closes.end() ? 0 : found->second;
  }
  std::vector<ShareChange> ShareChanges(const std::string& code) override { return changes[code]; }
  std::string NameOf(const std::string& code) override { return code == kA ? "alpha" : "beta"; }

  std::map<std::pair<std::string, int32_t>, int32_t> closes;
  std::map<std::string, std::vector<ShareChange>> changes;
};

// What the ledger itself holds at a day's end, valued at the day's closes.
struct Snapshot {
  int64_t cash = 0;
  int64_t value = 0;
  int64_t cost = 0;
  int64_t Equity() const { return cash + value; }
};

class JournalRecord : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string problem;
    ledger_ = PaperLedger::Open(path_, {kAccount, "5011223301"}, kCash, FeeRates{}, problem);
    ASSERT_NE(ledger_, nullptr) << problem;
    market_.closes = {{{kA, kDay1}, 10'200}, {{kB, kDay1}, 1'950},  {{kA, kDay2}, 10'400}, {{kB, kDay2}, 1'980},
                      {{kA, kDay3}, 9'400},  {{kB, kDay3}, 19'800}, {{kA, kDay4}, 9'700}};
    market_.changes[kB] = {{kDay3, 10, 1, 19'500}};
    Trade();
  }

  int32_t Place(int32_t date, const std::string& code, Side side, int32_t price, int32_t quantity,
                OrderKind kind = OrderKind::kOrdinary, int32_t original = 0) {
    PaperOrder order = testing::OpenOrder(code, side, price, quantity);
    order.date = date;
    order.kind = kind;
    order.original = original;
    order.timeMs = 36'000'000 + ++step_ * 1000;
    order.state = kind == OrderKind::kCancel ? OrderState::kRecorded : OrderState::kOpen;
    return testing::StoreOrder(*ledger_, order);
  }
  void Fill(int32_t date, int32_t number, int32_t price, int32_t quantity) {
    const int32_t start = ledger_->Order(date, number)->filled;
    const int32_t time = 36'000'000 + ++step_ * 1000;
    ASSERT_EQ(ledger_->RecordFill(date, number, start, price, quantity, time, {date, time}).quantity, quantity);
  }
  void Withdraw(int32_t date, int32_t number, int32_t quantity) {
    auto transaction = ledger_->Begin();
    ledger_->Withdraw(*ledger_->Order(date, number), quantity, *transaction);
    transaction->Commit();
  }
  void EndDay(int32_t date) {
    Snapshot snapshot{ledger_->Cash(kAccount)};
    for (const PaperHolding& holding : ledger_->Holdings(kAccount, 0, 100)) {
      snapshot.value += int64_t{holding.quantity} * market_.closes.at({holding.code, date});
      snapshot.cost += holding.cost;
    }
    ends_[date] = snapshot;
    ledger_->See(date, 15 * 3'600'000 + 40 * 60'000);
  }

  void Trade() {
    // Day 1: 100 A in two fills; 53 of 80 B, the rest cancelled.
    const int32_t a = Place(kDay1, kA, Side::kBuy, 10'000, 100);
    Fill(kDay1, a, 10'000, 60);
    Fill(kDay1, a, 10'000, 40);
    const int32_t b = Place(kDay1, kB, Side::kBuy, 2'000, 80);
    Fill(kDay1, b, 2'000, 53);
    Place(kDay1, kB, Side::kBuy, 0, 27, OrderKind::kCancel, b);
    Withdraw(kDay1, b, 27);
    EndDay(kDay1);
    // Day 2: 40 A sold; a B buy modified up and filled; an A buy left to expire.
    Fill(kDay2, Place(kDay2, kA, Side::kSell, 10'500, 40), 10'500, 40);
    const int32_t low = Place(kDay2, kB, Side::kBuy, 1'900, 20);
    const int32_t modified = Place(kDay2, kB, Side::kBuy, 1'950, 20, OrderKind::kModify, low);
    Withdraw(kDay2, low, 20);
    Fill(kDay2, modified, 1'950, 20);
    ledger_->Expire(kDay2, Place(kDay2, kA, Side::kBuy, 9'000, 10));
    EndDay(kDay2);
    // Day 3: B consolidated ten to one (73 shares: 7 kept, 3 tenths paid); 60 A sold in two fills.
    ledger_->TakeShareChanges(kDay3, [this](const std::string& code, int32_t) { return market_.changes[code]; });
    const int32_t sell = Place(kDay3, kA, Side::kSell, 9'500, 60);
    Fill(kDay3, sell, 9'500, 30);
    Fill(kDay3, sell, 9'500, 30);
    EndDay(kDay3);
    // Day 4: the 7 B sold; 5 A bought again.
    Fill(kDay4, Place(kDay4, kB, Side::kSell, 19'000, 7), 19'000, 7);
    Fill(kDay4, Place(kDay4, kA, Side::kBuy, 9'600, 5), 9'600, 5);
    EndDay(kDay4);
  }

  Journal Read(int32_t from = 0, int32_t to = 0) {
    std::string problem;
    const std::optional<JournalLedger> read = ReadJournalLedger(path_, kAccount, problem);
    EXPECT_TRUE(read.has_value()) << problem;
    return read ? BuildJournal(*read, market_, from, to) : Journal{};
  }

  ostrada::testing::ScratchFolder scratch_;
  std::string path_ = scratch_.Path() + "/paper.sqlite";
  std::unique_ptr<PaperLedger> ledger_;
  ScriptedMarket market_;
  std::map<int32_t, Snapshot> ends_;
  int step_ = 0;
};

TEST_F(JournalRecord, EveryFigureAddsUpToTheWon) {
  // The moving average cost, buy commissions in it, and each sale net of its commission and tax.
  const int64_t costA = 1'000'000 + Fee(600'000) + Fee(400'000);
  const int64_t soldA1 = costA * 40 / 100;
  const int64_t realisedA1 = 420'000 - Fee(420'000) - Tax(420'000) - soldA1;
  const int64_t leftA = costA - soldA1;
  const int64_t realisedA2a = 285'000 - Fee(285'000) - Tax(285'000) - leftA * 30 / 60;
  const int64_t realisedA2b = 285'000 - Fee(285'000) - Tax(285'000) - (leftA - leftA * 30 / 60);
  const int64_t costB = 106'000 + Fee(106'000) + 39'000 + Fee(39'000);
  const int64_t payout = 3 * 19'500 / 10;
  const int64_t oddCost = costB * 3 / 73;
  const int64_t realisedB = 133'000 - Fee(133'000) - Tax(133'000) - (costB - oddCost);

  const Journal journal = Read();
  EXPECT_EQ(journal.computedCash, journal.ledgerCash);
  EXPECT_EQ(journal.ledgerCash, ends_[kDay4].cash);
  ASSERT_EQ(journal.days.size(), 4u);
  const int64_t realised[] = {0, realisedA1, realisedA2a + realisedA2b + payout - oddCost, realisedB};
  const int64_t buys[] = {1'000'000 + 106'000, 39'000, 0, 48'000};
  const int64_t sells[] = {0, 420'000, 570'000, 133'000};
  const int64_t fees[] = {Fee(600'000) + Fee(400'000) + Fee(106'000), Fee(420'000) + Fee(39'000),
                          2 * Fee(285'000), Fee(133'000) + Fee(48'000)};
  const int64_t taxes[] = {0, Tax(420'000), 2 * Tax(285'000), Tax(133'000)};
  int64_t equityBefore = kCash;
  int64_t unrealisedBefore = 0;
  for (size_t i = 0; i < 4; ++i) {
    const JournalDay& day = journal.days[i];
    const Snapshot& end = ends_[day.date];
    SCOPED_TRACE(day.date);
    EXPECT_EQ(day.realised, realised[i]);
    EXPECT_EQ(day.buyAmount, buys[i]);
    EXPECT_EQ(day.sellAmount, sells[i]);
    EXPECT_EQ(day.commission, fees[i]);
    EXPECT_EQ(day.tax, taxes[i]);
    EXPECT_EQ(day.payout, i == 2 ? payout : 0);
    EXPECT_EQ(day.cash, end.cash);
    EXPECT_EQ(day.holdingValue, end.value);
    EXPECT_EQ(day.holdingCost, end.cost);
    EXPECT_EQ(day.equity, end.Equity());
    // The day's realised profit and the change in the holdings' unrealised profit are the change in equity.
    EXPECT_EQ(day.realised + day.Unrealised() - unrealisedBefore, day.equity - equityBefore);
    equityBefore = day.equity;
    unrealisedBefore = day.Unrealised();
  }

  ASSERT_EQ(journal.fills.size(), 9u);
  EXPECT_EQ(journal.fills[3].realised, realisedA1);
  EXPECT_EQ(journal.fills[3].averageCost, leftA / 60);
  EXPECT_EQ(journal.fills[5].realised, realisedA2a);
  EXPECT_EQ(journal.fills[6].realised, realisedA2b);
  EXPECT_EQ(journal.fills[6].heldAfter, 0);
  EXPECT_EQ(journal.fills[7].realised, realisedB);

  // Orders: the cancel's record, the modified order's remainder taken away, the expired one.
  ASSERT_EQ(journal.orders.size(), 10u);
  EXPECT_EQ(journal.orders[1].order.filled, 53);
  EXPECT_EQ(journal.orders[1].order.withdrawn, 27);
  EXPECT_EQ(journal.orders[2].order.kind, OrderKind::kCancel);
  EXPECT_EQ(journal.orders[5].order.kind, OrderKind::kModify);
  EXPECT_EQ(journal.orders[5].amount, 39'000);
  EXPECT_EQ(journal.orders[6].order.state, OrderState::kExpired);
  EXPECT_EQ(journal.orders[6].fills, 0);

  ASSERT_EQ(journal.stocks.size(), 2u);
  EXPECT_EQ(journal.stocks[0].realised, realisedA1 + realisedA2a + realisedA2b);
  EXPECT_EQ(journal.stocks[0].heldQuantity, 5);
  EXPECT_EQ(journal.stocks[0].heldValue, 5 * 9'700);
  EXPECT_EQ(journal.stocks[1].realised, realisedB + payout - oddCost);
  EXPECT_EQ(journal.stocks[1].payout, payout);
  EXPECT_EQ(journal.stocks[1].trades, 1);
  EXPECT_EQ(journal.stocks[1].losses, 1);

  const JournalTotals& t = journal.totals;
  const int64_t realisedA2 = realisedA2a + realisedA2b;
  ASSERT_GT(realisedA1, 0);
  ASSERT_LT(realisedA2, 0);
  ASSERT_LT(realisedB, 0);
  EXPECT_EQ(t.trades, 3);
  EXPECT_EQ(t.wins, 1);
  EXPECT_EQ(t.losses, 2);
  EXPECT_EQ(t.WinRatioBasisPoints(), 3333);
  EXPECT_EQ(t.AverageWin(), realisedA1);
  EXPECT_EQ(t.AverageLoss(), -(-(realisedA2 + realisedB) / 2));
  EXPECT_EQ(t.largestWin, realisedA1);
  EXPECT_EQ(t.largestLoss, std::min(realisedA2, realisedB));
  EXPECT_EQ(t.ProfitFactorHundredths(), realisedA1 * 100 / -(realisedA2 + realisedB));
  EXPECT_EQ(t.realised, realised[0] + realised[1] + realised[2] + realised[3]);
  EXPECT_EQ(t.endEquity, ends_[kDay4].Equity());
  // The deepest fall of the closing equity from the highest close before it, the start included.
  int64_t peak = kCash, deepest = 0;
  for (const int32_t date : {kDay1, kDay2, kDay3, kDay4}) {
    peak = std::max(peak, ends_[date].Equity());
    deepest = std::max(deepest, peak - ends_[date].Equity());
  }
  EXPECT_EQ(t.maxDrawdown, deepest);
  EXPECT_GT(deepest, 0);
}

TEST_F(JournalRecord, ARangeShowsItsDaysAndCountsFromTheEquityBeforeIt) {
  const Journal all = Read();
  const Journal range = Read(kDay2, kDay3);
  ASSERT_EQ(range.days.size(), 2u);
  EXPECT_EQ(range.from, kDay2);
  EXPECT_EQ(range.to, kDay3);
  EXPECT_EQ(range.totals.startEquity, ends_[kDay1].Equity());
  EXPECT_EQ(range.days[1].realised, all.days[2].realised);  // the cost basis carried in from before
  EXPECT_EQ(range.totals.trades, 2);
  EXPECT_EQ(range.fills.size(), 4u);
  EXPECT_TRUE(Read(kDay4 + 1, 0).days.empty());
  EXPECT_FALSE(Read(kDay4 + 1, 0).HasTrades());
}

// The CSV a spreadsheet opens carries the day's figures as the journal computed them, in CP949.
TEST_F(JournalRecord, TheCsvCarriesTheSameFigures) {
  const Journal journal = Read();
  const JournalTable table = TableOf(journal, JournalView::kDay);
  const std::string csv = JournalCsv(table);
  std::istringstream lines(csv);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line.substr(0, Text(Txt::kJournalDate).size()), Text(Txt::kJournalDate));
  EXPECT_EQ(line.back(), '\r');
  for (const JournalDay& day : journal.days) {
    std::getline(lines, line);
    char expected[256];
    std::snprintf(expected, sizeof expected, "%04d-%02d-%02d,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld,%lld\r",
                  day.date / 10000, day.date / 100 % 100, day.date % 100, static_cast<long long>(day.realised),
                  static_cast<long long>(day.commission), static_cast<long long>(day.tax),
                  static_cast<long long>(day.buyAmount), static_cast<long long>(day.sellAmount),
                  static_cast<long long>(day.payout), static_cast<long long>(day.cash),
                  static_cast<long long>(day.holdingValue), static_cast<long long>(day.holdingCost),
                  static_cast<long long>(day.Unrealised()), static_cast<long long>(day.equity));
    EXPECT_EQ(line, expected);
  }
  EXPECT_FALSE(std::getline(lines, line));
  // A stock's name with a comma stays one cell.
  JournalTable named;
  named.columns = {{"name", Txt::kJournalName}};
  named.rows = {{JournalCell{false, 0, "a,\"b\""}}};
  EXPECT_EQ(JournalCsv(named), Text(Txt::kJournalName) + "\r\n\"a,\"\"b\"\"\"\r\n");
}

// Orders written out of their numbers' order (a ledger mended by hand) read as the same record.
TEST_F(JournalRecord, OrdersStoredOutOfOrderReadAsTheSameRecord) {
  const Journal before = Read();
  ledger_.reset();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TEMP TABLE reversed AS SELECT * FROM orders ORDER BY date DESC, number DESC;"
                         "DELETE FROM orders; INSERT INTO orders SELECT * FROM reversed;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const Journal after = Read();
  ASSERT_EQ(after.orders.size(), before.orders.size());
  for (const JournalView view : {JournalView::kDay, JournalView::kStock, JournalView::kFill, JournalView::kOrder})
    EXPECT_EQ(JournalCsv(TableOf(after, view)), JournalCsv(TableOf(before, view))) << static_cast<int>(view);
}

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(JournalRecord, ReadingNeverWritesAndABadLedgerIsToldInKorean) {
  ledger_.reset();  // the program closed: the log folded into the file
  const std::string before = Bytes(path_);
  const auto modified = std::filesystem::last_write_time(path_);
  EXPECT_EQ(Read().days.size(), 4u);
  EXPECT_EQ(Bytes(path_), before);
  EXPECT_EQ(std::filesystem::last_write_time(path_), modified);

  std::string problem;
  EXPECT_FALSE(ReadJournalLedger(scratch_.Path() + "/none.sqlite", kAccount, problem));
  EXPECT_EQ(problem, Text(Txt::kJournalNoLedger) + scratch_.Path() + "/none.sqlite");
  EXPECT_FALSE(std::filesystem::exists(scratch_.Path() + "/none.sqlite"));
  EXPECT_FALSE(ReadJournalLedger(path_, "9999", problem));
  EXPECT_EQ(problem, Text(Txt::kJournalUnknownAccount) + "9999");

  const std::string junk = scratch_.Path() + "/junk.sqlite";
  std::ofstream(junk) << std::string(4096, 'x');
  EXPECT_FALSE(ReadJournalLedger(junk, kAccount, problem));
  EXPECT_EQ(problem.rfind(Text(Txt::kJournalNotLedger), 0), 0u) << Cp949ToUtf8(problem);
  EXPECT_EQ(Bytes(junk), std::string(4096, 'x'));
  // A folder where the file should be cannot be read at all; it is left as it was.
  const std::string folder = scratch_.Path() + "/folder.sqlite";
  std::filesystem::create_directory(folder);
  EXPECT_FALSE(ReadJournalLedger(folder, kAccount, problem));
  EXPECT_EQ(problem.rfind(Text(Txt::kJournalUnreadable), 0), 0u) << Cp949ToUtf8(problem);
  EXPECT_TRUE(std::filesystem::is_empty(folder));

  // Another process holds the file whole.
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE;", nullptr, nullptr, nullptr),
            SQLITE_OK);
  EXPECT_FALSE(ReadJournalLedger(path_, kAccount, problem));
  EXPECT_EQ(problem.rfind(Text(Txt::kJournalLocked), 0), 0u) << Cp949ToUtf8(problem);
  sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
}

}  // namespace
}  // namespace ostrada::sim
