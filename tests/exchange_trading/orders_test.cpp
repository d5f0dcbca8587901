#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "basesrc/priceinfo.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/objects/request_object.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

constexpr int64_t kStartingCash = 100'000'000;

class Orders : public ::testing::Test {
 protected:
  Orders() : session_(Trading()) { EXPECT_EQ(session_.Login(), 0); }
  std::string Code(size_t i = 0) { return session_.TradableCodes().at(i); }
  TradingSession session_;
};

TEST(TradeUtility, AnswersTheArmedInitialiseCodeAndListsSeveralAccounts) {
  TradingSession session(Trading());
  auto utility = broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility);
  EXPECT_EQ(utility->Initialise(0), 0);
  const Variant list = utility->Accounts();
  const std::vector<Variant>& accounts = list.ToArray();
  ASSERT_GE(accounts.size(), 2u);
  EXPECT_EQ(accounts.back().ToText(), kAccount);
  for (int64_t code : {1, 2, 3, 7}) {
    session.TheExchange().Faults().ArmCustom(broker::clsid::kTradeUtility, "initialise", code);
    EXPECT_EQ(utility->Initialise(0), code);
  }
  session.TheExchange().Faults().Clear();
  session.TheExchange().Faults().FailCall(broker::clsid::kTradeUtility, Method::kInitialise, broker::kEFail);
  EXPECT_THROW(utility->Initialise(0), broker::ComError);
}

TEST(TradeUtility, NothingTradesBeforeASuccessfulInitialise) {
  TradingSession session(Trading());
  session.TheExchange().Faults().ArmCustom(broker::clsid::kTradeUtility, "initialise", 2);
  EXPECT_EQ(session.Login(), 2);
  const std::string code = session.TradableCodes().front();
  const OrderReply reply = session.Order('2', code, 1, session.Best(code).first);
  EXPECT_NE(reply.status, 0);
  session.TheExchange().Faults().Clear();
  EXPECT_EQ(session.Login(), 0);
  EXPECT_EQ(session.Order('2', code, 1, session.Best(code).first).status, 0);
}

TEST_F(Orders, AMarketableBuyFillsAtOnceAndTheLedgerChargesPriceAndCommission) {
  NoticeRecorder& events = session_.Listen();
  const std::string code = Code();
  const auto [ask, bid] = session_.Best(code);
  const OrderReply reply = session_.Order('2', code, 10, ask);
  ASSERT_EQ(reply.status, 0) << Cp949ToUtf8(reply.text2);
  EXPECT_EQ(reply.number, 1);
  ASSERT_EQ(events.Kinds(), "41");
  const auto& accepted = events.notices[0];
  EXPECT_EQ(accepted.account, kAccount);
  EXPECT_EQ(accepted.code, code);
  EXPECT_EQ(accepted.side, "2");
  EXPECT_EQ(accepted.flag, "1");
  EXPECT_EQ(accepted.type, "01");
  EXPECT_EQ(accepted.number, reply.number);
  EXPECT_EQ(accepted.time.size(), 6u);
  EXPECT_EQ(events.notices[1].quantity, 10);
  EXPECT_EQ(events.notices[1].price, ask);

  const int64_t value = static_cast<int64_t>(ask) * 10;
  const int64_t commission = value * 150 / 1'000'000;
  EXPECT_EQ(session_.Deposit(), kStartingCash - value - commission);
  const auto holdings = session_.Holdings();
  ASSERT_EQ(holdings.size(), 1u);
  EXPECT_EQ(holdings[0].code, code);
  EXPECT_EQ(holdings[0].quantity, 10);
  EXPECT_DOUBLE_EQ(holdings[0].purchase, ask);
  EXPECT_DOUBLE_EQ(holdings[0].cost, static_cast<double>(value + commission) / 10);
  EXPECT_TRUE(session_.Unfilled().empty());
}

