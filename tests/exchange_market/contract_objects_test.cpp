#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

#include "basesrc/priceinfo.h"
#include "tests/exchange_market/market_fixture.h"

namespace ostrada::sim::testing {
namespace {

using broker::Variant;

// One contract as the client reads it: time HHMMSS, price, quantity, cumulative volume, side, phase.
using Row = std::tuple<int32_t, int32_t, int32_t, int32_t, char, char>;

class ContractObjects : public MarketTest {
 protected:
  std::shared_ptr<broker::IMarketRequest> OpenHistory(const std::string& code, int16_t perPage = 80) {
    auto object = Create(broker::clsid::kContractHistory);
    object->SetInput(0, Variant::Text(code));
    object->SetInput(1, Variant::I4(0));
    object->SetInput(2, Variant::I2(perPage));
    return object;
  }
  // Every page of the history, newest first, as the pages come.
  std::vector<Row> AllPages(broker::IMarketRequest& object, std::vector<int32_t>* pageSizes = nullptr) {
    std::vector<Row> rows;
    do {
      EXPECT_EQ(object.Request(), 0);
      const int32_t count = object.HeaderValue(2).ToI4();
      if (pageSizes != nullptr) pageSizes->push_back(count);
      for (int32_t i = 0; i < count; ++i) rows.push_back(ReadRow(object, i));
    } while (object.MoreData() == 1);
    return rows;
  }
  static Row ReadRow(broker::IMarketRequest& object, int32_t i) {
    return {object.DataValue(9, i).ToI4(),
            object.DataValue(4, i).ToI4(),
            object.DataValue(6, i).ToI4(),
            object.DataValue(5, i).ToI4(),
            static_cast<char>(object.DataValue(7, i).ToUI1()),
            static_cast<char>(object.DataValue(10, i).ToUI1())};
  }
};

TEST_F(ContractObjects, HistoryPagesRunNewestFirstAndContinueWithoutGapsOrRepeats) {
  AdvanceTo(9, 20);
  const std::string code = LiquidCode();
  auto object = OpenHistory(code);
  std::vector<int32_t> sizes;
  // The clock moves between pages; the continuation still follows the first page.
  ASSERT_EQ(object->Request(), 0);
  const int32_t first = object->HeaderValue(2).ToI4();
  ASSERT_EQ(first, 80);
  ASSERT_EQ(object->MoreData(), 1);
  std::vector<Row> rows;
  for (int32_t i = 0; i < first; ++i) rows.push_back(ReadRow(*object, i));
  AdvanceTo(9, 25);
  const std::vector<Row> rest = AllPages(*object, &sizes);
  rows.insert(rows.end(), rest.begin(), rest.end());
  for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 80);
  EXPECT_EQ(object->MoreData(), 0);

  // Newest first; regular contracts count the volume down by their quantities; the oldest rows
  // are the pre-open auction's expected prices.
  for (size_t i = 0; i + 1 < rows.size(); ++i) {
    ASSERT_GE(std::get<0>(rows[i]), std::get<0>(rows[i + 1]));
    if (std::get<5>(rows[i]) == '2' && std::get<5>(rows[i + 1]) == '2') {
      ASSERT_EQ(std::get<3>(rows[i]) - std::get<2>(rows[i]), std::get<3>(rows[i + 1]));
    }
  }
  EXPECT_EQ(std::get<5>(rows.back()), '1');
  EXPECT_LT(std::get<0>(rows.back()), 90000);
  EXPECT_LE(std::get<0>(rows.front()), 92000);

