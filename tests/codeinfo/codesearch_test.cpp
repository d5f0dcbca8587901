// Finding stocks as one types: parts of names, initial consonants, code digits.
#include "basesrc/codesearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "tests/codeinfo/book_fixture.h"

namespace ostrada {
namespace {

using testing::Attr;
using testing::Cp;

TEST(InitialConsonant, EachInitialStartsAndEndsItsBlockOf588Syllables) {
  // The compatibility jamo of the 19 initials, in syllable order, written out independently.
  const std::u32string initials = U"ㄱㄲㄴㄷㄸㄹㅁㅂㅃㅅㅆㅇㅈㅉㅊㅋㅌㅍㅎ";
  ASSERT_EQ(initials.size(), 19u);
  for (size_t k = 0; k < initials.size(); ++k) {
    const char32_t first = 0xAC00 + static_cast<char32_t>(k) * 588;
    EXPECT_EQ(InitialConsonant(first), initials[k]) << k;
    EXPECT_EQ(InitialConsonant(first + 587), initials[k]) << k;
  }
  EXPECT_EQ(InitialConsonant(U'삼'), U'ㅅ');
  EXPECT_EQ(InitialConsonant(U'영'), U'ㅇ');
  EXPECT_EQ(InitialConsonant(U'힣'), U'ㅎ');
  // Outside the syllables nothing changes: a letter, a digit, a jamo, the character before 가.
  for (char32_t c : {U'A', U'7', U'ㅅ', char32_t{0xABFF}, char32_t{0xD7A4}}) EXPECT_EQ(InitialConsonant(c), c);
}

TEST(DecodeUtf8, MalformedBytesBecomeReplacementCharacters) {
  EXPECT_EQ(DecodeUtf8("삼a"), U"삼a");
  EXPECT_EQ(DecodeUtf8(std::string("\xEC\x82", 2)), U"\uFFFD\uFFFD");  // cut short
  EXPECT_EQ(DecodeUtf8(std::string("\xFF") + "b"), U"\uFFFDb");
  EXPECT_EQ(DecodeUtf8(std::string("\xEC") + "ab"), U"\uFFFDab");  // a lead without its continuation
}

class CodeSearchTest : public ::testing::Test {
 protected:
  CodeSearchTest() : book_(kSortByName) {
    const CodeAttr attributes = Attr('1');
    const std::pair<const char*, const char*> stocks[] = {
        {"005930", "삼성전자"},   {"002810", "삼영기계"}, {"003030", "세아제강"}, {"001720", "신영증권"},
        {"000660", "SK하이닉스"}, {"035420", "NAVER"},    {"900110", "3S코리아"}};
    for (const auto& [code, name] : stocks) book_.Insert(code, Cp(name).c_str(), &attributes);
  }
  // The names found, in list order.
  std::vector<std::string> Found(const char* typed) const {
    std::vector<std::string> names;
    for (int position : CodeSearchIndex(&book_).Find(typed)) {
      names.push_back(Cp949ToUtf8(book_.GetAt(position)->key.name.get()));
    }
    return names;
  }
  CodeInfoList book_;
};

TEST_F(CodeSearchTest, InitialConsonantsFindTheNamesTheyBegin) {
  EXPECT_EQ(Found("ㅅㅇㄱㄱ"), std::vector<std::string>{"삼영기계"});
  EXPECT_EQ(Found("ㅅㅇ"), (std::vector<std::string>{"삼영기계", "세아제강", "신영증권"}));
  // Jamo and whole syllables mix, and the initials may stand anywhere in the name.
  EXPECT_EQ(Found("삼ㅇ"), std::vector<std::string>{"삼영기계"});
  EXPECT_EQ(Found("ㅈㄱ"), (std::vector<std::string>{"세아제강", "신영증권"}));
  EXPECT_EQ(Found("ㅎㅇㄴ"), std::vector<std::string>{"SK하이닉스"});
  EXPECT_TRUE(Found("ㅅㅇㄱㄱㄱ").empty());
  // A whole syllable is not an initial: 사 does not stand for 삼.
  EXPECT_TRUE(Found("사ㅇ").empty());
}

TEST_F(CodeSearchTest, PartsOfNamesMatchInEitherLetterCase) {
  EXPECT_EQ(Found("영"), (std::vector<std::string>{"삼영기계", "신영증권"}));
  EXPECT_EQ(Found("naver"), std::vector<std::string>{"NAVER"});
  EXPECT_EQ(Found("sk하"), std::vector<std::string>{"SK하이닉스"});
  EXPECT_EQ(Found("").size(), 7u);
}

TEST_F(CodeSearchTest, DigitsFindCodesAndNames) {
  EXPECT_EQ(Found("0059"), std::vector<std::string>{"삼성전자"});
  EXPECT_EQ(Found("30"), (std::vector<std::string>{"삼성전자", "세아제강"}));
  // A digit in a name counts as well as one in a code.
  EXPECT_EQ(Found("3"), (std::vector<std::string>{"3S코리아", "NAVER", "삼성전자", "세아제강"}));
}

TEST_F(CodeSearchTest, FullWidthLettersAndDigitsFindAsTheirAsciiForms) {
  // A name listed with full-width letters (CP949 A3 CB, A3 D4, A3 A6, A3 C7).
  const CodeAttr attributes = Attr('1');
  ASSERT_EQ(Cp("ＫＴ＆Ｇ"), "\xA3\xCB\xA3\xD4\xA3\xA6\xA3\xC7");
  ASSERT_TRUE(book_.Insert("033780", Cp("ＫＴ＆Ｇ").c_str(), &attributes));
  // Typed in full width, in either case, against names listed in ASCII.
  EXPECT_EQ(Found("ｓｋ하"), std::vector<std::string>{"SK하이닉스"});
  EXPECT_EQ(Found("ＮａＶ"), std::vector<std::string>{"NAVER"});
  // Typed in ASCII against the full-width name.
  EXPECT_EQ(Found("kt&g"), std::vector<std::string>{"ＫＴ＆Ｇ"});
  EXPECT_EQ(Found("ｔ&"), std::vector<std::string>{"ＫＴ＆Ｇ"});
  // Full-width digits find codes as their ASCII digits do.
  EXPECT_EQ(Found("００５９"), std::vector<std::string>{"삼성전자"});
  // The forms outside the block stay themselves: the ideographic space is no space.
  EXPECT_TRUE(Found("\u3000").empty());
}

TEST_F(CodeSearchTest, NamesThatBeginWithTheTypedTextComeFirst) {
  const CodeAttr attributes = Attr('1');
  for (const char* name : {"대한삼성", "전자랜드", "한솔삼영"}) book_.Insert("111111", Cp(name).c_str(), &attributes);
  // By initials and by syllables: the names that begin with them first, each group in list order.
  EXPECT_EQ(Found("ㅅㅅ"), (std::vector<std::string>{"삼성전자", "대한삼성", "한솔삼영"}));
  EXPECT_EQ(Found("전자"), (std::vector<std::string>{"전자랜드", "삼성전자"}));
  EXPECT_EQ(Found("삼ㅇ"), (std::vector<std::string>{"삼영기계", "한솔삼영"}));
  // Digits: a code that begins with them before one that holds them further on (3S코리아, 900110).
  EXPECT_EQ(Found("00"), (std::vector<std::string>{"SK하이닉스", "삼성전자", "삼영기계", "세아제강", "신영증권",
                                                   "3S코리아"}));
  EXPECT_EQ(Found("03"), (std::vector<std::string>{"NAVER", "세아제강"}));
}

TEST(StockCodeFromTyped, SixDigitsStandForTheLetteredCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"725440", "A725440"}, {"A725440", "A725440"}, {"a725440", "A725440"}, {" 001340 ", "A001340"},
      // Not six digits: as typed, trimmed.
      {"72544", "72544"},    {"7254400", "7254400"}, {"B725440", "B725440"}, {"U001", "U001"},
      {"A72544x", "A72544x"}, {"", ""}};
  for (const auto& [typed, code] : cases) EXPECT_EQ(StockCodeFromTyped(typed), code) << typed;
}

