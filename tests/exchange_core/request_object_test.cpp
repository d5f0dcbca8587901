#include "broker/sim/objects/request_object.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/exchange.h"

namespace ostrada::sim {
namespace {

using broker::ComError;
using broker::Variant;

const broker::Guid kEcho = broker::ParseGuid("{0E0E0E0E-1111-2222-3333-444444444444}");
const broker::Guid kOther = broker::ParseGuid("{0F0F0F0F-1111-2222-3333-444444444444}");

// Answers input 0 (a code) in header 0 and input 1 rows of (row, row * 10); pages go on while
// input 2 says more pages are wanted.
class EchoRequest : public MarketRequestBase {
 public:
  EchoRequest(ExchangeContext& context, const broker::Guid& clsid) : MarketRequestBase(context, clsid) {}
  using MarketRequestBase::Fire;
  using MarketRequestBase::Subscribed;
  int subscribes = 0;

 protected:
  void Serve(Answer& answer) override {
    const std::string code = Input(0).ToText();
    if (Context().Stocks().Find(code) == nullptr) return answer.Refuse(RefusalKind::kUnknownCode);
    const int rows = Input(1).ToI4();
    if (rows < 0) return answer.Refuse(RefusalKind::kBadCount);
    answer.SetHeader(0, Variant::Text(code));
    answer.SetHeader(1, Variant::I4(Page()));
    for (int i = 0; i < rows; ++i) answer.AddRow({Variant::I4(i), Variant::I4(i * 10)});
    answer.SetMoreData(Page() < Input(2).ToI4());
  }
  void OnSubscribe() override { ++subscribes; }
};

class CountingSink : public broker::IEventSink {
 public:
  void Received() override {
    ++count;
    if (onReceived) onReceived();
  }
  int count = 0;
  std::function<void()> onReceived;
};

class RequestObjectTest : public ::testing::Test {
 protected:
  std::shared_ptr<EchoRequest> Make(const broker::Guid& id = kEcho) {
    return std::make_shared<EchoRequest>(exchange.Context(), id);
  }
  std::string Code(size_t i) const { return exchange.Stocks().At(i).code; }

