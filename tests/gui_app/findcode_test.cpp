#include "app/findcode.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolTip>
#include <regex>
#include <vector>

#include "app/qtext.h"
#include "app/simplecombo.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using testing::AddStock;
using testing::TypeText;

struct Stock {
  const char* code;
  const char* name;
};

// Names in every range, so each jump lands on the first name of its own range.
const std::vector<Stock> kEveryRange = {
    {"A000010", "3S"},     {"A000020", "7엔터"}, {"A000030", "KG"},     {"A000040", "LS"},     {"A000050", "가온"},
    {"A000060", "나라"},   {"A000070", "다우"},  {"A000080", "라온"},   {"A000090", "마니커"}, {"A000100", "바이오"},
    {"A000110", "사조"},   {"A000120", "삼성"},  {"A000130", "아모레"}, {"A000140", "자화"},   {"A000150", "차바이오"},
    {"A000160", "카카오"}, {"A000170", "태영"},  {"A000180", "파미셀"}, {"A000190", "하나"},   {"A000200", "한일"},
};

// No name in the 나 range, and a name that begins with a full-width symbol below 가.
const std::vector<Stock> kNoNaRange = {
    {"A000210", "하나"},     {"A000010", "3S"},     {"A000030", "KG"},     {"A000050", "Ａ테크"},
    {"A000060", "가온"},     {"A000070", "다우"},   {"A000090", "라온"},   {"A000100", "마니커"},
    {"A000110", "바이오"},   {"A000120", "사조"},   {"A000130", "아모레"}, {"A000140", "자화"},
    {"A000150", "차바이오"}, {"A000160", "카카오"}, {"A000170", "태영"},   {"A000180", "파미셀"},
};

std::unique_ptr<CodeInfoList> MakeBook(const std::vector<Stock>& stocks) {
  auto book = std::make_unique<CodeInfoList>(kSortByName);
  for (const Stock& stock : stocks) AddStock(*book, stock.code, stock.name);
  book->Rebuild();
  return book;
}

class FinderTest : public ::testing::Test {
 protected:
  // Opens the finder on the book, runs `drive` while it is shown; `drive` must close it.
  void Run(const CodeInfoList* book, const std::function<void(CFindCode&)>& drive) {
    finder_ = std::make_unique<CFindCode>(book);
    CFindCode* finder = finder_.get();
    QTimer::singleShot(0, [finder, drive] { drive(*finder); });
    result_ = finder_->exec();
  }

  static SimpleComboBox& Combo(CFindCode& finder) { return *finder.findChild<SimpleComboBox*>("combo1179"); }
  static QPushButton& Button(CFindCode& finder, int id) {
    return *finder.findChild<QPushButton*>(QStringLiteral("button%1").arg(id));
  }
  static QString Chosen(CFindCode& finder) {
    SimpleComboBox& combo = Combo(finder);
    return combo.CurrentIndex() < 0 ? QString() : combo.Text(combo.CurrentIndex());
  }
  // The entry each of the sixteen jump buttons selects ("" when it selects none).
  static std::vector<std::string> JumpTargets(CFindCode& finder) {
    std::vector<std::string> targets;
    for (int id = 1431; id <= 1446; ++id) {
      Combo(finder).List()->setCurrentItem(nullptr);
      Combo(finder).List()->clearSelection();
      Button(finder, id).click();
      targets.push_back(Chosen(finder).toStdString());
    }
    return targets;
  }
  static bool IsReport(const testing::RecordedMessage& message) {
    static const std::regex report(R"(\[\d+\] - app/findcode 에서)");
    return std::regex_match(message.Utf8(), report) && message.CaptionUtf8() == "확인";
  }

  testing::RecordingScope recording_;
  std::unique_ptr<CFindCode> finder_;
  int result_ = -1;
};

TEST_F(FinderTest, ListsEveryNameInBookOrder) {
  auto book = MakeBook(kNoNaRange);
  std::vector<std::string> listed;
  Run(book.get(), [&](CFindCode& finder) {
    SimpleComboBox& combo = Combo(finder);
    for (int i = 0; i < combo.Count(); ++i) listed.push_back(ToCp949(combo.Text(i)));
    finder.reject();
  });
  std::vector<std::string> inBook;
  for (const CodeInfo* stock = book->First(); stock; stock = stock->next) inBook.push_back(stock->key.name.get());
  EXPECT_EQ(listed, inBook);
  EXPECT_EQ(listed.front(), "3S");
  EXPECT_TRUE(recording_.sink.messages.empty());
  EXPECT_EQ(recording_.sink.waitDepth, 0);
  EXPECT_GE(recording_.sink.waitCursors, 1);
}