TEST_F(Orders, ASellPaysCommissionAndTaxAndFreesTheShares) {
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  ASSERT_EQ(session_.Order('2', code, 20, ask).status, 0);
  const int64_t afterBuy = session_.Deposit();
  const int32_t bid = session_.Best(code).second;
  ASSERT_EQ(session_.Order('1', code, 5, bid).status, 0);
  const int64_t value = static_cast<int64_t>(bid) * 5;
  EXPECT_EQ(session_.Deposit(), afterBuy + value - value * 150 / 1'000'000 - value * 2000 / 1'000'000);
  ASSERT_EQ(session_.Holdings().size(), 1u);
  EXPECT_EQ(session_.Holdings()[0].quantity, 15);
  EXPECT_DOUBLE_EQ(session_.Holdings()[0].purchase, ask) << "a sale leaves the average price as it was";
}

TEST_F(Orders, EachRefusalAnswersItsStatusAndTextsAndLeavesTheAccountAsItWas) {
  const std::string code = Code();
  const auto [ask, bid] = session_.Best(code);
  auto reason = [](const OrderReply& reply) { return Cp949ToUtf8(reply.text2); };
  ASSERT_NE((bid + 1) % PriceTick(bid + 1), 0) << "a won above the bid must be off the tick grid";
  EXPECT_NE(reason(session_.Order('2', code, 1, bid + 1)).find("호가단위"), std::string::npos);
  EXPECT_NE(reason(session_.Order('2', code, 1, ask * 2)).find("가격제한폭"), std::string::npos);
  EXPECT_NE(reason(session_.Order('2', code, 0, bid)).find("주문수량"), std::string::npos);
  EXPECT_NE(reason(session_.Order('2', code, 1'000'000, bid)).find("주문가능금액"), std::string::npos);
  EXPECT_NE(reason(session_.Order('1', code, 1, ask)).find("매도가능수량"), std::string::npos);
  EXPECT_NE(reason(session_.Order('2', code, 1, bid, false, "9999999999")).find("계좌번호"), std::string::npos);
  EXPECT_NE(reason(session_.Order('2', "A999999", 1, bid)).find("종목코드"), std::string::npos);
  EXPECT_NE(reason(session_.Amend(true, 42, code, 1)).find("원주문번호"), std::string::npos);
  const OrderReply refused = session_.Order('2', code, 1, bid + 1);
  EXPECT_NE(refused.status, 0);
  EXPECT_EQ(refused.text2.back(), ' ') << "status texts come blank-padded";
  EXPECT_EQ(session_.Deposit(), kStartingCash);
  EXPECT_TRUE(session_.Unfilled().empty());

  // A refusal the server is made to answer leaves no order behind either.
  session_.TheExchange().Faults().Refuse(broker::clsid::kBuySellOrder, {-1, "X", "Y"});
  EXPECT_EQ(session_.Order('2', code, 7, bid).status, -1);
  session_.TheExchange().Faults().Clear();
  EXPECT_TRUE(session_.Unfilled().empty());
  EXPECT_EQ(session_.Order('2', code, 1, bid).number, 1) << "the refused order took no number";
  ASSERT_EQ(session_.Amend(true, 1, code, 1).status, 0);

  // Shares already offered cannot be offered again; a filled order cannot be changed.
  const OrderReply bought = session_.Order('2', code, 10, session_.Best(code).first);
  ASSERT_EQ(bought.status, 0);
  ASSERT_EQ(session_.Order('1', code, 6, TicksFrom(session_.Best(code).first, 3)).status, 0);
  EXPECT_NE(reason(session_.Order('1', code, 5, TicksFrom(session_.Best(code).first, 3))).find("매도가능수량"),
            std::string::npos);
  EXPECT_NE(reason(session_.Amend(false, bought.number, code, 10, bid)).find("잔량이 없습니다"), std::string::npos);
}

TEST_F(Orders, AMarketBuyHoldsCashAtTheUpperLimitAndSpendsOnlyWhatItPaid) {
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  auto query = session_.Buyable(code, 0);
  const int32_t atUpper = query->HeaderValue(17).ToI4();
  ASSERT_GT(atUpper, 0);
  EXPECT_EQ(session_.Order('2', code, atUpper + 1, 0, true).status,
            static_cast<int16_t>(RefusalKind::kInsufficientCash));
  ASSERT_EQ(session_.Order('2', code, 3, 0, true).status, 0);
  EXPECT_EQ(session_.Holdings().at(0).quantity, 3);
  auto after = session_.Buyable(code, 0);
  const int64_t spent = kStartingCash - after->HeaderValue(45).ToI4();
  EXPECT_GT(spent, 0);
  EXPECT_LT(spent, 3LL * ask * 13 / 10) << "paid at the book's prices, not at the upper limit";
  EXPECT_EQ(after->HeaderValue(9).ToI4(), after->HeaderValue(45).ToI4()) << "nothing stays held after the fill";
}

