#pragma once
// A server for the order windows: the market objects come from a real server underneath (the
// embedded exchange), the trading objects answer what a test scripts. It records every order the
// windows send with its inputs, serves holdings and unfilled orders page by page, and raises order
// events on demand, so a test can check an exact order, an exact list or an exact log line.
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"
#include "tests/support/event_only_request.h"

namespace ostrada::testing {

struct ScriptedHolding {
  std::string name;  // CP949
  std::string code;
  int32_t quantity = 0;
  double purchasePrice = 0;
  double costPerShare = 0;
};

struct ScriptedUnfilled {
  int32_t orderNumber = 0;
  std::string code;
  std::string name;  // CP949
  int32_t price = 0;
  int32_t unfilled = 0;
  std::string side;  // "1" sell, "2" buy
};

// One order as the window sent it: which object, and its inputs by index.
struct SentOrder {
  broker::Guid clsid;
  std::map<int32_t, broker::Variant> inputs;
};

// One order event as the event object reports it.
struct ScriptedOrderEvent {
  std::string stock;  // CP949
  int32_t quantity = 0;
  int32_t price = 0;
  std::string kind;  // "1" fill, "2" confirmation, "3" rejection, "4" acceptance
  std::string side;
  std::string modifyCancel = "1";
};

struct TradingScript {
  int16_t loginResult = 0;
  std::vector<std::string> accounts = {"11111111", "22223333"};
  // The buyable query: headers 9, 17, 45, 48 and the cash limit (header 66 of the cash object).
  int32_t availableAmount = 0, availableQuantity = 0, totalDeposit = 0, substitute = 0, cashLimit = 0;
  std::vector<ScriptedHolding> holdings;
  std::vector<ScriptedUnfilled> unfilled;
  // Runs inside each holdings or unfilled request, while the window waits for the answer.
  std::function<void()> duringDownload;
  int downloads = 0;
  int buyableQueries = 0;
  std::map<int32_t, broker::Variant> buyableInputs;
  std::vector<SentOrder> orders;
  int32_t nextOrderNumber = 5001;
  int16_t orderStatus = 0;
  std::string orderText1, orderText2;
};

class ScriptedTradeRequest : public broker::ITradeRequest {
 public:
  ScriptedTradeRequest(TradingScript& script, const broker::Guid& clsid) : script_(script), clsid_(clsid) {}

  broker::Variant HeaderValue(int32_t index) override {
    using broker::Variant;
    if (clsid_ == broker::clsid::kOrderAvailable) {
      switch (index) {
        case 0:
        case 1:
          return Variant::Text("");
        case 9:
          return Variant::I4(script_.availableAmount);
        case 17:
          return Variant::I4(script_.availableQuantity);
        case 45:
          return Variant::I4(script_.totalDeposit);
        case 48:
          return Variant::I4(script_.substitute);
        default:
          return Variant::I4(0);
      }
    }
    if (clsid_ == broker::clsid::kCashAvailable) return Variant::I4(index == 66 ? script_.cashLimit : 0);
    if (clsid_ == broker::clsid::kHoldings) {
      if (index == 0) return Variant::Text("");
      return Variant::I4(index == 7 ? rows_ : 0);
    }
    if (clsid_ == broker::clsid::kUnfilledOrders) {
      if (index == 0 || index == 1 || index == 4) return Variant::Text("");
      return Variant::I4(index == 5 ? rows_ : 0);
    }
    return Variant::I4(index == 8 ? orderNumber_ : 0);
  }

  broker::Variant DataValue(int32_t type, int32_t row) override {
    using broker::Variant;
    if (row < 0 || row >= rows_) throw broker::ComError(broker::kBadIndex);
    const size_t at = static_cast<size_t>(first_ + row);
    if (clsid_ == broker::clsid::kHoldings) {
      const ScriptedHolding& h = script_.holdings[at];
      switch (type) {
        case 0:
          return Variant::Text(h.name);
        case 12:
          return Variant::Text(h.code);
        case 1:
        case 13:
          return Variant::Text("x");
        case 2:
        case 16:
          return Variant::Text("");
        case 7:
          return Variant::I4(h.quantity);
        case 11:
          return Variant::R8(0);
        case 17:
          return Variant::R8(h.purchasePrice);
        case 18:
          return Variant::R8(h.costPerShare);
        default:
          return Variant::I4(0);
      }
    }
    const ScriptedUnfilled& u = script_.unfilled[at];
    switch (type) {
      case 0:
        return Variant::Text("x");
      case 1:
        return Variant::I4(u.orderNumber);
      case 3:
        return Variant::Text(u.code);
      case 4:
        return Variant::Text(u.name);
      case 7:
        return Variant::I4(u.price);
      case 11:
        return Variant::I4(u.unfilled);
      case 13:
        return Variant::Text(u.side);
      case 2:
      case 6:
      case 8:
        return Variant::I4(0);
      default:
        return Variant::Text("");
    }
  }

