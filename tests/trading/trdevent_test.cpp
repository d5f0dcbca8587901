#include "basesrc/trdevent.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "broker/comerror.h"
#include "tests/support/event_only_request.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

// The order-event object holding one event's header values.
class EventObject : public testing::EventOnlyRequest {
 public:
  void Subscribe() override {}
  void Unsubscribe() override {}
  broker::Variant HeaderValue(int32_t index) override {
    const auto found = headers.find(index);
    return found == headers.end() ? broker::Variant() : found->second;
  }
  broker::IConnectionPoint& Events() override { throw broker::ComError(broker::kEFail); }
  std::map<int32_t, broker::Variant> headers;
};

OrderEvent Event(const char* kind, const char* side, const char* flag, int32_t price = 12000, int32_t quantity = 10) {
  OrderEvent event;
  event.stock = Utf8ToCp949("삼성전자");
  event.kind = kind;
  event.side = side;
  event.modifyCancel = flag;
  event.price = price;
  event.quantity = quantity;
  return event;
}

// The line of the event in UTF-8, or "fault" when it gives none.
std::string Line(OrderEvent event) {
  std::string line;
  if (!BuildOrderEventLine(&event, &line)) return "fault";
  return Cp949ToUtf8(line);
}

class OrderEventLines : public ::testing::Test {
 protected:
  int Reports() const {
    int reports = 0;
    for (const auto& message : ui.sink.messages) reports += message.CaptionUtf8() == "확인";
    return reports;
  }
  testing::RecordingScope ui;
};

TEST_F(OrderEventLines, EachKindIsWordedAsTheLogShowsIt) {
  EXPECT_EQ(Line(Event("1", "1", "1")), "[삼성전자] 매도 체결 : [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Line(Event("1", "2", "")), "[삼성전자] 매수 체결 : [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Line(Event("2", "2", "2", 9000, 5)), "[삼성전자] (매수) 정정 명령 확인 [ 9000 ]원 [ 5 ]주");
  EXPECT_EQ(Line(Event("3", "2", "1", 500, 3)), "[삼성전자] (매수) 거부 [ 500 ]원[ 3 ]주");
  EXPECT_EQ(Line(Event("3", "1", "3", 500, 3)), "[삼성전자] (매도) 취소 거부 [ 500 ]원[ 3 ]주");
  EXPECT_EQ(Line(Event("4", "2", "1")), "[삼성전자] (매수) 명령 접수 [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Line(Event("4", "", "")), "[삼성전자] () 명령 접수 [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Line(Event("4", "1", "2")), "[삼성전자] (매도) 정정 명령 접수 [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Line(Event("4", "", "3", 0, 7)), "[삼성전자] (정정) 취소 명령 접수 [ 0 ]원 [ 7 ]주");
  EXPECT_EQ(Reports(), 0);
}

TEST_F(OrderEventLines, CodesOutsideTheTablesAreReportedAndGiveNoLine) {
  EXPECT_EQ(Line(Event("2", "2", "1")), "fault");  // a confirmation of an ordinary order
  EXPECT_EQ(Line(Event("1", "", "1")), "fault");   // a fill without a side
  EXPECT_EQ(Line(Event("1", "9", "1")), "fault");
  EXPECT_EQ(Line(Event("3", "2", "")), "fault");
  EXPECT_EQ(Line(Event("4", "2", "4")), "fault");
  EXPECT_EQ(Line(Event("5", "2", "1")), "fault");
  EXPECT_EQ(Line(Event("", "2", "1")), "fault");
  EXPECT_EQ(Reports(), 7);
  OrderEvent nameless = Event("1", "1", "1");
  nameless.stock.clear();
  EXPECT_EQ(Line(nameless), "fault");
  EXPECT_EQ(Reports(), 8);
}

TEST_F(OrderEventLines, TheEventIsReadFromItsHeadersAndItsStockFolded) {
  EventObject object;
  object.headers = {
      {1, broker::Variant::Text("12345678-01")},
      {2, broker::Variant::Text("\xA3\xCB\xA3\xD4 " + Utf8ToCp949("텔레콤"))},  // full-width K and T
      {3, broker::Variant::I4(10)},
      {4, broker::Variant::Text("12000")},
      {5, broker::Variant::I4(4711)},
      {7, broker::Variant::Text("4700")},
      {8, broker::Variant::Text("017670")},
      {9, broker::Variant::Text("01")},
      {12, broker::Variant::Text("1")},
      {14, broker::Variant::Text("1")},
      {15, broker::Variant::Text("093015")},
      {16, broker::Variant::Text("1")},
  };
  OrderEvent event = ReadOrderEvent(object);
  EXPECT_EQ(event.text1, "12345678-01");
  EXPECT_EQ(event.price, 12000);
  EXPECT_EQ(event.value5, 4711);
  EXPECT_EQ(event.text7, "4700");
  EXPECT_EQ(event.text8, "017670");
  EXPECT_EQ(event.text9, "01");
  EXPECT_EQ(event.text15, "093015");
  std::string line;
  ASSERT_EQ(BuildOrderEventLine(&event, &line), 1);
  EXPECT_EQ(Cp949ToUtf8(line), "[KT 텔레콤] 매도 체결 : [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(Cp949ToUtf8(event.stock), "KT 텔레콤");

  object.headers[3] = broker::Variant::Text("many");
  EXPECT_THROW(ReadOrderEvent(object), broker::ComError);
}

}  // namespace
}  // namespace ostrada
