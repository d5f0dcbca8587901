// The book's info file and text export, and the rejection of damaged files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/coding.h"
#include "tests/codeinfo/book_fixture.h"

namespace ostrada::testing {
namespace {

class CodeFileTest : public BookTest {
 protected:
  void SetUp() override {
    path = TempPath("book.bin");
    ASSERT_EQ(book.Insert("A005930", Cp("삼성전자").c_str(), &m1), 1);
    ASSERT_EQ(book.Insert("A005935", Cp("삼성전자우").c_str(), &m1), 1);
    ASSERT_EQ(book.Insert("A035720", Cp("카카오").c_str(), &m2), 1);
    ASSERT_EQ(book.Insert("A900100", Cp("3S코리아").c_str(), &m3), 1);
    ASSERT_EQ(book.Rebuild(), 1);
    // A shorter description replaces a longer one; the file must not keep the longer one's tail.
    ASSERT_EQ(book.SetDescription("every listed stock"), 1);
    ASSERT_EQ(book.SetDescription("all"), 1);
    ASSERT_EQ(book.Save(path.c_str()), 1);
    bytes = ReadBytes(path);
  }

  // The file offset of record i (0-based) of the saved book.
  size_t RecordOffset(int i) const {
    size_t at = codefile::kHeaderSize;
    for (int r = 0; r < i; ++r) {
      at += codefile::kRecordFixedSize + GetU32(Bytes(), at + codefile::kRecordNameLengthOffset);
    }
    return at;
  }
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(bytes.data()); }
  void PutAt(size_t offset, uint32_t value) { EncodeFixed32(reinterpret_cast<uint8_t*>(bytes.data()) + offset, value); }
  // Saves the damaged bytes, loads them and expects the rejection to be reported.
  void ExpectLoadFails(CodeInfoList& into) {
    WriteBytes(path, bytes);
    ui.sink.Clear();
    EXPECT_EQ(into.Load(path.c_str(), kSortByCode, 0), 0);
    ExpectOnlyReports("basesrc/codeinfo");
  }

