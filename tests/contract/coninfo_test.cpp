#include "basesrc/coninfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "tests/support/file_bytes.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

namespace hdr = contract_tape;

ContractRecord MakeRecord(int32_t hhmmss, int32_t price, char side = '1', char phase = '2') {
  ContractRecord r{};
  r.timeHHMM = hhmmss / 100;
  r.timeHHMMSS = hhmmss;
  r.aux1 = hhmmss + 1;
  r.aux2 = -hhmmss;
  r.price = price;
  r.change = price - 10000;
  r.volume = hhmmss * 3;
  r.tickVolume = price / 100;
  r.strength = 101.25f;
  r.side = side;
  r.phase = phase;
  return r;
}

std::vector<int32_t> PricesHeadToTail(const ContractTape& tape) {
  std::vector<int32_t> prices;
  for (const ContractNode* n = tape.Head(); n != nullptr; n = n->next) prices.push_back(n->record.price);
  return prices;
}

std::vector<int32_t> PricesTailToHead(const ContractTape& tape) {
  std::vector<int32_t> prices;
  for (const ContractNode* n = tape.Tail(); n != nullptr; n = n->prev) prices.push_back(n->record.price);
  return prices;
}

class ContractTapeTest : public ::testing::Test {
 protected:
  std::string PathOf(const char* name) const { return (dir_ / name).string(); }

  std::vector<uint8_t> ReadBytes(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }

  // A saved tape of `n` records (prices 10000, 10010, ... in arrival order) and its bytes.
  std::vector<uint8_t> SavedTape(int n, const std::string& path) {
    ContractTape tape;
    EXPECT_EQ(tape.Create("005930", "\xBB\xEF\xBC\xBA"), 1);
    for (int i = 0; i < n; ++i) EXPECT_EQ(tape.Insert(MakeRecord(90000 + i, 10000 + 10 * i)), 1);
    EXPECT_EQ(tape.Save(path.c_str()), 1);
    return ReadBytes(path);
  }

  void ExpectOneReport() {
    ASSERT_EQ(recorder_.sink.messages.size(), 1u);
    EXPECT_EQ(recorder_.sink.messages[0].CaptionUtf8(), "확인");
    EXPECT_NE(recorder_.sink.messages[0].Utf8().find("basesrc/coninfo"), std::string::npos);
  }

  testing::RecordingScope recorder_;
  testing::ScratchFolder folder_;
  std::filesystem::path dir_{folder_.Path()};
};

TEST_F(ContractTapeTest, RecordResetClearsFieldsButNotPadding) {
  ContractRecord r = MakeRecord(93015, 5000);
  r.padding[0] = 0xAB;
  r.padding[1] = 0xCD;
  r.Reset();
  EXPECT_EQ(r.timeHHMMSS, 0);
  EXPECT_EQ(r.price, 0);
  EXPECT_EQ(r.strength, 0.0f);
  EXPECT_EQ(r.side, '\0');
  EXPECT_EQ(r.phase, '\0');
  EXPECT_EQ(r.padding[0], 0xAB);
  EXPECT_EQ(r.padding[1], 0xCD);
}

TEST_F(ContractTapeTest, NewRecordsGoInAtTheHeadAndKeepThePairs) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("000660", "SK"), 1);
  // Prices 500, 700, 300, 700, 300: of equal extremes the one linked first keeps the place.
  const int32_t times[] = {90001, 90002, 90003, 90004, 90005};
  const int32_t prices[] = {500, 700, 300, 700, 300};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(tape.Insert(MakeRecord(times[i], prices[i])), 1);

  EXPECT_EQ(tape.Count(), 5);
  EXPECT_EQ(PricesHeadToTail(tape), (std::vector<int32_t>{300, 700, 300, 700, 500}));
  EXPECT_EQ(PricesTailToHead(tape), (std::vector<int32_t>{500, 700, 300, 700, 300}));
  EXPECT_EQ(tape.Head()->prev, nullptr);
  EXPECT_EQ(tape.Tail()->next, nullptr);
  EXPECT_EQ(tape.HeadPair(), (TimePrice{900, 300}));
  EXPECT_EQ(tape.TailPair(), (TimePrice{900, 500}));
  EXPECT_EQ(tape.HighPair(), (TimePrice{900, 700}));
  EXPECT_EQ(tape.HighPair().timeHHMM, 90002 / 100);
  EXPECT_EQ(tape.LowPair(), (TimePrice{900, 300}));
  EXPECT_TRUE(recorder_.sink.messages.empty());
}

