#include "basesrc/nowgate.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/cp949.h"
#include "tests/now/same_records.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

NowPrice Row(int32_t time, int32_t close, int32_t change, int32_t volume) {
  NowPrice block;
  NowPriceReset(&block);
  block.bar.time = time;
  block.bar.close = close;
  block.bar.change = change;
  block.bar.volume = volume;
  block.basePrice = close - change;
  return block;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Codes(const NowGate& group) {
  std::vector<std::string> codes;
  for (const NowInfo* node = group.First(); node != nullptr; node = node->next) codes.push_back(node->key.code);
  return codes;
}

class NowGateTest : public ::testing::Test {
 protected:
  void SetUp() override { path_ = folder_.File("group.stn"); }

  // Three stocks: rates 5 %, 10 %, -2 % in that arrival order.
  void FillThree(NowGate* group) {
    NowPrice a = Row(91000, 10500, 500, 100);
    NowPrice b = Row(91500, 11000, 1000, 200);
    NowPrice c = Row(92000, 9800, -200, 0);
    a.strength = 120.5f;
    ASSERT_TRUE(group->AddRow("A000010", "\xB0\xA1", &a, nullptr));
    ASSERT_TRUE(group->AddRow("A000020", "\xB3\xAA", &b, nullptr));
    ASSERT_TRUE(group->AddRow("A000030", "\xB4\xD9", &c, nullptr));
    ASSERT_TRUE(group->Finish());
  }

  size_t Reports() const { return recording.sink.messages.size(); }

  testing::RecordingScope recording;
  testing::ScratchFolder folder_;
  std::string path_;
};

TEST_F(NowGateTest, NewGroupHasTheResetHeader) {
  NowGate group;
  EXPECT_EQ(group.Key(), 11);
  EXPECT_EQ(group.LatestTime(), -1);
  EXPECT_EQ(group.RecordsBegin(), -1);
  EXPECT_EQ(group.Count(), 0);
  EXPECT_EQ(group.ScanLatestQuoteTime(), -1);
  EXPECT_STREQ(group.Name(), "");
}

TEST_F(NowGateTest, ZeroVolumeNeverRaisesTheLatestQuoteTime) {
  NowGate group;
  FillThree(&group);
  EXPECT_EQ(group.LatestTime(), 91500);  // 92000 belongs to the stock without volume
  EXPECT_EQ(group.ScanLatestQuoteTime(), 92000);
}

TEST_F(NowGateTest, KeyOutsideTheAcceptedSetIsIgnoredAndKeyZeroInsertsNothing) {
  NowGate group;
  EXPECT_EQ(group.SetKey(12), 0);
  EXPECT_EQ(group.Key(), 11);
  EXPECT_EQ(group.SetKey(0), 1);
  NowPrice a = Row(91000, 10500, 500, 100);
  EXPECT_EQ(group.AddRow("A000010", "x", &a, nullptr), 0);
  EXPECT_EQ(group.Count(), 0);
  EXPECT_EQ(Reports(), 2u);
}

TEST_F(NowGateTest, SaveThenLoadGivesTheSameRecordsInTheLoadKeysOrder) {
  NowGate saved(kNowKeyArrival);
  FillThree(&saved);
  saved.SetName("snap", 3);
  saved.SetReservedA(7);
  saved.Counts().counters[2] = 44;
  PatternCounts selection = {};
  selection.counters[66] = 1;
  saved.SetSelection(selection);
  ASSERT_TRUE(saved.Save(path_.c_str(), 0, 0));

  NowGate loaded;
  ASSERT_TRUE(loaded.Load(path_.c_str(), 0));
  EXPECT_EQ(loaded.Key(), 11);  // the stored key is not used
  EXPECT_STREQ(loaded.Name(), "snap-3");
  EXPECT_EQ(loaded.ReservedA(), 7);
  EXPECT_EQ(loaded.Counts().counters[2], 0);  // stored counters are not kept
  EXPECT_EQ(loaded.Selection().counters[66], 1);
  EXPECT_EQ(Codes(loaded), (std::vector<std::string>{"A000020", "A000010", "A000030"}));
  for (const NowInfo* node = loaded.First(); node != nullptr; node = node->next) {
    const NowInfo* original = saved.FindByCode(node->key.code);
    ASSERT_NE(original, nullptr);
    EXPECT_STREQ(node->key.name.get(), original->key.name.get());
    EXPECT_EQ(std::memcmp(&node->price, &original->price, sizeof(NowPrice)), 0) << node->key.code;
  }
  EXPECT_EQ(Reports(), 0u);
}

// A load keeps the stored latest quote time unless a record that traded is later; a record without
// volume never counts, whatever its time.
TEST_F(NowGateTest, ALoadTakesTheLatestTradedTimeOfItsRecordsOverTheStoredOne) {
  NowGate saved(kNowKeyArrival);
  FillThree(&saved);  // traded at 91000 and 91500; the stock at 92000 has no volume
  ASSERT_TRUE(saved.Save(path_.c_str(), 0, 0));
  std::vector<uint8_t> bytes = ReadAll(path_);
  for (const auto& [stored, expected] : {std::pair{-1, 91500}, std::pair{90000, 91500}, std::pair{95000, 95000}}) {
    SCOPED_TRACE(stored);
    PutI32(bytes.data(), nowfile::kLatestTimeOffset, stored);
    WriteAll(path_, bytes);
    for (int32_t key : {kNowKeyArrival, kNowKeyRateDown}) {
      NowGate loaded;
      ASSERT_TRUE(loaded.Load(path_.c_str(), key));
      EXPECT_EQ(loaded.LatestTime(), expected) << key;
    }
  }
}

// A reader holds a name in 264 bytes, so a longer name would make a file that cannot be read back;
// the save refuses it and the file already there stays as it was.
TEST_F(NowGateTest, SaveRefusesANameTheReaderCannotHold) {
  NowGate group(kNowKeyArrival);
  FillThree(&group);
  ASSERT_TRUE(group.Save(path_.c_str(), 0, 0));
  const std::vector<uint8_t> before = ReadAll(path_);
  NowPrice d = Row(93000, 5000, 0, 10);
  ASSERT_TRUE(group.AddRow("A000040", std::string(263, 'N').c_str(), &d, nullptr));
  ASSERT_TRUE(group.Save(path_.c_str(), 0, 0));
  NowGate loaded;
  ASSERT_TRUE(loaded.Load(path_.c_str(), 0));

  ASSERT_TRUE(group.AddRow("A000050", std::string(264, 'N').c_str(), &d, nullptr));
  ASSERT_TRUE(group.Save(path_.c_str(), 1, 1));  // the code list has no such limit
  WriteAll(path_, before);
  EXPECT_EQ(group.Save(path_.c_str(), 0, 0), 0);
  EXPECT_EQ(ReadAll(path_), before);
  ASSERT_EQ(Reports(), 1u);
  EXPECT_NE(recording.sink.messages[0].Utf8().find("basesrc/nowgate_io"), std::string::npos);
}

// The offsets are written out here, not taken from the code's constants, so that a field written
// at the wrong place fails.
TEST_F(NowGateTest, SavedFileHasEachFieldAtItsOffset) {
  NowGate group(kNowKeyName);
  FillThree(&group);
  group.SetName("snap", 0);
  group.SetCodeAttrFlag(1);
  group.SetReservedA(7);
  group.SetReservedB(8);
  group.SetVolumeThreshold(900);
  group.SetRisingDays(4);
  group.Counts().counters[2] = 44;
  PatternCounts selection = {};
  selection.counters[66] = 5;
  group.SetSelection(selection);
  ASSERT_TRUE(group.Save(path_.c_str(), 0, 0));
  const std::vector<uint8_t> bytes = ReadAll(path_);
  ASSERT_GT(bytes.size(), 708u);
  const uint8_t* at = bytes.data();
  EXPECT_EQ(GetText(at, 0, 64), Utf8ToCp949("정보 파일 점검용 값이다."));
  EXPECT_EQ(GetU32(at, 64), 0xF2195009u);
  EXPECT_EQ(GetText(at, 68, 64), "snap");
  const std::pair<size_t, int32_t> fields[] = {
      {132, 1},      {136, 2},         {140, 7}, {144, 8},   {148, 91500},
      {152, 3},      {156, 900},       {160, 4}, {164, 708}, {168, static_cast<int32_t>(bytes.size())},
      {172 + 8, 44}, {440 + 4 * 66, 5}};
  for (const auto& [offset, value] : fields) EXPECT_EQ(GetI32(at, offset), value) << offset;
  // The first record in the key's order: 168 fixed bytes, the name's length, the name, a 0 marker.
  EXPECT_EQ(GetText(at, 708, 16), "A000010");
  EXPECT_EQ(GetI32(at, 708 + 168), 2);
  EXPECT_EQ(GetText(at, 708 + 172, 2), "\xB0\xA1");
  EXPECT_EQ(GetI32(at, 708 + 174), 0);
  EXPECT_EQ(GetText(at, 708 + 178, 16), "A000020");
}

TEST_F(NowGateTest, LoadOrdersEachKeyAsInsertingOneByOneWould) {
  // Repeated codes and few distinct values make long runs of equal keys; their order must survive.
  // Enough records that the file is read in several blocks, with records across their boundaries.
  NowGate saved(kNowKeyArrival);
  for (int i = 0; i < 800; ++i) {
    const std::string code = "A" + std::to_string(100000 + (i * 7) % 40);
    const std::string name = "n" + std::to_string(i);
    NowPrice block = Row(90000 + i % 5, 1000 + 10 * (i % 3), (i % 4) - 1, (i % 6) * 100);
    block.value12 = i % 2;
    ASSERT_TRUE(saved.AddRow(code.c_str(), name.c_str(), &block, nullptr));
  }
  ASSERT_TRUE(saved.Save(path_.c_str(), 0, 0));
  for (int32_t key : {kNowKeyCode, kNowKeyName, kNowKeyRateDown, kNowKeyVolumeDown, kNowKeyVolumeRatioDown,
                      kNowKeyVolumeRatio2Down, kNowKeyValue12Down, kNowKeyOpeningRefDown, kNowKeyArrival}) {
    SCOPED_TRACE(key);
    NowGate expected(key);
    for (const NowInfo* node = saved.First(); node != nullptr; node = node->next)
      ASSERT_TRUE(expected.InsertCopy(node));
    NowGate loaded;
    ASSERT_TRUE(loaded.Load(path_.c_str(), key));
    ASSERT_NO_FATAL_FAILURE(testing::AssertSameRecords(loaded, expected));
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowGateTest, BatchesOrderEachKeyAsAddingRowByRowWould) {
  // Names and values with long runs of equal keys, negative and zero rates, a missing-prefix name;
  // two batches, so the second merges into records already linked.
  auto rowOf = [](int i) {
    NowPrice block = Row(90000 + i % 5, 1000 + 10 * (i % 3), (i % 5) - 2, (i % 6) * 100);
    block.value12 = (i % 4) - 2;
    block.volumeRatio = i % 3;
    block.volumeRef2 = 50 + i % 2;
    block.openingRef = 990 + i % 4;
    return block;
  };
  for (int32_t key : {kNowKeyCode, kNowKeyName, kNowKeyRateDown, kNowKeyVolumeDown, kNowKeyVolumeRatioDown,
                      kNowKeyVolumeRatio2Down, kNowKeyValue12Down, kNowKeyOpeningRefDown, kNowKeyArrival}) {
    SCOPED_TRACE(key);
    NowGate expected(key);
    NowGate batched(key);
    for (int part = 0; part < 2; ++part) {
      NowGateBatch batch(batched);
      for (int i = part * 70; i < part * 70 + 70; ++i) {
        const std::string code = "A" + std::to_string(100000 + (i * 7) % 40);
        const std::string name = (i % 9 == 0 ? "longname-" : "n") + std::to_string(i % 11);
        const NowPrice block = rowOf(i);
        ASSERT_TRUE(expected.AddRow(code.c_str(), name.c_str(), &block, nullptr));
        ASSERT_TRUE(batch.AddRow(code.c_str(), name.c_str(), &block, nullptr));
      }
      EXPECT_EQ(batched.Count(), part * 70) << "a batch shows nothing before it closes";
      ASSERT_EQ(batch.Close(), 1);
    }
    ASSERT_NO_FATAL_FAILURE(testing::AssertSameRecords(batched, expected));
    EXPECT_EQ(batched.LatestTime(), expected.LatestTime());
    EXPECT_NE(batched.FindByCode("A100013"), nullptr);
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowGateTest, OwnBlocksGoWithTheGroupAndWithTheRecord) {
  // Leak checks of the sanitizer build see a block that is not given back.
  auto group = std::make_unique<NowGate>(kNowKeyCode);
  for (const char* code : {"A000010", "A000020", "A000030"}) {
    NowInfoPtr record = NowInfoCreate();
    ASSERT_TRUE(CodeKeySet(&record->key, code, "n"));
    record->ownAverage.reset(AllocZeroed(64));
    ASSERT_TRUE(group->Insert(std::move(record)));
  }
  ASSERT_NE(group->FindByCode("A000020")->ownAverage, nullptr);
  ASSERT_TRUE(group->Remove(group->FindByCode("A000020")));
  group->Reset();
  EXPECT_EQ(group->Count(), 0);
  NowInfoPtr late = NowInfoCreate();
  ASSERT_TRUE(CodeKeySet(&late->key, "A000040", "n"));
  late->ownAverage.reset(AllocZeroed(64));
  ASSERT_TRUE(group->Insert(std::move(late)));
  group.reset();
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowGateTest, EmptyGroupSavesAndLoads) {
  NowGate saved;
  saved.SetName("empty", 0);
  ASSERT_TRUE(saved.Save(path_.c_str(), 0, 0));
  NowGate loaded;
  EXPECT_EQ(loaded.Load(path_.c_str(), 0), 1);
  EXPECT_EQ(loaded.Count(), 0);
  EXPECT_STREQ(loaded.Name(), "empty");
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(NowGateTest, GroupsFollowEachOtherInOneFile) {
  NowGate first(kNowKeyArrival);
  FillThree(&first);
  first.SetName("first", 0);
  NowGate second(kNowKeyCode);
  NowPrice d = Row(93000, 5000, 0, 1);
  ASSERT_TRUE(second.AddRow("A000040", "d", &d, nullptr));
  second.SetName("second", 0);
  {
    FileCloser file(FileCreate(path_.c_str(), 0));
    ASSERT_TRUE(first.WriteBinary(file.get()));
    ASSERT_TRUE(second.WriteBinary(file.get()));
  }
  EXPECT_EQ(second.RecordsBegin(), first.RecordsEnd() + 708);

  FileCloser file(FileOpen(path_.c_str(), 0));
  NowGate a;
  NowGate b;
  ASSERT_TRUE(a.ReadBinary(file.get(), kNowKeyArrival));
  ASSERT_TRUE(b.ReadBinary(file.get(), 0));
  EXPECT_STREQ(a.Name(), "first");
  EXPECT_EQ(a.Count(), 3);
  EXPECT_STREQ(b.Name(), "second");
  EXPECT_EQ(Codes(b), std::vector<std::string>{"A000040"});
}

TEST_F(NowGateTest, TextExportListsCodeAndName) {
  NowGate group(kNowKeyArrival);
  FillThree(&group);
  EXPECT_EQ(group.Save(path_.c_str(), 1, 0), 0);  // the text export needs the flag
  ASSERT_TRUE(group.Save(path_.c_str(), 1, 1));
  const std::vector<uint8_t> bytes = ReadAll(path_);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "A000010(\xB0\xA1)\r\nA000020(\xB3\xAA)\r\nA000030(\xB4\xD9)\r\n");
}

// Offset of the name length of the first record.
constexpr size_t kFirstNameLength = 708 + 168;

// A saved file changed in one way: its load fails, keeping the records read before the fault, and the
// fault is reported once.
struct Crafted {
  const char* name;
  void (*change)(std::vector<uint8_t>& bytes);
  int32_t kept;
  friend void PrintTo(const Crafted& row, std::ostream* out) { *out << row.name; }
};

class CraftedFileTest : public NowGateTest, public ::testing::WithParamInterface<Crafted> {
 protected:
  void SetUp() override {
    NowGateTest::SetUp();
    NowGate group(kNowKeyArrival);
    FillThree(&group);
    ASSERT_TRUE(group.Save(path_.c_str(), 0, 0));
    bytes_ = ReadAll(path_);
  }
  std::vector<uint8_t> bytes_;
};

TEST_P(CraftedFileTest, FailsKeepingWhatWasReadAndReportsOnce) {
  GetParam().change(bytes_);
  WriteAll(path_, bytes_);
  NowGate group;
  EXPECT_EQ(group.Load(path_.c_str(), kNowKeyArrival), 0);
  EXPECT_EQ(group.Count(), GetParam().kept);
  EXPECT_EQ(Reports(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CraftedFileTest,
    ::testing::Values(
        Crafted{"ChangedCheckText", [](std::vector<uint8_t>& b) { b[3] ^= 0x01; }, 0},
        Crafted{"OtherKindNumber", [](std::vector<uint8_t>& b) { PutU32(b.data(), 64, 0xF2190725); }, 0},
        Crafted{"NameLengthBeyondTheBuffer", [](std::vector<uint8_t>& b) { PutU32(b.data(), kFirstNameLength, 264); },
                0},
        // Negative as a signed length.
        Crafted{"NegativeNameLength", [](std::vector<uint8_t>& b) { PutU32(b.data(), kFirstNameLength, 0xFFFFFFFF); },
                0},
        Crafted{"NegativeRecordCount", [](std::vector<uint8_t>& b) { PutI32(b.data(), 152, -1); }, 0},
        Crafted{"OversizedRecordCount", [](std::vector<uint8_t>& b) { PutI32(b.data(), 152, 0x7FFFFFFF); }, 3},
        Crafted{"RecordsBeginPastTheEnd",
                [](std::vector<uint8_t>& b) { PutI32(b.data(), 164, static_cast<int32_t>(b.size()) + 1); }, 0},
        Crafted{"RecordsBeginBeforeTheFile", [](std::vector<uint8_t>& b) { PutI32(b.data(), 164, -1); }, 0},
        Crafted{"RecordsBeginInsideTheHeader", [](std::vector<uint8_t>& b) { PutI32(b.data(), 164, 100); }, 0},
        // A truncated record.
        Crafted{"RecordsBeginAtTheEnd",
                [](std::vector<uint8_t>& b) { PutI32(b.data(), 164, static_cast<int32_t>(b.size())); }, 0},
        // The records before it are kept.
        Crafted{"TruncatedRecord", [](std::vector<uint8_t>& b) { b.resize(b.size() - 6); }, 2},
        Crafted{"MarkerOtherThanZero",
                [](std::vector<uint8_t>& b) {
                  const size_t nameLength = GetU32(b.data(), kFirstNameLength);
                  PutU32(b.data(), kFirstNameLength + 4 + nameLength, 1);
                },
                0},
        Crafted{"ShortHeader", [](std::vector<uint8_t>& b) { b.resize(300); }, 0}),
    [](const auto& row) { return std::string(row.param.name); });

class FiftyStocksTest : public NowGateTest {
 protected:
  void SetUp() override {
    NowGateTest::SetUp();
    for (int i = 0; i < 50; ++i) {
      const std::string code = "A" + std::to_string(100000 + i);
      NowPrice block = Row(90000 + i, 1000 + i, i % 7 - 3, i);
      ASSERT_TRUE(group.AddRow(code.c_str(), code.c_str(), &block, nullptr));
    }
    ASSERT_TRUE(group.Finish());
  }
  NowGate group{kNowKeyArrival};
};

TEST_F(FiftyStocksTest, JoinCodesTakesAtMost110AndStopsAtTheEnd) {
  int32_t taken = -1;
  EXPECT_EQ(group.JoinCodes(0, 111, &taken), nullptr);
  EXPECT_EQ(Reports(), 1u);
  HeapText codes = group.JoinCodes(40, 110, &taken);
  ASSERT_NE(codes, nullptr);
  EXPECT_EQ(taken, 10);
  EXPECT_EQ(CountCommaItems(codes.get()), 10);
  EXPECT_EQ(std::string(codes.get()).substr(0, 15), "A100040,A100041");
  EXPECT_EQ(group.JoinCodes(50, 1, &taken), nullptr);
}

TEST_F(FiftyStocksTest, PositionsAndLookups) {
  EXPECT_EQ(group.GetAt(50), nullptr);
  EXPECT_EQ(Reports(), 0u);
  EXPECT_EQ(group.GetAt(51), nullptr);
  EXPECT_EQ(Reports(), 1u);
  NowInfo* record = group.GetAt(7);
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(group.Position(record), 8);
  EXPECT_EQ(group.FindByCode("A100007"), record);
  EXPECT_EQ(group.FindByName("A100007"), record);
  EXPECT_EQ(group.BasePriceOf("A100007"), record->price.basePrice);
  EXPECT_EQ(group.BasePriceOf("A999999"), 0);
}

TEST_F(FiftyStocksTest, ArrivalOrderedRecordsCanBeRemovedAfterBalancing) {
  // Every record sits somewhere in the balanced tree; each must be found for removal.
  while (group.Count() > 0) {
    ASSERT_TRUE(group.Remove(group.GetAt(group.Count() / 2)));
  }
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(FiftyStocksTest, RecordsComeAndGoWithTheGroupsStorage) {
  // A removed record's place serves the next one; a record handed in keeps its values and name.
  NowInfo* removed = group.GetAt(3);
  ASSERT_TRUE(group.Remove(removed));
  NowPrice block = Row(93000, 5000, 50, 9);
  ASSERT_TRUE(group.AddRow("A200000", "\xB0\xA1\xB3\xAA", &block, nullptr));
  EXPECT_EQ(group.Last(), removed);
  EXPECT_STREQ(removed->key.name.get(), "\xB0\xA1\xB3\xAA");
  NowInfoPtr handed = NowInfoStoreRow("A200001", "handed", &block, nullptr);
  ASSERT_NE(handed, nullptr);
  ASSERT_TRUE(group.Insert(std::move(handed)));
  EXPECT_STREQ(group.Last()->key.name.get(), "handed");
  EXPECT_EQ(group.Last()->price.bar.close, 5000);
  EXPECT_EQ(group.Count(), 51);
  // Short memory ends the adding with the fatal message once the storage has no room left, and the
  // group keeps what it had.
  int added = 0;
  {
    ScopedAllocationFailure failNow(0);
    for (; added < 5000; ++added) {
      const std::string code = "B" + std::to_string(100000 + added);
      if (!group.AddRow(code.c_str(), code.c_str(), &block, nullptr)) break;
    }
  }
  EXPECT_LT(added, 5000);
  EXPECT_EQ(group.Count(), 51 + added);
  EXPECT_TRUE(group.Finish());
  EXPECT_FALSE(recording.sink.messages.empty());
}

TEST_F(FiftyStocksTest, RemoveDuplicatesNeedsACodeOrNameOrder) {
  EXPECT_EQ(group.RemoveDuplicates(), 0);
  EXPECT_EQ(group.Count(), 50);

  NowGate byCode(group, kNowKeyCode);
  EXPECT_EQ(byCode.Count(), 50);
  NowPrice block = Row(1, 1, 0, 0);
  ASSERT_TRUE(byCode.AddRow("A100007", "dup", &block, nullptr));
  ASSERT_TRUE(byCode.Finish());
  ASSERT_TRUE(byCode.RemoveDuplicates());
  EXPECT_EQ(byCode.Count(), 50);
  EXPECT_STREQ(byCode.FindByCode("A100007")->key.name.get(), "dup");  // the last of the run stays
}

TEST_F(FiftyStocksTest, CopyTakesRecordsAndHeaderValues) {
  group.SetName("src", 0);
  group.SetReservedB(9);
  group.Counts().counters[0] = 3;
  NowGate copy(group, kNowKeyRateDown);
  EXPECT_EQ(copy.Count(), 50);
  EXPECT_EQ(copy.Key(), kNowKeyRateDown);
  EXPECT_STREQ(copy.Name(), "src");
  EXPECT_EQ(copy.ReservedB(), 9);
  EXPECT_EQ(copy.LatestTime(), group.LatestTime());
  EXPECT_EQ(copy.Counts().counters[0], 3);
}

TEST_F(FiftyStocksTest, RefillTakesTheMastersBlocks) {
  NowGate master(group, kNowKeyCode);
  for (NowInfo* node = master.First(); node != nullptr; node = node->next) node->price.bar.close = 777;
  master.SetLatestTime(150000);
  NowGate part(kNowKeyArrival);
  NowPrice block = Row(1, 1, 0, 0);
  ASSERT_TRUE(part.AddRow("A100003", "x", &block, nullptr));
  ASSERT_TRUE(part.AddRow("A999999", "absent", &block, nullptr));
  EXPECT_EQ(part.Refill(master), 1);
  EXPECT_EQ(part.First()->price.bar.close, 777);
  EXPECT_EQ(part.Last()->price.bar.close, 1);  // absent from the master: reported, unchanged
  EXPECT_EQ(part.LatestTime(), 150000);
  EXPECT_EQ(Reports(), 1u);
  NowGate empty;
  EXPECT_EQ(part.Refill(empty), 0);
}

TEST_F(FiftyStocksTest, AverageRiseNeedsMatchingCounters) {
  float average = 0.0f;
  EXPECT_EQ(group.AverageRise(&average), 0);  // counters not filled
  EXPECT_EQ(Reports(), 0u);
  int32_t rising = 0;
  double sum = 0.0;
  for (const NowInfo* node = group.First(); node != nullptr; node = node->next) {
    if (node->price.bar.change > 0) {
      ++rising;
      sum += node->price.bar.rate;
    }
  }
  group.Counts().AtSlot(0) = rising;
  group.Counts().AtSlot(40) = 1;
  ASSERT_EQ(group.AverageRise(&average), 1);
  EXPECT_FLOAT_EQ(average, static_cast<float>(sum / rising));
  EXPECT_EQ(group.AverageFall(&average), 0);  // more falling records than counted
  EXPECT_EQ(Reports(), 1u);
}

TEST_F(FiftyStocksTest, ExportAsCodeListAddsMarketNumberPlusOne) {
  for (NowInfo* node = group.First(); node != nullptr; node = node->next) node->price.marketNumber = 1;
  std::unique_ptr<CodeInfoList> book = group.ExportCodeList();
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(book->Count(), 50);
  EXPECT_EQ(book->CountMarket2(), 50);
  group.First()->price.marketNumber = 7;  // market '8' is not one the book takes
  EXPECT_EQ(group.ExportCodeList(), nullptr);
}

TEST(NowGroupOrderTest, GroupKeysOrderAPack) {
  NowGate a;
  NowGate b;
  a.SetName("alpha", 0);
  b.SetName("beta", 0);
  EXPECT_LT(NowGate::CompareGroups(a, b, kGroupKeyName), 0);  // beta goes after alpha
  a.Counts().AtSlot(0) = 3;
  b.Counts().AtSlot(0) = 5;
  EXPECT_GT(NowGate::CompareGroups(a, b, kGroupKeyRisingCount), 0);  // more rising goes first
  EXPECT_LT(NowGate::CompareGroups(a, b, kGroupKeyArrival), 0);
}

}  // namespace
}  // namespace ostrada