  // A fresh history now holds the same records plus those of the last five minutes.
  std::vector<Row> now = AllPages(*OpenHistory(code, 200));
  ASSERT_GT(now.size(), rows.size());
  EXPECT_TRUE(std::equal(rows.rbegin(), rows.rend(), now.rbegin()));
}

TEST_F(ContractObjects, EveryRecordOfTheDayIsAValidTickInItsPhase) {
  AdvanceTo(15, 10);
  const std::vector<std::string> codes = Codes();
  for (size_t i = 0; i < codes.size(); i += 5) {
    const std::string& code = codes[i];
    SCOPED_TRACE(code);
    auto current = Create(broker::clsid::kMultiPrice);
    current->SetInput(0, Variant::Text(code));
    current->Request();
    const int32_t base = current->DataValue(19, 0).ToI4();
    const std::vector<Row> rows = AllPages(*OpenHistory(code, 500));
    for (const Row& row : rows) {
      const auto [time, price, quantity, volume, side, phase] = row;
      ASSERT_EQ(price % PriceTick(price), 0);
      ASSERT_LE(price, base + PriceLimitChange(base, 1)) << "base " << base << " time " << time << " phase " << phase;
      ASSERT_GE(price, base + PriceLimitChange(base, 0));
      ASSERT_TRUE(side == '1' || side == '2');
      ASSERT_GT(quantity, 0);
      const bool auction = (time >= 80000 && time < 90000) || (time >= 145000 && time < 150000);
      ASSERT_EQ(phase, auction ? '1' : '2') << time;
      ASSERT_GE(time, 80000);
      ASSERT_LE(time, 150000);
    }
  }
}

// A window keeps its history object overnight; its next page the next day would continue a tape the
// server no longer has. It brings nothing of the new day (least of all contracts still to come).
TEST_F(ContractObjects, AHistoryContinuedTheNextDayBringsNothingOfThatDay) {
  AdvanceTo(15, 10);
  auto object = OpenHistory(LiquidCode());
  ASSERT_EQ(object->Request(), 0);
  ASSERT_EQ(object->HeaderValue(2).ToI4(), 80);
  ASSERT_EQ(object->MoreData(), 1);
  exchange_.Advance(kMillisecondsPerDay - 6 * 3'600'000 + 10 * 60'000);  // 09:20 the next day
  ASSERT_EQ(exchange_.Clock().Date(), 20261209);
  const std::vector<Row> continued = AllPages(*object);
  const auto toCome = std::count_if(continued.begin(), continued.end(), [](const Row& row) {
    return std::get<0>(row) > 92000;
  });
  EXPECT_EQ(toCome, 0);
  EXPECT_TRUE(continued.empty()) << continued.size();
  // Asked afresh, the history is the new day's up to now.
  object->SetInput(0, object->HeaderValue(0));
  const std::vector<Row> today = AllPages(*object);
  ASSERT_FALSE(today.empty());
  EXPECT_LE(std::get<0>(today.front()), 92000);
  EXPECT_GE(std::get<0>(today.back()), 80000);
}

// Each history row's change, best quote and strength against the previous close and the running
// sums of the quantities before it, added up here from the oldest row.
TEST_F(ContractObjects, HistoryRowsCarryTheirChangeQuoteAndStrength) {
  AdvanceTo(15, 10);
  for (const std::string& code : {LiquidCode(), Codes()[1]}) {
    SCOPED_TRACE(code);
    const int32_t base = PriceRow(code)[19].ToI4();
    auto object = OpenHistory(code, 500);
    std::vector<std::vector<Variant>> rows;  // newest first
    do {
      ASSERT_EQ(object->Request(), 0);
      for (int32_t i = 0; i < object->HeaderValue(2).ToI4(); ++i) {
        std::vector<Variant>& row = rows.emplace_back();
        for (int field = 0; field < 11; ++field) row.push_back(object->DataValue(field, i));
      }
    } while (object->MoreData() == 1);
    ASSERT_GT(rows.size(), 20u);
    int64_t bought = 0;
    int64_t sold = 0;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      const std::vector<Variant>& row = *it;
      const int32_t price = row[4].ToI4();
      const char side = static_cast<char>(row[7].ToUI1());
      EXPECT_EQ(row[1].ToI4(), price - base);
      EXPECT_EQ(row[0].ToI4(), row[9].ToI4() / 100);
      EXPECT_EQ(side == '1' ? row[2].ToI4() : row[3].ToI4(), price) << row[9].ToI4();
      if (row[10].ToUI1() != '2') continue;
      (side == '1' ? bought : sold) += row[6].ToI4();
      EXPECT_EQ(row[5].ToI4(), bought + sold);
      EXPECT_FLOAT_EQ(row[8].ToR4(), sold > 0 ? static_cast<float>(bought * 100.0 / sold) : 500.0f);
    }
  }
}

TEST_F(ContractObjects, BadCountAndUnknownCodeAreRefused) {
  auto object = OpenHistory(Codes()[0], 0);
  object->Request();
  EXPECT_NE(object->Status(), 0);
  object = OpenHistory("A999999");
  object->Request();
  EXPECT_NE(object->Status(), 0);
  EXPECT_EQ(object->MoreData(), 0);
}

TEST_F(ContractObjects, LiveContractsOfEverySubscribedCodeMatchTheHistory) {
  AdvanceTo(10, 0);
  const std::vector<std::string> codes = {LiquidCode(), Codes()[1]};
  auto live = Create(broker::clsid::kContractsLive);
  HeaderRecorder sink(*live, {0, 18, 13, 17, 9, 14, 19, 2, 3, 4, 5, 6, 7, 8, 16});
  live->Events().Advise(&sink);
  // The window's form: clear with an empty text, then subscribe the code.
  live->SetInput(0, Variant::Text(""));
  live->Unsubscribe();
  for (const std::string& code : codes) {
    live->SetInput(0, Variant::Text(code));
    live->Subscribe();
  }
  AdvanceTo(10, 2);
  ASSERT_FALSE(sink.events.empty());
  for (const std::string& code : codes) {
    const int32_t base = PriceRow(code)[19].ToI4();
    std::vector<Row> events;
    for (const auto& e : sink.events) {
      EXPECT_EQ(e[8].ToI4(), e[1].ToI4() / 100);
      if (e[0].ToText() != code) continue;
      // Change on the previous close, the taker's quote at the price, volumes by side, strength.
      EXPECT_EQ(e[9].ToI4(), base);
      EXPECT_EQ(e[7].ToI4(), e[2].ToI4() - base);
      EXPECT_EQ(e[5].ToUI1() == '1' ? e[12].ToI4() : e[13].ToI4(), e[2].ToI4());
      EXPECT_EQ(e[10].ToI4() + e[11].ToI4(), e[4].ToI4());
      const double sold = e[11].ToI4();
      EXPECT_FLOAT_EQ(e[14].ToR4(), sold > 0 ? static_cast<float>(e[10].ToI4() * 100.0 / sold) : 500.0f);
      events.emplace_back(e[1].ToI4(), e[2].ToI4(), e[3].ToI4(), e[4].ToI4(), static_cast<char>(e[5].ToUI1()),
                          static_cast<char>(e[6].ToUI1()));
    }
    // The events are the newest records of the history, oldest first, and nothing older came.
    const std::vector<Row> history = AllPages(*OpenHistory(code, 500));
    ASSERT_GT(history.size(), events.size());
    EXPECT_TRUE(std::equal(events.rbegin(), events.rend(), history.begin())) << code;
    EXPECT_LE(std::get<0>(history[events.size()]), 100000);
  }
}

// Nothing trades or is quoted for hours after a new trading day starts, so each watched stock is told
// at the start where the day stands: one record of phase '0' at the day's base, unchanged, with no
// volume and no quantity, and the empty book of the hours before the pre-open.
TEST_F(ContractObjects, AWatchedStockIsToldOfTheNewDayAtItsStart) {
  AdvanceTo(15, 10);
  const std::vector<std::string> codes = {LiquidCode(), Codes()[1]};
  std::vector<int32_t> closes;
  for (const std::string& code : codes) closes.push_back(PriceRow(code)[3].ToI4());
  auto contracts = Create(broker::clsid::kContractsLive);
  HeaderRecorder told(*contracts, {0, 19, 13, 2, 9, 17});
  contracts->Events().Advise(&told);
  auto quotes = Create(broker::clsid::kQuoteBookLive);
  HeaderRecorder quoted(*quotes, {0, 3, 4, 23, 24});
  quotes->Events().Advise(&quoted);
  for (const std::string& code : codes) {
    for (auto* live : {contracts.get(), quotes.get()}) {
      live->SetInput(0, Variant::Text(code));
      live->Subscribe();
    }
  }
  exchange_.Advance(8 * 3'600'000LL);  // 23:10, all quiet after the close
  ASSERT_TRUE(told.events.empty());
  ASSERT_TRUE(quoted.events.empty());

  exchange_.Advance(3'600'000);  // 00:10 the next day
  ASSERT_EQ(exchange_.Clock().Date(), 20261209);
  ASSERT_EQ(told.events.size(), codes.size());
  ASSERT_EQ(quoted.events.size(), codes.size());
  for (size_t i = 0; i < codes.size(); ++i) {
    const auto ofCode = [&](const std::vector<std::vector<Variant>>& events) {
      return std::find_if(events.begin(), events.end(), [&](const auto& e) { return e[0].ToText() == codes[i]; });
    };
    const auto e = ofCode(told.events);
    ASSERT_NE(e, told.events.end()) << codes[i];
    const int32_t base = PriceRow(codes[i])[19].ToI4();
    ASSERT_EQ(base, closes[i]) << "no split in the test's stocks";
    EXPECT_EQ((*e)[1].ToUI1(), '0');
    EXPECT_EQ((*e)[2].ToI4(), base);
    EXPECT_EQ((*e)[3].ToI4(), 0);
    EXPECT_EQ((*e)[4].ToI4(), 0);
    EXPECT_EQ((*e)[5].ToI4(), 0);
    const auto q = ofCode(quoted.events);
    ASSERT_NE(q, quoted.events.end()) << codes[i];
    for (size_t header = 1; header < q->size(); ++header) EXPECT_EQ((*q)[header].ToI4(), 0) << header;
  }
  // And nothing more until the pre-open's first expected price.
  exchange_.Advance(7 * 3'600'000LL);  // 07:10
  EXPECT_EQ(told.events.size(), codes.size());
}

TEST(ContractDeterminism, SameSeedAndStepsGiveTheSameEvents) {
  auto run = [](int64_t step) {
    Exchange exchange(SmallMarket(11));
    broker::ScopedServer server(exchange);
    auto live = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractsLive);
    HeaderRecorder sink(*live, {0, 18, 13, 17, 9, 14});
    live->Events().Advise(&sink);
    for (const ListedStock& stock : exchange.Stocks().All()) {
      live->SetInput(0, Variant::Text(stock.code));
      live->Subscribe();
    }
    for (int64_t t = 0; t < 120'000; t += step) exchange.Advance(step);
    return sink.events;
  };
  const auto coarse = run(1000);
  EXPECT_FALSE(coarse.empty());
  EXPECT_EQ(coarse, run(1000));
  EXPECT_EQ(coarse, run(250));  // the same stream however finely the clock is stepped
}

}  // namespace
}  // namespace ostrada::sim::testing