  int32_t MoreData() override { return first_ + rows_ < Total() ? 1 : 0; }
  void SetInput(int32_t index, const broker::Variant& value) override { inputs_[index] = value; }
  int16_t Status() override { return IsOrder() ? script_.orderStatus : 0; }
  std::string StatusText1() override { return script_.orderText1; }
  std::string StatusText2() override { return script_.orderText2; }

  int16_t Request() override {
    if (clsid_ == broker::clsid::kHoldings || clsid_ == broker::clsid::kUnfilledOrders) {
      ++script_.downloads;
      if (script_.duringDownload) script_.duringDownload();
      first_ += rows_;
      const int32_t page = clsid_ == broker::clsid::kHoldings ? 50 : 20;
      rows_ = std::min(page, Total() - first_);
    } else if (clsid_ == broker::clsid::kOrderAvailable) {
      ++script_.buyableQueries;
      script_.buyableInputs = inputs_;
    } else if (IsOrder()) {
      script_.orders.push_back({clsid_, inputs_});
      if (script_.orderStatus == 0) orderNumber_ = script_.nextOrderNumber++;
    }
    return 0;
  }

 private:
  bool IsOrder() const {
    return clsid_ == broker::clsid::kBuySellOrder || clsid_ == broker::clsid::kModifyOrder ||
           clsid_ == broker::clsid::kCancelOrder;
  }
  int32_t Total() const {
    return static_cast<int32_t>(clsid_ == broker::clsid::kHoldings ? script_.holdings.size() : script_.unfilled.size());
  }

  TradingScript& script_;
  broker::Guid clsid_;
  std::map<int32_t, broker::Variant> inputs_;
  int32_t first_ = 0;
  int32_t rows_ = 0;
  int32_t orderNumber_ = 0;
};

class ScriptedTradeUtility : public broker::ITradeUtility {
 public:
  explicit ScriptedTradeUtility(TradingScript& script) : script_(script) {}
  int16_t Initialise(int32_t) override { return script_.loginResult; }
  broker::Variant Accounts() override {
    std::vector<broker::Variant> items;
    for (const std::string& account : script_.accounts) items.push_back(broker::Variant::Text(account));
    return broker::Variant::Array(std::move(items));
  }

 private:
  TradingScript& script_;
};

// The order-event object: Fire raises one event while it is subscribed.
class ScriptedOrderEvents : public testing::EventOnlyRequest, public broker::IConnectionPoint {
 public:
  void Subscribe() override { subscribed = true; }
  void Unsubscribe() override { subscribed = false; }
  broker::Variant HeaderValue(int32_t index) override {
    using broker::Variant;
    switch (index) {
      case 2:
        return Variant::Text(current.stock);
      case 3:
        return Variant::I4(current.quantity);
      case 4:
        return Variant::I4(current.price);
      case 5:
        return Variant::I4(0);
      case 12:
        return Variant::Text(current.side);
      case 14:
        return Variant::Text(current.kind);
      case 16:
        return Variant::Text(current.modifyCancel);
      default:
        return Variant::Text("");
    }
  }
  broker::IConnectionPoint& Events() override { return *this; }
  uint32_t Advise(broker::IEventSink* sink) override {
    sinks[++lastCookie] = sink;
    return lastCookie;
  }
  void Unadvise(uint32_t cookie) override { sinks.erase(cookie); }

  void Fire(const ScriptedOrderEvent& event) {
    if (!subscribed) return;
    current = event;
    const auto advised = sinks;
    for (const auto& [cookie, sink] : advised) sink->Received();
  }

  bool subscribed = false;
  ScriptedOrderEvent current;
  std::map<uint32_t, broker::IEventSink*> sinks;
  uint32_t lastCookie = 0;
};

class ScriptedTradingServer : public broker::ComServer {
 public:
  explicit ScriptedTradingServer(broker::ComServer& market) : market_(market) {}

  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    namespace id = broker::clsid;
    if (clsid == id::kTradeUtility) return std::make_shared<ScriptedTradeUtility>(script);
    // One stream of the account's notices, whoever asks for it (the event log, the trading session).
    if (clsid == id::kOrderEvents) {
      if (events == nullptr) events = std::make_shared<ScriptedOrderEvents>();
      return events;
    }
    for (const broker::Guid& trade : {id::kOrderAvailable, id::kCashAvailable, id::kHoldings, id::kUnfilledOrders,
                                      id::kBuySellOrder, id::kModifyOrder, id::kCancelOrder}) {
      if (clsid == trade) return std::make_shared<ScriptedTradeRequest>(script, clsid);
    }
    return market_.CreateInstance(clsid);
  }

  TradingScript script;
  std::shared_ptr<ScriptedOrderEvents> events;

 private:
  broker::ComServer& market_;
};

}  // namespace ostrada::testing
