#pragma once
// An exchange with a paper account, and the calls the trading client makes, for the trading tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/interfaces.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/ticks.h"

namespace ostrada::sim::testing {

constexpr int32_t kTradingDate = 20261208;  // a Tuesday
inline const std::string kAccount = "5011223302";

inline ExchangeOptions Trading(const std::string& ledger = {}, int stocks = 60) {
  ExchangeOptions options;
  options.seed = 7;
  options.stocks = stocks;
  options.tradingDate = kTradingDate;
  options.paper.ledgerPath = ledger;
  return options;
}

// A live clock stopped at a moment of the trading date, so the auctions can be reached.
inline ExchangeOptions TradingAt(int hh, int mm, const std::string& ledger = {}) {
  ExchangeOptions options = Trading(ledger);
  options.clock = ClockMode::kLive;
  const int64_t moment = KoreanUnixMilliseconds(kTradingDate, (hh * 60LL + mm) * 60'000);
  options.wallClock = [moment] { return moment; };
  return options;
}

// Stores the order straight into the ledger, as another process would have; its number.
inline int32_t StoreOrder(PaperLedger& ledger, PaperOrder order) {
  auto transaction = ledger.Begin();
  const int32_t number = ledger.Insert(order, *transaction);
  transaction->Commit();
  return number;
}

// An open limit order of the account, entered at 10:00 of the trading date.
inline PaperOrder OpenOrder(const std::string& code, Side side, int32_t price, int32_t quantity) {
  PaperOrder order;
  order.date = kTradingDate;
  order.account = kAccount;
  order.code = code;
  order.side = side;
  order.price = order.reservePrice = price;
  order.quantity = quantity;
  order.timeMs = 36'000'000;
  return order;
}

// Writes an order at 1,000 won of the kind and state into the ledger; its number.
inline int32_t WriteOrder(PaperLedger& ledger, const std::string& code, Side side, OrderKind kind, int32_t quantity,
                          OrderState state = OrderState::kOpen) {
  PaperOrder order = OpenOrder(code, side, 1000, quantity);
  order.kind = kind;
  order.state = state;
  return StoreOrder(ledger, order);
}

using TempFolder = ostrada::testing::ScratchFolder;
using ostrada::testing::TicksFrom;

// Records the headers of every order event as the event log reads them.
class NoticeRecorder : public broker::IEventSink {
 public:
  struct Notice {
    std::string account, name, original, code, type, side, kind, time, flag;
    int32_t quantity, price, number;
  };
  explicit NoticeRecorder(broker::IMarketRequest& object) : object_(object) {}
  void Received() override {
    auto text = [&](int header) { return object_.HeaderValue(header).ToText(); };
    notices.push_back({text(1), text(2), text(7), text(8), text(9), text(12), text(14), text(15), text(16),
                       object_.HeaderValue(3).ToI4(), object_.HeaderValue(4).ToI4(), object_.HeaderValue(5).ToI4()});
  }
  // The kinds in order, e.g. "41" for an acceptance and a fill.
  std::string Kinds() const {
    std::string kinds;
    for (const Notice& notice : notices) kinds += notice.kind;
    return kinds;
  }
  std::vector<Notice> notices;

 private:
  broker::IMarketRequest& object_;
};

struct OrderReply {
  int16_t status = 0;
  std::string text2;  // CP949
  int32_t number = 0;
};

class TradingSession {
 public:
  // The stock state's header telling whether the stock trades, and its values for a stock that does not.
  static constexpr int kTradingStateHeader = 32;
  static constexpr int16_t kSuspendedState = 1;
  static constexpr int16_t kHaltedState = 2;

  explicit TradingSession(const ExchangeOptions& options) : exchange_(options), server_(exchange_) {}

  Exchange& TheExchange() { return exchange_; }
  // What the client's message sink was asked to show: a server never asks it.
  const ostrada::testing::RecordingSink& Sink() const { return recording_.sink; }

  int16_t Login() {
    utility_ = broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility);
    return utility_->Initialise(0);
  }
  // Subscribes an order-event object and records what it reports.
  NoticeRecorder& Listen() {
    events_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
    recorder_ = std::make_unique<NoticeRecorder>(*events_);
    events_->Events().Advise(recorder_.get());
    events_->Subscribe();
    return *recorder_;
  }

  std::shared_ptr<broker::ITradeRequest> Trade(const broker::Guid& clsid) {
    return broker::CreateAs<broker::ITradeRequest>(clsid);
  }

  OrderReply Order(char side, const std::string& code, int32_t quantity, int32_t price, bool market = false,
                   const std::string& account = kAccount) {
    auto order = Trade(broker::clsid::kBuySellOrder);
    order->SetInput(0, broker::Variant::Text(std::string(1, side)));
    order->SetInput(1, broker::Variant::Text(account));
    order->SetInput(2, broker::Variant::Text("10"));
    order->SetInput(3, broker::Variant::Text(code));
    order->SetInput(4, broker::Variant::I4(quantity));
    order->SetInput(5, broker::Variant::I4(price));
    order->SetInput(7, broker::Variant::Text("0"));
    order->SetInput(8, broker::Variant::Text(market ? "03" : "01"));
    return Reply(*order);
  }
  OrderReply Amend(bool cancel, int32_t target, const std::string& code, int32_t quantity, int32_t price = 0) {
    auto order = Trade(cancel ? broker::clsid::kCancelOrder : broker::clsid::kModifyOrder);
    order->SetInput(1, broker::Variant::I4(target));
    order->SetInput(2, broker::Variant::Text(kAccount));
    order->SetInput(3, broker::Variant::Text("10"));
    order->SetInput(4, broker::Variant::Text(code));
    order->SetInput(5, broker::Variant::I4(quantity));
    if (!cancel) order->SetInput(6, broker::Variant::I4(price));
    return Reply(*order);
  }

  // The code's quote book now (the book the orders meet): data 0 and 1 the ask and bid prices, 2 and
  // 3 their quantities, a row a level from the best.
  std::shared_ptr<broker::IMarketRequest> QuoteBook(const std::string& code) {
    auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
    book->SetInput(0, broker::Variant::Text(code));
    book->Request();
    return book;
  }
  // Best ask and bid of the code now.
  std::pair<int32_t, int32_t> Best(const std::string& code) {
    const auto book = QuoteBook(code);
    return {book->DataValue(0, 0).ToI4(), book->DataValue(1, 0).ToI4()};
  }

  // Headers of the order-available query for a limit at `price` (or a market order at 0).
  std::shared_ptr<broker::ITradeRequest> Buyable(const std::string& code, int32_t price) {
    auto query = Trade(broker::clsid::kOrderAvailable);
    query->SetInput(0, broker::Variant::Text(kAccount));
    query->SetInput(1, broker::Variant::Text("10"));
    query->SetInput(2, broker::Variant::Text(code));
    query->SetInput(3, broker::Variant::Text(price > 0 ? "01" : "03"));
    if (price > 0) query->SetInput(4, broker::Variant::I4(price));
    query->SetInput(5, broker::Variant::Text("N"));
    query->SetInput(6, broker::Variant::I1('1'));
    EXPECT_EQ(query->Request(), 0) << Cp949ToUtf8(query->StatusText2());
    return query;
  }
  int64_t Deposit(const std::string& code = {}) { return Buyable(code, 0)->HeaderValue(45).ToI4(); }

  struct HoldingRow {
    std::string name, code;
    int32_t quantity;
    double purchase, cost;
  };
  // Every holding, page by page, as the client downloads them; `replies` counts the requests.
  std::vector<HoldingRow> Holdings(int* replies = nullptr) {
    auto list = Trade(broker::clsid::kHoldings);
    list->SetInput(0, broker::Variant::Text(kAccount));
    list->SetInput(1, broker::Variant::Text("10"));
    list->SetInput(2, broker::Variant::I4(50));
    std::vector<HoldingRow> rows;
    int count = 0;
    do {
      EXPECT_EQ(list->Request(), 0);
      ++count;
      const int32_t n = list->HeaderValue(7).ToI4();
      for (int32_t i = 0; i < n; ++i) {
        rows.push_back({list->DataValue(0, i).ToText(), list->DataValue(12, i).ToText(), list->DataValue(7, i).ToI4(),
                        list->DataValue(17, i).ToR8(), list->DataValue(18, i).ToR8()});
      }
    } while (list->MoreData() != 0);
    if (replies != nullptr) *replies = count;
    return rows;
  }
  struct UnfilledRow {
    int32_t number;
    std::string code;
    int32_t price, unfilled;
    std::string side;
    int32_t queueAhead;  // -1: waits for an auction
  };
  std::vector<UnfilledRow> Unfilled(int* replies = nullptr) {
    auto list = Trade(broker::clsid::kUnfilledOrders);
    list->SetInput(0, broker::Variant::Text(kAccount));
    list->SetInput(1, broker::Variant::Text("10"));
    for (int input : {4, 5, 6}) list->SetInput(input, broker::Variant::Text("0"));
    list->SetInput(7, broker::Variant::I4(20));
    std::vector<UnfilledRow> rows;
    int count = 0;
    do {
      EXPECT_EQ(list->Request(), 0);
      ++count;
      const int32_t n = list->HeaderValue(5).ToI4();
      for (int32_t i = 0; i < n; ++i) {
        EXPECT_FALSE(list->DataValue(0, i).ToText().empty());
        rows.push_back({list->DataValue(1, i).ToI4(), list->DataValue(3, i).ToText(), list->DataValue(7, i).ToI4(),
                        list->DataValue(11, i).ToI4(), list->DataValue(13, i).ToText(), list->DataValue(27, i).ToI4()});
      }
    } while (list->MoreData() != 0);
    if (replies != nullptr) *replies = count;
    return rows;
  }

  // Listed stocks that trade today, liquid ones first: neither suspended nor halted for the day, as
  // the stock's state tells the client (the market halts a stock for a day of its own drawing).
  std::vector<std::string> TradableCodes() const {
    auto state = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kStockState);
    auto stopped = [&](const std::string& code) {
      state->SetInput(0, broker::Variant::Text(code));
      EXPECT_EQ(state->Request(), 0) << code;
      const int16_t trading = state->HeaderValue(kTradingStateHeader).ToI2();
      return trading == kSuspendedState || trading == kHaltedState;
    };
    std::vector<std::string> liquid, others;
    for (const ListedStock& stock : exchange_.Stocks().All()) {
      if (stopped(stock.code)) continue;
      (stock.liquidity >= 6 ? liquid : others).push_back(stock.code);
    }
    liquid.insert(liquid.end(), others.begin(), others.end());
    return liquid;
  }

 private:
  static OrderReply Reply(broker::ITradeRequest& order) {
    OrderReply reply;
    reply.status = order.Request();
    reply.text2 = order.StatusText2();
    if (reply.status == 0) reply.number = order.HeaderValue(8).ToI4();
    return reply;
  }

  ostrada::testing::RecordingScope recording_;
  Exchange exchange_;
  broker::ScopedServer server_;
  std::shared_ptr<broker::ITradeUtility> utility_;
  std::shared_ptr<broker::IMarketRequest> events_;
  std::unique_ptr<NoticeRecorder> recorder_;
};

}  // namespace ostrada::sim::testing
