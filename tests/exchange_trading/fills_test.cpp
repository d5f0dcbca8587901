#include <gtest/gtest.h>

#include <algorithm>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/exchange_trading/trading_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

// Every contract the market reports for one code, as the contract window hears them.
class ContractTape : public broker::IEventSink {
 public:
  struct Contract {
    int32_t hhmmss, price, quantity;
  };
  explicit ContractTape(const std::string& code)
      : live_(broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractsLive)) {
    cookie_ = live_->Events().Advise(this);
    live_->SetInput(0, Variant::Text(code));
    live_->Subscribe();
  }
  ~ContractTape() override {
    live_->Unsubscribe();
    live_->Events().Unadvise(cookie_);
  }
  void Received() override {
    contracts.push_back({live_->HeaderValue(18).ToI4(), live_->HeaderValue(13).ToI4(), live_->HeaderValue(17).ToI4()});
  }
  // What traded up to the second (HHMMSS) at or through a buy's limit: at or below it.
  int64_t TradedAtOrBelowBy(int32_t hhmmss, int32_t limit) const {
    int64_t traded = 0;
    for (const Contract& contract : contracts) {
      if (contract.hhmmss <= hhmmss && contract.price <= limit) traded += contract.quantity;
    }
    return traded;
  }
  std::vector<Contract> contracts;

 private:
  std::shared_ptr<broker::IMarketRequest> live_;
  uint32_t cookie_ = 0;
};

