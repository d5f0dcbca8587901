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
  book.ClearBeyond(BookSide::kBid, 9850, &fills);
  EXPECT_EQ(book.Best(BookSide::kBid), 9800);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].price, 10000);
  const QuotePicture picture = book.Picture(0);
  EXPECT_EQ(picture.bids[0].price, 9800);
  EXPECT_EQ(picture.bids[1].price, 0);
  EXPECT_EQ(picture.TotalBid(), 10);
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
