#include "broker/sim/objects/code_objects.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"

namespace ostrada::sim {
namespace {

using broker::ComError;
using broker::CreateAs;
using broker::ICodeManager;
using broker::IStockCodeList;
using broker::VarType;
namespace clsid = broker::clsid;

class CodeObjectsTest : public ::testing::Test {
 protected:
  Exchange exchange{ExchangeOptions{.seed = 11, .stocks = 50}};
  broker::ScopedServer server{exchange};
};

TEST_F(CodeObjectsTest, CodeListTellsTheListingInOrder) {
  auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
  ASSERT_EQ(list->Count(), 50);
  for (int16_t i = 0; i < 50; ++i) {
    const ListedStock& stock = exchange.Stocks().At(static_cast<size_t>(i));
    EXPECT_EQ(list->Data(0, i).ToText(), stock.code);
    EXPECT_EQ(list->Data(1, i).ToText(), stock.name);
    EXPECT_EQ(list->Data(2, i).ToText(), stock.code2);
  }
}

TEST_F(CodeObjectsTest, CodeListRejectsBadTypeAndIndex) {
  auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
  for (auto [type, index] : {std::pair<int16_t, int16_t>{3, 0}, {-1, 0}, {0, 50}, {0, -1}}) {
    try {
      list->Data(type, index);
      ADD_FAILURE() << type << "," << index;
    } catch (const ComError& error) {
      EXPECT_EQ(error.Code(), broker::kEInvalidArg);
    }
  }
}

TEST_F(CodeObjectsTest, CodeManagerAnswersMarketTimesAndAttributesInTheirTypes) {
  auto manager = CreateAs<ICodeManager>(clsid::kCodeManager);
  EXPECT_EQ(manager->MarketTime1(), 900);
  EXPECT_EQ(manager->MarketTime2(), 1500);
  const ListedStock& stock = exchange.Stocks().At(0);
  auto attribute = [&](int slot) { return manager->CodeAttribute(slot, stock.code); };
  EXPECT_EQ(attribute(17).Type(), VarType::kText);
  EXPECT_EQ(attribute(17).ToI4(), stock.number1);
  EXPECT_EQ(attribute(18).ToText(), std::string(1, stock.market));
  EXPECT_EQ(attribute(19).Type(), VarType::kI2);
  EXPECT_EQ(attribute(19).ToText(), std::string(1, stock.class1));
  EXPECT_EQ(attribute(20).ToText(), std::string(1, stock.class4));
  EXPECT_EQ(attribute(21).ToText(), std::string(1, stock.class2));
  EXPECT_EQ(attribute(22).Type(), VarType::kUI1);
  EXPECT_EQ(attribute(22).ToUI1(), stock.flagByte);
  EXPECT_EQ(attribute(23).Type(), VarType::kI4);
  EXPECT_EQ(attribute(23).ToI4(), stock.number2);
  EXPECT_EQ(attribute(24).ToText(), std::string(1, stock.class3));
  EXPECT_EQ(attribute(25).ToText(), std::string(1, stock.class5));
}

TEST_F(CodeObjectsTest, CodeManagerGivesEmptyForUnknownCodeAndRejectsOtherSlots) {
  auto manager = CreateAs<ICodeManager>(clsid::kCodeManager);
  EXPECT_TRUE(manager->CodeAttribute(18, "A999999").IsEmpty());
  for (int slot : {16, 26}) {
    EXPECT_THROW(manager->CodeAttribute(slot, exchange.Stocks().At(0).code), ComError);
  }
}

TEST_F(CodeObjectsTest, ListingFaults) {
  const std::string code = exchange.Stocks().At(3).code;
  exchange.Faults().EmptyListing();
  exchange.Faults().EmptyMarketAnswer(code);
  exchange.Faults().OutOfRangeClass(exchange.Stocks().At(4).code, 19);
  exchange.Faults().OverrideAttribute(exchange.Stocks().At(5).code, 17, broker::Variant::Text("abc"));
  auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
  auto manager = CreateAs<ICodeManager>(clsid::kCodeManager);
  EXPECT_EQ(list->Count(), 0);
  EXPECT_EQ(manager->CodeAttribute(18, code).ToText(), "");
  EXPECT_EQ(manager->CodeAttribute(19, exchange.Stocks().At(4).code).ToText(), "9");
  EXPECT_THROW(manager->CodeAttribute(17, exchange.Stocks().At(5).code).ToI4(), ComError);
  // Other codes and slots answer as before.
  EXPECT_EQ(manager->CodeAttribute(18, exchange.Stocks().At(4).code).ToText(),
            std::string(1, exchange.Stocks().At(4).market));
}

TEST_F(CodeObjectsTest, ListItemOverride) {
  exchange.Faults().OverrideListData(2, 1, broker::Variant::Text("KR70000000000001234"));
  exchange.Faults().OverrideListData(1, 2, broker::Variant::I4(77));
  auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
  EXPECT_EQ(list->Data(2, 1).ToText(), "KR70000000000001234");
  EXPECT_EQ(list->Data(1, 2).Type(), VarType::kI4);
  EXPECT_EQ(list->Data(2, 0).ToText(), exchange.Stocks().At(0).code2);
  EXPECT_EQ(list->Data(0, 1).ToText(), exchange.Stocks().At(1).code);
}

// The listing's names are unique, so the finder can choose every stock; names repeat only when the
// fault plan asks for it, and then exactly the pairs it asked for, each a second-board stock named
// after a first-board stock without preferred shares.
TEST(CodeListNames, RepeatOnlyWhenTheFaultPlanAsksForIt) {
  Exchange exchange{ExchangeOptions{.seed = 5, .stocks = 600}};
  broker::ScopedServer server{exchange};
  const Listing& listing = exchange.Stocks();
  auto names = [&] {
    auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
    std::map<std::string, std::vector<int16_t>> byName;
    for (int16_t i = 0; i < list->Count(); ++i) byName[list->Data(1, i).ToText()].push_back(i);
    return byName;
  };
  EXPECT_EQ(names().size(), listing.Size());

  exchange.Faults().ShareNames(4);
  const auto shared = names();
  EXPECT_EQ(shared.size(), listing.Size() - 4);
  int pairs = 0;
  for (const auto& [name, indexes] : shared) {
    if (indexes.size() == 1) continue;
    ++pairs;
    ASSERT_EQ(indexes.size(), 2u);
    const ListedStock& giver = listing.At(static_cast<size_t>(indexes[0]));
    const ListedStock& taker = listing.At(static_cast<size_t>(indexes[1]));
    EXPECT_EQ(giver.market, '1');
    EXPECT_EQ(taker.market, '2');
    EXPECT_EQ(name, giver.name);
    EXPECT_FALSE(giver.IsPreferred());
    EXPECT_FALSE(taker.IsPreferred());
    // Neither has a preferred share whose name would then follow another company's.
    for (const ListedStock* stock : {&giver, &taker}) {
      for (const ListedStock& other : listing.All()) EXPECT_NE(other.commonCode, stock->code);
    }
  }
  EXPECT_EQ(pairs, 4);

  exchange.Faults().Clear();
  EXPECT_EQ(names().size(), listing.Size());
}

TEST(FaultPlanTest, CustomFaultsAreArmedByNameAndCleared) {
  FaultPlan plan;
  EXPECT_FALSE(plan.Custom(clsid::kDayChart, "gap").has_value());
  plan.ArmCustom(clsid::kDayChart, "gap", 4);
  EXPECT_EQ(plan.Custom(clsid::kDayChart, "gap"), 4);
  EXPECT_FALSE(plan.Custom(clsid::kMinuteChart, "gap").has_value());
  plan.Clear();
  EXPECT_FALSE(plan.Custom(clsid::kDayChart, "gap").has_value());
}

TEST_F(CodeObjectsTest, FailingCallsOnTheCodeObjects) {
  exchange.Faults().FailCall(clsid::kStockCodeList, Method::kData, broker::kEFail, 2);
  exchange.Faults().FailCall(clsid::kCodeManager, Method::kCodeAttribute, broker::kServerUnavailable);
  exchange.Faults().FailCall(clsid::kCodeManager, Method::kMarketTime, static_cast<broker::HResult>(0x80040203), 0,
                             "\xBD\xC3\xB0\xA3 \xBF\xC0\xB7\xF9");
  auto list = CreateAs<IStockCodeList>(clsid::kStockCodeList);
  auto manager = CreateAs<ICodeManager>(clsid::kCodeManager);
  EXPECT_NO_THROW(list->Data(0, 0));
  EXPECT_NO_THROW(list->Data(1, 0));
  try {
    list->Data(2, 0);
    ADD_FAILURE() << "the third data call fails";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), broker::kEFail);
    EXPECT_EQ(Cp949ToUtf8(error.Description()), "지정되지 않은 오류입니다.");
  }
  EXPECT_THROW(list->Data(0, 1), ComError) << "and every one after it";
  EXPECT_EQ(list->Count(), 50);
  EXPECT_THROW(manager->CodeAttribute(18, exchange.Stocks().At(0).code), ComError);
  try {
    manager->MarketTime1();
    ADD_FAILURE();
  } catch (const ComError& error) {
    EXPECT_EQ(error.Description(), "\xBD\xC3\xB0\xA3 \xBF\xC0\xB7\xF9");
  }
}

}  // namespace
}  // namespace ostrada::sim
