// One book per stock and moment: a book followed from any moment, a book asked cold in another market
// object (another process, after a restart) and the drawn depth of an unfollowed stock agree level for
// level, and between contracts the book changes a level at a time, not all at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <tuple>
#include <vector>

#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_service.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

constexpr int64_t kMs = 1000;
int64_t At(int hh, int mm, int ss = 0) {
  return ((hh * 60LL + mm) * 60 + ss) * kMs;
}

class EventLog : public MarketListener {
 public:
  void OnMarketEvent(const StockProfile& stock, const MarketEvent& event) override {
    codes.push_back(stock.code);
    events.push_back(event);
  }
  std::vector<std::string> codes;
  std::vector<MarketEvent> events;
};

bool SameLevels(const QuotePicture& a, const QuotePicture& b) {
  return a.asks == b.asks && a.bids == b.bids;
}

class BookMemory : public ::testing::Test {
 protected:
  BookMemory() : listing_(Listing::Build(7, 120)) {
    // A busy stock, a thin one and a halted one, as the listing has them.
    Market probe(ProfilesOf(listing_), 7);
    probe.Sync(kTradingDate, At(9, 0));
    for (int i = 0; i < static_cast<int>(probe.Size()); ++i) {
      const double perSecond = probe.Stock(i).contractsPerSecond;
      if (probe.Today(i).halted) halted_ = i;
      else if (perSecond >= 1.0 && busy_ < 0) busy_ = i;
      else if (perSecond < 0.05 && thin_ < 0) thin_ = i;
    }
  }
  std::unique_ptr<Market> Fresh() const { return std::make_unique<Market>(ProfilesOf(listing_), 7); }

  Listing listing_;
  int busy_ = -1;
  int thin_ = -1;
  int halted_ = -1;
};

TEST_F(BookMemory, FollowedFromAnyMomentOrAskedColdTheBookIsTheSame) {
  ASSERT_GE(busy_, 0);
  ASSERT_GE(thin_, 0);
  // Moments across the day: before the pre-open, its start and auction, the open, the regular
  // session, the closing auction, the close and after.
  const std::vector<int64_t> moments = {At(7, 59, 59), At(8, 0),     At(8, 30, 5), At(9, 0),  At(9, 0, 1),
                                        At(10, 41, 13), At(13, 2, 7), At(14, 50, 5), At(14, 55), At(15, 0),
                                        At(15, 10)};
  std::unique_ptr<Market> early = Fresh();
  std::unique_ptr<Market> late = Fresh();
  // A book asked for once and then nobody's, which starts afresh before the last record of each
  // stretch; and watched books whose market holds its events, as through a jump.
  std::unique_ptr<Market> asked = Fresh();
  std::unique_ptr<Market> held = Fresh();
  EventLog earlyLog;
  EventLog lateLog;
  EventLog heldLog;
  early->Sync(kTradingDate, At(7, 0));
  asked->Sync(kTradingDate, At(7, 0));
  held->Sync(kTradingDate, At(7, 0));
  held->Hold();
  for (int stock : {busy_, thin_}) {
    early->Subscribe(stock, &earlyLog);
    held->Subscribe(stock, &heldLog);
    asked->Book(stock);
  }
  for (int64_t moment : moments) {
    SCOPED_TRACE(moment);
    early->Sync(kTradingDate, moment);
    late->Sync(kTradingDate, moment);
    asked->Sync(kTradingDate, moment);
    held->Sync(kTradingDate, moment);
    if (moment == At(10, 41, 13)) {
      for (int stock : {busy_, thin_}) late->Subscribe(stock, &lateLog);
    }
    std::unique_ptr<Market> cold = Fresh();
    cold->Sync(kTradingDate, moment);
    for (int stock : {busy_, thin_, halted_}) {
      if (stock < 0) continue;
      SCOPED_TRACE(stock);
      const QuotePicture followed = early->Quote(stock);
      EXPECT_TRUE(SameLevels(followed, late->Quote(stock)));
      EXPECT_TRUE(SameLevels(followed, cold->Quote(stock)));  // drawn, no live book
      EXPECT_TRUE(SameLevels(followed, cold->Book(stock).Picture()));
      EXPECT_TRUE(SameLevels(followed, asked->Quote(stock)));
      EXPECT_TRUE(SameLevels(followed, held->Quote(stock)));
      const bool open = moment >= At(8, 0) && stock != halted_;
      EXPECT_EQ(followed.asks[0].price > 0 || followed.bids[0].price > 0, open);
    }
  }
  // Released, the market tells each watched stock once where its day stands, its book as drawn.
  EXPECT_TRUE(heldLog.events.empty());
  held->Release();
  ASSERT_EQ(heldLog.events.size(), 2u);
  for (size_t e = 0; e < heldLog.events.size(); ++e) {
    EXPECT_EQ(heldLog.events[e].trade.phase, Phase::kClosed);
    EXPECT_TRUE(SameLevels(heldLog.events[e].quote, early->Quote(early->Find(heldLog.codes[e]))));
  }
  // Every change the followed books told is the book a cold market draws at that moment.
  ASSERT_GT(earlyLog.events.size(), 100u);
  for (size_t e = 0; e < earlyLog.events.size(); e += 97) {
    const MarketEvent& event = earlyLog.events[e];
    SCOPED_TRACE(event.timeMs);
    std::unique_ptr<Market> cold = Fresh();
    cold->Sync(kTradingDate, event.timeMs);
    EXPECT_TRUE(SameLevels(event.quote, cold->Quote(cold->Find(earlyLog.codes[e]))));
  }
}

