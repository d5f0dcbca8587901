#pragma once
// A server with nothing but the two quote-book objects, whose book a test or benchmark moves by hand:
// Raise() delivers one real-time event to every advised sink, synchronously, as the exchange does.
// It lets a benchmark feed an exact event rate and a test build exactly the book it needs.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/callinfo.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"
#include "tests/support/event_only_request.h"

namespace ostrada::testing {

class QuoteFeed : public broker::ComServer {
 public:
  // The book every object reports: code, levels and totals (changes are only served by the snapshot).
  CallInfo book{};
  int subscribed = 0;  // subscriptions minus unsubscriptions
  int advised = 0;     // sinks currently advised
  std::string lastSubscribed;
  std::string lastUnsubscribed;
  // Faults: the snapshot answers a non-zero status with two texts (CP949); subscribing throws;
  // events name another code than the book's.
  bool refuseSnapshot = false;
  std::string refusal1, refusal2;
  bool failSubscribe = false;
  std::string eventCode;

  QuoteFeed() { ClearCallInfo(book); }

  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    // The quote window's header listens to trades too; this server has none to tell.
    if (clsid == broker::clsid::kContractsLive) return std::make_shared<Silent>();
    if (clsid != broker::clsid::kQuoteBookLive && clsid != broker::clsid::kQuoteBookSnapshot) {
      throw broker::ComError(broker::kClassNotRegistered);
    }
    auto object = std::make_shared<Object>(*this, clsid == broker::clsid::kQuoteBookSnapshot);
    if (clsid == broker::clsid::kQuoteBookLive) live_.push_back(object);
    return object;
  }

  // One event to every sink of every live object subscribed to the book's code.
  void Raise() {
    for (auto& weak : live_) {
      if (auto object = weak.lock()) {
        if (object->subscribedCode == book.code) object->Raise();
      }
    }
  }

 private:
  // A live object that takes subscriptions and never raises an event.
  class Silent : public testing::EventOnlyRequest, public broker::IConnectionPoint {
   public:
    void Subscribe() override {}
    void Unsubscribe() override {}
    broker::Variant HeaderValue(int32_t) override { throw broker::ComError(broker::kBadIndex); }
    broker::IConnectionPoint& Events() override { return *this; }
    uint32_t Advise(broker::IEventSink*) override { return 1; }
    void Unadvise(uint32_t) override {}
  };

  class Object : public broker::IMarketRequest, public broker::IConnectionPoint {
   public:
    Object(QuoteFeed& feed, bool snapshot) : feed_(feed), snapshot_(snapshot) {}
    void Subscribe() override {
      if (feed_.failSubscribe) throw broker::ComError(broker::kEFail);
      subscribedCode = input_;
      feed_.lastSubscribed = input_;
      ++feed_.subscribed;
    }
    void Unsubscribe() override {
      if (subscribedCode == input_) subscribedCode.clear();
      feed_.lastUnsubscribed = input_;
      --feed_.subscribed;
    }
    broker::Variant HeaderValue(int32_t index) override {
      const CallInfo& b = feed_.book;
      if (snapshot_) {
        if (index == 3) return broker::Variant::I2(static_cast<int16_t>(b.quoteTime));
        if (index >= 4 && index <= 11) return broker::Variant::I4(*TotalFields(b)[static_cast<size_t>(index - 4)]);
        throw broker::ComError(broker::kBadIndex);
      }
      if (index == 0) return broker::Variant::Text(feed_.eventCode.empty() ? b.code : feed_.eventCode);
      if (index == 1) return broker::Variant::I4(b.quoteTime);
      if (index == 2) return broker::Variant::I4(b.eventValue2);
      if (index >= 3 && index <= 22) return LevelValue(b, (index - 3) / 4, (index - 3) % 4);
      if (index >= 27 && index <= 46) return LevelValue(b, 5 + (index - 27) / 4, (index - 27) % 4);
      const int32_t totals[] = {b.totalSell, b.totalBuy, b.total3, b.total4};
      if (index >= 23 && index <= 26) return broker::Variant::I4(totals[index - 23]);
      throw broker::ComError(broker::kBadIndex);
    }
    broker::Variant DataValue(int32_t field, int32_t row) override {
      if (row < 0 || row >= kCallLevels || field < 0 || field > 5) throw broker::ComError(broker::kBadIndex);
      CallLevel level = feed_.book.levels[row];
      return broker::Variant::I4(*LevelFields(level)[static_cast<size_t>(field)]);
    }
    int32_t MoreData() override { return 0; }
    void SetInput(int32_t, const broker::Variant& value) override { input_ = value.ToText(); }
    int16_t Status() override { return snapshot_ && feed_.refuseSnapshot ? -1 : 0; }
    std::string StatusText1() override { return feed_.refusal1; }
    std::string StatusText2() override { return feed_.refusal2; }
    int16_t Request() override { return 0; }
    broker::IConnectionPoint& Events() override { return *this; }
    uint32_t Advise(broker::IEventSink* sink) override {
      sinks_.push_back(sink);
      ++feed_.advised;
      return static_cast<uint32_t>(sinks_.size());
    }
    void Unadvise(uint32_t cookie) override {
      if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr) {
        throw broker::ComError(broker::kEInvalidArg);
      }
      sinks_[cookie - 1] = nullptr;
      --feed_.advised;
    }
    void Raise() {
      for (broker::IEventSink* sink : sinks_) {
        if (sink != nullptr) sink->Received();
      }
    }
    std::string subscribedCode;

   private:
    static broker::Variant LevelValue(const CallInfo& b, int level, int which) {
      const CallLevel& l = b.levels[level];
      const int32_t values[] = {l.sellPrice, l.buyPrice, l.sellQuantity, l.buyQuantity};
      return broker::Variant::I4(values[which]);
    }
    QuoteFeed& feed_;
    const bool snapshot_;
    std::string input_;
    std::vector<broker::IEventSink*> sinks_;
  };

  std::vector<std::weak_ptr<Object>> live_;
};

}  // namespace ostrada::testing
