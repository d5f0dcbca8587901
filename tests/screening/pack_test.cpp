#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/nowpack_print.h"
#include "tests/screening/screen_fixture.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::Block;
using testing::Record;

// Stock i of a group: a limit-up stock, a 6 % riser on 5-over-20 averages and a faller.
std::unique_ptr<NowGate> Group(const std::string& name, int32_t time) {
  auto group = std::make_unique<NowGate>(kNowKeyCode);
  group->SetName(Utf8ToCp949(name).c_str(), 0);
  NowPrice limit = Block(4990, 5000, 5730, 4990, 5730);
  NowPrice riser = Block(10000, 10000, 10700, 9950, 10600);
  NowPrice faller = Block(10000, 10000, 10000, 9400, 9500);
  for (NowPrice* block : {&limit, &riser, &faller}) block->bar.time = time;
  group->AddRow("A000010", Utf8ToCp949("상한").c_str(), &limit, nullptr);
  group->AddRow("A000020", Utf8ToCp949("상승").c_str(), &riser, nullptr);
  group->AddRow("A000030", Utf8ToCp949("하락").c_str(), &faller, nullptr);
  return group;
}

class PackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.SetSortKey(kPreDataKeyCode);
    ASSERT_TRUE(list_.Insert(Record("A000010", 5730, 5000, 4900)));
    ASSERT_TRUE(list_.Insert(Record("A000020", 10600, 10300, 10000)));
    pack_.SetKey(kGroupKeyArrival);
    ASSERT_TRUE(pack_.Insert(Group("하나", 1400)));
    ASSERT_TRUE(pack_.Insert(Group("둘", 1401)));
    PatternCounts all;
    for (int32_t& counter : all.counters) counter = 1;
    pack_.SetSelection(all);
    master_ = Group("master", 1401);
    ASSERT_TRUE(pack_.Merge(*master_));
  }
  std::string Path(const char* name) const { return folder_.File(name); }

  testing::ScratchFolder folder_;

  testing::RecordingScope ui_;
  PreDataList list_;
  NowPack pack_;
  std::unique_ptr<NowGate> master_;
};

