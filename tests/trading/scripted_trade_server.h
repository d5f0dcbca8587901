#pragma once
// A server whose trading objects answer exactly what a test scripts: the trade utility's login result
// and accounts, and for each trade request class a queue of replies (headers, rows, more-data flag)
// or a refusal. Every request's inputs are recorded, so a test checks what the gateway sent.
#include <deque>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"

namespace ostrada::testing {

using Values = std::map<int32_t, broker::Variant>;

struct ScriptedReply {
  Values headers;
  std::vector<Values> rows;
  int32_t more = 0;
};

// What one trade request class answers, and what it was asked.
struct TradeScript {
  std::deque<ScriptedReply> replies;  // one per request; an exhausted queue answers an empty reply
  int16_t status = 0;
  std::string statusText1;
  std::string statusText2;
  int refuseFromRequest = 1;  // the 1-based request from which the status applies
  std::vector<Values> inputs;  // the inputs of each request made
  int created = 0;
};

class ScriptedTradeRequest : public broker::ITradeRequest {
 public:
  explicit ScriptedTradeRequest(TradeScript& script) : script_(script) {}

  broker::Variant HeaderValue(int32_t index) override { return Lookup(reply_.headers, index); }
  broker::Variant DataValue(int32_t field, int32_t row) override {
    if (row < 0 || row >= static_cast<int32_t>(reply_.rows.size())) throw broker::ComError(broker::kBadIndex);
    return Lookup(reply_.rows[static_cast<size_t>(row)], field);
  }
  int32_t MoreData() override { return reply_.more; }
  void SetInput(int32_t index, const broker::Variant& value) override { inputs_[index] = value; }
  int16_t Status() override { return refused_ ? script_.status : 0; }
  std::string StatusText1() override { return script_.statusText1; }
  std::string StatusText2() override { return script_.statusText2; }
  int16_t Request() override {
    script_.inputs.push_back(inputs_);
    refused_ = script_.status != 0 && static_cast<int>(script_.inputs.size()) >= script_.refuseFromRequest;
    reply_ = {};
    if (!refused_ && !script_.replies.empty()) {
      reply_ = std::move(script_.replies.front());
      script_.replies.pop_front();
    }
    return 0;
  }

 private:
  static broker::Variant Lookup(const Values& values, int32_t index) {
    const auto found = values.find(index);
    return found == values.end() ? broker::Variant() : found->second;
  }
  TradeScript& script_;
  Values inputs_;
  ScriptedReply reply_;
  bool refused_ = false;
};

class ScriptedUtility : public broker::ITradeUtility {
 public:
  ScriptedUtility(int16_t result, std::vector<broker::Variant> accounts)
      : result_(result), accounts_(std::move(accounts)) {}
  int16_t Initialise(int32_t) override { return result_; }
  broker::Variant Accounts() override { return broker::Variant::Array(accounts_); }

 private:
  int16_t result_;
  std::vector<broker::Variant> accounts_;
};

class ScriptedTradeServer : public broker::ComServer {
 public:
  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    if (clsid == broker::clsid::kTradeUtility) {
      ++utilitiesCreated;
      if (failUtility) throw broker::ComError(broker::kClassNotRegistered);
      return std::make_shared<ScriptedUtility>(loginResult, accounts);
    }
    if (failing.count(clsid) != 0) throw broker::ComError(broker::kEFail);
    if (market != nullptr && clsid == broker::clsid::kMultiPrice) return market->CreateInstance(clsid);
    TradeScript& script = scripts[clsid];
    ++script.created;
    return std::make_shared<ScriptedTradeRequest>(script);
  }
  TradeScript& operator[](const broker::Guid& clsid) { return scripts[clsid]; }

  int16_t loginResult = 0;
  std::vector<broker::Variant> accounts = {broker::Variant::Text("12345678-01")};
  bool failUtility = false;
  int utilitiesCreated = 0;
  std::map<broker::Guid, TradeScript> scripts;
  std::set<broker::Guid> failing;  // classes whose creation fails
  broker::ComServer* market = nullptr;  // when set, answers the current prices
};

}  // namespace ostrada::testing
