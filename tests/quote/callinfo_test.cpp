#include "basesrc/callinfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

CallInfo Book(const char* code, int32_t base, int32_t quantity) {
  CallInfo record;
  ClearCallInfo(record);
  SetCallCode(record, code);
  for (int i = 0; i < kCallLevels; ++i) {
    record.levels[i].sellPrice = base + 10 * i;
    record.levels[i].buyPrice = base - 10 * (i + 1);
    record.levels[i].sellQuantity = quantity + i;
    record.levels[i].buyQuantity = quantity + 100 + i;
  }
  record.totalSell = 1000;
  record.totalBuy = 2000;
  return record;
}

TEST(CompareAndMark, TotalsChangeByTheirDifference) {
  CallInfo previous = Book("005930", 50000, 10);
  CallInfo fresh = previous;
  fresh.totalSell = 900;
  fresh.totalBuy = 2500;
  fresh.total3 = 7;
  ASSERT_EQ(CompareAndMark(fresh, previous), 1);
  EXPECT_EQ(fresh.totalSellChange, -100);
  EXPECT_EQ(fresh.totalBuyChange, 500);
  EXPECT_EQ(fresh.total3Change, 7);
}

TEST(CompareAndMark, APriceThatMovedALevelKeepsItsChangeAndANewPriceShowsNone) {
  CallInfo previous = Book("005930", 50000, 10);
  // The best ask was taken: every sell level moves up one place and a new price appears at the top end.
  CallInfo fresh = previous;
  for (int i = 0; i < kCallLevels - 1; ++i) fresh.levels[i] = previous.levels[i + 1];
  fresh.levels[0].sellQuantity += 5;
  fresh.levels[kCallLevels - 1].sellPrice = 50000 + 10 * kCallLevels;
  fresh.levels[kCallLevels - 1].sellQuantity = 77;
  ASSERT_EQ(CompareAndMark(fresh, previous), 1);
  EXPECT_EQ(fresh.levels[0].sellChange, 5);
  for (int i = 1; i < kCallLevels - 1; ++i) EXPECT_EQ(fresh.levels[i].sellChange, 0) << i;
  EXPECT_EQ(fresh.levels[kCallLevels - 1].sellChange, 0);
}

TEST(CompareAndMark, TheScanNeverGoesBackBeforeThePreviousMatch) {
  CallInfo previous = Book("005930", 50000, 10);
  CallInfo fresh = previous;
  // Level 1 repeats the price of previous level 0, which level 0 already matched.
  fresh.levels[0].sellPrice = previous.levels[0].sellPrice;
  fresh.levels[0].sellQuantity = 30;
  fresh.levels[1].sellPrice = previous.levels[0].sellPrice;
  fresh.levels[1].sellQuantity = 99;
  fresh.levels[2].buyQuantity = previous.levels[2].buyQuantity - 4;
  ASSERT_EQ(CompareAndMark(fresh, previous), 1);
  EXPECT_EQ(fresh.levels[0].sellChange, 20);
  EXPECT_EQ(fresh.levels[1].sellChange, 0);
  EXPECT_EQ(fresh.levels[2].sellChange, 0);
  EXPECT_EQ(fresh.levels[2].buyChange, -4);
}

TEST(CompareAndMark, RecordsOfTwoStocksAreReportedAndLeftAlone) {
  testing::RecordingScope recording;
  CallInfo previous = Book("005930", 50000, 10);
  CallInfo fresh = Book("000660", 50000, 20);
  fresh.totalSellChange = 3;
  EXPECT_EQ(CompareAndMark(fresh, previous), 0);
  EXPECT_EQ(fresh.totalSellChange, 3);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "확인");
}

