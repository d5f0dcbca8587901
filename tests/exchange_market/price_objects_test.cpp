#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"
#include "basesrc/priceinfo.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;
using broker::VarType;

std::string Join(const std::vector<std::string>& codes) {
  std::string text;
  for (const std::string& code : codes) text += (text.empty() ? "" : ",") + code;
  return text;
}

class PriceObjects : public MarketTest {};

TEST_F(PriceObjects, RowsFollowTheRequestedOrderAndSkipUnknownCodes) {
  AdvanceTo(10, 15);
  const std::vector<std::string> codes = Codes();
  auto object = Create(broker::clsid::kMultiPrice);
  object->SetInput(0, Variant::Text(codes[5] + ",A999999," + codes[2] + "," + codes[9]));
  ASSERT_EQ(object->Request(), 0);
  ASSERT_EQ(object->Status(), 0);
  ASSERT_EQ(object->HeaderValue(0).ToI4(), 3);
  EXPECT_EQ(object->DataValue(0, 0).ToText(), codes[5]);
  EXPECT_EQ(object->DataValue(0, 1).ToText(), codes[2]);
  EXPECT_EQ(object->DataValue(0, 2).ToText(), codes[9]);
  EXPECT_TRUE(object->DataValue(0, 3).IsEmpty());
}

TEST_F(PriceObjects, RowFieldsHaveTheirTypesAndAgree) {
  AdvanceTo(11, 0);
  auto object = Create(broker::clsid::kMultiPrice);
  object->SetInput(0, Variant::Text(Join(Codes())));
  ASSERT_EQ(object->Request(), 0);
  const int32_t rows = object->HeaderValue(0).ToI4();
  ASSERT_EQ(rows, 60);
  for (int32_t row = 0; row < rows; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(object->DataValue(1, row).Type(), VarType::kText);
    EXPECT_EQ(object->DataValue(21, row).Type(), VarType::kR4);
    EXPECT_EQ(object->DataValue(5, row).Type(), VarType::kUI1);
    EXPECT_EQ(object->DataValue(2, row).ToI4(), 1100);
    const int32_t price = object->DataValue(3, row).ToI4();
    const int32_t change = object->DataValue(4, row).ToI4();
    const int32_t base = object->DataValue(19, row).ToI4();
    EXPECT_EQ(price - change, base);
    EXPECT_EQ(price % PriceTick(price), 0);
    EXPECT_LE(price, base + PriceLimitChange(base, 1));
    EXPECT_GE(price, base + PriceLimitChange(base, 0));
    const int32_t open = object->DataValue(6, row).ToI4();
    if (open > 0) {
      EXPECT_NE(object->DataValue(5, row).ToUI1(), 0);
      EXPECT_GE(object->DataValue(7, row).ToI4(), price);
      EXPECT_LE(object->DataValue(8, row).ToI4(), price);
      EXPECT_GT(object->DataValue(11, row).ToI4(), 0);
    } else {
      // A stock without an opening price is halted: no opening reference and no state byte.
      EXPECT_EQ(object->DataValue(26, row).ToI4(), 0);
      EXPECT_EQ(object->DataValue(5, row).ToUI1(), 0);
    }
    EXPECT_EQ(object->DataValue(27, row).ToI4() + object->DataValue(28, row).ToI4(), object->DataValue(11, row).ToI4());
  }
}

TEST_F(PriceObjects, MoreThan110CodesAreRefused) {
  std::vector<std::string> codes;
  for (int i = 0; i < 111; ++i) codes.push_back(Codes()[static_cast<size_t>(i % 60)]);
  auto object = Create(broker::clsid::kMultiPrice);
  object->SetInput(0, Variant::Text(Join(codes)));
  object->Request();
  EXPECT_NE(object->Status(), 0);
  EXPECT_FALSE(object->StatusText2().empty());
  EXPECT_TRUE(object->HeaderValue(0).IsEmpty());
}

TEST_F(PriceObjects, StockStateOfUnknownCodeIsRefused) {
  auto object = Create(broker::clsid::kStockState);
  object->SetInput(0, Variant::Text("A999999"));
  object->Request();
  EXPECT_NE(object->Status(), 0);
  EXPECT_EQ(Cp949ToUtf8(object->StatusText2()), "등록되지 않은 종목코드입니다. 종목코드를 확인하십시오.  ");
  object->SetInput(0, Variant::Text(Codes()[0]));
  ASSERT_EQ(object->Request(), 0);
  EXPECT_FALSE(object->HeaderValue(32).IsEmpty());
}

// Every value of the whole market at 11:00, asked through a fresh exchange of the same seed.
std::vector<Variant> MarketAt1100(bool askEarlierToo) {
  Exchange exchange(SmallMarket(21));
  broker::ScopedServer server(exchange);
  std::vector<std::string> codes;
  for (const ListedStock& stock : exchange.Stocks().All()) codes.push_back(stock.code);
  auto ask = [&] {
    auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    object->SetInput(0, Variant::Text(Join(codes)));
    object->Request();
    std::vector<Variant> values;
    for (int32_t row = 0; row < object->HeaderValue(0).ToI4(); ++row) {
      for (int field = 0; field < 30; ++field) values.push_back(object->DataValue(field, row));
    }
    return values;
  };
  if (askEarlierToo) {
    exchange.Advance(30 * 60'000);
    ask();
    exchange.Advance(30 * 60'000);
  } else {
    exchange.Advance(60 * 60'000);
  }
  return ask();
}

TEST(PriceDeterminism, TheSameSeedGivesTheSameMarketWhateverWasAskedBefore) {
  const std::vector<Variant> first = MarketAt1100(false);
  ASSERT_EQ(first.size(), 60u * 30u);
  EXPECT_EQ(first, MarketAt1100(false));
  EXPECT_EQ(first, MarketAt1100(true));
}

}  // namespace
}  // namespace ostrada::sim::testing
