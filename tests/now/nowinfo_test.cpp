#include "basesrc/nowinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/memory.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

NowPrice Row(int32_t close, int32_t change, int32_t base, int32_t volume) {
  NowPrice block;
  NowPriceReset(&block);
  block.bar.close = close;
  block.bar.change = change;
  block.basePrice = base;
  block.bar.volume = volume;
  return block;
}

class NowInfoTest : public ::testing::Test {
 protected:
  testing::RecordingScope recording;
  size_t Reports() const { return recording.sink.messages.size(); }
};

TEST_F(NowInfoTest, StoredRowDerivesRateAndVolumeRatios) {
  NowPrice block = Row(10300, 300, 10000, 5000);
  block.volumeRef = 2000;
  block.volumeRef2 = 4000;
  NowInfoPtr record = NowInfoStoreRow("A005930", "\xBB\xEF\xBC\xBA", &block, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->key.code, "A005930");
  EXPECT_STREQ(record->key.name.get(), "\xBB\xEF\xBC\xBA");
  EXPECT_FLOAT_EQ(record->price.bar.rate, 3.0f);
  EXPECT_EQ(record->price.volumeRatio, 250);
  EXPECT_FLOAT_EQ(record->price.volumeRatio2, 125.0f);
  EXPECT_EQ(record->price.attr.market, '0');  // no attributes given: the reset copy
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowInfoTest, ZeroBaseTakesPriceMinusChange) {
  NowPrice block = Row(11000, 1000, 0, 10);
  NowInfoPtr record = NowInfoStoreRow("A000001", "x", &block, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->price.basePrice, 10000);
  EXPECT_FLOAT_EQ(record->price.bar.rate, 10.0f);

  NowPrice flat = Row(11000, 0, 0, 10);
  flat.bar.rate = 4.0f;
  record = NowInfoStoreRow("A000001", "x", &flat, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->price.bar.rate, 0.0f);
  EXPECT_EQ(Reports(), 0u);
}

// A damaged file may hold any prices; the previous close and the distances from it stay in range.
TEST_F(NowInfoTest, ExtremePricesFromAFileDoNotOverflow) {
  NowPrice block = Row(INT32_MIN + 5, 10, 0, 1);
  NowInfoPtr record = NowInfoStoreRow("A000001", "x", &block, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->price.basePrice, INT32_MIN);

  // Ordering such records by the opening reference forms reference minus base, which must not
  // overflow either (the undefined-behaviour sanitizer build runs this).
  NowPrice high = Row(10, 0, -5, 1);
  high.openingRef = INT32_MAX;
  NowPrice low = Row(10, 0, 5, 1);
  low.openingRef = INT32_MIN;
  NowInfoPtr a = NowInfoStoreRow("A000001", "a", &high, nullptr);
  NowInfoPtr b = NowInfoStoreRow("A000002", "b", &low, nullptr);
  EXPECT_EQ(NowInfoCompare(*a, *b, kNowKeyOpeningRefDown), -NowInfoCompare(*b, *a, kNowKeyOpeningRefDown));
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowInfoTest, VolumeRatiosOfZeroReferencesAreZeroAndLargeVolumesDoNotWrap) {
  NowPrice block = Row(1000, 10, 990, 5000);
  EXPECT_EQ(NowVolumeRatio(&block), 0);
  EXPECT_EQ(NowSecondVolumeRatio(&block), 0.0f);
  block.bar.volume = 40'000'000;  // 100 times this does not fit 32 bits
  block.volumeRef = 20'000'000;
  EXPECT_EQ(NowVolumeRatio(&block), 200);
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowInfoTest, MarketOneAttributesMultiplyFieldTwelve) {
  CodeAttr attributes;
  CodeAttrInit(&attributes);
  attributes.market = '1';
  NowPrice block = Row(1000, 10, 990, 1);
  block.value12 = 7;
  NowInfoPtr record = NowInfoStoreRow("A000001", "x", &block, &attributes);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(record->price.value12, 70);
  EXPECT_EQ(record->price.attr.market, '1');
  attributes.market = '2';
  record = NowInfoStoreRow("A000001", "x", &block, &attributes);
  EXPECT_EQ(record->price.value12, 7);
}

TEST_F(NowInfoTest, LongCodeIsCutToFifteenCharacters) {
  NowPrice block = Row(1000, 0, 1000, 0);
  NowInfoPtr record = NowInfoStoreRow("ABCDEFGHIJKLMNOPQRST", "x", &block, nullptr);
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->key.code, "ABCDEFGHIJKLMNO");
}

