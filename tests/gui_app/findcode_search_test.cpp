// The finder finds as one types: initial consonants, parts of names and code digits, with the
// highlight moved by Up and Down and taken by Enter.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>
#include <cstring>

#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"

#include "app/findcode.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class FinderSearchTest : public ::testing::Test {
 protected:
  FinderSearchTest() : book_(kSortByName) {
    const std::pair<const char*, const char*> stocks[] = {{"005930", "삼성전자"}, {"002810", "삼영기계"},
                                                          {"003030", "세아제강"}, {"001720", "신영증권"},
                                                          {"035420", "NAVER"},    {"000660", "SK하이닉스"}};
    for (const auto& [code, name] : stocks) testing::AddStock(book_, code, name);
    finder_ = std::make_unique<CFindCode>(&book_);
    finder_->show();
    combo_ = finder_->findChild<SimpleComboBox*>("combo1179");
  }
  QLineEdit& Edit() { return *combo_->Edit(); }
  // The names the list shows, top to bottom.
  std::vector<std::string> Shown() const {
    std::vector<std::string> names;
    for (int row = 0; row < combo_->List()->count(); ++row) {
      if (!combo_->List()->isRowHidden(row)) names.push_back(combo_->List()->item(row)->text().toStdString());
    }
    return names;
  }
  void Type(const char* utf8) { testing::TypeText(Edit(), QString::fromUtf8(utf8)); }
  void Press(int key) { testing::PressKey(Edit(), key); }

  testing::RecordingScope recording_;
  CodeInfoList book_;
  std::unique_ptr<CFindCode> finder_;
  SimpleComboBox* combo_ = nullptr;
};

TEST_F(FinderSearchTest, InitialConsonantsNarrowTheListAsOneTypesAndEnterTakesTheHighlight) {
  Type("ㅅㅇ");
  EXPECT_EQ(Shown(), (std::vector<std::string>{"삼영기계", "세아제강", "신영증권"}));
  Type("ㄱ");
  Type("ㄱ");
  EXPECT_EQ(Shown(), std::vector<std::string>{"삼영기계"});
  // Typing chooses nothing by itself: Enter on the typed initials asks for an exact choice.
  Press(Qt::Key_Return);
  EXPECT_EQ(recording_.sink.Texts(), std::vector<std::string>{"종목을 정확하게 선택하십시오."});
  EXPECT_TRUE(finder_->isVisible());
  Press(Qt::Key_Down);
  EXPECT_EQ(Edit().text().toStdString(), "삼영기계");
  Press(Qt::Key_Return);
  EXPECT_FALSE(finder_->isVisible());
  EXPECT_EQ(finder_->result(), QDialog::Accepted);
  EXPECT_EQ(Cp949ToUtf8(finder_->ChosenName()), "삼영기계");
  EXPECT_EQ(finder_->ChosenCode(), "002810");
}

TEST_F(FinderSearchTest, UpAndDownMoveOnlyThroughTheNamesFound) {
  Type("ㅅㅇ");
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  EXPECT_EQ(Edit().text().toStdString(), "세아제강");
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);  // the last one found stays highlighted
  EXPECT_EQ(Edit().text().toStdString(), "신영증권");
  Press(Qt::Key_Up);
  Press(Qt::Key_Up);
  Press(Qt::Key_Up);
  EXPECT_EQ(Edit().text().toStdString(), "삼영기계");
  Press(Qt::Key_Return);
  EXPECT_EQ(finder_->ChosenCode(), "002810");
}

TEST_F(FinderSearchTest, CodeDigitsAndLatinLettersFindToo) {
  Type("0059");
  EXPECT_EQ(Shown(), std::vector<std::string>{"삼성전자"});
  Edit().selectAll();
  Type("sk");
  EXPECT_EQ(Shown(), std::vector<std::string>{"SK하이닉스"});
  Edit().selectAll();
  Press(Qt::Key_Backspace);
  EXPECT_EQ(Shown().size(), 6u) << "an empty field shows every name";
}

TEST_F(FinderSearchTest, NamesThatBeginWithTheTypedTextComeFirstEachWithItsCode) {
  Type("ㅅ");
  // SK하이닉스 comes first in the book but holds ㅅ only further on.
  EXPECT_EQ(Shown(), (std::vector<std::string>{"삼성전자", "삼영기계", "세아제강", "신영증권", "SK하이닉스"}));
  std::vector<std::string> codes;
  for (int row = 0; row < combo_->List()->count(); ++row)
    codes.push_back(combo_->List()->item(row)->data(SimpleComboBox::kDetailRole).toString().toStdString());
  EXPECT_EQ(codes, (std::vector<std::string>{"005930", "002810", "003030", "001720", "000660"}));
  // The highlight moves in the order shown.
  Press(Qt::Key_Down);
  Press(Qt::Key_Down);
  EXPECT_EQ(Edit().text().toStdString(), "삼영기계");
  Press(Qt::Key_Return);
  EXPECT_EQ(finder_->ChosenCode(), "002810");
}

TEST_F(FinderSearchTest, OpenedOnATypedTextItShowsWhatTheTextFinds) {
  finder_->hide();
  finder_->OpenOn(QStringLiteral("ㅅㅇ"));
  finder_->show();
  EXPECT_EQ(Edit().text().toStdString(), "ㅅㅇ");
  EXPECT_EQ(Shown(), (std::vector<std::string>{"삼영기계", "세아제강", "신영증권"}));
  EXPECT_EQ(combo_->CurrentIndex(), -1);
}