TEST_F(BookMemory, BetweenContractsALevelChangesAtATimeAndDepthIsMinutesOfVolume) {
  std::unique_ptr<Market> market = Fresh();
  market->Sync(kTradingDate, At(10, 0));
  EventLog log;
  market->Subscribe(busy_, &log);
  QuotePicture before = market->Quote(busy_);
  market->Sync(kTradingDate, At(10, 30));
  int quoteEvents = 0;
  std::vector<double> nearMinutes;  // the best three asks in minutes of the stock's ordinary volume
  const DayDraw& today = market->Today(busy_);
  // The ordinary minute: the day's volume over its regular minutes, less what made the day busy.
  const double ordinaryMinute = today.bar.volume / (kRegularMinutes * static_cast<double>(today.activity));
  for (const MarketEvent& event : log.events) {
    if (event.kind == MarketEvent::Kind::kQuote) {
      ++quoteEvents;
      int changed = 0;
      for (int i = 0; i < kBookLevels; ++i) {
        changed += event.quote.asks[static_cast<size_t>(i)] != before.asks[static_cast<size_t>(i)];
        changed += event.quote.bids[static_cast<size_t>(i)] != before.bids[static_cast<size_t>(i)];
      }
      EXPECT_GE(changed, 1);
      EXPECT_LE(changed, 3) << event.timeMs;
    }
    nearMinutes.push_back(event.quote.TotalAsk(3) / ordinaryMinute);
    before = event.quote;
  }
  EXPECT_GT(quoteEvents, 60);  // a busy stock's levels move every few seconds
  std::sort(nearMinutes.begin(), nearMinutes.end());
  const double median = nearMinutes[nearMinutes.size() / 2];
  EXPECT_GT(median, 1.5);
  EXPECT_LT(median, 8.0);
}

