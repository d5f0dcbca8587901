#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/stocgate.h"
#include "basesrc/trdrun.h"
#include "basesrc/nowinfo.h"
#include "basesrc/trdyet.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"
#include "tests/support/recording_sink.h"
#include "tests/trading/scripted_trade_server.h"

namespace ostrada {
namespace {

using broker::Variant;
using testing::ScriptedReply;
using testing::TradeScript;
using testing::Values;
namespace clsid = broker::clsid;
constexpr char kAccount[] = "12345678-01";

Values Holding(int n) {
  char name[32];
  char code[16];
  std::snprintf(name, sizeof name, "stock%03d", n);
  std::snprintf(code, sizeof code, "C%05d", n);
  return {{0, Variant::Text(name)}, {12, Variant::Text(code)},  {1, Variant::Text("d1")},
          {13, Variant::Text("d13")}, {7, Variant::I4(n)},      {17, Variant::R8(1000.5 + n)},
          {18, Variant::R8(1001.25)}};
}

Values Unfilled(int n) {
  char code[16];
  std::snprintf(code, sizeof code, "C%05d", n);
  return {{0, Variant::Text("e0")}, {1, Variant::I4(7000 + n)}, {3, Variant::Text(code)},
          {4, Variant::Text("name")}, {7, Variant::I4(15000)},  {11, Variant::I4(n)},
          {13, Variant::Text(n % 2 ? "1" : "2")}};
}

ScriptedReply HoldingsReply(int from, int to, int32_t more) {
  ScriptedReply reply;
  reply.headers = {{0, Variant::Text("summary")}, {1, Variant::I4(1)}, {2, Variant::I4(2)}, {3, Variant::I4(3)},
                   {4, Variant::I4(4)},           {6, Variant::I4(6)}, {7, Variant::I4(to - from)}, {8, Variant::I4(8)}};
  for (int n = from; n < to; ++n) reply.rows.push_back(Holding(n));
  reply.more = more;
  return reply;
}

class TradeGateway : public ::testing::Test {
 protected:
  TradeGateway() : scope_(server) {
    CodeAttr attributes;
    CodeAttrInit(&attributes);
    attributes.market = '1';
    book.Insert("005930", "Samsung", &attributes);
  }
  void LogIn() { ASSERT_EQ(gate.TradeLogin(), 1); }
  std::vector<std::string> Texts() const { return ui.sink.Texts(); }
  int Reports() const {
    int reports = 0;
    for (const auto& message : ui.sink.messages) reports += message.CaptionUtf8() == "확인";
    return reports;
  }
  void Refuse(const broker::Guid& id, int fromRequest = 1) {
    server[id].status = 7;
    server[id].statusText1 = Utf8ToCp949("주문이 거부되었습니다 ");
    server[id].statusText2 = Utf8ToCp949("잔고를 확인하십시오.  \t");
    server[id].refuseFromRequest = fromRequest;
  }
  static constexpr char kRefusal[] = "주문이 거부되었습니다 잔고를 확인하십시오.";

  testing::RecordingScope ui;
  testing::ScriptedTradeServer server;
  CodeInfoList book;
  StocGate gate;

