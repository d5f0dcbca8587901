#include "basesrc/eventsink.h"

#include <gtest/gtest.h>

#include <vector>

#include "broker/comerror.h"
#include "tests/support/event_only_request.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

// A window that records what it was sent.
struct CountingWindow : WindowHandle {
  intptr_t SendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    messages.push_back({message, wParam, lParam});
    return 0;
  }
  struct Sent {
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
  };
  std::vector<Sent> messages;
};

// A request object that only has a connection point; the sink needs nothing else.
class PointOnly : public testing::EventOnlyRequest, public broker::IConnectionPoint {
 public:
  void Subscribe() override {}
  void Unsubscribe() override {}
  broker::Variant HeaderValue(int32_t) override { return {}; }
  broker::IConnectionPoint& Events() override { return *this; }

  uint32_t Advise(broker::IEventSink* sink) override {
    sinks.push_back(sink);
    return static_cast<uint32_t>(sinks.size()) + 40;
  }
  void Unadvise(uint32_t cookie) override {
    if (refuseUnadvise) throw broker::ComError(broker::kEFail);
    unadvised.push_back(cookie);
  }
  void Raise() {
    for (auto* sink : sinks) sink->Received();
  }

  std::vector<broker::IEventSink*> sinks;
  std::vector<uint32_t> unadvised;
  bool refuseUnadvise = false;
};

TEST(EventSink, EachEventSendsOneEventReceivedToItsWindow) {
  CountingWindow window;
  PointOnly object;
  CEventSink sink(&window);
  sink.Advise(object);
  object.Raise();
  object.Raise();
  ASSERT_EQ(window.messages.size(), 2u);
  EXPECT_EQ(window.messages[0].message, 1124u);
  EXPECT_EQ(window.messages[0].wParam, 0u);
  EXPECT_EQ(window.messages[0].lParam, 0);
}

TEST(EventSink, UnadviseGivesBackTheCookieOnceOnly) {
  CountingWindow window;
  PointOnly object;
  CEventSink sink(&window);
  sink.Unadvise(object);  // never advised: nothing to give back
  EXPECT_TRUE(object.unadvised.empty());
  sink.Advise(object);
  EXPECT_TRUE(sink.Advised());
  EXPECT_EQ(sink.Cookie(), 41u);
  sink.Unadvise(object);
  sink.Unadvise(object);
  EXPECT_EQ(object.unadvised, std::vector<uint32_t>{41u});
  EXPECT_FALSE(sink.Advised());
}

TEST(EventSink, RefusedUnadviseRaisesTheComErrorAndIsNotRetried) {
  CountingWindow window;
  PointOnly object;
  CEventSink sink(&window);
  sink.Advise(object);
  object.refuseUnadvise = true;
  EXPECT_THROW(sink.Unadvise(object), broker::ComError);
  object.refuseUnadvise = false;
  sink.Unadvise(object);
  EXPECT_TRUE(object.unadvised.empty());
}

TEST(EventSink, WithoutAWindowTheEventIsReported) {
  testing::RecordingScope recording;
  CEventSink sink(nullptr);
  sink.Received();
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "확인");
}

}  // namespace
}  // namespace ostrada
