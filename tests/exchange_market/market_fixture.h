#pragma once
// A small exchange on a fixed trading day, with helpers to make requests as the client makes them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/interfaces.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "tests/support/recording_sink.h"

namespace ostrada::sim::testing {

constexpr int32_t kTradingDate = 20261208;  // a Tuesday

inline ExchangeOptions SmallMarket(uint64_t seed = 7) {
  ExchangeOptions options;
  options.seed = seed;
  options.stocks = 60;
  options.tradingDate = kTradingDate;
  return options;
}

// A live clock stopped at a moment of the trading date (Korean time), so any time of day can be set
// up; the exchange then moves only by Advance.
inline ExchangeOptions LiveAt(int hh, int mm, int ss = 0, int stocks = 60, uint64_t seed = 7) {
  ExchangeOptions options = SmallMarket(seed);
  options.stocks = stocks;
  options.clock = ClockMode::kLive;
  const int64_t moment = KoreanUnixMilliseconds(kTradingDate, ((hh * 60LL + mm) * 60 + ss) * 1000);
  options.wallClock = [moment] { return moment; };
  return options;
}

class MarketTest : public ::testing::Test {
 protected:
  explicit MarketTest(ExchangeOptions options = SmallMarket()) : exchange_(options), server_(exchange_) {}

  // Moves the exchange clock forward to the given time of day.
  void AdvanceTo(int hh, int mm, int ss = 0) {
    exchange_.Advance(((hh * 60LL + mm) * 60 + ss) * 1000 - exchange_.Clock().TimeOfDay());
  }

  std::shared_ptr<broker::IMarketRequest> Create(const broker::Guid& clsid) {
    return broker::CreateAs<broker::IMarketRequest>(clsid);
  }

  // One row (fields 0 to 29) of the multi-stock current price for the code.
  std::vector<broker::Variant> PriceRow(const std::string& code) {
    auto object = Create(broker::clsid::kMultiPrice);
    object->SetInput(0, broker::Variant::Text(code));
    object->Request();
    std::vector<broker::Variant> row;
    for (int field = 0; field < 30; ++field) row.push_back(object->DataValue(field, 0));
    return row;
  }

  // The codes of the listing's stocks, in listing order.
  std::vector<std::string> Codes() const {
    std::vector<std::string> codes;
    for (const ListedStock& stock : exchange_.Stocks().All()) codes.push_back(stock.code);
    return codes;
  }
  // The first listed stock that trades today (not suspended) and is liquid.
  std::string LiquidCode() const {
    for (const ListedStock& stock : exchange_.Stocks().All()) {
      if (!stock.IsSuspended() && stock.liquidity >= 6) return stock.code;
    }
    return exchange_.Stocks().At(0).code;
  }

  ostrada::testing::RecordingScope recording_;
  Exchange exchange_;
  broker::ScopedServer server_;
};

}  // namespace ostrada::sim::testing

namespace ostrada::sim::testing {

// An event sink that reads the object's headers the moment an event arrives, as the windows do.
class HeaderRecorder : public broker::IEventSink {
 public:
  HeaderRecorder(broker::IMarketRequest& object, std::vector<int32_t> headers)
      : object_(object), headers_(std::move(headers)) {}
  void Received() override {
    std::vector<broker::Variant> values;
    for (int32_t header : headers_) values.push_back(object_.HeaderValue(header));
    events.push_back(std::move(values));
  }
  std::vector<std::vector<broker::Variant>> events;

 private:
  broker::IMarketRequest& object_;
  std::vector<int32_t> headers_;
};

}  // namespace ostrada::sim::testing
