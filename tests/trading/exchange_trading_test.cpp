// The trading gateway against the embedded exchange's paper account: what the order form and the
// command line do, end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/eventsink.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "basesrc/trdevent.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "tests/support/recording_sink.h"
#include "tests/support/ticks.h"

namespace ostrada {
namespace {

constexpr int32_t kTradingDate = 20261208;

sim::ExchangeOptions TradingAt(int stocks, int64_t cash) {
  sim::ExchangeOptions options;
  options.paper.startingCash = cash;
  options.seed = 7;
  options.stocks = stocks;
  options.tradingDate = kTradingDate;
  options.clock = sim::ClockMode::kLive;
  const int64_t moment = sim::KoreanUnixMilliseconds(kTradingDate, 10 * 3600'000LL);
  options.wallClock = [moment] { return moment; };
  return options;
}

// The order events of the account, as the event log words them (UTF-8).
class EventLog : public WindowHandle {
 public:
  EventLog() : object_(broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents)), sink_(this) {
    sink_.Advise(*object_);
    object_->Subscribe();
  }
  ~EventLog() override {
    object_->Unsubscribe();
    sink_.Unadvise(*object_);
  }
  intptr_t SendMessage(uint32_t message, uintptr_t, intptr_t) override {
    if (message != WM_EVENT_RECEIVED) return 0;
    OrderEvent event = ReadOrderEvent(*object_);
    std::string line;
    if (BuildOrderEventLine(&event, &line)) lines.push_back(Cp949ToUtf8(line));
    return 0;
  }
  std::vector<std::string> lines;

 private:
  std::shared_ptr<broker::IMarketRequest> object_;
  CEventSink sink_;
};

class TradingOnTheExchange : public ::testing::Test {
 protected:
  explicit TradingOnTheExchange(int stocks = 60, int64_t cash = 100'000'000) : exchange(TradingAt(stocks, cash)) {}
  void SetUp() override {
    book = gate.DownloadCodes(kSortByCode, 0);
    ASSERT_NE(book, nullptr);
    ASSERT_EQ(gate.TradeLogin(), 1);
    ASSERT_EQ(gate.AccountNumberText(&account), 1);
    for (const CodeInfo* stock = book->First(); stock != nullptr && code.empty(); stock = stock->next) {
      if (stock->attr.class5 != '1' && !IsPreferredShare(stock->key.code)) {
        code = stock->key.code;
        name = Cp949ToUtf8(stock->key.name.get());
      }
    }
    NowPrice price;
    ASSERT_EQ(gate.FetchNowPrice(&price, code.c_str()), 1);
    close = price.bar.close;
    ASSERT_GT(close, 0);
  }
  void Run(int seconds) {
    for (int i = 0; i < seconds; ++i) exchange.Advance(1000);
  }
  int Reports() const {
    int reports = 0;
    for (const auto& message : ui.sink.messages) reports += message.CaptionUtf8() == "확인";
    return reports;
  }
  int Buy(const std::string& stock, const char* type, int32_t price, int32_t quantity) {
    std::string failure;
    const int sent = gate.SendOrder(*book, account.c_str(), kOrderSideBuy, stock.c_str(), type, price, quantity, &failure);
    EXPECT_EQ(failure, "");
    return sent;
  }

  testing::RecordingScope ui;
  sim::Exchange exchange;
  broker::ScopedServer scope{exchange};
  StocGate gate;
  std::unique_ptr<CodeInfoList> book;
  std::string account;
  std::string code;
  std::string name;  // UTF-8
  int32_t close = 0;
};

TEST_F(TradingOnTheExchange, AWaitingLimitBuyIsModifiedThenCancelledAndEachStepIsLogged) {
  EventLog log;
  const int32_t low = testing::TicksFrom(close, -5);
  ASSERT_EQ(Buy(code, kOrderTypeLimit, low, 10), 1);
  const int32_t bought = gate.LastOrderNumber();
  Run(2);
  auto unfilled = gate.DownloadUnfilled(account.c_str());
  ASSERT_NE(unfilled, nullptr);
  ASSERT_EQ(unfilled->Count(), 1);
  EXPECT_EQ(unfilled->First()->orderNumber, bought);
  EXPECT_EQ(unfilled->First()->price, low);
  EXPECT_EQ(unfilled->First()->unfilled, 10);
  EXPECT_STREQ(unfilled->First()->side.get(), "2");
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines[0], "[" + name + "] (매수) 명령 접수 [ " + std::to_string(low) + " ]원 [ 10 ]주");

