#include "broker/sim/market/book.h"

#include <gtest/gtest.h>

#include "broker/sim/market/market.h"

namespace ostrada::sim {
namespace {

TEST(OrderBook, EarliestOrderAtAPriceFillsFirst) {
  OrderBook book;
  book.Add(BookSide::kAsk, 10100, {1, 300, 0});
  book.Add(BookSide::kAsk, 10050, {2, 100, 7});  // an account's order, first at its price
  book.Add(BookSide::kAsk, 10050, {3, 200, 0});
  book.Add(BookSide::kAsk, 10050, {4, 50, 7});
  EXPECT_EQ(book.Best(BookSide::kAsk), 10050);
  std::vector<OrderBook::Fill> fills;
  EXPECT_EQ(book.Take(BookSide::kAsk, 10050, 250, &fills), 250);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].id, 2u);
  EXPECT_EQ(fills[0].quantity, 100);
  EXPECT_EQ(book.QuantityAt(BookSide::kAsk, 10050), 100);
  fills.clear();
  EXPECT_EQ(book.Take(BookSide::kAsk, 10050, 500, &fills), 100);  // only what rests there
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].id, 4u);
  EXPECT_EQ(fills[0].quantity, 50);
  EXPECT_EQ(book.Best(BookSide::kAsk), 10100);
}

TEST(OrderBook, TheMarketWithdrawsOnlyItsOwnOrders) {
  OrderBook book;
  book.Add(BookSide::kBid, 9900, {1, 100, 3});
  book.Add(BookSide::kBid, 9900, {2, 400, 0});
  EXPECT_EQ(book.Withdraw(BookSide::kBid, 9900, 1000), 400);
  EXPECT_EQ(book.QuantityAt(BookSide::kBid, 9900), 100);
  EXPECT_EQ(book.Withdraw(BookSide::kBid, 9900, 1000), 0);
}

TEST(OrderBook, ACrossingPriceClearsTheLevelsItPasses) {
  OrderBook book;
  for (int32_t price : {9800, 9900, 10000}) book.Add(BookSide::kBid, price, {static_cast<uint64_t>(price), 10, 0});
  book.Add(BookSide::kBid, 10000, {99, 5, 1});
  std::vector<OrderBook::Fill> fills;
  book.ClearBeyond(BookSide::kBid, 9850, 100, &fills);
  EXPECT_EQ(book.Best(BookSide::kBid), 9800);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].price, 10000);
  EXPECT_EQ(fills[0].quantity, 5);
  const QuotePicture picture = book.Picture(0);
  EXPECT_EQ(picture.bids[0].price, 9800);
  EXPECT_EQ(picture.bids[1].price, 0);
  EXPECT_EQ(picture.TotalBid(), 10);
}

// Owned orders a contract trades through share that contract's quantity, best price first, then
// the earliest; the rest of them keeps its place, and the market's orders there are gone.
TEST(OrderBook, OwnedOrdersTradedThroughTakeNoMoreThanTheContract) {
  struct Row {
    int32_t traded;
    std::vector<int32_t> filled;  // orders 1 (10,000), 2 and 3 (both 9,950, 2 first)
  };
  for (const Row& row : {Row{0, {}}, Row{30, {30}}, Row{120, {100, 20}}, Row{250, {100, 80, 70}}, Row{900, {100, 80, 70}}}) {
    OrderBook book;
    book.Add(BookSide::kBid, 9950, {2, 80, 1});
    book.Add(BookSide::kBid, 9950, {50, 500, 0});
    book.Add(BookSide::kBid, 9950, {3, 70, 1});
    book.Add(BookSide::kBid, 10000, {1, 100, 1});
    book.Add(BookSide::kBid, 9900, {60, 40, 0});
    std::vector<OrderBook::Fill> fills;
    book.ClearBeyond(BookSide::kBid, 9900, row.traded, &fills);
    std::vector<int32_t> filled;
    for (const OrderBook::Fill& fill : fills) filled.push_back(fill.quantity);
    EXPECT_EQ(filled, row.filled) << row.traded;
    const int32_t left = 250 - std::min(row.traded, 250);
    EXPECT_EQ(book.QuantityAt(BookSide::kBid, 10000) + book.QuantityAt(BookSide::kBid, 9950), left) << row.traded;
    EXPECT_EQ(book.QuantityAt(BookSide::kBid, 9900), 40);
    EXPECT_EQ(book.Best(BookSide::kBid), left > 0 ? (row.traded < 100 ? 10000 : 9950) : 9900) << row.traded;
  }
}