// A buy far larger than the market trades: after walking the book it rests above the bids, and the
// market's contracts at or through its price are all it may take.
TEST(PaperFills, ARestingOrderTakesNoMoreThanTheMarketTradesThroughIt) {
  ExchangeOptions options = Trading();
  options.paper.startingCash = 100'000'000'000;  // the book holds billions at a few ticks of a dear stock
  TradingSession session(options);
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  const auto book = session.QuoteBook(code);
  const int32_t ask = book->DataValue(0, 0).ToI4();
  const int32_t limit = TicksFrom(ask, 2);
  // Half as much again as the book shows at or below the limit, so some of it must rest.
  int32_t shown = 0;
  for (int level = 0; level < 10; ++level) {
    if (book->DataValue(0, level).ToI4() <= limit) shown += book->DataValue(2, level).ToI4();
  }
  const int32_t quantity = shown + shown / 2 + 10;
  ASSERT_LT(int64_t{quantity} * limit, 99'000'000'000) << "the account must afford it";
  ContractTape tape(code);
  const OrderReply reply = session.Order('2', code, quantity, limit);
  ASSERT_EQ(reply.status, 0) << Cp949ToUtf8(reply.text2);
  const size_t walked = events.notices.size();
  int64_t walkedQuantity = 0;
  for (const auto& notice : events.notices) {
    if (notice.kind == "1") walkedQuantity += notice.quantity;
  }
  ASSERT_LT(walkedQuantity, quantity) << "the order must rest for this test";
  tape.contracts.clear();  // the walk's own contracts are not the market's flow
  for (int step = 0; step < 100; ++step) session.TheExchange().Advance(100);

  // Every contract bounds what it gives the order, so the fills never run ahead of the flow.
  int64_t filled = 0;
  for (size_t i = walked; i < events.notices.size(); ++i) {
    const auto& notice = events.notices[i];
    if (notice.kind != "1") continue;
    EXPECT_EQ(notice.price, limit) << "a trade-through fills at the order's own limit";
    filled += notice.quantity;
    EXPECT_LE(filled, tape.TradedAtOrBelowBy(std::stoi(notice.time), limit)) << "by " << notice.time;
  }
  ASSERT_GT(filled, 0) << "the market traded through the order in ten seconds";
  filled += walkedQuantity;
  const auto unfilled = session.Unfilled();
  ASSERT_EQ(unfilled.size(), 1u) << "most of the order still waits";
  EXPECT_EQ(unfilled[0].unfilled, quantity - filled);
}

// A buy joining the best bid stands behind everything the book shows there; the queue ahead only
// shrinks as the market trades or withdraws before it, and nothing of it fills while some is ahead.
TEST(PaperFills, AnOpenOrderKnowsWhatRestsAheadOfIt) {
  TradingSession session(Trading());
  ASSERT_EQ(session.Login(), 0);
  NoticeRecorder& events = session.Listen();
  const std::string code = session.TradableCodes().front();
  const auto book = session.QuoteBook(code);
  const int32_t bid = book->DataValue(1, 0).ToI4();
  const int32_t shown = book->DataValue(3, 0).ToI4();
  ASSERT_GT(shown, 0);
  ASSERT_EQ(session.Order('2', code, 10, bid).status, 0);
  auto ahead = [&] {
    const auto rows = session.Unfilled();
    return rows.empty() ? -2 : rows[0].queueAhead;
  };
  EXPECT_EQ(ahead(), shown);
  int32_t last = shown;
  for (int step = 0; step < 600 && ahead() > 0; ++step) {
    session.TheExchange().Advance(500);
    const int32_t now = std::max(ahead(), 0);  // the order gone: filled, the market traded through it
    EXPECT_LE(now, last) << "nothing joins a queue ahead of an order already in it";
    if (now > 0) {
      EXPECT_EQ(events.Kinds(), "4") << "no fill while shares are ahead";
    }
    last = now;
  }
  EXPECT_LT(last, shown) << "the queue moved within five minutes";
}

// A holding counts its shares in 32 bits: buys that would take it, open ones included, past
// 2,147,483,647 shares are refused in Korean, and the cash stays as it was.
TEST(PaperFills, NoHoldingGrowsPastItsType) {
  TempFolder folder;
  const std::string path = folder.File("paper.sqlite");
  TradingSession session(Trading(path));
  ASSERT_EQ(session.Login(), 0);
  const std::string code = session.TradableCodes().front();
  {
    SqliteDb other(path, false);  // bought over many days, as far as the ledger is concerned
    other.Execute("INSERT INTO holdings VALUES('" + kAccount + "', '" + code +
                  "', 2147483000, 2147483000, 2147483000)");
  }
  const int32_t bid = session.Best(code).second;
  ASSERT_EQ(session.Order('2', code, 600, bid).status, 0);
  const int64_t reserved = session.Buyable({}, 0)->HeaderValue(10).ToI4();
  const OrderReply over = session.Order('2', code, 48, bid);
  EXPECT_NE(over.status, 0);
  EXPECT_NE(Cp949ToUtf8(over.text2).find("2,147,483,647주"), std::string::npos) << Cp949ToUtf8(over.text2);
  EXPECT_EQ(session.Buyable({}, 0)->HeaderValue(10).ToI4(), reserved) << "nothing was held for it";
  EXPECT_EQ(session.Order('2', code, 47, bid).status, 0) << "up to the type's limit is allowed";
}

// What a pump step brings from the books is taken before the close ends the day's orders, so one step
// across 15:00 fills what the market traded through before it, as small steps do.
TEST(PaperFills, OneStepAcrossTheCloseFillsAsSmallStepsDo) {
  TempFolder folder;
  const int64_t span = 31 * 60'000;  // 14:30 to 15:01
  auto filledBy = [&](const std::string& ledger, int64_t step) {
    TradingSession session(TradingAt(14, 30, folder.Path() + "/" + ledger));
    EXPECT_EQ(session.Login(), 0);
    NoticeRecorder& events = session.Listen();
    const std::string code = session.TradableCodes().front();
    const auto [ask, bid] = session.Best(code);
    EXPECT_EQ(session.Order('2', code, 40, bid).status, 0);
    for (int64_t done = 0; done < span; done += step) session.TheExchange().Advance(std::min(step, span - done));
    int64_t filled = 0;
    for (const auto& notice : events.notices) {
      if (notice.kind == "1") filled += notice.quantity;
    }
    EXPECT_TRUE(session.Unfilled().empty()) << "the close ends what is left";
    return filled;
  };
  const int64_t stepped = filledBy("stepped.sqlite", 1'000);
  ASSERT_GT(stepped, 0) << "the market reaches the bid before the close";
  EXPECT_EQ(filledBy("jumped.sqlite", span), stepped);
}

}  // namespace
}  // namespace ostrada::sim::testing