  std::string failure;
  const int32_t lower = testing::TicksFrom(low, -1);
  ASSERT_EQ(gate.SendModifyCancel(*book, account.c_str(), TextC(Txt::kTrdModify), code.c_str(), 10, lower, bought,
                                  &failure), 1) << Cp949ToUtf8(failure);
  const int32_t modified = gate.LastOrderNumber();
  EXPECT_NE(modified, bought);
  Run(2);
  unfilled = gate.DownloadUnfilled(account.c_str());
  ASSERT_EQ(unfilled->Count(), 1);
  EXPECT_EQ(unfilled->First()->price, lower);
  ASSERT_EQ(gate.SendModifyCancel(*book, account.c_str(), TextC(Txt::kTrdCancel), code.c_str(), 10, 0, modified,
                                  &failure), 1) << Cp949ToUtf8(failure);
  Run(2);
  EXPECT_EQ(gate.DownloadUnfilled(account.c_str())->Count(), 0);
  bool confirmedCancel = false;
  for (const auto& line : log.lines) confirmedCancel |= line.find("취소 명령 확인") != std::string::npos;
  EXPECT_TRUE(confirmedCancel);
  EXPECT_EQ(Reports(), 0);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(TradingOnTheExchange, AMarketBuyFillsIntoTheHoldingsAndSpendsTheBuyingPower) {
  TradeAbleInfo before{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeMarket, 0, &before), 1);
  EventLog log;
  ASSERT_EQ(Buy(code, kOrderTypeMarket, 0, 10), 1);
  Run(5);
  auto holdings = gate.DownloadHoldings(account.c_str());
  ASSERT_NE(holdings, nullptr);
  ASSERT_EQ(holdings->Count(), 1);
  const TrdRunInfo& held = *holdings->First();
  EXPECT_EQ(code, held.code);
  EXPECT_EQ(held.quantity, 10);
  EXPECT_GT(held.purchasePrice, 0);
  ASSERT_EQ(gate.RefreshHoldingPrices(holdings.get()), 1);
  EXPECT_GT(held.current.close, 0);
  // Four shares offered for sale above the market: six stay sellable, the cost per share is the
  // exact one rounded, and the reply's summary counts its one row.
  std::string failure;
  const int32_t high = testing::TicksFrom(close, 5);
  ASSERT_EQ(gate.SendOrder(*book, account.c_str(), kOrderSideSell, code.c_str(), kOrderTypeLimit, high, 4, &failure), 1);
  Run(2);
  auto offered = gate.DownloadHoldings(account.c_str());
  ASSERT_NE(offered, nullptr);
  const TrdRunInfo& waiting = *offered->First();
  EXPECT_EQ(waiting.quantity, 10);
  EXPECT_EQ(waiting.d3, 6);
  EXPECT_EQ(waiting.d4, 4);
  EXPECT_EQ(waiting.d10, std::lround(waiting.costPerShare));
  EXPECT_EQ(offered->HeaderBlock().summary[5], 1);
  TradeAbleInfo after{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeMarket, 0, &after), 1);
  EXPECT_LT(after.availableAmount, before.availableAmount);
  bool filled = false;
  for (const auto& line : log.lines) filled |= line.find("매수 체결 : [ ") != std::string::npos;
  EXPECT_TRUE(filled);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(TradingOnTheExchange, AnOrderBeyondTheCashIsRefusedWithBothTextsAndChangesNothing) {
  TradeAbleInfo before{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, close, &before), 1);
  std::string failure;
  EXPECT_EQ(gate.SendOrder(*book, account.c_str(), kOrderSideBuy, code.c_str(), kOrderTypeLimit, close,
                           before.availableQuantity + 1, &failure),
            0);
  const std::string text1 = Cp949ToUtf8(Text(Txt::kExOrderRefused));
  const std::string text2 = Cp949ToUtf8(Text(Txt::kExInsufficientCash));
  const std::string told = Cp949ToUtf8(failure);
  EXPECT_EQ(told.find(text1), 0u) << told;
  EXPECT_EQ(told.size() - told.rfind(text2), text2.size()) << told;  // ends with it: trailing blanks gone
  EXPECT_EQ(gate.LastOrderNumber(), 0);
  Run(2);
  EXPECT_EQ(gate.DownloadHoldings(account.c_str())->Count(), 0);
  EXPECT_EQ(gate.DownloadUnfilled(account.c_str())->Count(), 0);
  TradeAbleInfo after{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, close, &after), 1);
  EXPECT_EQ(after.availableAmount, before.availableAmount);
  EXPECT_EQ(ui.sink.beeps, 1);
}

