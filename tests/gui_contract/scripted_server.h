#pragma once
// A server whose two contract objects answer exactly what a test scripts: history pages of chosen
// rows and live contracts fired on demand. Used where a test needs particular contracts (a sell of
// 1,234 shares at 09:05:07, a page of call-auction rows) that a market would only give by chance.
// It records the calls the window makes, so a test can check the order of subscriptions.
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"

namespace ostrada::testing {

// One contract as the server's history rows and live events carry it.
struct ScriptedContract {
  int32_t timeHHMMSS = 90000;
  int32_t price = 10000;
  int32_t change = 0;
  int32_t volume = 100;
  int32_t tickVolume = 10;
  float strength = 100.0f;
  char side = '1';
  char phase = '2';
  std::string priceText;  // when set, the history row's price comes as this text (a read that fails)
};

class ScriptedPoint : public broker::IConnectionPoint {
 public:
  uint32_t Advise(broker::IEventSink* sink) override {
    sinks[++lastCookie] = sink;
    return lastCookie;
  }
  void Unadvise(uint32_t cookie) override { sinks.erase(cookie); }
  std::map<uint32_t, broker::IEventSink*> sinks;
  uint32_t lastCookie = 0;
};

// The contract-history object: each request answers the next scripted page.
class ScriptedHistory : public broker::IMarketRequest {
 public:
  struct Script {
    std::deque<std::vector<ScriptedContract>> pages;
    int16_t status = 0;
    std::string statusText1;
    std::string statusText2;
    int requests = 0;
    std::string code;  // input 0 of the last request
  };
  explicit ScriptedHistory(Script& script) : script_(script) {}

  void Subscribe() override {}
  void Unsubscribe() override {}
  broker::Variant HeaderValue(int32_t index) override {
    if (index == 0) return broker::Variant::Text(script_.code);
    if (index == 2) return broker::Variant::I2(static_cast<int16_t>(page_.size()));
    return {};
  }
  broker::Variant DataValue(int32_t field, int32_t row) override {
    if (row < 0 || row >= static_cast<int32_t>(page_.size())) throw broker::ComError(broker::kBadIndex);
    const ScriptedContract& c = page_[static_cast<size_t>(row)];
    switch (field) {
      case 0:
        return broker::Variant::I4(c.timeHHMMSS / 100);
      case 1:
        return broker::Variant::I4(c.change);
      case 2:
        return broker::Variant::I4(7);
      case 3:
        return broker::Variant::I4(8);
      case 4:
        return c.priceText.empty() ? broker::Variant::I4(c.price) : broker::Variant::Text(c.priceText);
      case 5:
        return broker::Variant::I4(c.volume);
      case 6:
        return broker::Variant::I4(c.tickVolume);
      case 7:
        return broker::Variant::Text(std::string(1, c.side));
      case 8:
        return broker::Variant::R4(c.strength);
      case 9:
        return broker::Variant::I4(c.timeHHMMSS);
      case 10:
        return broker::Variant::Text(std::string(1, c.phase));
      default:
        throw broker::ComError(broker::kBadIndex);
    }
  }
  int32_t MoreData() override { return script_.pages.empty() ? 0 : 1; }
  void SetInput(int32_t index, const broker::Variant& value) override {
    if (index == 0) code_ = value.ToText();
  }
  int16_t Status() override { return script_.status; }
  std::string StatusText1() override { return script_.statusText1; }
  std::string StatusText2() override { return script_.statusText2; }
  int16_t Request() override {
    ++script_.requests;
    script_.code = code_;
    page_.clear();
    if (script_.status == 0 && !script_.pages.empty()) {
      page_ = std::move(script_.pages.front());
      script_.pages.pop_front();
    }
    return 0;
  }
  broker::IConnectionPoint& Events() override { return point_; }

 private:
  Script& script_;
  std::string code_;
  std::vector<ScriptedContract> page_;
  ScriptedPoint point_;
};

// The real-time contract object: Fire raises one event with the contract's header values.
class ScriptedLive : public broker::IMarketRequest {
 public:
  void Subscribe() override {
    calls.push_back("subscribe " + input);
    subscribed = input;
  }
  void Unsubscribe() override {
    calls.push_back("unsubscribe " + input);
    subscribed.clear();
  }
  broker::Variant HeaderValue(int32_t index) override {
    switch (index) {
      case 0:
        return broker::Variant::Text(code);
      case 1:
        return broker::Variant::Text(name);
      case 2:
        return broker::Variant::I4(current.change);
      case 3:
        return broker::Variant::I4(current.timeHHMMSS / 100);
      case 7:
        return broker::Variant::I4(1);
      case 8:
        return broker::Variant::I4(2);
      case 9:
        return broker::Variant::I4(current.volume);
      case 13:
        return broker::Variant::I4(current.price);
      case 14:
        return broker::Variant::Text(std::string(1, current.side));
      case 17:
        return broker::Variant::I4(current.tickVolume);
      case 18:
        return broker::Variant::I4(current.timeHHMMSS);
      case 19:
        return broker::Variant::Text(std::string(1, current.phase));
      default:
        return {};
    }
  }
  broker::Variant DataValue(int32_t, int32_t) override { throw broker::ComError(broker::kBadIndex); }
  int32_t MoreData() override { return 0; }
  void SetInput(int32_t index, const broker::Variant& value) override {
    if (index == 0) input = value.ToText();
  }
  int16_t Status() override { return 0; }
  std::string StatusText1() override { return {}; }
  std::string StatusText2() override { return {}; }
  int16_t Request() override { return 0; }
  broker::IConnectionPoint& Events() override { return point; }

  // Raises the event when a code is subscribed, as the server would.
  void Fire(const ScriptedContract& contract) {
    if (subscribed.empty()) return;
    current = contract;
    const auto sinks = point.sinks;
    for (const auto& [cookie, sink] : sinks) sink->Received();
  }

  std::string code = "005930";
  std::string name = "Scripted";
  std::string input;
  std::string subscribed;
  std::vector<std::string> calls;
  ScriptedContract current;
  ScriptedPoint point;
};

class ScriptedServer : public broker::ComServer {
 public:
  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    if (clsid == broker::clsid::kContractsLive) {
      if (failLive) throw broker::ComError(broker::kClassNotRegistered);
      live = std::make_shared<ScriptedLive>();
      return live;
    }
    if (clsid == broker::clsid::kContractHistory) {
      if (failHistory) throw broker::ComError(broker::kClassNotRegistered);
      return std::make_shared<ScriptedHistory>(history);
    }
    throw broker::ComError(broker::kClassNotRegistered);
  }

  bool failLive = false;
  bool failHistory = false;
  std::shared_ptr<ScriptedLive> live;
  ScriptedHistory::Script history;
};

}  // namespace ostrada::testing