TEST_F(ContractTapeTest, HighAndLowTakeTheFirstOfEqualPrices) {
  ContractTape tape;
  ContractRecord first = MakeRecord(90100, 800);
  ContractRecord second = MakeRecord(90200, 800);
  ASSERT_EQ(tape.Insert(first), 1);
  ASSERT_EQ(tape.Insert(second), 1);
  EXPECT_EQ(tape.HighPair(), (TimePrice{901, 800}));
  EXPECT_EQ(tape.LowPair(), (TimePrice{901, 800}));
  EXPECT_EQ(tape.HeadPair(), (TimePrice{902, 800}));
  EXPECT_EQ(tape.TailPair(), (TimePrice{901, 800}));
}

TEST_F(ContractTapeTest, CreateTakesBothTextsOrReports) {
  ContractTape tape;
  EXPECT_EQ(tape.Create(nullptr, nullptr), 1);
  EXPECT_STREQ(tape.Code(), "");
  EXPECT_EQ(tape.Create("A005930", "Samsung", MakeRecord(91500, 70000)), 1);
  EXPECT_STREQ(tape.Code(), "A005930");
  EXPECT_STREQ(tape.Name(), "Samsung");
  EXPECT_EQ(tape.Count(), 1);
  EXPECT_TRUE(recorder_.sink.messages.empty());

  ContractTape nameless;
  EXPECT_EQ(nameless.Create("A005930", nullptr), 0);
  ExpectOneReport();
  EXPECT_STREQ(nameless.Code(), "");

  recorder_.sink.Clear();
  ContractTape empty;
  EXPECT_EQ(empty.Create("", "name"), 0);
  ExpectOneReport();
}

TEST_F(ContractTapeTest, CreateAgainStartsAnEmptyTape) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("000660", "first", MakeRecord(90000, 500)), 1);
  ASSERT_EQ(tape.Create("005930", "second", MakeRecord(90100, 700)), 1);
  EXPECT_EQ(tape.Count(), 1);
  EXPECT_EQ(PricesHeadToTail(tape), std::vector<int32_t>{700});
  EXPECT_EQ(tape.LowPair(), (TimePrice{901, 700}));
  EXPECT_STREQ(tape.Name(), "second");
}

TEST_F(ContractTapeTest, CreateCutsLongTextsToTheirFields) {
  ContractTape tape;
  const std::string longCode(20, 'C');
  const std::string longName(80, 'N');
  ASSERT_EQ(tape.Create(longCode.c_str(), longName.c_str()), 1);
  EXPECT_EQ(std::string(tape.Code()), std::string(15, 'C'));
  EXPECT_EQ(std::string(tape.Name()), std::string(63, 'N'));
}

TEST_F(ContractTapeTest, ClearFreesRecordsAndKeepsNamesOnRequest) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("035720", "Kakao", MakeRecord(100000, 50000)), 1);
  tape.Clear(1);
  EXPECT_EQ(tape.Count(), 0);
  EXPECT_EQ(tape.Head(), nullptr);
  EXPECT_EQ(tape.Tail(), nullptr);
  EXPECT_EQ(tape.HighPair(), TimePrice{});
  EXPECT_STREQ(tape.Code(), "035720");
  EXPECT_STREQ(tape.Name(), "Kakao");
  ASSERT_EQ(tape.Insert(MakeRecord(100100, 50100)), 1);
  tape.Clear(0);
  EXPECT_EQ(tape.Count(), 0);
  EXPECT_STREQ(tape.Code(), "");
  EXPECT_STREQ(tape.Name(), "");
}

