#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>

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

// Each figure of a row against what the day's own records add up to: the contracts of the history
// pages, the levels of the quote book and the bars of the daily chart, summed here.
TEST_F(PriceObjects, FiguresAddUpFromTheContractsTheBookAndTheChart) {
  AdvanceTo(11, 0);
  const std::vector<std::string> codes = Codes();
  int checked = 0;
  for (size_t i = 0; i < codes.size(); i += 3) {
    const std::string& code = codes[i];
    SCOPED_TRACE(code);
    const std::vector<Variant> row = PriceRow(code);
    if (row[6].ToI4() == 0) continue;  // halted
    ++checked;
    const int32_t price = row[3].ToI4();
    const int32_t base = row[19].ToI4();
    const int32_t upper = base + PriceLimitChange(base, 1);
    const int32_t lower = base + PriceLimitChange(base, 0);
    EXPECT_EQ(row[18].ToI4(), upper);
    EXPECT_EQ(row[22].ToI4(), lower);
    const char sign = price == upper ? '1' : price == lower ? '4' : price > base ? '2' : price < base ? '5' : '3';
    EXPECT_EQ(static_cast<char>(row[5].ToUI1()), sign);
    const ListedStock& listed = *exchange_.Stocks().Find(code);
    EXPECT_EQ(row[29].ToI4(), listed.market - '1');

    // The day's regular contracts: count, volume by side, value.
    auto history = Create(broker::clsid::kContractHistory);
    history->SetInput(0, Variant::Text(code));
    history->SetInput(1, Variant::I4(0));
    history->SetInput(2, Variant::I2(500));
    int32_t contracts = 0;
    int64_t bought = 0;
    int64_t sold = 0;
    int64_t value = 0;
    // Each minute's volume, lowest and highest price: a minute's value at its middle price is off
    // from its contracts' by its volume times its range at most.
    std::map<int32_t, std::array<int64_t, 3>> minutes;
    do {
      ASSERT_EQ(history->Request(), 0);
      for (int32_t r = 0; r < history->HeaderValue(2).ToI4(); ++r) {
        if (history->DataValue(10, r).ToUI1() != '2') continue;
        const int64_t quantity = history->DataValue(6, r).ToI4();
        ++contracts;
        (history->DataValue(7, r).ToUI1() == '1' ? bought : sold) += quantity;
        const int32_t contractPrice = history->DataValue(4, r).ToI4();
        value += quantity * contractPrice;
        std::array<int64_t, 3>& minute =
            minutes.try_emplace(history->DataValue(0, r).ToI4(), std::array<int64_t, 3>{0, contractPrice, contractPrice})
                .first->second;
        minute[0] += quantity;
        minute[1] = std::min<int64_t>(minute[1], contractPrice);
        minute[2] = std::max<int64_t>(minute[2], contractPrice);
      }
    } while (history->MoreData() == 1);
    EXPECT_EQ(row[15].ToI4(), contracts);
    EXPECT_EQ(row[27].ToI4(), bought);
    EXPECT_EQ(row[28].ToI4(), sold);
    EXPECT_FLOAT_EQ(row[21].ToR4(), sold > 0 ? static_cast<float>(bought * 100.0 / sold) : 500.0f);
    // The value of the minutes before the current one is summed at each minute's middle price.
    const int64_t unit = listed.market == '1' ? 10'000'000 : 1'000'000;
    int64_t off = 0;
    for (const auto& [minute, figures] : minutes) off += figures[0] * (figures[2] - figures[1]);
    EXPECT_NEAR(row[12].ToI4(), value / unit, 1 + off / unit);

    // The book's totals are its levels' sums.
    auto book = Create(broker::clsid::kQuoteBookSnapshot);
    book->SetInput(0, Variant::Text(code));
    ASSERT_EQ(book->Request(), 0);
    int32_t asks = 0;
    int32_t bids = 0;
    for (int32_t level = 0; level < 10; ++level) {
      asks += book->DataValue(2, level).ToI4();
      bids += book->DataValue(3, level).ToI4();
    }
    EXPECT_EQ(row[13].ToI4(), asks);
    EXPECT_EQ(row[14].ToI4(), bids);

    // The volumes of the days before: yesterday's and the mean of the last twenty.
    auto chart = Create(broker::clsid::kDayChart);
    chart->SetInput(0, Variant::Text(code));
    chart->SetInput(1, Variant::UI1('D'));
    chart->SetInput(2, Variant::I4(0));
    chart->SetInput(3, Variant::I2(21));
    chart->SetInput(4, Variant::UI1('1'));
    ASSERT_EQ(chart->Request(), 0);
    int64_t twenty = 0;
    for (int32_t r = 1; r <= 20; ++r) twenty += chart->DataValue(5, r).ToI4();
    EXPECT_EQ(row[20].ToI4(), chart->DataValue(5, 1).ToI4());
    EXPECT_EQ(row[17].ToI4(), twenty / 20);
  }
  EXPECT_GE(checked, 15);
}

// Days found in the history that closed at the upper limit, one tick below it and at the lower
// limit show '1', '2' and '4' when the market is set to them.
TEST_F(PriceObjects, TheSignMarksADayThatClosedAtItsLimit) {
  AdvanceTo(10, 0);
  struct Case {
    int up;          // 1: the upper limit, 0: the lower
    bool tickShort;  // the close one tick short of it
    char sign;
  };
  for (const Case& wanted : {Case{1, false, '1'}, Case{1, true, '2'}, Case{0, false, '4'}}) {
    SCOPED_TRACE(wanted.sign);
    std::string code;
    int32_t date = 0;
    for (size_t i = 0; i < Codes().size() && date == 0; ++i) {
      auto chart = Create(broker::clsid::kDayChart);
      chart->SetInput(0, Variant::Text(Codes()[i]));
      chart->SetInput(1, Variant::UI1('D'));
      chart->SetInput(2, Variant::I4(0));
      chart->SetInput(3, Variant::I2(500));
      chart->SetInput(4, Variant::UI1('1'));
      ASSERT_EQ(chart->Request(), 0);
      for (int32_t r = 1; r < chart->HeaderValue(3).ToI4() && date == 0; ++r) {
        const int32_t close = chart->DataValue(4, r).ToI4();
        const int32_t base = close - chart->DataValue(6, r).ToI4();
        const int32_t limit = base + PriceLimitChange(base, wanted.up);
        if (close == (wanted.tickShort ? limit - PriceTick(limit - 1) : limit)) {
          date = chart->DataValue(0, r).ToI4();
          code = Codes()[i];
        }
      }
    }
    ASSERT_NE(date, 0);
    ExchangeOptions options = SmallMarket();
    options.tradingDate = date;
    Exchange then(options);
    broker::ScopedServer server(then);
    then.Advance(6 * 60 * 60'000 + 10 * 60'000);  // 15:10
    const std::vector<Variant> row = PriceRow(code);
    EXPECT_EQ(row[3].ToI4(),
              (wanted.up == 1 ? row[18] : row[22]).ToI4() - (wanted.tickShort ? PriceTick(row[18].ToI4() - 1) : 0));
    EXPECT_EQ(static_cast<char>(row[5].ToUI1()), wanted.sign);
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