TEST(FindTypedStock, ACodeOrAWholeNameNamesAStockAndAPartNone) {
  CodeInfoList book(kSortByName);
  const CodeAttr attributes = Attr('1');
  ASSERT_TRUE(book.Insert("A725440", Cp("2X전자").c_str(), &attributes));
  ASSERT_TRUE(book.Insert("A001340", Cp("NAVER").c_str(), &attributes));
  ASSERT_TRUE(book.Insert("U001", Cp("종합").c_str(), &attributes));
  const auto code = [&](const std::string& typed) {
    const CodeInfo* stock = FindTypedStock(&book, typed);
    return stock != nullptr ? std::string(stock->key.code) : std::string("-");
  };
  EXPECT_EQ(code("725440"), "A725440");
  EXPECT_EQ(code("A725440"), "A725440");
  EXPECT_EQ(code("a001340"), "A001340");
  EXPECT_EQ(code(Cp("2X전자")), "A725440");
  EXPECT_EQ(code(Cp(" 2x전자")), "A725440");  // letter case and blanks around ignored
  EXPECT_EQ(code(Cp("ｎａｖｅｒ")), "A001340");  // full width too
  EXPECT_EQ(code("U001"), "U001");                 // a code as the book keeps it
  for (const char* none : {"2X", "72544", "999999", "", "  "}) EXPECT_EQ(code(Cp(none)), "-") << none;
  EXPECT_EQ(FindTypedStock(nullptr, "725440"), nullptr);
}

TEST(CodeSearch, NoBookFindsNothing) {
  const CodeSearchIndex index(nullptr);
  EXPECT_EQ(index.Count(), 0);
  EXPECT_TRUE(index.Find("").empty());
}

}  // namespace
}  // namespace ostrada