TEST_F(ContractTapeTest, SaveLoadRoundTripKeepsOrderFieldsAndHeader) {
  const std::string path = PathOf("tape.bin");
  const std::vector<uint8_t> bytes = SavedTape(300, path);
  ASSERT_EQ(bytes.size(), size_t{hdr::kHeaderSize} + 300 * contract_record::kSize);

  // Every field at its offset, written out here so that a field written at the wrong place fails.
  const uint8_t* at = bytes.data();
  EXPECT_EQ(GetText(at, 0, 64), Text(Txt::kCheckText));
  EXPECT_EQ(GetU32(at, 64), 0xF2190725u);
  EXPECT_EQ(GetText(at, 68, 16), "005930");
  EXPECT_EQ(GetText(at, 84, 64), "\xBB\xEF\xBC\xBA");
  const size_t end = bytes.size();
  // The count, the head, tail, high and low pairs (time HHMM, price), the two file offsets.
  const std::pair<size_t, int32_t> header[] = {{148, 300},
                                               {152, 902},
                                               {156, 12990},
                                               {160, 900},
                                               {164, 10000},
                                               {168, 902},
                                               {172, 12990},
                                               {176, 900},
                                               {180, 10000},
                                               {184, 320},
                                               {188, static_cast<int32_t>(end)}};
  for (const auto& [offset, value] : header) EXPECT_EQ(GetI32(at, offset), value) << offset;
  for (size_t i = 192; i < 320; ++i) ASSERT_EQ(bytes[i], 0) << i;
  // Records go from the tail towards the head: the second stored one is the second that arrived.
  const uint8_t* second = at + 320 + 40;
  const std::pair<size_t, int32_t> record[] = {{0, 900},    {4, 90001}, {8, 90002},   {12, -90001},
                                               {16, 10010}, {20, 10},   {24, 270003}, {28, 100}};
  for (const auto& [offset, value] : record) EXPECT_EQ(GetI32(second, offset), value) << offset;
  EXPECT_FLOAT_EQ(GetF32(second, 32), 101.25f);
  EXPECT_EQ(second[36], '1');
  EXPECT_EQ(second[37], '2');

  ContractTape loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 0), 1);
  EXPECT_TRUE(recorder_.sink.messages.empty());
  EXPECT_EQ(loaded.Count(), 300);
  EXPECT_STREQ(loaded.Code(), "005930");
  EXPECT_STREQ(loaded.Name(), "\xBB\xEF\xBC\xBA");
  EXPECT_EQ(loaded.Head()->record.price, 10000 + 10 * 299);
  EXPECT_EQ(loaded.Tail()->record.price, 10000);
  EXPECT_EQ(loaded.HighPair().price, 10000 + 10 * 299);
  EXPECT_EQ(loaded.LowPair().price, 10000);
  EXPECT_EQ(loaded.FirstRecordOffset(), hdr::kHeaderSize);
  EXPECT_EQ(loaded.EndOffset(), static_cast<int32_t>(end));
  const ContractRecord& r = loaded.Tail()->prev->record;
  const ContractRecord expected = MakeRecord(90001, 10010);
  EXPECT_EQ(std::memcmp(&r, &expected, 38), 0);  // every field but the padding

  // Saving the loaded tape gives the same bytes.
  const std::string again = PathOf("again.bin");
  ASSERT_EQ(loaded.Save(again.c_str()), 1);
  EXPECT_EQ(ReadBytes(again), bytes);
}

TEST_F(ContractTapeTest, TapesFollowEachOtherInOneFile) {
  const std::string path = PathOf("two.bin");
  {
    FileCloser file(FileCreate(path.c_str(), 0));
    ContractTape first;
    ASSERT_EQ(first.Create("111111", "one", MakeRecord(90000, 1000)), 1);
    ContractTape second;
    ASSERT_EQ(second.Create("222222", "two"), 1);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(second.Insert(MakeRecord(90000 + i, 2000 + i)), 1);
    ASSERT_EQ(first.Save(file.get()), 1);
    ASSERT_EQ(second.Save(file.get()), 1);
    EXPECT_EQ(second.FirstRecordOffset(), 2 * hdr::kHeaderSize + contract_record::kSize);
  }
  FileCloser file(FileOpen(path.c_str(), 0));
  ContractTape first;
  ContractTape second;
  ASSERT_EQ(first.Load(file.get(), 0), 1);
  ASSERT_EQ(second.Load(file.get(), 0), 1);
  EXPECT_STREQ(first.Code(), "111111");
  EXPECT_EQ(PricesHeadToTail(first), std::vector<int32_t>{1000});
  EXPECT_STREQ(second.Code(), "222222");
  EXPECT_EQ(PricesHeadToTail(second), (std::vector<int32_t>{2002, 2001, 2000}));
}

