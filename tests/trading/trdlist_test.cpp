#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

int Reports(const testing::RecordingSink& sink) {
  int reports = 0;
  for (const auto& message : sink.messages) reports += message.CaptionUtf8() == "확인";
  return reports;
}

TrdRunInfoPtr Holding(const char* code, const char* name) {
  TrdRunInfoPtr record = TrdRunList::CreateRecord();
  std::strcpy(record->code, code);
  std::strcpy(record->name, name);
  return record;
}

TrdRunInfo* Add(TrdRunList& list, const char* code, const char* name) {
  TrdRunInfoPtr record = Holding(code, name);
  return list.Append(record, nullptr);
}

class TradeLists : public ::testing::Test {
 protected:
  testing::RecordingScope ui;
};

TEST_F(TradeLists, HeadersHoldTheCheckTextMagicAndAccountAtTheirOffsets) {
  TrdRunList run("12345678-01");
  TrdYetList yet("12345678-01");
  ASSERT_EQ(yet.SetSummary("summary", "first", ""), 1);
  const auto* runBytes = reinterpret_cast<const uint8_t*>(&run.HeaderBlock());
  const auto* yetBytes = reinterpret_cast<const uint8_t*>(&yet.HeaderBlock());
  for (const uint8_t* bytes : {runBytes, yetBytes}) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes)), Text(Txt::kCheckText));
    EXPECT_STREQ(reinterpret_cast<const char*>(bytes + 68), "12345678-01");
    EXPECT_EQ(GetI32(bytes, 132), 0);
  }
  EXPECT_EQ(GetU32(runBytes, 64), 0xF2599905u);
  EXPECT_EQ(GetI32(runBytes, 192), -1);
  EXPECT_EQ(GetI32(runBytes, 196), -1);
  EXPECT_EQ(GetU32(yetBytes, 64), 0xF2599907u);
  EXPECT_STREQ(reinterpret_cast<const char*>(yetBytes + 136), "summary");
  EXPECT_STREQ(yet.HeaderBlock().summaryCopy1, "first");
  EXPECT_EQ(yet.HeaderBlock().summaryCopy2, nullptr);  // an empty text gives no copy
  EXPECT_EQ(GetI32(yetBytes, 208), -1);
  EXPECT_EQ(GetI32(yetBytes, 212), -1);

  yet.Clear(1);
  EXPECT_STREQ(yet.Account(), "12345678-01");
  EXPECT_EQ(yet.HeaderBlock().summaryCopy1, nullptr);
  run.Clear(0);
  EXPECT_STREQ(run.Account(), "");
  EXPECT_EQ(Reports(ui.sink), 0);
}

TEST_F(TradeLists, JoinCodesTakesWhatIsThereAndRefusesBadRanges) {
  TrdRunList list("1");
  Add(list, "005930", "A");
  Add(list, "000660", "B");
  int32_t count = 0;
  HeapText joined = list.JoinCodes(0, 3, &count);
  ASSERT_NE(joined, nullptr);
  EXPECT_STREQ(joined.get(), "005930,000660");
  EXPECT_EQ(count, 2);
  joined = list.JoinCodes(1, 1, &count);
  EXPECT_STREQ(joined.get(), "000660");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(Reports(ui.sink), 0);

  count = 7;
  EXPECT_EQ(list.JoinCodes(0, 111, &count), nullptr);
  EXPECT_EQ(list.JoinCodes(0, 0, &count), nullptr);
  EXPECT_EQ(list.JoinCodes(2, 1, &count), nullptr);  // the list ends before the start
  EXPECT_EQ(count, 7);
  EXPECT_EQ(Reports(ui.sink), 3);

  Add(list, "", "C");
  EXPECT_EQ(list.JoinCodes(0, 110, &count), nullptr);  // an empty code
  EXPECT_EQ(Reports(ui.sink), 4);
}