TEST_F(NowInfoTest, StoreRowWithoutANameFails) {
  NowPrice block = Row(1000, 0, 1000, 0);
  EXPECT_EQ(NowInfoStoreRow("A000001", "", &block, nullptr), nullptr);
  EXPECT_EQ(NowInfoStoreRow(nullptr, "x", &block, nullptr), nullptr);
  EXPECT_GE(Reports(), 2u);
}

TEST_F(NowInfoTest, CopyKeepsBlockAndDifferencesButRefusesAnOwnAverage) {
  NowPrice block = Row(10300, 300, 10000, 5000);
  NowInfoPtr record = NowInfoStoreRow("A000001", "x", &block, nullptr);
  record->minutesDiff = 5;
  record->rateDiff = 1.5f;
  NowInfoPtr copy = NowInfoCopy(record.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::memcmp(&copy->price, &record->price, sizeof(NowPrice)), 0);
  EXPECT_EQ(copy->minutesDiff, 5);
  EXPECT_EQ(copy->rateDiff, 1.5f);
  EXPECT_NE(copy->key.name.get(), record->key.name.get());

  record->ownAverage.reset(AllocZeroed(16));
  EXPECT_EQ(NowInfoCopy(record.get()), nullptr);
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(NowInfoTest, RecordFromCodeBookEntryHasZeroPrices) {
  CodeInfo entry{};
  CodeKeySet(&entry.key, "A000020", "name");
  CodeAttrInit(&entry.attr);
  entry.attr.market = '2';
  NowInfoPtr record = NowInfoFromCodeInfo(&entry);
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->key.code, "A000020");
  EXPECT_EQ(record->price.attr.market, '2');
  EXPECT_EQ(record->price.bar.close, 0);
}

NowInfoPtr Ranked(const char* code, float rate) {
  NowPrice block = Row(1000, 0, 1000, 0);
  NowInfoPtr record = NowInfoStoreRow(code, code, &block, nullptr);
  record->price.bar.rate = rate;
  return record;
}

TEST_F(NowInfoTest, EqualRatesFallBackToAscendingCode) {
  NowInfoPtr existing = Ranked("A000002", 3.0f);
  NowInfoPtr lowerCode = Ranked("A000001", 3.0f);
  EXPECT_LT(NowInfoCompare(*existing, *lowerCode, kNowKeyRateDown), 0);  // goes before
}