TEST_F(ContractTapeTest, LoadWithALimitTakesTheFirstStoredRecords) {
  const std::string path = PathOf("limit.bin");
  SavedTape(10, path);
  ContractTape loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 3), 1);
  EXPECT_EQ(loaded.Count(), 3);
  EXPECT_EQ(PricesTailToHead(loaded), (std::vector<int32_t>{10000, 10010, 10020}));
  EXPECT_TRUE(recorder_.sink.messages.empty());
}

TEST_F(ContractTapeTest, LoadReplacesWhatTheTapeHeld) {
  const std::string path = PathOf("replace.bin");
  SavedTape(2, path);
  ContractTape tape;
  ASSERT_EQ(tape.Create("999999", "old", MakeRecord(90000, 1)), 1);
  ASSERT_EQ(tape.Load(path.c_str(), 0), 1);
  EXPECT_EQ(tape.Count(), 2);
  EXPECT_EQ(PricesHeadToTail(tape), (std::vector<int32_t>{10010, 10000}));
}

// Each damaged file is rejected with one report and leaves an empty tape behind.
struct Damage {
  const char* what;
  void (*apply)(std::vector<uint8_t>& bytes);
};

class ContractTapeDamageTest : public ContractTapeTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(ContractTapeDamageTest, RejectsTheFile) {
  const std::string path = PathOf("damaged.bin");
  std::vector<uint8_t> bytes = SavedTape(5, path);
  GetParam().apply(bytes);
  WriteBytes(path, bytes);
  recorder_.sink.Clear();

  ContractTape tape;
  EXPECT_EQ(tape.Load(path.c_str(), 0), 0);
  ExpectOneReport();
  EXPECT_EQ(tape.Count(), 0);
  EXPECT_EQ(tape.Head(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ContractTapeDamageTest,
    ::testing::Values(
        Damage{"CheckText", [](std::vector<uint8_t>& b) { b[3] ^= 0x01; }},
        Damage{"Magic", [](std::vector<uint8_t>& b) { b[hdr::kMagicOffset] = 0x11; }},
        Damage{"UnterminatedCode",
               [](std::vector<uint8_t>& b) {
                 std::fill(b.begin() + hdr::kCodeOffset, b.begin() + hdr::kCodeOffset + hdr::kCodeSize, 'X');
               }},
        Damage{"UnterminatedName",
               [](std::vector<uint8_t>& b) {
                 std::fill(b.begin() + hdr::kNameOffset, b.begin() + hdr::kNameOffset + hdr::kNameSize, 'Y');
               }},
        Damage{"HugeCount", [](std::vector<uint8_t>& b) { PutI32(b.data(), hdr::kCountOffset, 0x7FFFFFFF); }},
        Damage{"NegativeCount", [](std::vector<uint8_t>& b) { PutI32(b.data(), hdr::kCountOffset, -1); }},
        Damage{"CountOneTooMany", [](std::vector<uint8_t>& b) { PutI32(b.data(), hdr::kCountOffset, 6); }},
        Damage{"LastRecordCut", [](std::vector<uint8_t>& b) { b.resize(b.size() - 1); }},
        Damage{"HeaderCut", [](std::vector<uint8_t>& b) { b.resize(hdr::kHeaderSize - 1); }},
        Damage{"Empty", [](std::vector<uint8_t>& b) { b.clear(); }}),
    [](const ::testing::TestParamInfo<Damage>& p) { return std::string(p.param.what); });

TEST_F(ContractTapeTest, EveryCutOfAFileIsRejected) {
  const std::string path = PathOf("cut.bin");
  const std::vector<uint8_t> bytes = SavedTape(3, path);
  for (size_t size = 0; size < bytes.size(); ++size) {
    WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)));
    recorder_.sink.Clear();
    ContractTape tape;
    ASSERT_EQ(tape.Load(path.c_str(), 0), 0) << size;
    ASSERT_EQ(recorder_.sink.messages.size(), 1u) << size;
    ASSERT_EQ(tape.Count(), 0) << size;
  }
}

TEST_F(ContractTapeTest, MissingFileIsReported) {
  ContractTape tape;
  EXPECT_EQ(tape.Load(PathOf("absent.bin").c_str(), 0), 0);
  EXPECT_FALSE(recorder_.sink.messages.empty());
  EXPECT_EQ(tape.Count(), 0);
}

