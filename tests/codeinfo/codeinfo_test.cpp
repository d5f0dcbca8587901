#include "basesrc/codeinfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/codeinfo/book_fixture.h"

namespace ostrada::testing {
namespace {

using CodeKeyTest = BookTest;
using CodeBookTest = BookTest;

TEST_F(CodeKeyTest, PreferredShareIsDecidedByTheLastCharacter) {
  EXPECT_EQ(IsPreferredShare("A005935"), 1);
  EXPECT_EQ(IsPreferredShare("A005936"), 1);
  EXPECT_EQ(IsPreferredShare("A005937"), 1);
  EXPECT_EQ(IsPreferredShare("A005930"), 0);
  EXPECT_EQ(IsPreferredShare("A005938"), 0);
  EXPECT_TRUE(ui.sink.messages.empty());
  EXPECT_EQ(IsPreferredShare(""), 0);
  EXPECT_EQ(IsPreferredShare(nullptr), 0);
  EXPECT_EQ(ui.sink.messages.size(), 2u);
  ExpectOnlyReports("basesrc/codeinfo");
}

TEST_F(CodeKeyTest, SetCutsTheCodeAndCopyOwnsItsName) {
  CodeKey key{};
  ASSERT_EQ(CodeKeySet(&key, "A1234567890123456789", "name"), 1);
  EXPECT_STREQ(key.code, "A12345678901234");
  CodeKey copy{};
  ASSERT_EQ(CodeKeyCopy(&key, &copy), 1);
  EXPECT_STREQ(copy.name.get(), "name");
  EXPECT_NE(copy.name.get(), key.name.get());
  ASSERT_EQ(CodeKeyRelease(&key), 1);
  EXPECT_EQ(key.name, nullptr);
  EXPECT_EQ(key.code[0], '\0');
  EXPECT_STREQ(copy.name.get(), "name");
  EXPECT_EQ(CodeKeySet(&key, "A000010", nullptr), 0);
  EXPECT_EQ(ui.sink.messages.size(), 1u);
}

TEST_F(CodeKeyTest, AttributeBlockStartsWithCharacterZeroClasses) {
  CodeAttr a;
  std::memset(&a, 0x5A, sizeof a);
  ASSERT_EQ(CodeAttrInit(&a), 1);
  EXPECT_EQ(a.code2[0], '\0');
  EXPECT_EQ(a.number1, 0);
  EXPECT_EQ(a.number2, 0);
  EXPECT_EQ(a.flagByte, 0);
  for (char c : {a.market, a.class1, a.class2, a.class3, a.class4, a.class5}) EXPECT_EQ(c, '0');
}

TEST_F(CodeKeyTest, AttributeBlockEncodesEachFieldAtItsOffset) {
  CodeAttr a = Attr('2', '3', '1', '1', '2');
  std::strcpy(a.code2, "KR7005930003");
  a.number1 = -2;
  a.number2 = 0x01020304;
  a.flagByte = 0xAB;
  a.class3 = 'X';
  uint8_t bytes[kCodeAttrSize];
  EncodeCodeAttr(a, bytes);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes)), "KR7005930003");
  EXPECT_EQ(bytes[16], 0xFE);
  EXPECT_EQ(bytes[19], 0xFF);
  EXPECT_EQ(bytes[20], '2');
  EXPECT_EQ(bytes[21], '3');
  EXPECT_EQ(bytes[22], '1');
  EXPECT_EQ(bytes[23], 0xAB);
  EXPECT_EQ(bytes[24], 0x04);
  EXPECT_EQ(bytes[27], 0x01);
  EXPECT_EQ(bytes[28], 'X');
  EXPECT_EQ(bytes[29], '1');
  EXPECT_EQ(bytes[30], '2');
  EXPECT_EQ(bytes[31], 0);
  CodeAttr back;
  DecodeCodeAttr(bytes, &back);
  EXPECT_EQ(std::memcmp(&back, &a, sizeof a), 0);
}