TEST_F(FinderSearchTest, AJumpLooksThroughTheWholeListAgain) {
  Type("naver");
  ASSERT_EQ(Shown(), std::vector<std::string>{"NAVER"});
  finder_->findChild<QPushButton*>("button1433")->click();  // 가: the first Hangul name here
  EXPECT_EQ(Shown().size(), 6u);
  EXPECT_EQ(Edit().text().toStdString(), "삼성전자");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

// The exchange's own listing, downloaded as the program does at its start (market 3 dropped, by name).
class ListingFinderTest : public ::testing::Test {
 protected:
  ListingFinderTest() : exchange_(sim::ExchangeOptions{}), server_(exchange_) {
    book_ = StocGate().DownloadCodes(kSortByName, 1);
    finder_ = std::make_unique<CFindCode>(book_.get());
    finder_->show();
    combo_ = finder_->findChild<SimpleComboBox*>("combo1179");
  }
  // The listing's names the program keeps, sorted byte by byte here.
  std::vector<std::string> SortedNames() const {
    std::vector<std::string> names;
    for (const auto& stock : exchange_.Stocks().All()) {
      if (stock.market != '3') names.push_back(stock.name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return std::strcmp(a.c_str(), b.c_str()) < 0;
    });
    return names;
  }

  testing::RecordingScope recording_;
  sim::Exchange exchange_;
  broker::ScopedServer server_;
  std::unique_ptr<CodeInfoList> book_;
  std::unique_ptr<CFindCode> finder_;
  SimpleComboBox* combo_ = nullptr;
};

TEST_F(ListingFinderTest, EachJumpLandsOnItsRangeAfterTheAnchorBefore) {
  const std::vector<std::string> names = SortedNames();
  ASSERT_EQ(static_cast<int>(names.size()), book_->Count());
  ASSERT_GT(names.size(), 2000u);
  // Each jump's name: the first name after the previous jump's that is at or after its range's first
  // syllable (CP949). A range with no name (this listing has none in 라 or 카) thus takes the next range's
  // first name, and that range's own jump its second.
  const std::pair<int, const char*> firsts[] = {{1433, "\xB0\xA1"}, {1434, "\xB3\xAA"}, {1435, "\xB4\xD9"},
                                                {1436, "\xB6\xF3"}, {1437, "\xB8\xB6"}, {1438, "\xB9\xD9"},
                                                {1439, "\xBB\xE7"}, {1440, "\xBE\xC6"}, {1441, "\xC0\xDA"},
                                                {1442, "\xC2\xF7"}, {1443, "\xC4\xAB"}, {1444, "\xC5\xB8"},
                                                {1445, "\xC6\xC4"}, {1446, "\xC7\xCF"}};
  auto after = names.begin();
  for (const auto& [id, syllable] : firsts) {
    const auto first = std::find_if(after, names.end(), [syllable = syllable](const std::string& name) {
      return std::strcmp(name.c_str(), syllable) >= 0;
    });
    ASSERT_NE(first, names.end()) << id;
    finder_->findChild<QPushButton*>(QStringLiteral("button%1").arg(id))->click();
    EXPECT_EQ(combo_->CurrentIndex(), first - names.begin()) << id;
    EXPECT_EQ(ToCp949(combo_->EditText()), *first) << id;
    after = first + 1;
  }
  const auto firstOf = [&names](bool (*test)(unsigned char)) {
    return std::find_if(names.begin(), names.end(), [test](const std::string& n) {
      return test(static_cast<unsigned char>(n[0]));
    });
  };
  finder_->findChild<QPushButton*>("button1431")->click();
  EXPECT_EQ(ToCp949(combo_->EditText()), *firstOf([](unsigned char c) { return c >= '0' && c <= '9'; }));
  finder_->findChild<QPushButton*>("button1432")->click();
  EXPECT_EQ(ToCp949(combo_->EditText()), *firstOf([](unsigned char c) { return c >= 'A' && c <= 'Z'; }));
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(ListingFinderTest, LettersTypedInFullWidthShowTheNamesTheirAsciiFormsShow) {
  const std::vector<std::string> names = SortedNames();
  const auto latin = std::find_if(names.begin(), names.end(), [](const std::string& n) { return n[0] >= 'A' && n[0] <= 'Z'; });
  ASSERT_NE(latin, names.end());
  // The name's two opening letters, once in ASCII and once in full width (U+FF21 on).
  const std::string opening = latin->substr(0, 2);
  QString wide;
  for (char c : opening) wide += QChar(0xFF21 + (c - 'A'));
  const auto shownFor = [this](const QString& typed) {
    combo_->Edit()->selectAll();
    testing::TypeText(*combo_->Edit(), typed);
    std::vector<std::string> rows;
    for (int row = 0; row < combo_->List()->count(); ++row) {
      if (!combo_->List()->isRowHidden(row)) rows.push_back(ToCp949(combo_->List()->item(row)->text()));
    }
    return rows;
  };
  const std::vector<std::string> ascii = shownFor(QString::fromStdString(opening));
  // The names that begin with the letters first, then those that hold them further on, each in list order.
  std::vector<std::string> expected, further;
  // Letter case does not count: both sides lowered in UTF-8, where no byte of a Hangul syllable is ASCII.
  const auto lowered = [](std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    return text;
  };
  for (const std::string& name : names) {
    const size_t at = lowered(Cp949ToUtf8(name)).find(lowered(opening));
    if (at != std::string::npos) (at == 0 ? expected : further).push_back(name);
  }
  expected.insert(expected.end(), further.begin(), further.end());
  EXPECT_EQ(ascii, expected);
  EXPECT_EQ(shownFor(wide), expected);
}

}  // namespace
}  // namespace ostrada