TEST_F(FinderTest, ANameCutByTheListShowsInFullAsAToolTip) {
  auto book = MakeBook({{"A000010", "한국투자글로벌리츠부동산투자회사제일호"}, {"A000020", "KG"}});
  std::vector<QString> tips;
  Run(book.get(), [&](CFindCode& finder) {
    QListWidget& list = *Combo(finder).List();
    for (int row = 0; row < list.count(); ++row) {
      const QPoint at = list.visualItemRect(list.item(row)).center();
      QHelpEvent help(QEvent::ToolTip, at, list.viewport()->mapToGlobal(at));
      QApplication::sendEvent(list.viewport(), &help);
      tips.push_back(QToolTip::isVisible() ? QToolTip::text() : QString());
    }
    finder.reject();
  });
  EXPECT_EQ(tips, (std::vector<QString>{QString(), QString::fromUtf8("한국투자글로벌리츠부동산투자회사제일호")}));
}

TEST_F(FinderTest, EachJumpLandsOnTheFirstNameOfItsRange) {
  auto book = MakeBook(kEveryRange);
  std::vector<std::string> targets;
  Run(book.get(), [&](CFindCode& finder) {
    targets = JumpTargets(finder);
    finder.reject();
  });
  EXPECT_EQ(targets, (std::vector<std::string>{"3S", "KG", "가온", "나라", "다우", "라온", "마니커", "바이오", "사조",
                                               "아모레", "자화", "차바이오", "카카오", "태영", "파미셀", "하나"}));
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(FinderTest, AnEmptyRangeMovesTheLaterAnchorsAndASymbolTakesNone) {
  auto book = MakeBook(kNoNaRange);
  std::vector<std::string> targets;
  Run(book.get(), [&](CFindCode& finder) {
    targets = JumpTargets(finder);
    finder.reject();
  });
  // 나 takes the only 다-range name and every later anchor one stock further along, so 하 is left
  // without a stock; "Ａ테크" sorts below 가 and takes nothing.
  EXPECT_EQ(targets, (std::vector<std::string>{"3S", "KG", "가온", "다우", "라온", "마니커", "바이오", "사조", "아모레",
                                               "자화", "차바이오", "카카오", "태영", "파미셀", "하나", ""}));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_TRUE(IsReport(recording_.sink.messages[0])) << recording_.sink.messages[0].Utf8();
}

TEST_F(FinderTest, UnsetAnchorsOnlyReport) {
  auto book = MakeBook({{"A000060", "가온"}, {"A000070", "다우"}});
  std::vector<std::string> targets;
  Run(book.get(), [&](CFindCode& finder) {
    targets = JumpTargets(finder);
    finder.reject();
  });
  EXPECT_EQ(targets[0], "");  // "12"
  EXPECT_EQ(targets[1], "");  // "AB"
  EXPECT_EQ(targets[2], "가온");
  EXPECT_EQ(targets[3], "다우");
  for (size_t k = 4; k < targets.size(); ++k) EXPECT_EQ(targets[k], "") << k;
  ASSERT_EQ(recording_.sink.messages.size(), 14u);  // 12, AB and the twelve ranges without a stock
  for (const auto& message : recording_.sink.messages) EXPECT_TRUE(IsReport(message)) << message.Utf8();
}

TEST_F(FinderTest, OkWithAClickedNameGivesItsCode) {
  auto book = MakeBook(kEveryRange);
  Run(book.get(), [&](CFindCode& finder) {
    testing::ClickRow(*Combo(finder).List(), 5);
    EXPECT_EQ(Combo(finder).EditText().toStdString(), "나라");
    Button(finder, 1).click();
  });
  EXPECT_EQ(result_, QDialog::Accepted);
  EXPECT_EQ(Cp949ToUtf8(finder_->ChosenName()), "나라");
  EXPECT_EQ(finder_->ChosenCode(), "A000060");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(FinderTest, ANameTypedInAnotherCaseIsChosen) {
  auto book = MakeBook(kEveryRange);
  Run(book.get(), [&](CFindCode& finder) {
    TypeText(*Combo(finder).Edit(), QStringLiteral("kg"));
    EXPECT_EQ(Combo(finder).CurrentIndex(), -1);
    Button(finder, 1).click();
  });
  EXPECT_EQ(result_, QDialog::Accepted);
  EXPECT_EQ(finder_->ChosenName(), "KG");
  EXPECT_EQ(finder_->ChosenCode(), "A000030");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(FinderTest, APartOfANameKeepsTheFinderOpen) {
  auto book = MakeBook(kEveryRange);
  bool stillOpen = false;
  Run(book.get(), [&](CFindCode& finder) {
    TypeText(*Combo(finder).Edit(), QStringLiteral("카카"));
    Button(finder, 1).click();
    stillOpen = finder.isVisible();
    Button(finder, 2).click();
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(recording_.sink.Texts(), std::vector<std::string>{"종목을 정확하게 선택하십시오."});
  EXPECT_EQ(recording_.sink.messages[0].CaptionUtf8(), "ostrada");
  EXPECT_EQ(result_, QDialog::Rejected);
  EXPECT_EQ(finder_->ChosenName(), "");
  EXPECT_EQ(finder_->ChosenCode(), "");
}

TEST_F(FinderTest, CancelAfterAJumpChoosesNothing) {
  auto book = MakeBook(kEveryRange);
  Run(book.get(), [&](CFindCode& finder) {
    Button(finder, 1439).click();  // 사
    EXPECT_EQ(Chosen(finder).toStdString(), "사조");
    Button(finder, 2).click();
  });
  EXPECT_EQ(result_, QDialog::Rejected);
  EXPECT_EQ(finder_->ChosenName(), "");
  EXPECT_EQ(finder_->ChosenCode(), "");
}

TEST_F(FinderTest, TheKeyboardAloneChooses) {
  auto book = MakeBook(kEveryRange);
  Run(book.get(), [&](CFindCode& finder) {
    QLineEdit& edit = *Combo(finder).Edit();
    testing::PressKey(edit, Qt::Key_Down);
    testing::PressKey(edit, Qt::Key_Down);
    EXPECT_EQ(edit.text().toStdString(), "7엔터");
    testing::PressKey(edit, Qt::Key_Return, QStringLiteral("\r"));
    if (finder.isVisible()) finder.reject();  // keeps a failed expectation from hanging the test
  });
  EXPECT_EQ(result_, QDialog::Accepted);
  EXPECT_EQ(finder_->ChosenCode(), "A000020");
}

TEST_F(FinderTest, TwoStocksOfOneNameGiveTheFirstCode) {
  auto book = MakeBook({{"A000300", "동명"}, {"A000100", "동명"}, {"A000200", "가온"}});
  Run(book.get(), [&](CFindCode& finder) {
    EXPECT_EQ(Combo(finder).Count(), 3);
    testing::ClickRow(*Combo(finder).List(), 2);
    Button(finder, 1).click();
  });
  EXPECT_EQ(Cp949ToUtf8(finder_->ChosenName()), "동명");
  EXPECT_EQ(finder_->ChosenCode(), "A000300");
}

TEST_F(FinderTest, ANameTheBookCannotFindIsReportedAndGivesNoCode) {
  // Bytes that are no CP949 text come back from the list as another name, which the book lacks.
  auto book = MakeBook({{"A000200", "가온"}});
  CodeAttr attributes;
  CodeAttrInit(&attributes);
  attributes.market = '1';
  ASSERT_EQ(book->Insert("A000900", "\xFF\xFE", &attributes), 1);
  Run(book.get(), [&](CFindCode& finder) {
    testing::ClickRow(*Combo(finder).List(), 1);
    Button(finder, 1).click();
  });
  EXPECT_EQ(result_, QDialog::Accepted);
  EXPECT_FALSE(finder_->ChosenName().empty());
  EXPECT_EQ(finder_->ChosenCode(), "");
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_TRUE(IsReport(recording_.sink.messages[0])) << recording_.sink.messages[0].Utf8();
}

TEST_F(FinderTest, WithoutABookItAsksForTheStocksFirst) {
  std::vector<std::string> atOpening;
  bool stillOpen = false;
  Run(nullptr, [&](CFindCode& finder) {
    atOpening = recording_.sink.Texts();
    EXPECT_EQ(Combo(finder).Count(), 0);
    Button(finder, 1).click();
    stillOpen = finder.isVisible();
    Button(finder, 1433).click();  // 가
    Button(finder, 2).click();
  });
  EXPECT_EQ(atOpening, std::vector<std::string>{"먼저 종목들을 받으십시오"});
  EXPECT_TRUE(stillOpen);
  ASSERT_EQ(recording_.sink.messages.size(), 3u);
  EXPECT_EQ(recording_.sink.messages[1].Utf8(), "종목을 정확하게 선택하십시오.");
  EXPECT_TRUE(IsReport(recording_.sink.messages[2])) << recording_.sink.messages[2].Utf8();
  EXPECT_EQ(recording_.sink.waitDepth, 0);
  EXPECT_EQ(result_, QDialog::Rejected);
}

TEST_F(FinderTest, EachOpeningListsTheBookAfresh) {
  auto book = MakeBook(kEveryRange);
  Run(book.get(), [](CFindCode& finder) { finder.reject(); });
  CFindCode* finder = finder_.get();
  int listed = 0;
  QTimer::singleShot(0, [&] {
    listed = Combo(*finder).Count();
    finder->reject();
  });
  finder->exec();
  EXPECT_EQ(listed, book->Count());
}

}  // namespace
}  // namespace ostrada
