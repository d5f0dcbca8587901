#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "basesrc/priceinfo.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

class QuoteObjects : public MarketTest {
 protected:
  std::shared_ptr<broker::IMarketRequest> Snapshot(const std::string& code) {
    auto object = Create(broker::clsid::kQuoteBookSnapshot);
    object->SetInput(0, Variant::Text(code));
    object->Request();
    return object;
  }
};

// Ten levels a side on valid ticks, asks rising and bids falling away from a spread of one tick
// that holds the last price.
void CheckLadder(broker::IMarketRequest& book, int32_t last, int32_t base) {
  const int32_t upper = base + PriceLimitChange(base, 1);
  const int32_t lower = base + PriceLimitChange(base, 0);
  int32_t totalAsk = 0;
  int32_t totalBid = 0;
  for (int level = 0; level < 10; ++level) {
    SCOPED_TRACE(level);
    const int32_t ask = book.DataValue(0, level).ToI4();
    const int32_t bid = book.DataValue(1, level).ToI4();
    totalAsk += book.DataValue(2, level).ToI4();
    totalBid += book.DataValue(3, level).ToI4();
    for (int32_t price : {ask, bid}) {
      if (price == 0) continue;
      EXPECT_EQ(price % PriceTick(price), 0);
      EXPECT_LE(price, upper);
      EXPECT_GE(price, lower);
    }
    if (level > 0 && ask > 0) {
      EXPECT_GT(ask, book.DataValue(0, level - 1).ToI4());
    }
    if (level > 0 && bid > 0) {
      EXPECT_LT(bid, book.DataValue(1, level - 1).ToI4());
    }
  }
  const int32_t bestAsk = book.DataValue(0, 0).ToI4();
  const int32_t bestBid = book.DataValue(1, 0).ToI4();
  EXPECT_TRUE(last == bestAsk || last == bestBid) << last << " " << bestAsk << " " << bestBid;
  if (bestAsk > 0 && bestBid > 0) {
    EXPECT_LT(bestBid, bestAsk);
  }
  EXPECT_EQ(book.HeaderValue(4).ToI4(), totalAsk);
  EXPECT_EQ(book.HeaderValue(6).ToI4(), totalBid);
}

TEST_F(QuoteObjects, SnapshotAgreesWithPriceRowAndContracts) {
  AdvanceTo(10, 41, 13);
  for (const std::string& code : Codes()) {
    SCOPED_TRACE(code);
    const std::vector<Variant> row = PriceRow(code);
    auto book = Snapshot(code);
    ASSERT_EQ(book->Status(), 0);
    EXPECT_EQ(book->HeaderValue(3).ToI2(), 1041);
    if (row[6].ToI4() == 0) {  // halted: nothing waits
      EXPECT_EQ(book->DataValue(0, 0).ToI4(), 0);
      continue;
    }
    CheckLadder(*book, row[3].ToI4(), row[19].ToI4());
    EXPECT_EQ(row[9].ToI4(), book->DataValue(0, 0).ToI4());
    EXPECT_EQ(row[10].ToI4(), book->DataValue(1, 0).ToI4());
    auto history = Create(broker::clsid::kContractHistory);
    history->SetInput(0, Variant::Text(code));
    history->SetInput(1, Variant::I4(0));
    history->SetInput(2, Variant::I2(80));
    ASSERT_EQ(history->Request(), 0);
    EXPECT_EQ(history->DataValue(4, 0).ToI4(), row[3].ToI4());
    EXPECT_EQ(history->DataValue(5, 0).ToI4(), row[11].ToI4());
  }
}

TEST_F(QuoteObjects, SnapshotOfUnknownCodeIsRefused) {
  auto book = Snapshot("A999999");
  EXPECT_NE(book->Status(), 0);
  EXPECT_FALSE(book->StatusText1().empty());
  EXPECT_TRUE(book->DataValue(0, 0).IsEmpty());
}