  const CodeAttr m1 = Attr('1', '1', '2', '1', '0');
  const CodeAttr m2 = Attr('2', '0', '0', '0', '1');
  const CodeAttr m3 = Attr('3');
  CodeInfoList book{kSortByName};
  std::string path;
  std::string bytes;
};

// The offsets are written out here, not taken from the code's constants, so that a field written
// at the wrong place fails.
TEST_F(CodeFileTest, SavedFileHasEachFieldAtItsOffset) {
  ASSERT_GT(bytes.size(), 444u);
  EXPECT_EQ(bytes.substr(0, 64), Cp("정보 파일 점검용 값이다.") + std::string(64 - 24, '\0'));
  EXPECT_EQ(GetU32(Bytes(), 64), 0xF2190725u);
  EXPECT_EQ(bytes.substr(68, 64), "all" + std::string(61, '\0'));
  // Sort kind 2 (by name), market 3 not removed, the counts of markets 1, 2, 3-4, of class 1 set,
  // class 4 '1', class 5 '1', class 2 '1', '2', '3', the stock count and the two file offsets.
  const std::pair<size_t, int32_t> fields[] = {
      {132, 2}, {136, 0}, {140, 2}, {144, 1}, {148, 1}, {152, 2},   {156, 2},
      {160, 1}, {164, 0}, {168, 2}, {172, 0}, {176, 4}, {180, 444}, {184, static_cast<int32_t>(bytes.size())}};
  for (const auto& [offset, value] : fields) EXPECT_EQ(GetI32(Bytes(), offset), value) << offset;
  EXPECT_EQ(bytes.substr(188, 256), std::string(256, '\0'));
  EXPECT_EQ(book.FirstRecordOffset(), 444);
  EXPECT_EQ(book.EndOffset(), static_cast<int32_t>(bytes.size()));
  // Records follow in list order (by name): "3S코리아" sorts before the Hangul names.
  const std::string first = Cp("3S코리아");
  EXPECT_EQ(bytes.substr(444, 16), "A900100" + std::string(9, '\0'));
  EXPECT_EQ(GetU32(Bytes(), 444 + 16), 0u);
  EXPECT_EQ(bytes[444 + 20 + 20], '3');  // the market inside the attributes
  EXPECT_EQ(GetU32(Bytes(), 444 + 52), first.size());
  EXPECT_EQ(bytes.substr(444 + 56, first.size()), first);
  EXPECT_EQ(bytes.substr(444 + 56 + first.size(), 7), "A005930");
  EXPECT_EQ(RecordOffset(4), bytes.size());
}

TEST_F(CodeFileTest, LoadGivesBackTheSameBookInTheAskedOrder) {
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), kSortByCode, 0), 1);
  EXPECT_EQ(loaded.SortKind(), kSortByCode);
  EXPECT_EQ(Codes(loaded), (std::vector<std::string>{"A005930", "A005935", "A035720", "A900100"}));
  EXPECT_EQ(loaded.Counters(), book.Counters());
  EXPECT_STREQ(loaded.Description(), "");  // the file's description is not taken
  for (const CodeInfo* s = book.First(); s != nullptr; s = s->next) {
    const CodeInfo* t = loaded.FindByCode(s->key.code);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t->key.name.get(), s->key.name.get());
    EXPECT_EQ(std::memcmp(&t->attr, &s->attr, sizeof s->attr), 0);
  }
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(CodeFileTest, LoadCanDropMarketThree) {
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 0, 1), 1);
  EXPECT_EQ(loaded.SortKind(), kSortByCode);
  EXPECT_EQ(loaded.Count(), 3);
  EXPECT_EQ(loaded.CountMarket34(), 0);
  EXPECT_EQ(loaded.Market3Removed(), 1);
}

TEST_F(CodeFileTest, TextExportListsCodesAndNames) {
  const std::string text = TempPath("list.txt");
  ASSERT_EQ(book.ExportText(text.c_str(), 0), 1);
  EXPECT_EQ(ReadBytes(text), "A900100(" + Cp("3S코리아") + ")\r\nA005930(" + Cp("삼성전자") + ")\r\nA005935(" +
                                 Cp("삼성전자우") + ")\r\nA035720(" + Cp("카카오") + ")\r\n");
  ASSERT_EQ(book.ExportText(text.c_str(), 1), 1);
  EXPECT_EQ(ReadBytes(text), "A900100\r\nA005930\r\nA005935\r\nA035720\r\n");
}

TEST_F(CodeFileTest, UnwritableFilesAreReported) {
  const std::string folder = TempPath("no_such_folder/book.bin");
  EXPECT_EQ(book.Save(folder.c_str()), 0);
  EXPECT_EQ(book.ExportText(folder.c_str(), 0), 0);
  CodeInfoList loaded;
  EXPECT_EQ(loaded.Load(folder.c_str(), 0, 0), 0);
  EXPECT_EQ(loaded.Load(nullptr, 0, 0), 0);
  EXPECT_EQ(book.Count(), 4);
}

TEST_F(CodeFileTest, AnotherKindNumberIsRejectedWithTheBookEmpty) {
  PutAt(codefile::kKindOffset, 0xF2190726);
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Insert("A000010", "old", &m1), 1);
  ExpectLoadFails(loaded);
  EXPECT_EQ(loaded.Count(), 0);
  EXPECT_EQ(loaded.Counters(), CodeCounters{});
}

