#pragma once
// The market's objects (current prices, quote books, contracts, charts). They register through
// RegisterMarketObjects (broker/sim/objects/registry.h); they share one market (broker/sim/market/market_service.h).
#include <cstdint>
#include <memory>

#include "broker/sim/market/market_service.h"
#include "broker/sim/objects/registry.h"
#include "broker/sim/objects/request_object.h"

namespace ostrada::sim {

// A character value as the server sends one (its code in an unsigned byte).
broker::Variant CharValue(char c);
// A character input given as a byte or as a text; 0 when empty.
char InputChar(const broker::Variant& input);
// The stock named by a code input, or -1 (unknown code, or not a text).
int CodeIndex(Market& market, const broker::Variant& input);
// The stock named by a code input, or -1 after refusing the answer (unknown code).
int StockOfInput(Market& market, const broker::Variant& input, Answer& answer);
// A positive count from a numeric input no larger than `most`, else 0.
int32_t CountInput(const broker::Variant& input, int32_t most);

// A request object whose answer states its row count in a header: the count follows the rows
// actually sent, also when a fault cuts the answer short.
class CountedRequest : public MarketRequestBase {
 public:
  CountedRequest(ExchangeContext& context, const broker::Guid& clsid, int32_t countHeader)
      : MarketRequestBase(context, clsid), countHeader_(countHeader) {}
  int16_t Request() override;

 private:
  int32_t countHeader_;
};

// A real-time object. Subscribing with input 0 = a code adds the stock; unsubscribing with a code
// removes it and with an empty text removes every stock. A code the market does not list is ignored.
// Each event of a subscribed stock reaches OnMarketEvent, which sets the headers and fires.
class LiveRequest : public MarketRequestBase, public MarketListener {
 public:
  LiveRequest(ExchangeContext& context, const broker::Guid& clsid, SharedMarket market)
      : MarketRequestBase(context, clsid), market_(std::move(market)) {}
  ~LiveRequest() override;
  LiveRequest(const LiveRequest&) = delete;
  LiveRequest& operator=(const LiveRequest&) = delete;

 protected:
  void OnSubscribe() override;
  void OnUnsubscribe() override;
  Market& TheMarket() { return market_->Sync(); }

 private:
  SharedMarket market_;
};

// Registration of each family of market objects (the modules beside this one).
void RegisterPriceObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market);
void RegisterQuoteObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market);
void RegisterContractObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market);
void RegisterChartObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market);

}  // namespace ostrada::sim