TEST_F(Orders, RestingOrdersShowAsUnfilledAndHoldTheirCash) {
  const std::string code = Code();
  const auto [ask, bid] = session_.Best(code);
  const OrderReply resting = session_.Order('2', code, 7, bid);
  ASSERT_EQ(resting.status, 0);
  const auto unfilled = session_.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u);
  EXPECT_EQ(unfilled[0].number, resting.number);
  EXPECT_EQ(unfilled[0].code, code);
  EXPECT_EQ(unfilled[0].price, bid);
  EXPECT_EQ(unfilled[0].unfilled, 7);
  EXPECT_EQ(unfilled[0].side, "2");
  const int64_t held = static_cast<int64_t>(bid) * 7;
  auto query = session_.Buyable(code, ask);
  EXPECT_EQ(query->HeaderValue(45).ToI4(), kStartingCash) << "the deposit is untouched until a fill";
  EXPECT_EQ(query->HeaderValue(9).ToI4(), kStartingCash - held - held * 150 / 1'000'000);
  const int64_t available = query->HeaderValue(9).ToI4();
  auto costOf = [&, price = int64_t{ask}](int64_t shares) { return shares * price + shares * price * 150 / 1'000'000; };
  const int64_t shares = query->HeaderValue(17).ToI4();
  EXPECT_LE(costOf(shares), available);
  EXPECT_GT(costOf(shares + 1), available);
  auto cash = session_.Trade(broker::clsid::kCashAvailable);
  cash->SetInput(0, Variant::Text(kAccount));
  cash->SetInput(1, Variant::Text("10"));
  ASSERT_EQ(cash->Request(), 0);
  // The cash limit is the deposit: a client capping the deposit by it must still show the cash.
  EXPECT_EQ(cash->HeaderValue(66).ToI8(), kStartingCash);
}

// The client reads sides, notice kinds and order kinds as characters: "1" sell, "2" buy; "1" fill,
// "2" confirmation, "4" acceptance; "1" ordinary, "2" modify. (A rejection's "3" is the ledger
// integrity test's.)
TEST_F(Orders, TheWireCarriesEachSideAndKindAsTheClientReadsIt) {
  NoticeRecorder& events = session_.Listen();
  const std::string code = Code();
  const int32_t ask = session_.Best(code).first;
  ASSERT_EQ(session_.Order('2', code, 20, ask).status, 0);
  const OrderReply sell = session_.Order('1', code, 5, TicksFrom(ask, 3));
  ASSERT_EQ(sell.status, 0) << Cp949ToUtf8(sell.text2);
  const OrderReply other = session_.Order('3', code, 5, ask);
  EXPECT_NE(Cp949ToUtf8(other.text2).find("매매구분"), std::string::npos) << Cp949ToUtf8(other.text2);
  auto modify = session_.Trade(broker::clsid::kModifyOrder);
  modify->SetInput(1, Variant::I4(sell.number));
  modify->SetInput(2, Variant::Text(kAccount));
  modify->SetInput(4, Variant::Text(code));
  modify->SetInput(5, Variant::I4(5));
  modify->SetInput(6, Variant::I4(TicksFrom(ask, 4)));
  ASSERT_EQ(modify->Request(), 0);
  EXPECT_EQ(modify->HeaderValue(5).ToText(), "1");
  const int32_t modified = modify->HeaderValue(8).ToI4();

  ASSERT_EQ(events.Kinds(), "41442");
  EXPECT_EQ(events.notices[0].side, "2");
  EXPECT_EQ(events.notices[2].side, "1");
  EXPECT_EQ(events.notices[2].flag, "1");
  EXPECT_EQ(events.notices[3].flag, "2");
  EXPECT_EQ(events.notices[4].side, "1");
  auto unfilled = session_.Trade(broker::clsid::kUnfilledOrders);
  unfilled->SetInput(0, Variant::Text(kAccount));
  unfilled->SetInput(7, Variant::I4(20));
  ASSERT_EQ(unfilled->Request(), 0);
  ASSERT_EQ(unfilled->HeaderValue(5).ToI4(), 1);
  EXPECT_EQ(unfilled->DataValue(1, 0).ToI4(), modified);
  EXPECT_EQ(unfilled->DataValue(9, 0).ToText(), "2");
  EXPECT_EQ(unfilled->DataValue(13, 0).ToText(), "1");
}