TEST_F(TradingOnTheExchange, AnOpenBuyHoldsCashBackFromTheAvailableAmountNotFromTheDeposit) {
  TradeAbleInfo before{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, close, &before), 1);
  ASSERT_EQ(before.totalDeposit, 100'000'000);
  ASSERT_EQ(before.availableAmount, 100'000'000);
  const int32_t low = testing::TicksFrom(close, -5);
  ASSERT_EQ(Buy(code, kOrderTypeLimit, low, 100), 1);
  Run(2);
  ASSERT_EQ(gate.DownloadUnfilled(account.c_str())->Count(), 1);  // it waits below the market
  TradeAbleInfo after{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, close, &after), 1);
  // The deposit is the cash, untouched until a fill; the available amount is less what the order holds.
  EXPECT_EQ(after.totalDeposit, 100'000'000);
  EXPECT_LT(after.availableAmount, after.totalDeposit);
  EXPECT_GE(after.totalDeposit - after.availableAmount, int64_t{low} * 100);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(TradingOnTheExchange, ARefusedQueryIsToldAsAQueryNotAsAnOrder) {
  TradeAbleInfo info{};
  // A limit price of 0 for a stock is refused by the server.
  EXPECT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, 0, &info), 0);
  ASSERT_EQ(ui.sink.messages.size(), 1u);
  const std::string told = ui.sink.messages[0].Utf8();
  EXPECT_EQ(told.rfind("조회 요청이 처리되지 않았습니다.", 0), 0u) << told;
  EXPECT_EQ(told.find("주문이 접수되지 않았습니다."), std::string::npos) << told;
}

