// Every failure a client of the market objects must survive can be armed through the fault plan.
#include "broker/sim/market/faults.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::ComError;
using broker::Variant;

const broker::Guid kMarketClasses[] = {
    broker::clsid::kMultiPrice,    broker::clsid::kStockState,      broker::clsid::kQuoteBookSnapshot,
    broker::clsid::kQuoteBookLive, broker::clsid::kContractHistory, broker::clsid::kContractsLive,
    broker::clsid::kDayChart,      broker::clsid::kMinuteChart,
};

class MarketFaults : public MarketTest {
 protected:
  // An object of the class with the inputs its client sets, for a known stock.
  std::shared_ptr<broker::IMarketRequest> Prepared(const broker::Guid& clsid) {
    auto object = Create(clsid);
    object->SetInput(0, Variant::Text(LiquidCode()));
    if (clsid == broker::clsid::kContractHistory) {
      object->SetInput(1, Variant::I4(0));
      object->SetInput(2, Variant::I2(80));
    } else if (clsid == broker::clsid::kDayChart) {
      object->SetInput(1, Variant::UI1('D'));
      object->SetInput(3, Variant::I2(100));
    } else if (clsid == broker::clsid::kMinuteChart) {
      object->SetInput(1, Variant::UI1('M'));
      object->SetInput(2, Variant::I2(1));
      object->SetInput(3, Variant::I2(100));
    }
    return object;
  }
  FaultPlan& Faults() { return exchange_.Faults(); }
};

TEST_F(MarketFaults, CreationFailsWithTheArmedCode) {
  for (const broker::Guid& clsid : kMarketClasses) {
    Faults().FailCreation(clsid, broker::kEOutOfMemory);
    try {
      Create(clsid);
      ADD_FAILURE() << "created despite the fault";
    } catch (const ComError& error) {
      EXPECT_EQ(error.Code(), broker::kEOutOfMemory);
      EXPECT_FALSE(error.Description().empty());
    }
  }
  Faults().Clear();
  for (const broker::Guid& clsid : kMarketClasses) EXPECT_NE(Create(clsid), nullptr);
}

TEST_F(MarketFaults, RefusalCarriesTheStatusAndBothTexts) {
  AdvanceTo(9, 30);
  const Refusal refusal{7, Utf8ToCp949("조회가 거부되었습니다."), Utf8ToCp949("잠시 후 다시 하십시오.")};
  for (const broker::Guid& clsid : kMarketClasses) {
    Faults().Refuse(clsid, refusal);
    auto object = Prepared(clsid);
    EXPECT_EQ(object->Request(), 7);
    EXPECT_EQ(object->Status(), 7);
    EXPECT_EQ(Cp949ToUtf8(object->StatusText1()).rfind("조회가 거부되었습니다.", 0), 0u);
    EXPECT_EQ(Cp949ToUtf8(object->StatusText2()).rfind("잠시 후 다시 하십시오.", 0), 0u);
    EXPECT_TRUE(object->DataValue(0, 0).IsEmpty());
    EXPECT_EQ(object->MoreData(), 0);
  }
  Faults().Clear();
  auto object = Prepared(broker::clsid::kContractHistory);
  EXPECT_EQ(object->Request(), 0);
  EXPECT_EQ(object->HeaderValue(2).ToI4(), 80);
}

TEST_F(MarketFaults, ShortAnswerCountsOnlyTheRowsSent) {
  AdvanceTo(9, 30);
  Faults().ShortAnswer(broker::clsid::kMultiPrice, 2);
  auto prices = Create(broker::clsid::kMultiPrice);
  const std::vector<std::string> codes = Codes();
  prices->SetInput(0, Variant::Text(codes[0] + "," + codes[1] + "," + codes[2] + "," + codes[3]));
  ASSERT_EQ(prices->Request(), 0);
  EXPECT_EQ(prices->HeaderValue(0).ToI4(), 2);
  EXPECT_EQ(prices->DataValue(0, 1).ToText(), codes[1]);
  EXPECT_TRUE(prices->DataValue(0, 2).IsEmpty());

  // No row at all: the one-stock fetch's "could not get the state" case.
  Faults().ShortAnswer(broker::clsid::kMultiPrice, 0);
  prices->SetInput(0, Variant::Text(codes[0]));
  ASSERT_EQ(prices->Request(), 0);
  EXPECT_EQ(prices->HeaderValue(0).ToI4(), 0);

  Faults().ShortAnswer(broker::clsid::kContractHistory, 30);
  auto history = Prepared(broker::clsid::kContractHistory);
  ASSERT_EQ(history->Request(), 0);
  EXPECT_EQ(history->HeaderValue(2).ToI4(), 30);
  Faults().ShortAnswer(broker::clsid::kDayChart, 3);
  auto chart = Prepared(broker::clsid::kDayChart);
  ASSERT_EQ(chart->Request(), 0);
  EXPECT_EQ(chart->HeaderValue(3).ToI4(), 3);
}