TEST_F(CodeBookTest, EqualNamesKeepInsertionOrderAndDuplicatesKeepTheLast) {
  CodeInfoList book(kSortByName);
  const CodeAttr a = Attr('1');
  const std::string same = Cp("동일상사");
  ASSERT_EQ(book.Insert("A000020", same.c_str(), &a), 1);
  ASSERT_EQ(book.Insert("A000010", Cp("가나").c_str(), &a), 1);
  ASSERT_EQ(book.Insert("A000030", same.c_str(), &a), 1);
  EXPECT_EQ(Codes(book), (std::vector<std::string>{"A000010", "A000020", "A000030"}));
  EXPECT_STREQ(book.FindByName(same.c_str())->key.code, "A000020");
  ASSERT_EQ(book.RemoveDuplicates(), 1);
  EXPECT_EQ(Codes(book), (std::vector<std::string>{"A000010", "A000030"}));
  EXPECT_EQ(book.CountMarket1(), 2);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(CodeBookTest, DuplicateRunsAreRemovedAfterTheIndexWasBalanced) {
  // A balanced run of equal keys puts some of them left of their equals; removal must still find them.
  CodeInfoList book(kSortByName);
  const CodeAttr a = Attr('2');
  for (int i = 0; i < 7; ++i) {
    const std::string code = "A00000" + std::to_string(i);
    ASSERT_EQ(book.Insert(code.c_str(), i < 5 ? "SAME" : "ZED", &a), 1);
  }
  ASSERT_EQ(book.Rebuild(), 1);
  ASSERT_EQ(book.RemoveDuplicates(), 1);
  EXPECT_EQ(Codes(book), (std::vector<std::string>{"A000004", "A000006"}));
  EXPECT_EQ(book.Count(), 2);
  EXPECT_EQ(book.CountMarket2(), 2);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(CodeBookTest, FindByCodeWalksABookOrderedByName) {
  CodeInfoList book(kSortByName);
  const CodeAttr a = Attr('1');
  ASSERT_EQ(book.Insert("A000030", "C", &a), 1);
  ASSERT_EQ(book.Insert("A000010", "B", &a), 1);
  ASSERT_EQ(book.Insert("A000020", "A", &a), 1);
  ASSERT_EQ(book.Rebuild(), 1);
  ASSERT_NE(book.FindByCode("A000010"), nullptr);
  EXPECT_STREQ(book.FindByCode("A000010")->key.name.get(), "B");
  EXPECT_EQ(book.FindByCode("A000099"), nullptr);
  EXPECT_EQ(book.FindByCode(""), nullptr);
  EXPECT_EQ(book.FindByName(nullptr), nullptr);
  EXPECT_EQ(ui.sink.messages.size(), 2u);
}

TEST_F(CodeBookTest, FindByCodeSearchesTheTreeOfABookOrderedByCode) {
  CodeInfoList book(kSortByCode);
  const CodeAttr a = Attr('2');
  for (int i = 99; i >= 0; --i) {
    const std::string code = "A" + std::to_string(100000 + i);
    ASSERT_EQ(book.Insert(code.c_str(), "N", &a), 1);
  }
  ASSERT_EQ(book.Rebuild(), 1);
  for (int i = 0; i < 100; ++i) {
    const std::string code = "A" + std::to_string(100000 + i);
    CodeInfo* stock = book.FindByCode(code.c_str());
    ASSERT_NE(stock, nullptr);
    EXPECT_EQ(book.Position(stock), i + 1);
  }
}

TEST_F(CodeBookTest, RemovingTheLastPreferredShareLeavesTheCountersOfTheRemainder) {
  CodeInfoList book(kSortByCode);
  const CodeAttr common = Attr('1', '2', '1', '1', '1');
  const CodeAttr other = Attr('2', '0', '3', '0', '2');
  const CodeAttr preferred = Attr('4', '4', '2', '1', '1');
  ASSERT_EQ(book.Insert("A000010", "a", &common), 1);
  ASSERT_EQ(book.Insert("A000015", "a-p", &preferred), 1);
  ASSERT_EQ(book.Insert("A000020", "b", &other), 1);
  ASSERT_EQ(book.Insert("A000027", "b-p", &preferred), 1);  // the last stock of the list
  ASSERT_EQ(book.CountPreferred(), 2);
  ASSERT_EQ(book.RemovePreferred(), 1);
  EXPECT_EQ(Codes(book), (std::vector<std::string>{"A000010", "A000020"}));

  CodeInfoList expected(kSortByCode);
  ASSERT_EQ(expected.Insert("A000010", "a", &common), 1);
  ASSERT_EQ(expected.Insert("A000020", "b", &other), 1);
  EXPECT_EQ(book.Counters(), expected.Counters());
  EXPECT_EQ(book.Count(), expected.Count());
  EXPECT_EQ(book.CountPreferred(), 0);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(CodeBookTest, RemovingEveryStockZeroesEveryCounter) {
  CodeInfoList book(kSortByCode);
  const char markets[] = "1234";
  for (int i = 0; i < 40; ++i) {
    const CodeAttr a = Attr(markets[i % 4], static_cast<char>('0' + i % 5), static_cast<char>('0' + i % 4),
                            static_cast<char>('0' + i % 2), static_cast<char>('0' + i % 3));
    const std::string code = "A" + std::to_string(200000 + i * 7 % 40);
    ASSERT_EQ(book.Insert(code.c_str(), "n", &a), 1);
  }
  const CodeCounters& c = book.Counters();
  EXPECT_EQ(c.market1 + c.market2 + c.market34, 40);
  EXPECT_EQ(c.class1, 32);
  EXPECT_EQ(c.class2One + c.class2Two + c.class2Three, 30);
  ASSERT_EQ(book.Rebuild(), 1);
  while (book.First() != nullptr) ASSERT_EQ(book.RemoveAndFree(book.First()), 1);
  EXPECT_EQ(book.Counters(), CodeCounters{});
  EXPECT_EQ(book.Count(), 0);
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(CodeBookTest, InsertRejectsValuesOutsideTheAcceptedOnes) {
  CodeInfoList book(kSortByCode);
  const CodeAttr good = Attr('1');
  ASSERT_EQ(book.Insert("A000010", "a", &good), 1);
  const CodeAttr bad[] = {Attr('5'),
                          Attr('0'),
                          Attr('\0'),
                          Attr('1', '5'),
                          Attr('1', '0', '4'),
                          Attr('1', '0', '0', '2'),
                          Attr('1', '0', '0', '0', '3')};
  for (const CodeAttr& a : bad) EXPECT_EQ(book.Insert("A000020", "b", &a), 0);
  EXPECT_EQ(book.Insert("A000020", "", &good), 0);
  EXPECT_EQ(book.Insert(nullptr, "b", &good), 0);
  EXPECT_EQ(Codes(book), std::vector<std::string>{"A000010"});
  EXPECT_EQ(book.CountMarket1(), 1);
  EXPECT_EQ(book.CountMarket2() + book.CountMarket34(), 0);
  EXPECT_EQ(ui.sink.messages.size(), std::size(bad) + 2);
  ExpectOnlyReports("basesrc/");
}

class JoinCodesTest : public BookTest {
 protected:
  void SetUp() override {
    const CodeAttr a = Attr('2');
    for (int i = 0; i < 250; ++i) {
      const std::string code = "A" + std::to_string(300000 + i);
      ASSERT_EQ(book.Insert(code.c_str(), "n", &a), 1);
    }
    ASSERT_EQ(book.Rebuild(), 1);
  }
  CodeInfoList book{kSortByCode};
};

TEST_F(JoinCodesTest, TakesUpToTheRequestedRunAndNoMore) {
  int taken = 0;
  HeapText first = book.JoinCodes(0, 110, &taken);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(taken, 110);
  const std::string text = first.get();
  EXPECT_EQ(text.size(), 110u * 7 + 109);
  EXPECT_EQ(text.substr(0, 16), "A300000,A300001,");
  EXPECT_EQ(text.substr(text.size() - 8), ",A300109");

  HeapText last = book.JoinCodes(220, 110, &taken);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(taken, 30);
  EXPECT_EQ(std::string(last.get()).substr(0, 7), "A300220");
  EXPECT_EQ(std::string(last.get()).back(), '9');
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(JoinCodesTest, NothingLeftOrABadRunIsReported) {
  int taken = -1;
  EXPECT_EQ(book.JoinCodes(250, 1, &taken), nullptr);
  EXPECT_EQ(book.JoinCodes(251, 1, &taken), nullptr);
  EXPECT_EQ(book.JoinCodes(0, 111, &taken), nullptr);
  EXPECT_EQ(book.JoinCodes(0, 0, &taken), nullptr);
  EXPECT_EQ(book.JoinCodes(-1, 5, &taken), nullptr);
  EXPECT_EQ(book.JoinCodes(0, 5, nullptr), nullptr);
  EXPECT_EQ(taken, -1);
  EXPECT_EQ(ui.sink.messages.size(), 6u);
  ExpectOnlyReports("basesrc/codeinfo");
}

TEST_F(JoinCodesTest, GetAtTheCountIsQuietAndBeyondItIsReported) {
  EXPECT_STREQ(book.GetAt(0)->key.code, "A300000");
  EXPECT_STREQ(book.GetAt(249)->key.code, "A300249");
  EXPECT_EQ(book.GetAt(250), nullptr);
  EXPECT_TRUE(ui.sink.messages.empty());
  EXPECT_EQ(book.GetAt(251), nullptr);
  EXPECT_EQ(book.GetAt(-1), nullptr);
  EXPECT_EQ(ui.sink.messages.size(), 2u);
  ExpectOnlyReports("basesrc/codeinfo");
}

TEST_F(JoinCodesTest, PositionOfAStockOfAnotherBookIsReported) {
  CodeInfoList other(kSortByCode);
  const CodeAttr a = Attr('1');
  ASSERT_EQ(other.Insert("A300000", "n", &a), 1);
  EXPECT_EQ(book.Position(other.First()), -1);
  EXPECT_EQ(ui.sink.messages.size(), 1u);
}

TEST_F(CodeBookTest, MarketThreeIsRemovedAndFlagged) {
  CodeInfoList book(kSortByCode);
  ASSERT_EQ(book.RemoveMarket3(), 0);
  EXPECT_EQ(book.Market3Removed(), 0);
  const CodeAttr m3 = Attr('3');
  const CodeAttr m4 = Attr('4');
  const CodeAttr m1 = Attr('1');
  ASSERT_EQ(book.Insert("A000030", "c", &m3), 1);
  ASSERT_EQ(book.Insert("A000040", "d", &m4), 1);
  ASSERT_EQ(book.Insert("A000010", "a", &m1), 1);
  ASSERT_EQ(book.Insert("A000031", "c2", &m3), 1);
  EXPECT_EQ(book.CountMarket34(), 3);
  EXPECT_EQ(book.RemoveMarket3(), 2);
  EXPECT_EQ(book.Market3Removed(), 1);
  EXPECT_EQ(Codes(book), (std::vector<std::string>{"A000010", "A000040"}));
  EXPECT_EQ(book.CountMarket34(), 1);
}

TEST_F(CodeBookTest, ACopyTakesTheStocksInTheNewOrderAndTheDescription) {
  CodeInfoList source(kSortByCode);
  const CodeAttr a = Attr('1', '1');
  ASSERT_EQ(source.Insert("A000010", "Z", &a), 1);
  ASSERT_EQ(source.Insert("A000020", "Y", &a), 1);
  ASSERT_EQ(source.Insert("A000035", "X", &a), 1);
  ASSERT_EQ(source.SetDescription("all stocks"), 1);
  CodeInfoList copy(source, kSortByName);
  EXPECT_EQ(copy.SortKind(), kSortByName);
  EXPECT_EQ(Codes(copy), (std::vector<std::string>{"A000035", "A000020", "A000010"}));
  EXPECT_STREQ(copy.Description(), "all stocks");
  EXPECT_EQ(copy.Counters(), source.Counters());
  EXPECT_NE(copy.First()->key.name.get(), source.GetAt(2)->key.name.get());
  CodeInfoList same(source, 0);
  EXPECT_EQ(same.SortKind(), kSortByCode);
  EXPECT_EQ(Codes(same), Codes(source));
}

TEST_F(CodeBookTest, SortKindAndDescriptionRejectBadValues) {
  CodeInfoList book(kSortByName);
  book.SetSortKind(3);
  EXPECT_EQ(book.SortKind(), kSortByName);
  EXPECT_EQ(book.SetDescription(nullptr), 0);
  const std::string longText(100, 'd');
  ASSERT_EQ(book.SetDescription(longText.c_str()), 1);
  EXPECT_EQ(std::string(book.Description()), std::string(63, 'd'));
  EXPECT_EQ(ui.sink.messages.size(), 2u);
  book.Clear();
  EXPECT_EQ(book.SortKind(), kSortByCode);
  EXPECT_EQ(std::string(book.Description()), std::string(63, 'd'));
}

}  // namespace
}  // namespace ostrada::testing