  Exchange exchange{ExchangeOptions{.seed = 3, .stocks = 30}};
};

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

TEST_F(RequestObjectTest, KeepsInputsAndServesHeaderAndTable) {
  auto request = Make();
  request->SetInput(0, Variant::Text(Code(2)));
  request->SetInput(1, Variant::Text("3"));
  ASSERT_EQ(request->Request(), 0);
  EXPECT_EQ(request->Status(), 0);
  EXPECT_EQ(request->HeaderValue(0).ToText(), Code(2));
  EXPECT_EQ(request->DataValue(1, 2).ToI4(), 20);
  EXPECT_TRUE(request->DataValue(1, 3).IsEmpty()) << "past the last row";
  EXPECT_TRUE(request->DataValue(5, 0).IsEmpty()) << "past the last field";
  EXPECT_TRUE(request->HeaderValue(9).IsEmpty());
  EXPECT_EQ(request->MoreData(), 0);
}

TEST_F(RequestObjectTest, PagesFollowMoreData) {
  auto request = Make();
  request->SetInput(0, Variant::Text(Code(0)));
  request->SetInput(1, Variant::I4(2));
  request->SetInput(2, Variant::I4(3));
  int pages = 0;
  do {
    ASSERT_EQ(request->Request(), 0);
    ++pages;
    EXPECT_EQ(request->HeaderValue(1).ToI4(), pages);
  } while (request->MoreData() == 1);
  EXPECT_EQ(pages, 3);
}

TEST_F(RequestObjectTest, RefusalIsStatusWithTwoKoreanTexts) {
  auto request = Make();
  request->SetInput(0, Variant::Text("A999999"));
  EXPECT_EQ(request->Request(), static_cast<int16_t>(RefusalKind::kUnknownCode));
  EXPECT_NE(request->Status(), 0);
  EXPECT_EQ(Cp949ToUtf8(Trimmed(request->StatusText1())), "조회 요청이 처리되지 않았습니다.");
  EXPECT_EQ(Cp949ToUtf8(Trimmed(request->StatusText2())), "등록되지 않은 종목코드입니다. 종목코드를 확인하십시오.");
  EXPECT_TRUE(request->HeaderValue(0).IsEmpty());
  // A good request afterwards clears the refusal.
  request->SetInput(0, Variant::Text(Code(1)));
  EXPECT_EQ(request->Request(), 0);
  EXPECT_EQ(request->StatusText1(), "");
}

TEST_F(RequestObjectTest, OrderRefusalsSayTheOrderWasNotTaken) {
  const Refusal refusal = MakeRefusal(RefusalKind::kInsufficientCash);
  EXPECT_EQ(Cp949ToUtf8(refusal.text1), "주문이 접수되지 않았습니다.");
  EXPECT_EQ(Cp949ToUtf8(refusal.text2), "주문가능금액이 부족합니다.");
  EXPECT_EQ(Cp949ToUtf8(MakeRefusal(RefusalKind::kTooManyCodes).text2), "한 번에 조회할 수 있는 종목 수를 넘었습니다.");
}

TEST_F(RequestObjectTest, RefuseFaultOverridesAGoodAnswer) {
  exchange.Faults().Refuse(kEcho, Refusal{-7, Utf8ToCp949("점검 중"), Utf8ToCp949("잠시 후 다시 조회하십시오.")});
  auto request = Make();
  auto other = Make(kOther);
  for (auto* r : {request.get(), other.get()}) {
    r->SetInput(0, Variant::Text(Code(0)));
    r->SetInput(1, Variant::I4(4));
  }
  EXPECT_EQ(request->Request(), -7);
  EXPECT_EQ(Cp949ToUtf8(Trimmed(request->StatusText2())), "잠시 후 다시 조회하십시오.");
  EXPECT_TRUE(request->DataValue(0, 0).IsEmpty());
  EXPECT_EQ(other->Request(), 0) << "only the armed class is refused";
}

TEST_F(RequestObjectTest, ShortAnswerCutsTheRows) {
  exchange.Faults().ShortAnswer(kEcho, 2);
  auto request = Make();
  request->SetInput(0, Variant::Text(Code(0)));
  request->SetInput(1, Variant::I4(10));
  ASSERT_EQ(request->Request(), 0);
  EXPECT_EQ(request->DataValue(0, 1).ToI4(), 1);
  EXPECT_TRUE(request->DataValue(0, 2).IsEmpty());
}

TEST_F(RequestObjectTest, PageFaultFailsTheKthPageOfEachObject) {
  exchange.Faults().FailPage(kEcho, 2, broker::kEFail);
  for (int object = 0; object < 2; ++object) {
    auto request = Make();
    request->SetInput(0, Variant::Text(Code(0)));
    request->SetInput(2, Variant::I4(5));
    EXPECT_EQ(request->Request(), 0);
    EXPECT_THROW(request->Request(), ComError);
    EXPECT_EQ(request->Request(), 0) << "the third page answers again";
  }
}

TEST_F(RequestObjectTest, CallFaultsTargetOneMethod) {
  struct Case {
    Method method;
    std::function<void(EchoRequest&)> call;
  };
  const std::vector<Case> cases = {
      {Method::kRequest, [](EchoRequest& r) { r.Request(); }},
      {Method::kHeaderValue, [](EchoRequest& r) { r.HeaderValue(0); }},
      {Method::kDataValue, [](EchoRequest& r) { r.DataValue(0, 0); }},
      {Method::kSetInput, [](EchoRequest& r) { r.SetInput(0, Variant()); }},
      {Method::kMoreData, [](EchoRequest& r) { r.MoreData(); }},
      {Method::kStatus, [](EchoRequest& r) { r.Status(); }},
      {Method::kStatusText, [](EchoRequest& r) { r.StatusText2(); }},
      {Method::kSubscribe, [](EchoRequest& r) { r.Subscribe(); }},
      {Method::kUnsubscribe, [](EchoRequest& r) { r.Unsubscribe(); }},
  };
  for (const Case& c : cases) {
    exchange.Faults().Clear();
    exchange.Faults().FailCall(kEcho, c.method, static_cast<broker::HResult>(0x80040210));
    auto request = Make();
    try {
      c.call(*request);
      ADD_FAILURE() << "method " << static_cast<int>(c.method);
    } catch (const ComError& error) {
      EXPECT_EQ(Cp949ToUtf8(error.Description()), "IDispatch 오류 #16");
    }
    // Other methods go on working.
    if (c.method != Method::kStatus) {
      EXPECT_NO_THROW(request->Status());
    }
  }
}

TEST_F(RequestObjectTest, ConnectionPointAdvisesFiresAndUnadvises) {
  auto request = Make();
  CountingSink first;
  CountingSink second;
  const uint32_t a = request->Events().Advise(&first);
  const uint32_t b = request->Events().Advise(&second);
  EXPECT_NE(a, b);
  request->Fire();
  request->Events().Unadvise(a);
  request->Fire();
  EXPECT_EQ(first.count, 1);
  EXPECT_EQ(second.count, 2);
  try {
    request->Events().Unadvise(a);
    ADD_FAILURE() << "a cookie works once";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), kNoConnection);
  }
  EXPECT_THROW(request->Events().Advise(nullptr), ComError);
}