TEST_F(Orders, ModifyAndCancelGetTheirOwnNumbersNameTheOriginalAndConfirm) {
  NoticeRecorder& events = session_.Listen();
  const std::string code = Code();
  const auto [ask, bid] = session_.Best(code);
  const OrderReply first = session_.Order('2', code, 10, TicksFrom(bid, -1));
  ASSERT_EQ(first.status, 0);
  const OrderReply cancelled = session_.Amend(true, first.number, code, 4);
  ASSERT_EQ(cancelled.status, 0) << Cp949ToUtf8(cancelled.text2);
  EXPECT_GT(cancelled.number, first.number);
  const OrderReply modified = session_.Amend(false, first.number, code, 6, TicksFrom(bid, -2));
  ASSERT_EQ(modified.status, 0) << Cp949ToUtf8(modified.text2);
  EXPECT_GT(modified.number, cancelled.number);
  EXPECT_EQ(events.Kinds(), "44242");
  EXPECT_EQ(events.notices[1].flag, "3");
  EXPECT_EQ(events.notices[1].original, std::to_string(first.number));
  EXPECT_EQ(events.notices[1].quantity, 4);
  EXPECT_EQ(events.notices[3].flag, "2");
  EXPECT_EQ(events.notices[3].price, TicksFrom(bid, -2));
  EXPECT_EQ(events.notices[4].number, modified.number);
  const auto unfilled = session_.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u) << "the original is used up";
  EXPECT_EQ(unfilled[0].number, modified.number);
  EXPECT_EQ(unfilled[0].unfilled, 6);
  EXPECT_NE(session_.Amend(true, first.number, code, 1).status, 0);
  EXPECT_NE(session_.Amend(true, modified.number, code, 7).status, 0) << "more than remains";
  ASSERT_EQ(session_.Amend(true, modified.number, code, 6).status, 0);
  EXPECT_TRUE(session_.Unfilled().empty());
  EXPECT_EQ(session_.Deposit(), kStartingCash);
  EXPECT_EQ(session_.Buyable(code, ask)->HeaderValue(9).ToI4(), kStartingCash) << "nothing held any more";
}

TEST_F(Orders, ARestingOrderTradesAsTheMarketReachesIt) {
  NoticeRecorder& events = session_.Listen();
  int32_t filled = 0;
  // Resting bids at the best bid of several liquid stocks: within minutes sellers hit some of them.
  for (size_t i = 0; i < 5; ++i) {
    const std::string code = Code(i);
    ASSERT_EQ(session_.Order('2', code, 3, session_.Best(code).second).status, 0);
  }
  for (int minute = 0; minute < 30 && filled == 0; ++minute) {
    session_.TheExchange().Advance(60'000);
    for (const auto& notice : events.notices) filled += notice.kind == "1" ? notice.quantity : 0;
  }
  EXPECT_GT(filled, 0);
  int32_t held = 0;
  for (const auto& holding : session_.Holdings()) held += holding.quantity;
  EXPECT_EQ(held, filled);
  // What the partly filled bids still hold follows their remainders.
  int64_t reserved = 0;
  for (const auto& order : session_.Unfilled()) {
    const int64_t value = static_cast<int64_t>(order.price) * order.unfilled;
    reserved += value + value * 150 / 1'000'000;
  }
  auto query = session_.Buyable(Code(), 0);
  EXPECT_EQ(query->HeaderValue(9).ToI4(), query->HeaderValue(45).ToI4() - reserved);
}

TEST_F(Orders, HoldingsAndUnfilledOrdersArriveInPagesOfFiftyAndTwenty) {
  TradingSession wide(Trading({}, 130));
  ASSERT_EQ(wide.Login(), 0);
  const std::vector<std::string> codes = wide.TradableCodes();
  ASSERT_GE(codes.size(), 60u);
  for (size_t i = 0; i < 60; ++i) ASSERT_EQ(wide.Order('2', codes[i], 1, wide.Best(codes[i]).first, true).status, 0);
  int replies = 0;
  const auto holdings = wide.Holdings(&replies);
  EXPECT_EQ(holdings.size(), 60u);
  EXPECT_EQ(replies, 2);
  // Sells at the best ask wait for a buyer.
  for (size_t i = 0; i < 25; ++i) ASSERT_EQ(wide.Order('1', codes[i], 1, wide.Best(codes[i]).first).status, 0);
  const auto unfilled = wide.Unfilled(&replies);
  EXPECT_EQ(unfilled.size(), 25u);
  EXPECT_EQ(replies, 2);
  for (size_t i = 1; i < unfilled.size(); ++i) EXPECT_GT(unfilled[i].number, unfilled[i - 1].number);
}

}  // namespace
}  // namespace ostrada::sim::testing