class RichAccount : public TradingOnTheExchange {
 protected:
  RichAccount() : TradingOnTheExchange(60, 5'000'000'000) {}
};

TEST_F(RichAccount, CashAboveFourBytesIsCarriedWhole) {
  TradeAbleInfo info{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), code.c_str(), kOrderTypeLimit, close, &info), 1);
  EXPECT_EQ(info.totalDeposit, 5'000'000'000);
  EXPECT_EQ(info.availableAmount, 5'000'000'000);
  // What the cash pays for at the close, commission included: more than four bytes of won would buy.
  EXPECT_GT(int64_t{info.availableQuantity} * close, int64_t{INT32_MAX});
  EXPECT_LE(int64_t{info.availableQuantity} * close, 5'000'000'000);
  EXPECT_TRUE(ui.sink.messages.empty());
}

class ManyHoldings : public TradingOnTheExchange {
 protected:
  ManyHoldings() : TradingOnTheExchange(150) {}
};

TEST_F(ManyHoldings, HoldingsOfMoreThanFiftyStocksArriveInSeveralRepliesInOneList) {
  int bought = 0;
  for (const CodeInfo* stock = book->First(); stock != nullptr && bought < 120; stock = stock->next) {
    std::string failure;
    bought += gate.SendOrder(*book, account.c_str(), kOrderSideBuy, stock->key.code, kOrderTypeMarket, 0, 1, &failure);
  }
  ASSERT_EQ(bought, 120);
  Run(5);
  ui.sink.Clear();
  // A fourth request would fail: exactly three replies are asked.
  exchange.Faults().FailCall(broker::clsid::kHoldings, sim::Method::kRequest, broker::kEFail, 3);
  auto holdings = gate.DownloadHoldings(account.c_str());
  ASSERT_NE(holdings, nullptr);
  EXPECT_EQ(holdings->Count(), 120);
  EXPECT_TRUE(ui.sink.messages.empty());
}


// ---- The process's trading session ----

// One login, and a snapshot that follows the account's notices: the fill of an order sent from
// elsewhere (another window's gateway) shows in it with nobody asking, to the won.
TEST_F(TradingOnTheExchange, TheSessionLogsInOnceAndItsSnapshotFollowsTheNotices) {
  TradingSession session;
  std::vector<std::pair<TradingSession::Change, char>> told;
  session.AddListener([&](TradingSession::Change change, char kind) { told.emplace_back(change, kind); });
  ASSERT_EQ(session.LogIn(), 1);
  ASSERT_EQ(session.LogIn(), 1);  // already: nothing new, nothing told again
  EXPECT_EQ(session.Account(), account);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].first, TradingSession::Change::kLoggedIn);
  const AccountSnapshot& before = session.Snapshot();
  ASSERT_TRUE(before.cash.has_value());
  EXPECT_EQ(before.cash->totalDeposit, 100'000'000);
  EXPECT_EQ(before.Value(), 0);
  EXPECT_EQ(before.OpenOrders(), 0);

  const int32_t low = testing::TicksFrom(close, -5);
  ASSERT_EQ(Buy(code, kOrderTypeLimit, low, 7), 1);  // rests below the market
  EXPECT_EQ(session.Snapshot().OpenOrders(), 1);
  ASSERT_EQ(Buy(code, kOrderTypeMarket, 0, 10), 1);
  Run(5);
  const AccountSnapshot& after = session.Snapshot();
  ASSERT_NE(after.holdings, nullptr);
  ASSERT_EQ(after.holdings->Count(), 1);
  const TrdRunInfo& held = *after.holdings->First();
  EXPECT_EQ(held.quantity, 10);
  // The ledger's own figures, asked afresh, are what the snapshot holds.
  TradeAbleInfo cash{};
  ASSERT_EQ(gate.BuyableAmount(account.c_str(), "", kOrderTypeMarket, 0, &cash), 1);
  EXPECT_EQ(after.cash->totalDeposit, cash.totalDeposit);
  EXPECT_LT(after.cash->totalDeposit, 100'000'000);
  EXPECT_EQ(after.Value(), int64_t{10} * held.current.close);
  // After the estimated selling costs: the commission and tax off the value, each rounded down.
  const int64_t value = int64_t{10} * held.current.close;
  EXPECT_EQ(after.Profit(), value - value * 150 / 1'000'000 - value * 2000 / 1'000'000 - std::llround(10 * held.costPerShare));
  bool filled = false;
  for (const auto& [change, kind] : told) filled |= change == TradingSession::Change::kNotice && kind == '1';
  EXPECT_TRUE(filled);
  EXPECT_TRUE(ui.sink.messages.empty());
  session.LogOut();
  EXPECT_FALSE(session.LoggedIn());
  EXPECT_EQ(told.back().first, TradingSession::Change::kLoggedOut);
}

// A server that keeps refusing while nobody asked: one message for the whole run of failures, the
// ticks between tries doubling (up to the most), and all well again once it answers.
TEST_F(TradingOnTheExchange, ARefreshThatKeepsFailingIsToldOnceAndBacksOff) {
  TradingSession session;
  ASSERT_EQ(session.LogIn(), 1);
  ASSERT_EQ(Buy(code, kOrderTypeMarket, 0, 10), 1);
  Run(2);
  ASSERT_EQ(session.Snapshot().holdings->Count(), 1);
  ui.sink.Clear();
  exchange.Faults().Refuse(broker::clsid::kMultiPrice, sim::MakeRefusal(sim::RefusalKind::kMarketClosed));
  std::vector<int> waits;
  int tries = 0;
  for (int tick = 0; tick < 80; ++tick) {
    const int failures = session.Background().FailuresInARow();
    session.Tick();
    if (session.Background().FailuresInARow() != failures) {
      ++tries;
      waits.push_back(session.Background().Wait());
    }
  }
  ASSERT_GE(tries, 5);
  EXPECT_EQ(ui.sink.messages.size(), 1u);
  const std::vector<int> doubling = {1, 2, 4, 8, 16, 32, 32};
  for (size_t i = 0; i < waits.size(); ++i) EXPECT_EQ(waits[i], doubling[std::min(i, doubling.size() - 1)]) << i;
  exchange.Faults().Clear();
  for (int tick = 0; tick <= BackgroundRefresh::kMaxWait; ++tick) session.Tick();
  EXPECT_EQ(session.Background().FailuresInARow(), 0);
  EXPECT_EQ(ui.sink.messages.size(), 1u);
}

}  // namespace
}  // namespace ostrada