// Each ordering key on three records that arrive as C, A, B with the key's measure at 2, 3 and 1:
// a descending key gives A C B, an ascending one B C A. An arriving record goes before an existing
// one when the comparison is negative, as a group inserts it.
TEST_F(NowInfoTest, EachKeyGivesItsOrder) {
  using Set = void (*)(NowInfo&, int32_t);
  struct Case {
    int32_t key;
    Set set;
    std::vector<std::string> order;
  };
  const std::vector<std::string> down = {"A", "C", "B"}, up = {"B", "C", "A"};
  const Case cases[] = {
      {kNowKeyCode, [](NowInfo&, int32_t) {}, {"A", "B", "C"}},
      {kNowKeyName, [](NowInfo& r, int32_t v) { r.key.name.reset(StrDup(std::string(1, char('a' + v)).c_str())); }, up},
      {kNowKeyRateDown, [](NowInfo& r, int32_t v) { r.price.bar.rate = 0.5f * v; }, down},
      {kNowKeyRateUp, [](NowInfo& r, int32_t v) { r.price.bar.rate = 0.5f * v; }, up},
      {kNowKeyVolumeDown, [](NowInfo& r, int32_t v) { r.price.bar.volume = 1000 * v; }, down},
      {kNowKeyVolumeRatioDown, [](NowInfo& r, int32_t v) { r.price.volumeRatio = 100 * v; }, down},
      {kNowKeyVolumeRatio2Down, [](NowInfo& r, int32_t v) { r.price.volumeRatio2 = 1.5f * v; }, down},
      {kNowKeyValue12Down, [](NowInfo& r, int32_t v) { r.price.value12 = 7 * v; }, down},
      {kNowKeyPriceDown, [](NowInfo& r, int32_t v) { r.price.bar.close = 1000 * v; }, down},
      {kNowKeyPriceUp, [](NowInfo& r, int32_t v) { r.price.bar.close = 1000 * v; }, up},
      {kNowKeyStrengthDown, [](NowInfo& r, int32_t v) { r.price.strength = 90.0f + v; }, down},
      {kNowKeyStrengthUp, [](NowInfo& r, int32_t v) { r.price.strength = 90.0f + v; }, up},
      {kNowKeyOpeningRefDown,
       [](NowInfo& r, int32_t v) {
         r.price.basePrice = 1000;
         r.price.openingRef = 1000 + 10 * v;
       },
       down},
      {kNowKeyArrival, [](NowInfo&, int32_t) {}, {"C", "A", "B"}},
  };
  for (const Case& c : cases) {
    std::vector<NowInfoPtr> records;
    for (const auto& [code, value] : {std::pair{"C", 2}, std::pair{"A", 3}, std::pair{"B", 1}}) {
      records.push_back(NowInfoCreate());
      ASSERT_TRUE(CodeKeySet(&records.back()->key, code, "n"));
      c.set(*records.back(), value);
    }
    std::stable_sort(records.begin(), records.end(), [&c](const NowInfoPtr& incoming, const NowInfoPtr& existing) {
      return NowInfoCompare(*existing, *incoming, c.key) < 0;
    });
    std::vector<std::string> order;
    for (const NowInfoPtr& record : records) order.push_back(record->key.code);
    EXPECT_EQ(order, c.order) << c.key;
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowInfoTest, VolumeComparesUnsigned) {
  NowInfoPtr existing = Ranked("A000001", 0.0f);
  NowInfoPtr huge = Ranked("A000002", 0.0f);
  existing->price.bar.volume = 10;
  huge->price.bar.volume = -1;  // read as 4,294,967,295 shares
  EXPECT_LT(NowInfoCompare(*existing, *huge, kNowKeyVolumeDown), 0);
}

TEST_F(NowInfoTest, UnknownKeyIsReported) {
  EXPECT_EQ(NowCompareKeyKnown(kNowKeyRateDown), 1);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(NowCompareKeyKnown(0), 0);
  EXPECT_EQ(NowCompareKeyKnown(7), 0);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(NowInfoTest, FixedPartStandsAtItsOffsets) {
  NowPrice block = Row(10300, 300, 10000, 5000);
  block.bar.time = 93015;
  block.state = 0x35;
  block.strength = 101.5f;
  block.byte25 = 9;
  block.marketNumber = 2;
  block.attr.market = '1';
  NowInfoPtr record = NowInfoStoreRow("A005930", "x", &block, nullptr);
  uint8_t out[nowrecord::kFixedSize];
  std::memset(out, 0xEE, sizeof out);
  EncodeNowInfoFixed(*record, out);
  EXPECT_STREQ(reinterpret_cast<const char*>(out), "A005930");
  EXPECT_EQ(GetU32(out, 16), 0u);  // no pointer value reaches the file
  EXPECT_EQ(GetI32(out, 20), 93015);
  EXPECT_EQ(GetI32(out, 20 + 16), 10300);
  EXPECT_EQ(GetU8(out, 20 + 32), 0x35);
  EXPECT_EQ(GetU8(out, 20 + 33), 0);  // padding
  EXPECT_EQ(GetI32(out, 20 + 72), 10000);
  EXPECT_FLOAT_EQ(GetF32(out, 20 + 80), 101.5f);
  EXPECT_EQ(GetU8(out, 20 + 90), 9);
  EXPECT_EQ(GetI32(out, 20 + 104), 2);
  EXPECT_EQ(GetU8(out, 20 + 108 + 20), '1');
  EXPECT_EQ(GetI32(out, 20 + 140), record->price.volumeRatio);

  char code[kCodeSize];
  NowPrice decoded;
  DecodeNowInfoFixed(out, code, &decoded);
  EXPECT_STREQ(code, "A005930");
  EXPECT_EQ(std::memcmp(&decoded, &record->price, sizeof decoded), 0);
}

TEST_F(NowInfoTest, MeasuresFollowTheirZeroRules) {
  NowPrice block = Row(10300, 300, 10000, 0);
  block.bar.open = 10100;
  block.bar.high = 10500;
  block.bar.low = 9900;
  EXPECT_FLOAT_EQ(NowBodyPercent(&block), 2.0f);
  EXPECT_FLOAT_EQ(NowOpeningRate(&block), 1.0f);
  EXPECT_FLOAT_EQ(NowHighRate(&block), 5.0f);
  EXPECT_FLOAT_EQ(NowUpperRange(&block), 4.0f);
  EXPECT_FLOAT_EQ(NowDistanceFromHigh(&block), -2.0f);
  EXPECT_FLOAT_EQ(NowDistanceFromLow(&block), 4.0f);
  block.bar.high = block.bar.close;
  EXPECT_EQ(NowDistanceFromHigh(&block), 0.0f);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(NowDayRate(nullptr), 0.0f);
  EXPECT_EQ(Reports(), 1u);
}

}  // namespace
}  // namespace ostrada
