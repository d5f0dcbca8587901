#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/ncdgate.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

// A block at an HHMM check with its rate given directly (base 10,000).
NowPrice Check(int32_t hhmm, float rate, int32_t volume = 100) {
  NowPrice block;
  NowPriceReset(&block);
  block.bar.time = hhmm;
  block.basePrice = 10000;
  block.bar.change = static_cast<int32_t>(rate * 100);
  block.bar.close = 10000 + block.bar.change;
  block.bar.open = 10000;
  block.bar.high = block.bar.close + 100;
  block.bar.low = 9900;
  block.bar.volume = volume;
  block.value12 = volume / 10;
  block.bar.rate = rate;
  return block;
}

class ScanTest : public ::testing::Test {
 protected:
  // One group per check: stock i's rate at check k is rates[i][k].
  void Build(const std::vector<std::vector<float>>& rates, int32_t firstCheck = 900) {
    const size_t checks = rates[0].size();
    for (size_t k = 0; k < checks; ++k) {
      NowGate group(kNowKeyCode);
      for (size_t i = 0; i < rates.size(); ++i) {
        const std::string code = "A00000" + std::to_string(i);
        const std::string name = Utf8ToCp949("종목" + std::to_string(i));
        const NowPrice block =
            Check(firstCheck + static_cast<int32_t>(k), rates[i][k], 100 * static_cast<int32_t>(k + 1));
        ASSERT_TRUE(group.AddRow(code.c_str(), name.c_str(), &block, nullptr));
      }
      ASSERT_TRUE(k == 0 ? scan_.CreateFrom(group) : scan_.AddGroup(group));
    }
  }

  testing::RecordingScope ui_;
  NcdScan scan_;
};

std::vector<std::string> Codes(const NcdScan* scan) {
  std::vector<std::string> codes;
  for (const NowCode* s = scan ? scan->First() : nullptr; s != nullptr; s = s->next) codes.push_back(s->Code());
  return codes;
}

TEST_F(ScanTest, EveryAcceptedIntervalComparesWithTheSnapshotThatManyChecksOlder) {
  for (int32_t n : {1, 2, 3, 5, 10, 15, 20, 30, 60}) {
    // Stock 0 rose 2 points over exactly n checks; stock 1 has only n snapshots and is skipped.
    std::vector<float> rising(static_cast<size_t>(n) + 1, 0.0f);
    rising.back() = 2.0f;
    std::vector<float> tooShort(static_cast<size_t>(n), 0.0f);
    scan_.Clear();
    Build({rising});
    auto picked = scan_.Select(n, 2.0f);
    ASSERT_NE(picked, nullptr) << n;
    const NowCode* series = picked->First();
    ASSERT_EQ(series->Count(), 2);
    EXPECT_EQ(series->Oldest()->checkTime, 900);
    EXPECT_FLOAT_EQ(series->Newest()->price.bar.rate, 2.0f);
    // The newest copy carries the sums over the n newest checks (volumes 100 * (k + 1)).
    int32_t volumes = 0;
    for (int32_t k = 2; k <= n + 1; ++k) volumes += 100 * k;
    EXPECT_EQ(series->Newest()->price.bar.volume, volumes) << n;
    EXPECT_EQ(series->Newest()->price.value12, volumes / 10) << n;
    EXPECT_EQ(scan_.First()->Newest()->price.bar.volume, 100 * (n + 1)) << "the scanned series is unchanged";

    scan_.Clear();
    Build({tooShort});
    EXPECT_EQ(scan_.Select(n, 1.0f), nullptr) << n;
  }
  EXPECT_TRUE(ui_.sink.messages.empty());
}