 private:
  broker::ScopedServer scope_;
};

TEST_F(TradeGateway, LoginResultsAreToldAndOnlySuccessOrCancelLogsIn) {
  struct Row {
    int16_t result;
    const char* message;
    int loggedIn;
  };
  const Row rows[] = {{0, nullptr, 1},
                      {1, "업무키 입력 오류: tradeutil->init()", 0},
                      {2, "비밀번호 오류: tradeutil->init()", 0},
                      {3, "최소 : tradeutil->init()", 1},
                      {9, "설정되지 않은 리턴값이 왔습니다. tradeutil->init()", 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.result);
    ui.sink.Clear();
    StocGate fresh;
    server.loginResult = row.result;
    EXPECT_EQ(fresh.TradeLogin(), row.loggedIn);
    EXPECT_EQ(fresh.IsTradeLoggedIn(), row.loggedIn);
    EXPECT_EQ(Texts(), row.message ? std::vector<std::string>{row.message} : std::vector<std::string>{});
  }
  // A refused login leaves nothing behind: the next one asks the server again.
  server.loginResult = 2;
  const int created = server.utilitiesCreated;
  EXPECT_EQ(gate.TradeLogin(), 0);
  EXPECT_EQ(gate.TradeLogin(), 0);
  EXPECT_EQ(server.utilitiesCreated, created + 2);

  server.failUtility = true;
  ui.sink.Clear();
  EXPECT_EQ(gate.TradeLogin(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{Cp949ToUtf8(broker::ComErrorText(broker::kClassNotRegistered))});
}

TEST_F(TradeGateway, ASecondLoginCreatesNothingAndTheLastAccountWins) {
  server.accounts = {Variant::Text("11111111-01"), Variant::Text("22222222-01"), Variant::Text(kAccount)};
  std::string account;
  EXPECT_EQ(gate.AccountNumberText(&account), 0);  // not logged in
  LogIn();
  LogIn();
  EXPECT_EQ(server.utilitiesCreated, 1);
  ASSERT_EQ(gate.AccountNumberText(&account), 1);
  EXPECT_EQ(account, kAccount);

  server.accounts.clear();
  StocGate other;
  ASSERT_EQ(other.TradeLogin(), 1);
  account = "kept";
  EXPECT_EQ(other.AccountNumberText(&account), 0);  // no account at all is no success
  EXPECT_EQ(account, "kept");
  EXPECT_EQ(other.TradeLogout(), 1);
  EXPECT_EQ(other.IsTradeLoggedIn(), 0);
}

TEST_F(TradeGateway, BuyableAmountSendsThePriceOnlyForALimitOrderAndCapsByTheCash) {
  LogIn();
  ScriptedReply able;
  able.headers = {{0, Variant::Text("0123456789abcdefXYZ")}, {9, Variant::I4(500000)}, {17, Variant::I4(40)},
                  {45, Variant::I4(800000)},                 {48, Variant::I4(3000)}};
  ScriptedReply cash;
  cash.headers = {{66, Variant::I4(300000)}};
  for (int i = 0; i < 2; ++i) {
    server[clsid::kOrderAvailable].replies.push_back(able);
    server[clsid::kCashAvailable].replies.push_back(cash);
  }
  TradeAbleInfo info{};
  ASSERT_EQ(gate.BuyableAmount(kAccount, "005930", kOrderTypeLimit, 12500, &info), 1);
  const Values& limit = server[clsid::kOrderAvailable].inputs.at(0);
  EXPECT_EQ(limit.at(3), Variant::Text("01"));
  EXPECT_EQ(limit.at(4), Variant::I4(12500));
  EXPECT_EQ(limit.at(6), Variant::I1('1'));
  EXPECT_EQ(info.availableAmount, 300000);
  EXPECT_EQ(info.totalDeposit, 300000);
  EXPECT_EQ(info.availableQuantity, 40);
  EXPECT_EQ(info.availableSubstitute, 3000);
  EXPECT_STREQ(info.text0, "0123456789abcde");

  ASSERT_EQ(gate.BuyableAmount(kAccount, "005930", kOrderTypeMarket, 12500, &info), 1);
  const Values& market = server[clsid::kOrderAvailable].inputs.at(1);
  EXPECT_EQ(market.at(3), Variant::Text("03"));
  EXPECT_EQ(market.count(4), 0u);
  EXPECT_TRUE(Texts().empty());

  // The order type is known by the constant itself, not by its text.
  char copy[] = "01";
  EXPECT_EQ(gate.BuyableAmount(kAccount, "005930", copy, 12500, &info), 0);
  EXPECT_EQ(Reports(), 1);
  EXPECT_EQ(server[clsid::kOrderAvailable].inputs.size(), 2u);
}

TEST_F(TradeGateway, ARefusedBuyableQueryShowsBothTextsAndLeavesTheResult) {
  LogIn();
  Refuse(clsid::kCashAvailable);
  TradeAbleInfo info{};
  info.availableAmount = 777;
  EXPECT_EQ(gate.BuyableAmount(kAccount, "", kOrderTypeLimit, 12500, &info), 0);
  EXPECT_EQ(server[clsid::kOrderAvailable].inputs.at(0).count(4), 0u);  // no code, no price
  EXPECT_EQ(Texts(), std::vector<std::string>{kRefusal});
  EXPECT_EQ(info.availableAmount, 777);
}

TEST_F(TradeGateway, HoldingsArriveInPagesIntoOneListInServerOrder) {
  LogIn();
  TradeScript& holdings = server[clsid::kHoldings];
  holdings.replies = {HoldingsReply(0, 50, 1), HoldingsReply(50, 100, 1), HoldingsReply(100, 120, 0)};
  auto list = gate.DownloadHoldings(kAccount);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 120);
  int n = 0;
  for (const TrdRunInfo* record = list->First(); record != nullptr; record = record->next, ++n) {
    ASSERT_EQ(record->quantity, n);
  }
  EXPECT_STREQ(list->GetAt(119)->code, "C00119");
  EXPECT_DOUBLE_EQ(list->First()->purchasePrice, 1000.5);
  EXPECT_EQ(list->First()->d2, nullptr);
  EXPECT_STREQ(list->Account(), kAccount);
  EXPECT_EQ(holdings.inputs.size(), 3u);
  EXPECT_EQ(holdings.inputs[0].at(2), Variant::I4(50));
  const int32_t summary[6] = {1, 2, 3, 4, 8, 6};
  EXPECT_TRUE(std::equal(summary, summary + 6, list->HeaderBlock().summary));

  // An empty first text ends the download, whatever the more-data flag says.
  ScriptedReply ended = HoldingsReply(0, 3, 1);
  ended.rows[1][0] = Variant::Text("");
  holdings.replies = {ended, HoldingsReply(3, 5, 0)};
  list = gate.DownloadHoldings(kAccount);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_EQ(holdings.inputs.size(), 4u);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(TradeGateway, AFailedPageOrRowDiscardsTheWholeDownload) {
  LogIn();
  TradeScript& holdings = server[clsid::kHoldings];
  holdings.replies = {HoldingsReply(0, 50, 1), HoldingsReply(50, 60, 0)};
  Refuse(clsid::kHoldings, 2);
  EXPECT_EQ(gate.DownloadHoldings(kAccount), nullptr);
  EXPECT_EQ(Texts(), std::vector<std::string>{kRefusal});

  holdings.status = 0;
  ui.sink.Clear();
  ScriptedReply broken = HoldingsReply(0, 3, 0);
  broken.rows[2].erase(13);  // a required text missing
  holdings.replies = {broken};
  EXPECT_EQ(gate.DownloadHoldings(kAccount), nullptr);
  EXPECT_EQ(Reports(), 1);

  ui.sink.Clear();
  server.failing.insert(clsid::kHoldings);
  EXPECT_EQ(gate.DownloadHoldings(kAccount), nullptr);
  EXPECT_EQ(Texts(), std::vector<std::string>{Cp949ToUtf8(broker::ComErrorText(broker::kEFail))});
}

TEST_F(TradeGateway, UnfilledOrdersArriveInPagesWithTheirSummary) {
  LogIn();
  TradeScript& unfilled = server[clsid::kUnfilledOrders];
  for (int page = 0; page < 2; ++page) {
    ScriptedReply reply;
    reply.headers = {{0, Variant::Text("sum")}, {1, Variant::Text(page ? "last" : "first")}, {5, Variant::I4(page ? 5 : 20)}};
    for (int n = page * 20; n < page * 20 + (page ? 5 : 20); ++n) reply.rows.push_back(Unfilled(n));
    reply.more = page ? 0 : 1;
    unfilled.replies.push_back(reply);
  }
  auto list = gate.DownloadUnfilled(kAccount);
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count(), 25);
  const TrdYetInfo* last = list->Last();
  EXPECT_EQ(last->orderNumber, 7024);
  EXPECT_EQ(last->unfilled, 24);
  EXPECT_STREQ(last->side.get(), "2");
  EXPECT_EQ(last->e26, nullptr);
  EXPECT_STREQ(list->HeaderBlock().summaryCopy1, "last");
  EXPECT_EQ(list->HeaderBlock().summaryCopy2, nullptr);
  const Values& inputs = unfilled.inputs.at(0);
  EXPECT_EQ(inputs.at(4), Variant::Text("0"));
  EXPECT_EQ(inputs.at(7), Variant::I4(20));
  EXPECT_TRUE(Texts().empty());
}

TEST_F(TradeGateway, OrdersSendTheirInputsAndKeepTheNewOrderNumber) {
  TradeScript& orders = server[clsid::kBuySellOrder];
  orders.replies = {ScriptedReply{{{8, Variant::I4(1001)}}, {}, 0}, ScriptedReply{{{8, Variant::I4(1002)}}, {}, 0}};
  std::string failure;
  ASSERT_EQ(gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", kOrderTypeLimit, 12500, 10, &failure), 1);
  EXPECT_EQ(gate.LastOrderNumber(), 1001);
  const Values expected = {{0, Variant::Text("2")}, {1, Variant::Text(kAccount)}, {2, Variant::Text("10")},
                           {3, Variant::Text("005930")}, {4, Variant::I4(10)}, {5, Variant::I4(12500)},
                           {7, Variant::Text("0")},      {8, Variant::Text("01")}};
  EXPECT_EQ(orders.inputs.at(0), expected);
  // A market order never carries the typed price.
  ASSERT_EQ(gate.SendOrder(book, kAccount, kOrderSideSell, "005930", kOrderTypeMarket, 12500, 10, &failure), 1);
  EXPECT_EQ(orders.inputs.at(1).at(5), Variant::I4(0));
  EXPECT_EQ(orders.inputs.at(1).at(0), Variant::Text("1"));
  EXPECT_EQ(gate.LastOrderNumber(), 1002);

  TradeScript& modify = server[clsid::kModifyOrder];
  modify.replies = {ScriptedReply{{{6, Variant::I4(1001)}, {8, Variant::I4(1003)}}, {}, 0}};
  ASSERT_EQ(gate.SendModifyCancel(book, kAccount, TextC(Txt::kTrdModify), "005930", 5, 12000, 1001, &failure), 1);
  EXPECT_EQ(modify.inputs.at(0).at(1), Variant::I4(1001));
  EXPECT_EQ(modify.inputs.at(0).at(6), Variant::I4(12000));
  EXPECT_EQ(gate.LastOrderNumber(), 1003);
  server[clsid::kCancelOrder].replies = {ScriptedReply{{{8, Variant::I4(1004)}}, {}, 0}};
  ASSERT_EQ(gate.SendModifyCancel(book, kAccount, TextC(Txt::kTrdCancel), "005930", 5, 12000, 1003, &failure), 1);
  EXPECT_EQ(server[clsid::kCancelOrder].inputs.at(0).count(6), 0u);
  EXPECT_EQ(gate.LastOrderNumber(), 1004);
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(ui.sink.beeps, 0);
}

TEST_F(TradeGateway, ABadOrderIsRefusedWithItsTextBeforeAnythingIsSent) {
  std::string failure;
  auto refusal = [&](int sent) {
    EXPECT_EQ(sent, 0);
    return Cp949ToUtf8(failure);
  };
  char limitCopy[] = "01";
  char modifyCopy[] = "정정";
  EXPECT_EQ(refusal(gate.SendOrder(book, kAccount, kOrderSideBuy, "000660", kOrderTypeLimit, 100, 1, &failure)),
            "000660 - 선택한 종목을 찾을 수 없습니다. 다시 종목을 선택하십시오.");
  EXPECT_EQ(refusal(gate.SendOrder(book, kAccount, kOrderSideBuy, "", kOrderTypeLimit, 100, 1, &failure)),
            "종목을 선택하십시오.");
  EXPECT_EQ(refusal(gate.SendOrder(book, "", kOrderSideBuy, "005930", kOrderTypeLimit, 100, 1, &failure)),
            "먼저 로그인을 하십시오.");
  EXPECT_EQ(refusal(gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", kOrderTypeLimit, 0, 1, &failure)),
            "가격 지정이 정확하지 않습니다.");
  EXPECT_EQ(refusal(gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", limitCopy, 100, 1, &failure)),
            "매매구분에 지정하지 않은 상태값이 발생했습니다. 프로그램 로직 오류");
  EXPECT_EQ(refusal(gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", kOrderTypeMarket, 0, -1, &failure)),
            "매수 수량 지정이 정확하지 않습니다.");
  EXPECT_EQ(refusal(gate.SendModifyCancel(book, kAccount, Utf8ToCp949(modifyCopy).c_str(), "005930", 1, 0, 9,
                                          &failure)),
            "정정/취소 주문에서 지정하지 않은 상태값이 발생했습니다. 프로그램 로직 오류");
  EXPECT_EQ(refusal(gate.SendModifyCancel(book, kAccount, TextC(Txt::kTrdCancel), "000660", 1, 0, 9, &failure)),
            "선택한 종목을 찾을 수 없습니다. 다시 종목을 선택하십시오.");
  EXPECT_EQ(refusal(gate.SendModifyCancel(book, "", TextC(Txt::kTrdCancel), "005930", 1, 0, 9, &failure)),
            "먼저 로그인을 하십시오.");
  EXPECT_EQ(ui.sink.beeps, 9);
  EXPECT_TRUE(server.scripts.empty());  // no order object was even created
  EXPECT_EQ(gate.LastOrderNumber(), 0);
}

TEST_F(TradeGateway, AServerRefusalOrComErrorBecomesTheFailureText) {
  gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", kOrderTypeLimit, 100, 1, nullptr);
  EXPECT_EQ(Reports(), 1);
  server[clsid::kBuySellOrder].replies = {ScriptedReply{{{8, Variant::I4(55)}}, {}, 0}};
  Refuse(clsid::kBuySellOrder);
  std::string failure;
  EXPECT_EQ(gate.SendOrder(book, kAccount, kOrderSideBuy, "005930", kOrderTypeLimit, 100, 1, &failure), 0);
  EXPECT_EQ(Cp949ToUtf8(failure), kRefusal);
  EXPECT_EQ(gate.LastOrderNumber(), 0);
  server.failing.insert(clsid::kCancelOrder);
  EXPECT_EQ(gate.SendModifyCancel(book, kAccount, TextC(Txt::kTrdCancel), "005930", 1, 0, 9, &failure), 0);
  EXPECT_EQ(failure, broker::ComErrorText(broker::kEFail));
  EXPECT_EQ(ui.sink.beeps, 3);  // the report's box beeps too
}

}  // namespace
}  // namespace ostrada

namespace ostrada {
namespace {

TEST(HoldingPrices, EveryHoldingTakesItsCurrentPriceAndItsProfitFollows) {
  testing::RecordingScope ui;
  sim::ExchangeOptions options;
  options.stocks = 150;
  sim::Exchange exchange(options);
  testing::ScriptedTradeServer server;
  server.market = &exchange;
  broker::ScopedServer scope(server);
  StocGate gate;

  // 112 holdings ask two lists; one code the market does not know keeps its cleared price.
  TrdRunList holdings("1");
  for (size_t i = 0; i < 112; ++i) {
    TrdRunInfoPtr record = TrdRunList::CreateRecord();
    const std::string code = i == 5 ? "A999999" : exchange.Stocks().At(i).code;
    std::snprintf(record->code, sizeof record->code, "%s", code.c_str());
    record->quantity = 10;
    record->costPerShare = 1001.25;
    ASSERT_NE(holdings.Append(record, nullptr), nullptr);
  }
  ASSERT_EQ(gate.RefreshHoldingPrices(&holdings), 1);
  for (const TrdRunInfo* record = holdings.First(); record != nullptr; record = record->next) {
    if (std::string(record->code) == "A999999") {
      EXPECT_EQ(record->current.close, 0);
      // Its price is unknown, and so is its profit: not a loss of the whole cost.
      EXPECT_EQ(HoldingProfit(*record), std::nullopt);
      continue;
    }
    NowPrice price;
    ASSERT_EQ(gate.FetchNowPrice(&price, record->code), 1);
    ASSERT_EQ(record->current.close, price.bar.close) << record->code;
    ASSERT_EQ(record->current.change, price.bar.change);
    ASSERT_GT(record->current.close, 0);
    // Sold there, the value pays 0.015 % commission and 0.20 % tax, each rounded down; 10 x 1001.25
    // is 10012.5 won of cost, to the nearest won.
    const int64_t value = 10LL * record->current.close;
    EXPECT_EQ(HoldingProfit(*record), value - value * 150 / 1000000 - value * 2000 / 1000000 - 10013);
  }
  // Only the short-answer notice of the list that missed a code is shown.
  EXPECT_EQ(ui.sink.messages.size(), 1u);

  ui.sink.Clear();
  exchange.Faults().FailCall(broker::clsid::kMultiPrice, sim::Method::kRequest, broker::kEFail, 1);
  EXPECT_EQ(gate.RefreshHoldingPrices(&holdings), 0);  // the second list fails
  EXPECT_EQ(ui.sink.Texts().back(), Cp949ToUtf8(broker::ComErrorText(broker::kEFail)));
  TrdRunList empty("1");
  EXPECT_EQ(gate.RefreshHoldingPrices(&empty), 1);
}

}  // namespace
}  // namespace ostrada