TEST(OrderBook, TheQuantityAheadIsWhatRestsEarlierAtThePrice) {
  OrderBook book;
  book.Add(BookSide::kAsk, 10050, {1, 300, 0});
  book.Add(BookSide::kAsk, 10050, {2, 100, 7});
  book.Add(BookSide::kAsk, 10050, {3, 200, 0});
  book.Add(BookSide::kAsk, 10100, {4, 50, 7});
  book.Add(BookSide::kAsk, 10050, {1, 30, 7});  // an account's order with a market order's number
  book.Add(BookSide::kAsk, 10150, {9, 80, 0});
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 2), 300);
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 1), 300 + 100 + 200);
  EXPECT_EQ(book.Reduce(BookSide::kAsk, 10050, 1, 30), 30);  // the account's, not the market's
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 2), 300);
  EXPECT_EQ(book.Reduce(BookSide::kAsk, 10150, 9, 80), 0);  // the market's orders are nobody's to cancel
  EXPECT_EQ(book.OwnedPrices(BookSide::kAsk), (std::vector<int32_t>{10100, 10050}));
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10100, 4), 0);
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10100, 2), std::nullopt);
  book.Take(BookSide::kAsk, 10050, 120, nullptr);
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 2), 180);
  book.Withdraw(BookSide::kAsk, 10050, 1000);  // the market's later orders go first, then the earlier
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 2), 0);
  EXPECT_EQ(book.QuantityAhead(BookSide::kAsk, 10050, 3), std::nullopt);
}

// An order put back where it stood has the shares it had ahead of it, however the market's orders
// there split; it never lands inside another account order, and past the back it joins the back.
TEST(OrderBook, AnOrderPutBackAtItsPlaceHasItsSharesAhead) {
  struct Row {
    int32_t place, ahead;
  };
  for (const Row& row : {Row{0, 0}, Row{150, 150}, Row{300, 300}, Row{301, 400}, Row{399, 400}, Row{450, 450},
                         Row{600, 600}, Row{10'000, 600}}) {
    OrderBook book;
    book.Add(BookSide::kBid, 9900, {8, 50, 0});  // traded away before: the level's queue starts after it
    book.Add(BookSide::kBid, 9900, {1, 300, 0});
    book.Add(BookSide::kBid, 9900, {2, 100, 7});
    book.Add(BookSide::kBid, 9900, {3, 200, 0});
    book.Take(BookSide::kBid, 9900, 50, nullptr);
    book.Insert(BookSide::kBid, 9900, {5, 40, 7}, row.place);
    EXPECT_EQ(book.QuantityAhead(BookSide::kBid, 9900, 5), row.ahead) << row.place;
    EXPECT_EQ(book.QuantityAhead(BookSide::kBid, 9900, 2), row.place <= 300 ? 340 : 300) << row.place;
    EXPECT_EQ(book.QuantityAt(BookSide::kBid, 9900), 640);
    // The market's orders behind it leave first: withdrawing all of them leaves its place as it was.
    const int32_t marketAhead = row.ahead - (row.ahead >= 400 ? 100 : 0);
    EXPECT_EQ(book.Withdraw(BookSide::kBid, 9900, 500 - marketAhead), 500 - marketAhead);
    EXPECT_EQ(book.QuantityAhead(BookSide::kBid, 9900, 5), row.ahead) << row.place;
    // What is ahead of it trades first.
    std::vector<OrderBook::Fill> fills;
    book.Take(BookSide::kBid, 9900, book.QuantityAhead(BookSide::kBid, 9900, 5).value_or(0) + 10, &fills);
    ASSERT_FALSE(fills.empty());
    EXPECT_EQ(fills.back().id, 5u) << row.place;
    EXPECT_EQ(fills.back().quantity, 10) << row.place;
  }
}

class NoisyListener : public MarketListener {
 public:
  void OnMarketEvent(const StockProfile&, const MarketEvent&) override {
    ++calls;
    throw std::runtime_error("a sink that fails");
  }
  int calls = 0;
};

TEST(Market, AListenerThatThrowsDoesNotStopLaterDeliveries) {
  StockProfile stock;
  stock.code = "A000010";
  stock.seed = 3;
  stock.contractsPerSecond = 4;
  Market market({stock}, 1);
  market.Sync(20261208, 10 * 3'600'000LL);
  NoisyListener listener;
  market.Subscribe(0, &listener);
  EXPECT_THROW(market.Sync(20261208, 10 * 3'600'000LL + 5000), std::runtime_error);
  const int calls = listener.calls;
  EXPECT_THROW(market.Sync(20261208, 10 * 3'600'000LL + 10000), std::runtime_error);
  EXPECT_GT(listener.calls, calls);
}

}  // namespace
}  // namespace ostrada::sim