TEST_F(ScanTest, VolumeSumsStopAtTheLargestValue) {
  // A busy stock's running volume of 1.5 billion shares at each of two checks: the sum does not wrap.
  for (int32_t hhmm : {930, 931}) {
    NowGate group(kNowKeyCode);
    const NowPrice block = Check(hhmm, hhmm == 930 ? 0.0f : 2.0f, 1'500'000'000);
    ASSERT_TRUE(group.AddRow("A000010", "x", &block, nullptr));
    ASSERT_TRUE(hhmm == 930 ? scan_.CreateFrom(group) : scan_.AddGroup(group));
  }
  auto picked = scan_.Select(1, 2.0f);
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->First()->Newest()->price.bar.volume, 1'500'000'000) << "one check: its own volume";
  NowGate third(kNowKeyCode);
  const NowPrice block = Check(932, 4.0f, 1'600'000'000);
  ASSERT_TRUE(third.AddRow("A000010", "x", &block, nullptr));
  ASSERT_TRUE(scan_.AddGroup(third));
  picked = scan_.Select(2, 2.0f);
  ASSERT_NE(picked, nullptr);
  EXPECT_EQ(picked->First()->Newest()->price.bar.volume, INT32_MAX);
}

TEST_F(ScanTest, ThresholdBoundsAndDirection) {
  Build({{0.0f, 0.0f, 3.0f}, {0.0f, 0.0f, -2.0f}, {0.0f, 0.0f, 15.0f}, {0.0f, 0.0f, 0.9f}});
  EXPECT_EQ(Codes(scan_.Select(2, 1.0f).get()), (std::vector<std::string>{"A000000", "A000002"}));
  EXPECT_EQ(Codes(scan_.Select(2, 15.0f).get()), std::vector<std::string>{"A000002"});
  EXPECT_EQ(Codes(scan_.Select(2, -2.0f).get()), std::vector<std::string>{"A000001"});
  EXPECT_EQ(Codes(scan_.Select(2, -1.0f).get()), std::vector<std::string>{"A000001"});
  EXPECT_EQ(scan_.Select(2, -15.0f), nullptr) << "no stock fell that far: none, without a report";
  EXPECT_TRUE(ui_.sink.messages.empty());

  for (float refused : {0.5f, -0.5f, 0.0f, 16.0f, -15.5f}) EXPECT_EQ(scan_.Select(2, refused), nullptr) << refused;
  for (int32_t refused : {0, 4, 6, 61, -1}) EXPECT_EQ(scan_.Select(refused, 2.0f), nullptr) << refused;
  EXPECT_EQ(ui_.sink.messages.size(), 10u) << "each refusal is reported";
}

TEST_F(ScanTest, AGroupInAnotherOrderStillAddsEachBlockToItsOwnStock) {
  Build({{1.0f}, {2.0f}, {3.0f}});
  NowGate byRate;  // rate descending: A000002, A000001, A000000
  for (int i = 0; i < 3; ++i) {
    const std::string code = "A00000" + std::to_string(i);
    const NowPrice block = Check(905, static_cast<float>(10 * i));
    ASSERT_TRUE(byRate.AddRow(code.c_str(), "x", &block, nullptr));
  }
  ASSERT_TRUE(scan_.AddGroup(byRate));
  for (int i = 0; i < 3; ++i) {
    const NowCode* series = scan_.GetAt(i);
    ASSERT_EQ(series->Count(), 2);
    EXPECT_FLOAT_EQ(series->Newest()->price.bar.rate, static_cast<float>(10 * i));
  }
}

TEST_F(ScanTest, GroupCarriesTheDifferenceToThePreviousCheck) {
  Build({{1.0f, 4.0f}}, 930);
  std::unique_ptr<NowGate> group = scan_.ToGroup();
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Key(), kNowKeyRateDown);
  const NowInfo* record = group->First();
  EXPECT_EQ(record->minutesDiff, 1);
  EXPECT_EQ(record->volumeDiff, 100);
  EXPECT_FLOAT_EQ(record->rateDiff, 3.0f);
  EXPECT_EQ(record->value12Diff, 10);
}

TEST_F(ScanTest, ASnapshotOfAnEqualCheckTimeGoesAfterTheEarlierOnes) {
  std::unique_ptr<NowCode> series = NowCode::Create("A000010", "x");
  ASSERT_NE(series, nullptr);
  for (float rate : {1.0f, 2.0f}) ASSERT_TRUE(series->Append(Check(930, rate)));
  ASSERT_TRUE(series->Append(Check(925, 3.0f)));
  ASSERT_EQ(series->Count(), 3);
  EXPECT_FLOAT_EQ(series->Newest()->price.bar.rate, 2.0f);
  EXPECT_FLOAT_EQ(series->Newest()->older->price.bar.rate, 1.0f);
  EXPECT_FLOAT_EQ(series->Oldest()->price.bar.rate, 3.0f);
}

class ScanReportTest : public ScanTest {
 protected:
  std::string Write() {
    const std::string path = folder_.File("scan_report.txt");
    EXPECT_TRUE(scan_.Report(path.c_str()));
    return Cp949ToUtf8(testing::ReadBytes(path));
  }
  testing::ScratchFolder folder_;
};

const std::string kEquals(52, '=');
const std::string kHyphens(52, '-');

TEST_F(ScanReportTest, TwoChecksGiveTheIntervalAndTheLongLines) {
  scan_.Clear();
  NowGate first(kNowKeyCode), second(kNowKeyCode);
  NowPrice a = Check(930, 1.0f);
  NowPrice b = Check(1015, 2.5f);
  b.bar.open = 10100;  // C 10,250 against open 10,100, low 9,900, high 10,350, base 10,000
  ASSERT_TRUE(first.AddRow("A000010", Utf8ToCp949("가나").c_str(), &a, nullptr));
  ASSERT_TRUE(second.AddRow("A000010", Utf8ToCp949("가나").c_str(), &b, nullptr));
  ASSERT_TRUE(scan_.CreateFrom(first));
  ASSERT_TRUE(scan_.AddGroup(second));
  EXPECT_EQ(Write(),
            kEquals + "\r\n분 석 키: 종목코드\r\n종 목 수: 1\r\n확인시간: 10 시 15분 - 9 시 30분 (45 간격)\r\n" +
                kEquals + "\r\n" +
                "[1] 가나 2.50%   [시간차 변동: 1.50%]  (시가대비: 1.50%, 저가대비: 3.50%, 고가대비: -1.00%) \r\n" +
                kHyphens + "\r\n\r\n\r\n");
}

TEST_F(ScanReportTest, TheHeaderTakesItsTimesFromTheLastStock) {
  // The second check finds only the second stock.
  NowGate first(kNowKeyCode), second(kNowKeyCode);
  const NowPrice a = Check(930, 1.0f), b = Check(935, 2.0f);
  ASSERT_TRUE(first.AddRow("A000010", "a", &a, nullptr));
  ASSERT_TRUE(first.AddRow("A000020", "b", &a, nullptr));
  ASSERT_TRUE(second.AddRow("A000020", "b", &b, nullptr));
  ASSERT_TRUE(scan_.CreateFrom(first));
  ASSERT_TRUE(scan_.AddGroup(second));
  EXPECT_NE(Write().find("확인시간: 9 시 35분 - 9 시 30분 (5 간격)\r\n"), std::string::npos);
}

TEST_F(ScanReportTest, OneCheckHasNoPreviousTimeAndTheShortLines) {
  Build({{2.0f}, {-1.0f}}, 1402);
  EXPECT_EQ(Write(), kEquals + "\r\n분 석 키: 종목코드\r\n종 목 수: 2\r\n확인시간: 14 시 2분\r\n" + kEquals + "\r\n" +
                         "[1] 종목0 2.00%   (시가대비: 2.00%, 저가대비: 3.00%, 고가대비: -1.00%) \r\n" +
                         "[2] 종목1 -1.00%   (시가대비: -1.00%, 저가대비: 0.00%, 고가대비: -1.00%) \r\n" + kHyphens +
                         "\r\n\r\n\r\n");
  EXPECT_NE(Cp949ToUtf8(scan_.ReportText(NcdScan::kReportByRate)).find("\r\n분 석 키: 상승율 높은 것\r\n"),
            std::string::npos);
  NcdScan empty;
  const std::string path = folder_.File("scan_empty.txt");
  EXPECT_EQ(empty.Report(path.c_str()), 0) << "nothing to report";
  EXPECT_EQ(empty.Report(kInvalidHandle, 5), 0);
}

}  // namespace
}  // namespace ostrada