namespace ostrada::sim::testing {
namespace {

class ContractRecorder : public broker::IEventSink {
 public:
  explicit ContractRecorder(broker::IMarketRequest& object) : object_(object) {}
  void Received() override { seen.emplace_back(object_.HeaderValue(13).ToI4(), object_.HeaderValue(17).ToI4()); }
  std::vector<std::pair<int32_t, int32_t>> seen;  // price, quantity

 private:
  broker::IMarketRequest& object_;
};

TEST_F(Orders, TheWindowsSeeTheBookAndTheContractsAnOrderMakes) {
  // The first stock whose best ask level, and a share of the next, the account can pay for.
  std::string code;
  std::shared_ptr<broker::IMarketRequest> before;
  for (const std::string& candidate : session_.TradableCodes()) {
    before = session_.QuoteBook(candidate);
    const int64_t cost = (before->DataValue(2, 0).ToI4() + int64_t{1}) * before->DataValue(0, 1).ToI4();
    if (cost + cost / 1000 < kStartingCash) {
      code = candidate;
      break;
    }
  }
  ASSERT_FALSE(code.empty()) << "no best ask level the account can take";
  auto live = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractsLive);
  ContractRecorder contracts(*live);
  const uint32_t cookie = live->Events().Advise(&contracts);
  live->SetInput(0, Variant::Text(code));
  live->Subscribe();
  auto snapshot = [&] { return session_.QuoteBook(code); };
  const int32_t ask0 = before->DataValue(0, 0).ToI4();
  const int32_t ask1 = before->DataValue(0, 1).ToI4();
  const int32_t depth0 = before->DataValue(2, 0).ToI4();
  const int32_t depth1 = before->DataValue(2, 1).ToI4();
  ASSERT_EQ(session_.Order('2', code, depth0 + 1, ask1).status, 0);
  EXPECT_EQ(contracts.seen, (std::vector<std::pair<int32_t, int32_t>>{{ask0, depth0}, {ask1, 1}}));
  auto after = snapshot();
  EXPECT_EQ(after->DataValue(0, 0).ToI4(), ask1);
  EXPECT_EQ(after->DataValue(2, 0).ToI4(), depth1 - 1);

  const int32_t bid2 = after->DataValue(1, 2).ToI4();
  const int32_t waiting = after->DataValue(3, 2).ToI4();
  const OrderReply resting = session_.Order('2', code, 77, bid2);
  ASSERT_EQ(resting.status, 0);
  EXPECT_EQ(snapshot()->DataValue(3, 2).ToI4(), waiting + 77);
  ASSERT_EQ(session_.Amend(true, resting.number, code, 77).status, 0);
  EXPECT_EQ(snapshot()->DataValue(3, 2).ToI4(), waiting);
  live->Events().Unadvise(cookie);
}

}  // namespace
}  // namespace ostrada::sim::testing