TEST(CallInfoRecord, EncodesEachFieldAtItsOffset) {
  CallInfo record = Book("005930", 50000, 10);
  record.quoteTime = 91500;
  record.totalSellChange = -1;
  record.totalBuyChange = -2;
  record.total3 = 3000;
  record.total3Change = 30;
  record.total4 = 4000;
  record.total4Change = -3;
  record.fetchTime = 101112;
  record.eventValue2 = 42;
  record.levels[9].buyChange = -8;
  uint8_t bytes[kCallInfoSize];
  EncodeCallInfo(record, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes)), "005930");
  EXPECT_EQ(GetI32(bytes, 16), 91500);
  EXPECT_EQ(GetI32(bytes, 20), 1000);
  EXPECT_EQ(GetI32(bytes, 24), -1);
  EXPECT_EQ(GetI32(bytes, 28), 2000);
  EXPECT_EQ(GetI32(bytes, 32), -2);
  EXPECT_EQ(GetI32(bytes, 36), 3000);
  EXPECT_EQ(GetI32(bytes, 40), 30);
  EXPECT_EQ(GetI32(bytes, 44), 4000);
  EXPECT_EQ(GetI32(bytes, 48), -3);
  EXPECT_EQ(GetI32(bytes, 52), 50000);                // level 0 sell price
  EXPECT_EQ(GetI32(bytes, 52 + 8), 10);               // level 0 sell quantity
  EXPECT_EQ(GetI32(bytes, 52 + 12), 110);             // level 0 buy quantity
  EXPECT_EQ(GetI32(bytes, 52 + 24 + 4), 50000 - 20);  // level 1 buy price
  EXPECT_EQ(GetI32(bytes, 52 + 9 * 24 + 20), -8);     // level 9 buy change
  EXPECT_EQ(GetI32(bytes, 292), 101112);
  EXPECT_EQ(GetI32(bytes, 296), 42);
  CallInfo back;
  DecodeCallInfo(bytes, back);
  EXPECT_EQ(std::memcmp(&back, &record, sizeof record), 0);
}

class CallInfoListFile : public ::testing::Test {
 protected:
  void SetUp() override { path_ = folder_.File("quotes.inf"); }

  void SaveFive() {
    CallInfoList list;
    list.SetCode("005930");
    list.SetName("\xBB\xEF\xBC\xBA");  // a CP949 name
    for (int i = 0; i < 5; ++i) list.Append(Book("005930", 50000 + 100 * i, i));
    ASSERT_EQ(list.SaveFile(path_.c_str()), 1);
  }
  std::vector<uint8_t> Bytes() {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Write(const std::vector<uint8_t>& bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  // Loads the damaged file into a list that held a record, expecting a rejection and an empty list.
  void ExpectRejected() {
    CallInfoList list;
    list.Append(Book("000660", 1000, 1));
    EXPECT_EQ(list.LoadFile(path_.c_str()), 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_STREQ(list.Code(), "");
    EXPECT_EQ(recording_.sink.messages.size(), 1u);
  }

  testing::RecordingScope recording_;
  ostrada::testing::ScratchFolder folder_;
  std::string path_;
};

TEST_F(CallInfoListFile, RoundTripKeepsHeaderAndRecords) {
  SaveFive();
  const std::vector<uint8_t> bytes = Bytes();
  ASSERT_EQ(bytes.size(), 288u + 5 * 300u);
  EXPECT_EQ(GetText(bytes.data(), 0, 64),
            "\xC1\xA4\xBA\xB8 \xC6\xC4\xC0\xCF \xC1\xA1\xB0\xCB\xBF\xEB \xB0\xAA\xC0\xCC\xB4\xD9.");
  EXPECT_EQ(GetU32(bytes.data(), 64), 0xF2311100u);
  EXPECT_EQ(GetText(bytes.data(), 68, 16), "005930");
  EXPECT_EQ(GetText(bytes.data(), 84, 64), "\xBB\xEF\xBC\xBA");
  EXPECT_EQ(GetI32(bytes.data(), 288 + 300 + 52), 50100);  // the second record's best ask
  EXPECT_EQ(GetI32(bytes.data(), 148), 5);
  EXPECT_EQ(GetI32(bytes.data(), 152), 288);
  EXPECT_EQ(GetI32(bytes.data(), 156), 288 + 5 * 300);
  for (size_t i = 160; i < 288; ++i) ASSERT_EQ(bytes[i], 0) << i;

  CallInfoList list;
  ASSERT_EQ(list.LoadFile(path_.c_str()), 1);
  EXPECT_STREQ(list.Code(), "005930");
  EXPECT_STREQ(list.Name(), "\xBB\xEF\xBC\xBA");
  ASSERT_EQ(list.Count(), 5);
  for (int i = 0; i < 5; ++i) {
    const CallInfo expected = Book("005930", 50000 + 100 * i, i);
    EXPECT_EQ(std::memcmp(list.At(i), &expected, sizeof expected), 0) << i;
  }
  EXPECT_EQ(list.At(5), nullptr);
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(CallInfoListFile, ALimitLoadsOnlyTheFirstRecords) {
  SaveFive();
  CallInfoList list;
  ASSERT_EQ(list.LoadFile(path_.c_str(), 3), 1);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.At(2)->levels[0].sellPrice, 50200);
}

TEST_F(CallInfoListFile, AWrongCheckTextIsRejected) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  bytes[3] ^= 0x01;
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, AWrongMagicIsRejected) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  PutU32(bytes.data(), 64, 0xF2311101u);
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, ACountBeyondTheFileIsRejectedBeforeReading) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  PutI32(bytes.data(), 148, 0x7FFFFFFF);
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, ANegativeCountIsRejected) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  PutI32(bytes.data(), 148, -1);
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, ATruncatedRecordIsRejected) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  bytes.resize(bytes.size() - 1);
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, ATruncatedHeaderIsRejected) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  bytes.resize(100);
  Write(bytes);
  ExpectRejected();
}