TEST_F(CodeFileTest, AnotherCheckTextIsRejectedWithTheBookEmpty) {
  bytes[3] = 'x';
  CodeInfoList loaded;
  ExpectLoadFails(loaded);
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(CodeFileTest, AShortHeaderIsRejected) {
  bytes.resize(443);
  CodeInfoList loaded;
  ExpectLoadFails(loaded);
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(CodeFileTest, ACountAboveTheRecordsPresentKeepsTheStocksRead) {
  for (uint32_t count : {5u, 0x7FFFFFFFu}) {
    PutAt(codefile::kCountOffset, count);
    CodeInfoList loaded;
    ExpectLoadFails(loaded);
    EXPECT_EQ(loaded.Count(), 4) << count;
    EXPECT_NE(loaded.FindByCode("A900100"), nullptr);
  }
  for (uint32_t count : {0x80000000u, 0xFFFFFFFFu}) {
    PutAt(codefile::kCountOffset, count);
    CodeInfoList loaded;
    ExpectLoadFails(loaded);
    EXPECT_EQ(loaded.Count(), 0) << count;
  }
}

TEST_F(CodeFileTest, ATruncatedFileKeepsTheStocksReadBeforeTheCut) {
  bytes.resize(bytes.size() - 2);  // inside the last name
  CodeInfoList loaded;
  ExpectLoadFails(loaded);
  EXPECT_EQ(Codes(loaded), (std::vector<std::string>{"A005930", "A005935", "A900100"}));
  EXPECT_EQ(loaded.CountMarket1(), 2);
  EXPECT_EQ(loaded.CountMarket34(), 1);
}

TEST_F(CodeFileTest, ANameLongerThanItsBufferIsRejected) {
  for (uint32_t length : {264u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    PutAt(RecordOffset(1) + codefile::kRecordNameLengthOffset, length);
    CodeInfoList loaded;
    ExpectLoadFails(loaded);
    EXPECT_EQ(Codes(loaded), std::vector<std::string>{"A900100"}) << length;
  }
}

TEST_F(CodeFileTest, ANameOf263BytesIsTheLongestAccepted) {
  CodeInfoList wide(kSortByCode);
  const std::string name(263, 'N');
  ASSERT_EQ(wide.Insert("A000010", name.c_str(), &m1), 1);
  ASSERT_EQ(wide.Save(path.c_str()), 1);
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), 0, 0), 1);
  EXPECT_EQ(std::string(loaded.First()->key.name.get()), name);
}

TEST_F(CodeFileTest, ABookWithANameOf264BytesIsNotSavedOverTheFileInPlace) {
  CodeInfoList wide(kSortByCode);
  ASSERT_EQ(wide.Insert("A000010", std::string(264, 'N').c_str(), &m1), 1);
  ui.sink.Clear();
  EXPECT_EQ(wide.Save(path.c_str()), 0);
  ExpectOnlyReports("basesrc/codeinfo");
  EXPECT_TRUE(ReadBytes(path) == bytes) << "the book saved before stays whole";
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), kSortByCode, 0), 1);
  EXPECT_EQ(loaded.Count(), 4);
}

TEST_F(CodeFileTest, AZeroNameLengthIsRejected) {
  PutAt(RecordOffset(2) + codefile::kRecordNameLengthOffset, 0);
  CodeInfoList loaded;
  ExpectLoadFails(loaded);
  EXPECT_EQ(loaded.Count(), 2);
}

TEST_F(CodeFileTest, ARecordWithAnUnacceptedMarketIsRejected) {
  bytes[RecordOffset(0) + codefile::kRecordAttrOffset + 20] = '9';
  CodeInfoList loaded;
  ExpectLoadFails(loaded);
  EXPECT_EQ(loaded.Count(), 0);
}

TEST_F(CodeFileTest, AnUnterminatedCodeIsCutToItsField) {
  std::memset(bytes.data() + RecordOffset(0), 'C', 16);
  WriteBytes(path, bytes);
  CodeInfoList loaded;
  ASSERT_EQ(loaded.Load(path.c_str(), kSortByCode, 0), 1);
  EXPECT_NE(loaded.FindByCode("CCCCCCCCCCCCCCC"), nullptr);
}

}  // namespace
}  // namespace ostrada::testing