TEST_F(RequestObjectTest, SinkMayUnadviseWhileBeingCalled) {
  auto request = Make();
  CountingSink first;
  CountingSink second;
  uint32_t secondCookie = 0;
  first.onReceived = [&] { request->Events().Unadvise(secondCookie); };
  request->Events().Advise(&first);
  secondCookie = request->Events().Advise(&second);
  request->Fire();
  EXPECT_EQ(first.count, 1);
  EXPECT_EQ(second.count, 0);
}

TEST_F(RequestObjectTest, StoppedEventsAreNotDelivered) {
  exchange.Faults().StopEvents(kEcho, 2);
  auto request = Make();
  CountingSink sink;
  request->Events().Advise(&sink);
  for (int i = 0; i < 5; ++i) request->Fire();
  EXPECT_EQ(sink.count, 2);
}

TEST_F(RequestObjectTest, AdviseFaultAndSubscriptionState) {
  auto request = Make();
  request->Subscribe();
  EXPECT_TRUE(request->Subscribed());
  EXPECT_EQ(request->subscribes, 1);
  request->Unsubscribe();
  EXPECT_FALSE(request->Subscribed());
  exchange.Faults().FailCall(kEcho, Method::kAdvise, broker::kEOutOfMemory);
  CountingSink sink;
  EXPECT_THROW(request->Events().Advise(&sink), ComError);
}

TEST(ObjectRegistryTest, RegistersReplacesAndRefusesUnknown) {
  ObjectRegistry registry;
  int made = 0;
  registry.Register(kEcho, [&] {
    ++made;
    return std::shared_ptr<broker::IObject>();
  });
  EXPECT_TRUE(registry.Contains(kEcho));
  EXPECT_FALSE(registry.Contains(kOther));
  registry.Create(kEcho);
  registry.Register(kEcho, [&] {
    made += 10;
    return std::shared_ptr<broker::IObject>();
  });
  registry.Create(kEcho);
  EXPECT_EQ(made, 11);
  try {
    registry.Create(kOther);
    FAIL();
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), broker::kClassNotRegistered);
    EXPECT_EQ(Cp949ToUtf8(error.Description()), "클래스가 등록되지 않았습니다.");
  }
}

}  // namespace
}  // namespace ostrada::sim

namespace ostrada::sim {
namespace {

// A trade request that accepts a positive quantity in input 0 and answers it back.
class QuantityOrder : public TradeRequestBase {
 public:
  using TradeRequestBase::TradeRequestBase;

 protected:
  void Serve(Answer& answer) override {
    if (Input(0).ToI4() <= 0) return answer.Refuse(RefusalKind::kBadQuantity);
    answer.SetHeader(0, Input(0));
  }
};

TEST(TradeRequestTest, SharesTheRequestBehaviour) {
  Exchange exchange(ExchangeOptions{.stocks = 20});
  QuantityOrder order(exchange.Context(), kOther);
  order.SetInput(0, Variant::I4(0));
  EXPECT_EQ(order.Request(), static_cast<int16_t>(RefusalKind::kBadQuantity));
  EXPECT_EQ(Cp949ToUtf8(Trimmed(order.StatusText1())), "주문이 접수되지 않았습니다.");
  EXPECT_EQ(Cp949ToUtf8(Trimmed(order.StatusText2())), "주문수량이 올바르지 않습니다.");
  order.SetInput(0, Variant::Text(" 15 "));
  EXPECT_EQ(order.Request(), 0);
  EXPECT_EQ(order.HeaderValue(0).ToI4(), 15);
  exchange.Faults().FailCall(kOther, Method::kRequest, broker::kServerUnavailable);
  EXPECT_THROW(order.Request(), ComError);
}

}  // namespace
}  // namespace ostrada::sim