TEST_F(ContractTapeTest, SavesThatRunOutOfSpaceAreReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  ContractTape tape;
  ASSERT_EQ(tape.Create("005930", "name"), 1);
  ASSERT_EQ(tape.Insert(MakeRecord(90000, 10000)), 1);
  EXPECT_EQ(tape.Save("/dev/full"), 0);
  ExpectOneReport();
  EXPECT_EQ(tape.FirstRecordOffset(), -1);
  recorder_.sink.Clear();
  EXPECT_EQ(tape.SaveText("/dev/full"), 0);
  ExpectOneReport();
  EXPECT_EQ(tape.Count(), 1);
}

TEST_F(ContractTapeTest, ASaveThatRunsOutOfSpaceKeepsTheTapeSavedBefore) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("005930", "name"), 1);
  ASSERT_EQ(tape.Insert(MakeRecord(90000, 10000)), 1);
  const std::string path = PathOf("tape.bin");
  ASSERT_EQ(tape.Save(path.c_str()), 1);
  const std::string saved = testing::ReadBytes(path);
  for (int second = 1; second < 200; ++second) ASSERT_EQ(tape.Insert(MakeRecord(90000 + second, 10000)), 1);
  {
    testing::ScopedFileSizeLimit fullAt(saved.size() + 100);
    EXPECT_EQ(tape.Save(path.c_str()), 0);
    EXPECT_EQ(tape.SaveText(path.c_str()), 0);
  }
  EXPECT_EQ(recorder_.sink.messages.size(), 2u);
  EXPECT_EQ(testing::ReadBytes(path), saved);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

// A folder that is not there is the user's to mend: told once, naming the file and what to do, and no
// internal-check box.
TEST_F(ContractTapeTest, SavesIntoAFileThatCannotBeCreatedAreTold) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("005930", "name"), 1);
  const std::string path = PathOf("missing/tape.bin");
  const std::string told =
      "파일을 만들 수 없습니다: " + path + "\n폴더가 있는지, 그 폴더에 쓸 수 있는지 확인한 뒤 다시 하십시오.";
  EXPECT_EQ(tape.Save(path.c_str()), 0);
  EXPECT_EQ(recorder_.sink.Texts(), std::vector<std::string>{told});
  EXPECT_EQ(recorder_.sink.messages[0].CaptionUtf8(), "ostrada");
  recorder_.sink.Clear();
  EXPECT_EQ(tape.SaveText(path.c_str()), 0);
  EXPECT_EQ(recorder_.sink.Texts(), std::vector<std::string>{told});
}

TEST_F(ContractTapeTest, TextDumpHasTheLegendAndOneLinePerRecordFromHead) {
  ContractTape tape;
  ASSERT_EQ(tape.Create("005930", "name"), 1);
  ContractRecord older = MakeRecord(90507, 71000, '2', '2');
  older.change = -500;
  older.volume = 1234567;
  older.tickVolume = 15;
  older.strength = 98.5f;
  ContractRecord newer = MakeRecord(130000, 71100, '1', '1');
  newer.change = 0;
  newer.volume = 1234600;
  newer.tickVolume = 33;
  newer.strength = 0.0f;
  ASSERT_EQ(tape.Insert(older), 1);
  ASSERT_EQ(tape.Insert(newer), 1);
  const std::string path = PathOf("dump.txt");
  ASSERT_EQ(tape.SaveText(path.c_str()), 1);

  const std::vector<uint8_t> bytes = ReadBytes(path);
  const std::string text = Cp949ToUtf8(std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(text,
            "현재가//전일대비//거래량//순간 체결량//체결강도//체결상태(1-매수,2-매도)//장구분 플래그\r\n"
            "'0' - 동시호가와 장중이외의 시간, \r\n"
            "'1' - 동시호가시간(예상체결가 들어오는 시간),\r\n"
            "'2' - 장중\r\n"
            "13:00:00\t71100\t0\t1234600\t33\t0.00\t1\t1\r\n"
            "09:05:07\t71000\t-500\t1234567\t15\t98.50\t2\t2\r\n");
}

}  // namespace
}  // namespace ostrada