TEST_F(TradeLists, PositionsAndRemovalKeepTheLinksAndCount) {
  TrdRunList list("1");
  TrdRunInfo* a = Add(list, "A1", "a");
  TrdRunInfo* b = Add(list, "B1", "b");
  TrdRunInfo* c = Add(list, "C1", "c");
  EXPECT_EQ(list.GetAt(1), b);
  EXPECT_EQ(list.GetAt(3), nullptr);
  EXPECT_EQ(Reports(ui.sink), 0);  // the position just past the end is quiet
  EXPECT_EQ(list.GetAt(4), nullptr);
  EXPECT_EQ(Reports(ui.sink), 1);
  EXPECT_EQ(list.Position(c), 3);
  EXPECT_EQ(list.FindByCode("B1"), b);
  EXPECT_EQ(list.FindByName("c"), c);

  ASSERT_EQ(list.RemoveAndFree(c), 1);
  EXPECT_EQ(list.Last(), b);
  EXPECT_EQ(b->next, nullptr);
  TrdRunInfoPtr taken = list.Remove(a);
  ASSERT_EQ(taken.get(), a);
  EXPECT_EQ(list.First(), b);
  EXPECT_EQ(b->prev, nullptr);
  ASSERT_EQ(list.RemoveAndFree(b), 1);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.First(), nullptr);
  EXPECT_EQ(list.Last(), nullptr);
  EXPECT_EQ(list.Position(a), -1);
  EXPECT_EQ(Reports(ui.sink), 2);
}

TEST_F(TradeLists, AppendRefusesARecordWhoseCodeIsTheNameOfOneHeld) {
  TrdRunList list("1");
  Add(list, "005930", "000660");
  TrdRunInfoPtr record = Holding("000660", "other");
  int duplicate = 0;
  EXPECT_EQ(list.Append(record, &duplicate), nullptr);
  EXPECT_EQ(duplicate, 1);
  EXPECT_NE(record, nullptr);  // still the caller's
  EXPECT_EQ(Reports(ui.sink), 0);
  EXPECT_EQ(list.Append(record, nullptr), nullptr);
  EXPECT_EQ(Reports(ui.sink), 1);
  EXPECT_EQ(list.Count(), 1);

  TrdYetList orders("1");
  TrdYetInfoPtr order = TrdYetList::CreateRecord();
  ASSERT_NE(order, nullptr);
  std::snprintf(order->code, sizeof order->code, "%s", "005930");
  ASSERT_NE(orders.Append(order, nullptr), nullptr);
  EXPECT_EQ(orders.Count(), 1);
}

// A holding's profit is what selling it at the current price would realise: value less the
// commission and tax (each rounded down), less the cost to the nearest won.
struct ProfitCase {
  const char* name;
  int32_t quantity;
  double costPerShare;
  int32_t close;
  SellCosts costs;
  int64_t profit;
};
class HoldingProfits : public ::testing::TestWithParam<ProfitCase> {};

TEST_P(HoldingProfits, AreTheSaleNetOfItsCostsLessWhatTheSharesCost) {
  const ProfitCase& c = GetParam();
  TrdRunInfoPtr record = Holding("A000010", "x");
  record->quantity = c.quantity;
  record->costPerShare = c.costPerShare;
  record->current.close = c.close;
  EXPECT_EQ(HoldingProfit(*record, c.costs), c.profit);
}

INSTANTIATE_TEST_SUITE_P(Rows, HoldingProfits,
                         ::testing::Values(
                             // 10 bought at 6,800 cost 68,010 with the fee; sold at 6,810: 68,100 - 10 - 136 = 67,954.
                             ProfitCase{"AFeeAndTaxTurnAGainToALoss", 10, 6801.0, 6810, {}, -56},
                             // A cost of 68,011 over 3 shares reads back as 68,011, not 68,010 truncated.
                             ProfitCase{"TheCostIsReadToTheWon", 3, 68011.0 / 3, 30000, {}, 90000 - 13 - 180 - 68011},
                             // Another broker's rates; no tax.
                             ProfitCase{"OtherRatesWithoutTax", 100, 1000.0, 1100, {1000, 0}, 110000 - 110 - 100000},
                             // Past 32 bits: 2,000,000 shares at 1,500,000 won.
                             ProfitCase{"PastThirtyTwoBits",
                                        2000000,
                                        1000000.0,
                                        1500000,
                                        {},
                                        3'000'000'000'000 - 450'000'000 - 6'000'000'000 - 2'000'000'000'000}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(HoldingProfit, IsUnknownWithoutAPrice) {
  TrdRunInfoPtr record = Holding("A000010", "x");
  record->quantity = 10;
  record->costPerShare = 6801.0;
  EXPECT_EQ(HoldingProfit(*record), std::nullopt);
}

}  // namespace
}  // namespace ostrada