TEST_F(BookMemory, AnAccountsOrderKeepsItsPlaceAsTheMarketsOrdersComeAndGo) {
  std::unique_ptr<Market> market = Fresh();
  market->Sync(kTradingDate, At(10, 0));
  LiveBook& book = market->Book(busy_);
  const int32_t bid = book.Picture().bids[6].price;
  ASSERT_GT(bid, 0);
  const int32_t ahead = book.Orders().QuantityAt(BookSide::kBid, bid);
  book.Orders().Add(BookSide::kBid, bid, {1'000'000, 7, 42});
  market->Sync(kTradingDate, At(10, 0, 40));
  ASSERT_TRUE(book.TakeFills().empty());
  ASSERT_GT(book.Orders().QuantityAt(BookSide::kBid, bid), 7) << "the market's orders there";
  // The market's arrivals joined behind the order and its cancels left from the back, so what is
  // ahead of it is no more than it was: taking that much and the order's own reaches all of it.
  std::vector<OrderBook::Fill> fills;
  book.Orders().Take(BookSide::kBid, bid, ahead + 7, &fills);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].owner, 42u);
  EXPECT_EQ(fills[0].quantity, 7);
}

// Nobody watching, a book follows the day only where owned orders rest, and settles whole at the
// last record: the owned orders' queues, their fills and times, and the book shown must be those of
// a watched book that followed every record and moment.
class UnwatchedBook : public BookMemory, public ::testing::WithParamInterface<bool> {};

TEST_P(UnwatchedBook, JumpingAheadKeepsTheOrdersAsAWatchedBookSecondBySecond) {
  const int stock = GetParam() ? busy_ : thin_;
  std::unique_ptr<Market> watched = Fresh();
  std::unique_ptr<Market> jumping = Fresh();
  EventLog log;
  watched->Sync(kTradingDate, At(10, 0));
  jumping->Sync(kTradingDate, At(10, 0));
  watched->Subscribe(stock, &log);
  // Orders near the touch and deep in the book, two at one price, with ids as small as the books'
  // own orders would have.
  const QuotePicture start = watched->Quote(stock);
  const std::vector<std::tuple<BookSide, int32_t, uint64_t>> orders = {{BookSide::kBid, start.bids[1].price, 1},
                                                                       {BookSide::kBid, start.bids[5].price, 2},
                                                                       {BookSide::kBid, start.bids[5].price, 3},
                                                                       {BookSide::kAsk, start.asks[2].price, 4},
                                                                       {BookSide::kAsk, start.asks[8].price, 5}};
  for (Market* market : {watched.get(), jumping.get()}) {
    for (const auto& [side, price, id] : orders)
      market->Book(stock).Orders().Add(side, price, {id, 30 * static_cast<int32_t>(id), 42});
  }
  using Fills = std::vector<std::tuple<uint64_t, int32_t, int32_t, int32_t>>;  // id, price, quantity, time
  auto take = [stock](Market& market, Fills& into) {
    for (const OrderBook::Fill& fill : market.Book(stock).TakeFills())
      into.emplace_back(fill.id, fill.price, fill.quantity, fill.timeMs);
  };
  Fills second;
  Fills jumped;
  int changes = 0;  // checkpoints where some order's queue ahead had moved
  std::vector<std::optional<int32_t>> before(orders.size());
  for (int64_t now = At(10, 0), checkpoint = At(10, 0, 1); checkpoint < At(12, 30); checkpoint += 173'000) {
    for (; now < checkpoint; now += 1000) {
      watched->Sync(kTradingDate, now + 1000);
      take(*watched, second);
    }
    jumping->Sync(kTradingDate, checkpoint);
    take(*jumping, jumped);
    SCOPED_TRACE(checkpoint);
    ASSERT_EQ(jumped, second);
    EXPECT_TRUE(SameLevels(jumping->Quote(stock), watched->Quote(stock)));
    for (size_t i = 0; i < orders.size(); ++i) {
      const auto& [side, price, id] = orders[i];
      const std::optional<int32_t> ahead = jumping->Book(stock).Orders().QuantityAhead(side, price, id);
      EXPECT_EQ(ahead, watched->Book(stock).Orders().QuantityAhead(side, price, id)) << id;
      changes += ahead != before[i];
      before[i] = ahead;
    }
  }
  EXPECT_GE(changes, 10) << "the queues moved";
}

INSTANTIATE_TEST_SUITE_P(BusyAndThin, UnwatchedBook, ::testing::Bool());

}  // namespace
}  // namespace ostrada::sim::testing