TEST_F(QuoteObjects, LiveBookEventsFollowContractsUntilUnsubscribed) {
  AdvanceTo(9, 30);
  const std::string code = LiquidCode();
  auto live = Create(broker::clsid::kQuoteBookLive);
  std::vector<int32_t> headers(47);
  std::iota(headers.begin(), headers.end(), 0);
  HeaderRecorder sink(*live, headers);
  const uint32_t cookie = live->Events().Advise(&sink);
  live->SetInput(0, Variant::Text(code));
  live->Subscribe();
  AdvanceTo(9, 31);
  ASSERT_GT(sink.events.size(), 10u);
  // (ask price, bid price, ask quantity, bid quantity) of a level of an event.
  auto level = [](const std::vector<Variant>& event, int i) {
    const int first = i < 5 ? 3 + 4 * i : 27 + 4 * (i - 5);
    return std::array<int32_t, 4>{event[first].ToI4(), event[first + 1].ToI4(), event[first + 2].ToI4(),
                                  event[first + 3].ToI4()};
  };
  int32_t time = 0;
  int32_t volume = 1;  // the day's volume, which every event carries, never falls
  for (const auto& event : sink.events) {
    EXPECT_EQ(event[0].ToText(), code);
    EXPECT_GE(event[1].ToI4(), time);
    time = event[1].ToI4();
    EXPECT_GE(event[2].ToI4(), volume);
    volume = event[2].ToI4();
    int32_t sums[4] = {};  // asks and bids of ten levels, then of five
    for (int i = 0; i < 10; ++i) {
      const auto [ask, bid, asked, bidden] = level(event, i);
      EXPECT_TRUE(ask == 0 || ask % PriceTick(ask) == 0) << ask;
      EXPECT_TRUE(bid == 0 || bid % PriceTick(bid) == 0) << bid;
      if (i > 0 && ask > 0) {
        EXPECT_GT(ask, level(event, i - 1)[0]);
      }
      if (i > 0 && bid > 0) {
        EXPECT_LT(bid, level(event, i - 1)[1]);
      }
      sums[0] += asked;
      sums[1] += bidden;
      sums[2] += i < 5 ? asked : 0;
      sums[3] += i < 5 ? bidden : 0;
    }
    EXPECT_GT(level(event, 0)[0], level(event, 0)[1]);  // best ask above best bid
    for (int t = 0; t < 4; ++t) EXPECT_EQ(event[23 + t].ToI4(), sums[t]) << t;
    EXPECT_GT(sums[0], 0);
    EXPECT_GT(sums[1], 0);
  }
  EXPECT_LE(time, 93100);
  EXPECT_EQ(volume, PriceRow(code)[11].ToI4());
  // The snapshot now shows the last event's book, and each change since the event before it.
  const std::vector<Variant>& last = sink.events.back();
  const std::vector<Variant>& before = sink.events[sink.events.size() - 2];
  auto book = Snapshot(code);
  for (int t = 0; t < 4; ++t) EXPECT_EQ(book->HeaderValue(4 + 2 * t).ToI4(), last[23 + t].ToI4()) << t;
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(book->HeaderValue(5 + 2 * t).ToI4(), last[23 + t].ToI4() - before[23 + t].ToI4()) << t;
  }
  for (int i = 0; i < 10; ++i) {
    const auto now = level(last, i);
    for (int f = 0; f < 4; ++f) EXPECT_EQ(book->DataValue(f, i).ToI4(), now[f]) << i << " " << f;
    for (int side = 0; side < 2; ++side) {
      int32_t change = 0;
      for (int j = 0; j < 10; ++j) {
        if (now[side] != 0 && level(before, j)[side] == now[side]) change = now[2 + side] - level(before, j)[2 + side];
      }
      EXPECT_EQ(book->DataValue(4 + side, i).ToI4(), change) << i << " " << side;
    }
  }

  live->SetInput(0, Variant::Text(code));
  live->Unsubscribe();
  const size_t seen = sink.events.size();
  AdvanceTo(9, 32);
  EXPECT_EQ(sink.events.size(), seen);
  live->Events().Unadvise(cookie);
}

TEST_F(QuoteObjects, ReleasingTheObjectEndsItsEvents) {
  const std::string code = LiquidCode();
  auto live = Create(broker::clsid::kQuoteBookLive);
  HeaderRecorder sink(*live, {0});
  live->Events().Advise(&sink);
  live->SetInput(0, Variant::Text(code));
  live->Subscribe();
  live.reset();
  AdvanceTo(9, 1);  // must not reach the released object
  EXPECT_TRUE(sink.events.empty());
}

}  // namespace
}  // namespace ostrada::sim::testing