TEST_F(PackTest, CountingSumsTheGroupsIntoTheTotals) {
  NowPack empty;
  EXPECT_EQ(empty.CountPatterns(&list_), 0);
  ASSERT_TRUE(pack_.CountPatterns(&list_));
  EXPECT_EQ(pack_.Header().count, 6);
  EXPECT_EQ(pack_.Totals().AtSlot(0), 4) << "two risers a group";
  EXPECT_EQ(pack_.Totals().AtSlot(16), 2) << "one limit-up a group";
  EXPECT_EQ(pack_.Totals().AtSlot(196), 4) << "the limit-up stock and the riser: 5 over 20";
  EXPECT_EQ(pack_.First()->Counts().AtSlot(40), 1);
  EXPECT_EQ(pack_.Header().latestTime, 1401);
  int32_t count = 0;
  EXPECT_EQ(Cp949ToUtf8(pack_.PatternText(2001, &count)), "상한가");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(pack_.PatternText(2014, &count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(ui_.sink.messages.empty());
}

TEST_F(PackTest, WholeReportKeepsThePatternOrderAndEndsWithTheHighestRates) {
  ASSERT_TRUE(pack_.CountPatterns(&list_));
  NowPack report;
  ASSERT_TRUE(ReportWholePack(pack_, report, &list_));
  std::vector<std::string> names;
  for (const NowGate* group = report.First(); group != nullptr; group = group->next)
    names.push_back(Cp949ToUtf8(group->Name()));
  // Report order: 2003 (no limit-up before: a 5-day first), 2001, 2007 (R >= 10: none) ... 2008.
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), "5일첫상한가");
  EXPECT_EQ(names.back(), "상승율 높은 것");
  const auto at = [&](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
  EXPECT_LT(at("상한가"), at("상승 중간권"));
  EXPECT_LT(at("상승 중간권"), at("5-20 정배열 종목"));
  EXPECT_EQ(at("하한가"), static_cast<long>(names.size())) << "no limit-down stock, no group";
  EXPECT_EQ(report.FindByName(Utf8ToCp949("상한가").c_str(), 0)->Count(), 2) << "one from each group";
  EXPECT_EQ(report.Last()->Count(), 3);
  EXPECT_STREQ(report.Last()->First()->key.code, "A000010") << "rate descending";

  // A pattern the selection leaves out gives an empty group, which is dropped.
  PatternCounts without = pack_.Selection();
  without.AtSlot(16) = 0;
  pack_.SetSelection(without);
  ASSERT_TRUE(ReportWholePack(pack_, report, &list_));
  EXPECT_EQ(report.FindByName(Utf8ToCp949("상한가").c_str(), 0), nullptr);
  // Nor are the highest rates reported unless their slot asks for them.
  without.AtSlot(264) = 0;
  pack_.SetSelection(without);
  ASSERT_TRUE(ReportWholePack(pack_, report, &list_));
  EXPECT_EQ(report.FindByName(Utf8ToCp949("상승율 높은 것").c_str(), 0), nullptr);
}

TEST_F(PackTest, GroupsOfOneTimeGoIntoTheSamePatternGroups) {
  ASSERT_TRUE(pack_.CountPatterns(&list_));
  NowPack report;
  report.SetKey(kGroupKeyArrival);
  NowGate* second = pack_.FindByName(Utf8ToCp949("둘").c_str(), 0);
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(ReportAddGroup(pack_, report, *second, &list_));
  const int32_t groups = report.GroupCount();
  ASSERT_TRUE(ReportAddGroup(pack_, report, *second, &list_));
  EXPECT_EQ(report.GroupCount(), groups);
  const NowGate* limit = report.FindByName(Utf8ToCp949("상한가").c_str(), 1401);
  ASSERT_NE(limit, nullptr);
  EXPECT_EQ(limit->Count(), 2);
  EXPECT_STREQ(Cp949ToUtf8(limit->Name()).c_str(), "상한가-1401");
  // A group of another minute gets groups of its own time.
  ASSERT_TRUE(ReportAddGroup(pack_, report, *pack_.FindByName(Utf8ToCp949("하나").c_str(), 0), &list_));
  const NowGate* earlier = report.FindByName(Utf8ToCp949("상한가").c_str(), 1400);
  ASSERT_NE(earlier, nullptr);
  EXPECT_EQ(earlier->Count(), 1);
}

TEST_F(PackTest, LongPatternTextsKeepTheTimeInTheGroupName) {
  // 2032's text is 59 bytes in CP949: with "-1400" it overflows the 63 the name field holds.
  const std::string text = "5+20일선 동시 상향 돌파(몸통3%이상, 20일평균거래 2천주이상)";
  const std::string cp949 = Utf8ToCp949(text);
  ASSERT_EQ(cp949.size(), 59u);
  NowPack report;
  report.SetKey(kGroupKeyArrival);
  for (int32_t time : {1400, 1405}) {
    auto group = std::make_unique<NowGate>(kNowKeyCode);
    ASSERT_TRUE(group->SetName(cp949.c_str(), time));
    ASSERT_TRUE(report.Insert(std::move(group)));
  }
  for (int32_t time : {1400, 1405}) {
    const NowGate* group = report.FindByName(cp949.c_str(), time);
    ASSERT_NE(group, nullptr) << time;
    const std::string name = group->Name();
    const std::string suffix = "-" + std::to_string(time);
    EXPECT_LE(name.size(), 63u);
    ASSERT_GT(name.size(), suffix.size());
    EXPECT_EQ(name.substr(name.size() - suffix.size()), suffix);
    // Cut at a whole character: the text before the time is a beginning of the pattern's text.
    const std::string kept = name.substr(0, name.size() - suffix.size());
    EXPECT_EQ(cp949.rfind(kept, 0), 0u);
    EXPECT_EQ(text.rfind(Cp949ToUtf8(kept), 0), 0u) << Cp949ToUtf8(kept);
    EXPECT_GE(kept.size(), 63u - suffix.size() - 1);
  }
  EXPECT_NE(report.FindByName(cp949.c_str(), 1400), report.FindByName(cp949.c_str(), 1405));
  // A short name is kept whole.
  NowGate shortName(kNowKeyCode);
  shortName.SetName(Utf8ToCp949("상한가").c_str(), 930);
  EXPECT_EQ(Cp949ToUtf8(shortName.Name()), "상한가-930");
}

TEST_F(PackTest, AnEmptyPackWithoutAKeySavesAndLoadsAgain) {
  NowPack empty;
  const std::string path = Path("empty.pack");
  ASSERT_TRUE(empty.Save(path.c_str()));
  EXPECT_EQ(GetI32(reinterpret_cast<const uint8_t*>(testing::ReadBytes(path).data()), 8 + 136), kGroupKeyArrival);
  NowPack loaded;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  EXPECT_EQ(loaded.GroupCount(), 0);
  EXPECT_EQ(loaded.Header().key, kGroupKeyArrival);
  EXPECT_TRUE(ui_.sink.messages.empty());
}

TEST_F(PackTest, FileLayoutAtFixedOffsetsAndRoundTrip) {
  ASSERT_TRUE(pack_.CountPatterns(&list_));
  const std::string path = Path("layout.pack");
  ASSERT_TRUE(pack_.Save(path.c_str()));
  const std::string bytes = testing::ReadBytes(path);
  const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
  ASSERT_GT(bytes.size(), 716u + 2 * 708u);
  EXPECT_EQ(std::vector<uint8_t>(b, b + 4), (std::vector<uint8_t>{0x08, 0x92, 0x91, 0xF2}));
  EXPECT_EQ(GetI32(b, 4), 2);
  EXPECT_TRUE(CheckInfoFileHeader(b + 8, 0xF2195009));
  EXPECT_EQ(GetI32(b, 8 + 136), kGroupKeyArrival);
  EXPECT_EQ(GetI32(b, 8 + 148), 1401);
  EXPECT_EQ(GetI32(b, 8 + 152), 6) << "the stocks counted";
  EXPECT_EQ(GetI32(b, 180 + 16), 2) << "totals: limit-up";
  EXPECT_EQ(GetI32(b, 448 + 264), 1) << "selection: the highest-rate slot";
  EXPECT_TRUE(CheckInfoFileHeader(b + 716, 0xF2195009)) << "the first group follows";
  EXPECT_EQ(Cp949ToUtf8(GetText(b, 716 + 68, 64)), "하나");
  EXPECT_EQ(GetI32(b, 716 + 152), 3);
  const int32_t secondGroup = GetI32(b, 716 + 168);
  EXPECT_EQ(Cp949ToUtf8(GetText(b, static_cast<size_t>(secondGroup) + 68, 64)), "둘");

  NowPack loaded;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  EXPECT_EQ(loaded.GroupCount(), 2);
  EXPECT_EQ(loaded.Header().count, 6);
  EXPECT_EQ(std::memcmp(&loaded.Totals(), &pack_.Totals(), sizeof(PatternCounts)), 0);
  EXPECT_EQ(std::memcmp(&loaded.Selection(), &pack_.Selection(), sizeof(PatternCounts)), 0);
  EXPECT_EQ(loaded.GetAt(1)->Count(), 3);
  EXPECT_TRUE(ui_.sink.messages.empty());
}

TEST_F(PackTest, CraftedFilesAreRefusedBeforeAnythingIsMadeForThem) {
  const std::string path = Path("crafted.pack");
  ASSERT_TRUE(pack_.Save(path.c_str()));
  const std::string good = testing::ReadBytes(path);
  auto refused = [&](std::string bytes, const char* why) {
    testing::WriteBytes(path, bytes);
    NowPack loaded;
    ui_.sink.Clear();
    EXPECT_EQ(loaded.Load(path.c_str()), 0) << why;
    EXPECT_FALSE(ui_.sink.messages.empty()) << why;
  };
  std::string bytes = good;
  bytes[0] = 0x09;
  refused(bytes, "wrong magic");
  bytes = good;
  PutI32(reinterpret_cast<uint8_t*>(bytes.data()), 4, 0x7FFFFFFF);
  refused(bytes, "a group count the file cannot hold");
  bytes = good;
  PutI32(reinterpret_cast<uint8_t*>(bytes.data()), 4, -1);
  refused(bytes, "a negative group count");
  refused(good.substr(0, 600), "cut in the tables");
  refused(good.substr(0, good.size() - 10), "cut in the last group");
  bytes = good;
  PutI32(reinterpret_cast<uint8_t*>(bytes.data()), 716 + 708 + 168, 100000);
  refused(bytes, "a name longer than the file");
  bytes = good;
  PutI32(reinterpret_cast<uint8_t*>(bytes.data()), 8 + 136, 11);
  refused(bytes, "an ordering key packs do not know");
}

TEST_F(PackTest, InterestFiles) {
  const std::string path = Path("interest.txt");
  NowPack empty;
  ASSERT_TRUE(empty.WriteInterestFile(path.c_str(), 0));
  EXPECT_EQ(Cp949ToUtf8(testing::ReadBytes(path)), "// 관심그룹입니다.\r\n");

  ASSERT_TRUE(pack_.CountPatterns(&list_));
  NowPack report;
  ASSERT_TRUE(ReportWholePack(pack_, report, &list_));
  report.SetName(Utf8ToCp949("오늘").c_str());
  ASSERT_TRUE(report.WriteInterestFile(path.c_str(), 1));
  // Of the groups, only the followed patterns: the limit-up firsts are, the highest rates are not.
  EXPECT_EQ(Cp949ToUtf8(testing::ReadBytes(path)), "//오늘\r\n[5일첫상한가]\r\nA000010(상한)\r\nA000010(상한)\r\n\r\n");
}

TEST_F(PackTest, ParametersFillPruneAndExportReachEveryGroup) {
  // The counting pass hands the pack's parameters to every group it counts.
  pack_.SetParams({5000, 3});
  ASSERT_TRUE(pack_.CountPatterns(&list_));
  for (const NowGate* group = pack_.First(); group != nullptr; group = group->next) {
    EXPECT_EQ(group->VolumeThreshold(), 5000);
    EXPECT_EQ(group->RisingDays(), 3);
  }
  // Filling from a master of a later minute moves every entry of every group to it.
  std::unique_ptr<NowGate> later = Group("master", 1405);
  ASSERT_TRUE(pack_.FillFrom(*later));
  for (const NowGate* group = pack_.First(); group != nullptr; group = group->next)
    for (const NowInfo* entry = group->First(); entry != nullptr; entry = entry->next)
      EXPECT_EQ(entry->price.bar.time, 1405) << entry->key.code;
  EXPECT_EQ(pack_.Header().latestTime, 1405);
  // Exported, market number 0 is market '1'.
  NowPack one;
  one.SetKey(kGroupKeyArrival);
  ASSERT_TRUE(one.Insert(Group("one", 1400)));
  std::unique_ptr<CodeInfoList> book = one.ExportCodeList();
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(book->CountMarket1(), 3);
  // Pruning keeps a volume equal to the minimum (every stock trades 1,000) and drops the rest.
  ASSERT_TRUE(pack_.PruneByVolume(1000));
  ASSERT_EQ(pack_.GroupCount(), 2);
  EXPECT_EQ(pack_.First()->Count(), 3);
  pack_.First()->First()->price.bar.volume = 999;
  ASSERT_TRUE(pack_.PruneByVolume(1000));
  EXPECT_EQ(pack_.First()->Count(), 2);
  ASSERT_TRUE(pack_.PruneByVolume(1001));
  EXPECT_EQ(pack_.GroupCount(), 0) << "groups left empty are removed";
  EXPECT_TRUE(ui_.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