TEST_F(CallInfoListFile, AMissingFileIsReportedAndLeavesTheListEmpty) {
  ExpectRejected();
}

TEST_F(CallInfoListFile, ASaveThatRunsOutOfSpaceIsReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  CallInfoList list;
  list.SetCode("005930");
  list.Append(Book("005930", 50000, 1));
  EXPECT_EQ(list.SaveFile("/dev/full"), 0);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_NE(recording_.sink.messages[0].Utf8().find("basesrc/callinfo"), std::string::npos);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.FirstOffset(), -1);
}

TEST_F(CallInfoListFile, UnterminatedTextsAreCutInsideTheirFields) {
  SaveFive();
  std::vector<uint8_t> bytes = Bytes();
  for (size_t i = 68; i < 148; ++i) bytes[i] = 'A';
  for (size_t i = 288; i < 288 + 16; ++i) bytes[i] = 'B';
  Write(bytes);
  CallInfoList list;
  ASSERT_EQ(list.LoadFile(path_.c_str()), 1);
  EXPECT_EQ(std::string(list.Code()), std::string(15, 'A'));
  EXPECT_EQ(std::string(list.Name()), std::string(63, 'A'));
  EXPECT_EQ(std::string(list.At(0)->code), std::string(15, 'B'));
}

TEST(CallInfoListOps, AppendFindRemoveAndClear) {
  testing::RecordingScope recording;
  CallInfoList list;
  CallInfo* a = list.Append(Book("A", 100, 1));
  CallInfo* b = list.Append(Book("B", 100, 2));
  CallInfo* c = list.Append(Book("B", 100, 3));
  EXPECT_EQ(list.Find("B"), b);
  EXPECT_EQ(list.Find("Z"), nullptr);
  ASSERT_EQ(list.Remove(b), 1);
  EXPECT_EQ(list.Find("B"), c);
  ASSERT_EQ(list.Remove(a), 1);
  ASSERT_EQ(list.Remove(c), 1);
  EXPECT_EQ(list.Count(), 0);
  CallInfo stranger = Book("S", 1, 1);
  EXPECT_EQ(list.Remove(&stranger), 0);
  EXPECT_EQ(recording.sink.messages.size(), 1u);

  list.SetCode("005930");
  list.SetName("N");
  list.Append(stranger);
  list.ClearRecords();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_STREQ(list.Code(), "005930");
  list.Clear();
  EXPECT_STREQ(list.Name(), "");
}

}  // namespace
}  // namespace ostrada
