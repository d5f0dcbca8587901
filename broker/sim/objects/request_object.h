#pragma once
// The reusable body of the exchange's request objects. A concrete object derives from
// MarketRequestBase or TradeRequestBase and fills an Answer in Serve(); the base keeps the inputs,
// the status and its texts, the header values, the data table and the more-data flag, serves the
// interface's calls from them, applies the armed faults, and (market objects) keeps the event
// connection point.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "broker/comerror.h"
#include "broker/interfaces.h"
#include "broker/sim/objects/registry.h"

namespace ostrada::sim {

// The connection point of the event interface. Sinks are called in the order they were advised.
// The COM code for an unknown cookie.
constexpr broker::HResult kNoConnection = static_cast<broker::HResult>(0x80040200);

class EventConnectionPoint : public broker::IConnectionPoint {
 public:
  // `check` runs before each advise (the fault hook); it may throw ComError.
  explicit EventConnectionPoint(std::function<void()> check = {}) : check_(std::move(check)) {}
  uint32_t Advise(broker::IEventSink* sink) override;  // null sink: kEInvalidArg
  void Unadvise(uint32_t cookie) override;             // unknown cookie: kNoConnection
  // Calls Received on every sink; a sink may unadvise itself or another during the call.
  void Fire();
  size_t SinkCount() const { return sinks_.size(); }

 private:
  std::function<void()> check_;
  std::map<uint32_t, broker::IEventSink*> sinks_;
  uint32_t nextCookie_ = 1;
};

// One request's answer.
class Answer {
 public:
  void SetHeader(int32_t index, broker::Variant value) { header_[index] = std::move(value); }
  // Row fields are indexed by field number from 0.
  void AddRow(std::vector<broker::Variant> fields) { rows_.push_back(std::move(fields)); }
  void SetMoreData(bool more) { more_ = more; }
  // Sets the status texts of a successful answer (CP949).
  void SetTexts(std::string text1, std::string text2);
  // A refusal drops whatever header and rows were set. Servers pad their texts with blanks.
  void Refuse(RefusalKind kind) { Refuse(MakeRefusal(kind)); }
  void Refuse(const Refusal& refusal);
  // Keeps at most `rows` rows.
  void Truncate(size_t rows);

  int16_t Status() const { return status_; }
  const std::string& Text1() const { return text1_; }
  const std::string& Text2() const { return text2_; }
  // Empty when not set or out of range, as the server answers.
  broker::Variant Header(int32_t index) const;
  broker::Variant Data(int32_t field, int32_t row) const;
  size_t RowCount() const { return rows_.size(); }
  bool MoreData() const { return more_; }

 private:
  int16_t status_ = 0;
  std::string text1_;
  std::string text2_;
  std::map<int32_t, broker::Variant> header_;
  std::vector<std::vector<broker::Variant>> rows_;
  bool more_ = false;
};

// The state and calls both request interfaces share. `Interface` is IMarketRequest or ITradeRequest.
template <class Interface>
class RequestBase : public Interface {
 public:
  RequestBase(ExchangeContext& context, const broker::Guid& clsid) : context_(context), clsid_(clsid) {}
  RequestBase(const RequestBase&) = delete;
  RequestBase& operator=(const RequestBase&) = delete;

  broker::Variant HeaderValue(int32_t index) override {
    Check(Method::kHeaderValue);
    return answer_.Header(index);
  }
  broker::Variant DataValue(int32_t field, int32_t row) override {
    Check(Method::kDataValue);
    return answer_.Data(field, row);
  }
  int32_t MoreData() override {
    Check(Method::kMoreData);
    return answer_.MoreData() ? 1 : 0;
  }
  void SetInput(int32_t index, const broker::Variant& value) override {
    Check(Method::kSetInput);
    inputs_[index] = value;
  }
  int16_t Status() override {
    Check(Method::kStatus);
    return answer_.Status();
  }
  std::string StatusText1() override {
    Check(Method::kStatusText);
    return answer_.Text1();
  }
  std::string StatusText2() override {
    Check(Method::kStatusText);
    return answer_.Text2();
  }
  // Runs Serve() for a fresh answer, then applies the short-answer fault. An armed refusal answers
  // without serving: a refused order must leave no trace in the paper account.
  int16_t Request() override {
    Check(Method::kRequest);
    ++page_;
    context_.Faults().CheckPage(clsid_, page_);
    Answer fresh;
    if (const Refusal* refusal = context_.Faults().RefusalFor(clsid_)) {
      fresh.Refuse(*refusal);
    } else {
      Serve(fresh);
    }
    if (auto rows = context_.Faults().ShortAnswerRows(clsid_)) fresh.Truncate(static_cast<size_t>(*rows));
    answer_ = std::move(fresh);
    return answer_.Status();
  }

 protected:
  // Fills the answer from the inputs. Invalid inputs are refusals, not exceptions; a ComError thrown
  // here reaches the caller as a failing call.
  virtual void Serve(Answer& answer) = 0;

  // The input at the index; empty when never set.
  const broker::Variant& Input(int32_t index) const {
    static const broker::Variant kEmpty;
    auto found = inputs_.find(index);
    return found == inputs_.end() ? kEmpty : found->second;
  }
  // The number of requests made on this object so far (the current page during Serve()).
  int Page() const { return page_; }
  ExchangeContext& Context() const { return context_; }
  const broker::Guid& Clsid() const { return clsid_; }
  // The answer the calls read; real-time objects update it between events.
  Answer& Current() { return answer_; }
  // Counts the call against the fault plan and throws its armed fault.
  void Check(Method method) { context_.Faults().CheckCall(clsid_, method); }

 private:
  ExchangeContext& context_;
  broker::Guid clsid_;
  std::map<int32_t, broker::Variant> inputs_;
  Answer answer_;
  int page_ = 0;
};

// Market request objects: the shared calls plus subscription and events.
class MarketRequestBase : public RequestBase<broker::IMarketRequest> {
 public:
  MarketRequestBase(ExchangeContext& context, const broker::Guid& clsid);

  void Subscribe() override;
  void Unsubscribe() override;
  broker::IConnectionPoint& Events() override { return events_; }

 protected:
  // Called after the base has checked and recorded the (un)subscription. The inputs say what.
  virtual void OnSubscribe() {}
  virtual void OnUnsubscribe() {}
  bool Subscribed() const { return subscribed_; }
  // Tells every advised sink that the answer changed, unless the class's events were stopped.
  void Fire();
  size_t SinkCount() const { return events_.SinkCount(); }

 private:
  EventConnectionPoint events_;
  bool subscribed_ = false;
};

using TradeRequestBase = RequestBase<broker::ITradeRequest>;

}  // namespace ostrada::sim