TEST_F(MarketFaults, HistoryPageFailsMidway) {
  AdvanceTo(10, 0);
  Faults().FailPage(broker::clsid::kContractHistory, 3, broker::kServerUnavailable);
  auto history = Prepared(broker::clsid::kContractHistory);
  ASSERT_EQ(history->Request(), 0);
  ASSERT_EQ(history->MoreData(), 1);
  ASSERT_EQ(history->Request(), 0);
  const int32_t newestOfSecondPage = history->DataValue(9, 0).ToI4();
  try {
    history->Request();
    ADD_FAILURE() << "the third page came";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), broker::kServerUnavailable);
  }
  // The answer read so far stays readable.
  EXPECT_EQ(history->DataValue(9, 0).ToI4(), newestOfSecondPage);
}

TEST_F(MarketFaults, ACallFailsAfterTheGivenNumberOfGoodOnes) {
  AdvanceTo(9, 10);
  Faults().FailCall(broker::clsid::kQuoteBookSnapshot, Method::kDataValue, broker::kTypeMismatch, 5);
  auto book = Prepared(broker::clsid::kQuoteBookSnapshot);
  ASSERT_EQ(book->Request(), 0);
  for (int i = 0; i < 5; ++i) EXPECT_GT(book->DataValue(0, i).ToI4(), 0);
  EXPECT_THROW(book->DataValue(0, 5), ComError);

  Faults().FailCall(broker::clsid::kDayChart, Method::kRequest, broker::kEFail);
  EXPECT_THROW(Prepared(broker::clsid::kDayChart)->Request(), ComError);
  Faults().FailCall(broker::clsid::kContractHistory, Method::kMoreData, broker::kEFail);
  auto history = Prepared(broker::clsid::kContractHistory);
  history->Request();
  EXPECT_THROW(history->MoreData(), ComError);
}

TEST_F(MarketFaults, LiveObjectsFailToConnectOrSubscribe) {
  Faults().FailCall(broker::clsid::kQuoteBookLive, Method::kAdvise, broker::kEFail);
  auto quotes = Create(broker::clsid::kQuoteBookLive);
  HeaderRecorder quoteSink(*quotes, {0});
  EXPECT_THROW(quotes->Events().Advise(&quoteSink), ComError);

  Faults().FailCall(broker::clsid::kContractsLive, Method::kSubscribe, broker::kEFail);
  auto contracts = Create(broker::clsid::kContractsLive);
  HeaderRecorder contractSink(*contracts, {0});
  contracts->Events().Advise(&contractSink);
  contracts->SetInput(0, Variant::Text(LiquidCode()));
  EXPECT_THROW(contracts->Subscribe(), ComError);
  AdvanceTo(9, 5);
  EXPECT_TRUE(contractSink.events.empty());
}

TEST_F(MarketFaults, EventStreamStopsAfterTheGivenNumber) {
  Faults().StopEvents(broker::clsid::kContractsLive, 4);
  auto contracts = Create(broker::clsid::kContractsLive);
  HeaderRecorder sink(*contracts, {13});
  contracts->Events().Advise(&sink);
  contracts->SetInput(0, Variant::Text(LiquidCode()));
  contracts->Subscribe();
  AdvanceTo(9, 10);
  EXPECT_EQ(sink.events.size(), 4u);

  // The quote book's reading of an event fails once its header calls are armed to fail.
  Faults().FailCall(broker::clsid::kQuoteBookLive, Method::kHeaderValue, broker::kBadIndex);
  auto quotes = Create(broker::clsid::kQuoteBookLive);
  int failures = 0;
  struct FailingReader : broker::IEventSink {
    broker::IMarketRequest* object;
    int* failures;
    void Received() override {
      try {
        object->HeaderValue(0);
      } catch (const ComError&) {
        ++*failures;
      }
    }
  } reader;
  reader.object = quotes.get();
  reader.failures = &failures;
  quotes->Events().Advise(&reader);
  quotes->SetInput(0, Variant::Text(LiquidCode()));
  quotes->Subscribe();
  AdvanceTo(9, 11);
  EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace ostrada::sim::testing
