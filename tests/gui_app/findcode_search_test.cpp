// The finder finds as one types: initial consonants, parts of names and code digits, with the
// highlight moved by Up and Down and taken by Enter.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

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

TEST_F(FinderSearchTest, AJumpLooksThroughTheWholeListAgain) {
  Type("naver");
  ASSERT_EQ(Shown(), std::vector<std::string>{"NAVER"});
  finder_->findChild<QPushButton*>("button1433")->click();  // 가: the first Hangul name here
  EXPECT_EQ(Shown().size(), 6u);
  EXPECT_EQ(Edit().text().toStdString(), "삼성전자");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
