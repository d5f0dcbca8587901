// The contract window on a server that answers scripted contracts: rows, order, texts, colours,
// the saved text file and every message the window shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/confrm.h"
#include "app/contbl.h"
#include "app/findcode.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/localtime.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_contract/scripted_server.h"
#include "tests/support/palette.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::ScriptedContract;

const std::string kSamsung = Utf8ToCp949("삼성전자");
const std::string kHynix = Utf8ToCp949("SK하이닉스");

ScriptedContract At(int32_t hhmmss, int32_t price, char phase = '2') {
  ScriptedContract c;
  c.timeHHMMSS = hhmmss;
  c.price = price;
  c.change = price - 10000;
  c.phase = phase;
  return c;
}

// A page as the server sends it: newest row first, times counting down from `newest` by one second.
std::vector<ScriptedContract> Page(int32_t newest, int rows, char phase = '2') {
  std::vector<ScriptedContract> page;
  for (int i = 0; i < rows; ++i) page.push_back(At(newest - i, 10000 + newest - i, phase));
  return page;
}

// Answers the finder that opens next: chooses the stock of the name (UTF-8) and presses OK.
void AnswerFinderWith(const std::string& shownName) {
  QTimer::singleShot(0, [shownName] {
    auto* finder = qobject_cast<CFindCode*>(QApplication::activeModalWidget());
    ASSERT_NE(finder, nullptr);
    auto* list = finder->findChild<SimpleComboBox*>("combo1179");
    list->SetCurrentIndex(list->FindExact(QString::fromStdString(shownName), -1));
    finder->accept();
  });
}

class ContractWindowTest : public ::testing::Test {
 protected:
  ContractWindowTest() : serverScope_(server_), clock_({2026, 12, 8, 10, 30, 0, 0, 2, 341}), clockScope_(clock_) {
    CodeAttr attributes;
    CodeAttrInit(&attributes);
    attributes.market = '1';
    book_.Insert("005930", kSamsung.c_str(), &attributes);
    book_.Insert("000660", kHynix.c_str(), &attributes);
    book_.Rebuild();
    setenv("OSTRADA_DATA_DIR", dataDir_.c_str(), 1);
    dialog_ = std::make_unique<CConDlg>(&book_);
    frame_ = dialog_->Frame();
  }
  ~ContractWindowTest() override {
    dialog_.reset();
    unsetenv("OSTRADA_DATA_DIR");
  }

  CConTbl& Table() { return *frame_->Table(); }
  ContractListModel& Model() { return Table().Model(); }
  int Rows() { return Model().rowCount(); }
  std::string Cell(int row, int column) { return Model().CellText(row, column); }
  std::vector<std::string> TimeColumn() {
    std::vector<std::string> times;
    for (int row = 0; row < Rows(); ++row) times.push_back(Cell(row, ContractListModel::kTime));
    return times;
  }
  QPushButton* Button(int id) { return frame_->findChild<QPushButton*>(QStringLiteral("button%1").arg(id)); }
  QComboBox* Combo() { return frame_->findChild<QComboBox*>("combo9014"); }
  std::vector<std::string>& LiveCalls() { return server_.live->calls; }
  const testing::RecordingSink& Sink() { return recorder_.sink; }
  std::vector<std::string> Messages() { return recorder_.sink.Texts(); }
  bool IsReport(const std::string& text) { return text.find("app/contbl") != std::string::npos; }

  std::string SavedFilePath() {
    return (dataDir_ / ("체결값(" + Cp949ToUtf8(kSamsung) + "_005930)_20261208.txt")).string();
  }
  std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  testing::RecordingScope recorder_;
  testing::ScriptedServer server_;
  broker::ScopedServer serverScope_;
  FixedTimeSource clock_;
  ScopedTimeSource clockScope_;
  CodeInfoList book_{kSortByName};
  testing::ScratchFolder folder_;
  std::filesystem::path dataDir_{folder_.Path()};
  std::unique_ptr<CConDlg> dialog_;
  CConFrm* frame_;
};

TEST_F(ContractWindowTest, WindowFollowsItsTemplates) {
  dialog_->show();
  EXPECT_EQ(dialog_->objectName(), "dialog149");
  EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("체결창"));
  EXPECT_EQ(frame_->objectName(), "form142");
  EXPECT_EQ(frame_->geometry(), dialog_->rect());
  EXPECT_EQ(frame_->findChild<QLabel*>("static9028")->text(), "code");
  EXPECT_EQ(Button(9034)->text(), "?");
  EXPECT_EQ(Button(1387)->text(), "&A");
  EXPECT_EQ(Button(1388)->text(), "&N");
  EXPECT_EQ(Button(1282)->text(), "Tx");
  EXPECT_NE(frame_->findChild<CWndConPower*>("window7121"), nullptr);
  EXPECT_EQ(Table().objectName(), "form141");
  EXPECT_EQ(Table().geometry().top(), 30);
  EXPECT_EQ(Table().height(), frame_->height() - 30);

  QTableView* list = Table().List();
  EXPECT_EQ(list->objectName(), "list1386");
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
  const char* titles[] = {"time", "price", "diff", "amount"};
  const int widths[] = {65, 60, 50, 62};
  for (int column = 0; column < 4; ++column) {
    EXPECT_EQ(Model().headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), titles[column]);
    EXPECT_EQ(list->columnWidth(column), widths[column]);
  }
  // The window keeps its form over the whole client area as it is resized, and the list fills the form.
  dialog_->resize(dialog_->width() + 40, dialog_->height() + 50);
  EXPECT_EQ(frame_->geometry(), dialog_->rect());
  EXPECT_EQ(Table().height(), frame_->height() - 30);
  EXPECT_EQ(Table().width(), frame_->width());
  // Narrower than its columns the list scrolls sideways, and the whole scroll bar is inside the window.
  dialog_->show();
  dialog_->resize(180, 220);
  QCoreApplication::processEvents();
  QScrollBar* sideways = list->horizontalScrollBar();
  ASSERT_TRUE(sideways->isVisible());
  const QRect bar(sideways->mapTo(dialog_.get(), QPoint(0, 0)), sideways->size());
  EXPECT_TRUE(dialog_->rect().contains(bar)) << bar.x() << "," << bar.y() << " " << bar.width() << "x" << bar.height();
  EXPECT_GE(bar.height(), sideways->sizeHint().height());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, SelectingAStockShowsItsNewestPageAndGoesLive) {
  server_.history.pages = {Page(100503, 3), Page(100500, 3)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);

  EXPECT_EQ(TimeColumn(), (std::vector<std::string>{"10:05:03", "10:05:02", "10:05:01"}));
  EXPECT_EQ(server_.history.requests, 1);
  EXPECT_EQ(server_.history.code, "005930");
  EXPECT_EQ(frame_->findChild<QLabel*>("static9028")->text(), "005930");
  EXPECT_EQ(Combo()->currentText(), QString::fromStdString(Cp949ToUtf8(kSamsung)));
  EXPECT_EQ(LiveCalls(), (std::vector<std::string>{"unsubscribe ", "subscribe 005930"}));
  EXPECT_TRUE(frame_->Feed().Subscribed());
  EXPECT_EQ(Table().Code(), "005930");

  // A live contract comes through the server's event and lands at the top.
  server_.live->Fire(At(100504, 10100));
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Cell(0, ContractListModel::kTime), "10:05:04");
  EXPECT_EQ(Cell(0, ContractListModel::kPrice), "10,100");

  // Another stock: the old subscription goes first, the list is replaced.
  server_.history.pages = {Page(110001, 2)};
  ASSERT_EQ(frame_->SelectStock("000660", 0), 1);
  EXPECT_EQ(TimeColumn(), (std::vector<std::string>{"11:00:01", "11:00:00"}));
  EXPECT_EQ(LiveCalls(), (std::vector<std::string>{"unsubscribe ", "subscribe 005930", "unsubscribe ", "unsubscribe ",
                                                   "subscribe 000660"}));
  EXPECT_EQ(Combo()->count(), 2);
  EXPECT_EQ(Combo()->itemText(0), "SK하이닉스");  // sorted by the names' bytes: Latin before Hangul
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, CallAuctionContractsAddNoRows) {
  server_.history.pages = {Page(85959, 5, '1')};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_EQ(Rows(), 0);

  server_.live->Fire(At(85959, 10000, '1'));
  server_.live->Fire(At(153001, 10000, '0'));
  EXPECT_EQ(Rows(), 0);
  server_.live->Fire(At(90001, 10000, '2'));
  EXPECT_EQ(Rows(), 1);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, AllPagesShowsEveryPageNewestFirst) {
  server_.history.pages = {Page(100003, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  ASSERT_EQ(Rows(), 2);

  server_.history.pages = {Page(100003, 2), Page(100001, 2), Page(95959, 2)};
  Button(1387)->click();
  EXPECT_EQ(TimeColumn(),
            (std::vector<std::string>{"10:00:03", "10:00:02", "10:00:01", "10:00:00", " 9:59:59", " 9:59:58"}));
  EXPECT_EQ(server_.history.requests, 4);
  EXPECT_TRUE(frame_->Feed().Subscribed());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, AllPagesWithoutAStockOnlyBeeps) {
  Button(1387)->click();
  EXPECT_EQ(Sink().beeps, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(server_.history.requests, 0);
}

TEST_F(ContractWindowTest, NextPageAppendsTheOlderPageBelow) {
  server_.history.pages = {Page(100003, 2), Page(100001, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  server_.live->Fire(At(100004, 10004));
  Button(1388)->click();
  EXPECT_EQ(TimeColumn(), (std::vector<std::string>{"10:00:04", "10:00:03", "10:00:02", "10:00:01", "10:00:00"}));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, NextPageBeforeAnyStockBeeps) {
  Button(1388)->click();
  EXPECT_EQ(Sink().beeps, 1);
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ContractWindowTest, AmountsOfSellsAreNegatedAndRowsCarryTheirColour) {
  std::vector<ScriptedContract> page = {At(93002, 10500), At(93001, 9500), At(93000, 10000)};
  page[0].side = '2';
  page[0].tickVolume = 1234;
  page[1].side = '1';
  page[1].tickVolume = 1234;
  page[2].tickVolume = 0;
  server_.history.pages = {page};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  ASSERT_EQ(Rows(), 3);

  EXPECT_EQ(Cell(0, ContractListModel::kAmount), "-1,234");
  EXPECT_EQ(Cell(1, ContractListModel::kAmount), "1,234");
  EXPECT_EQ(Cell(2, ContractListModel::kAmount), "0");
  EXPECT_EQ(Cell(0, ContractListModel::kChange), "500");
  EXPECT_EQ(Cell(1, ContractListModel::kChange), "-500");
  EXPECT_EQ(Cell(0, ContractListModel::kPrice), "10,500");

  const auto itemData = [&](int row) { return Model().data(Model().index(row, 0), ContractListModel::kItemDataRole); };
  EXPECT_EQ(itemData(0).toUInt(), 0x0000FFu);
  EXPECT_EQ(itemData(1).toUInt(), 0xFF0000u);
  EXPECT_EQ(itemData(2).toUInt(), 0u);
  EXPECT_EQ(Model().data(Model().index(0, 1), Qt::ForegroundRole).value<QColor>(), testing::kRiseRed);
  EXPECT_EQ(Model().data(Model().index(1, 1), Qt::ForegroundRole).value<QColor>(), testing::kFallBlue);
  EXPECT_FALSE(Model().data(Model().index(2, 1), Qt::ForegroundRole).isValid());
}

// No number is cut: a column keeps its template width for small numbers and grows to hold the closing
// auction's quantity or the extremes of its field, from a history page or a live contract alike.
TEST_F(ContractWindowTest, EveryNumberFitsItsColumn) {
  dialog_->show();
  QTableView& list = *Table().List();
  const auto fits = [&list] {
    for (int column = 0; column < ContractListModel::kColumnCount; ++column) {
      // The view's own measure of the column's cells (public on the base class only).
      if (list.columnWidth(column) < static_cast<QAbstractItemView&>(list).sizeHintForColumn(column)) return false;
    }
    return true;
  };
  server_.history.pages = {{At(93000, 10500)}};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_EQ((std::vector<int>{list.columnWidth(0), list.columnWidth(1), list.columnWidth(2), list.columnWidth(3)}),
            (std::vector<int>{65, 60, 50, 62}));

  ScriptedContract closing = At(153000, 10500);
  closing.tickVolume = 2791900;
  closing.side = '2';
  server_.live->Fire(closing);
  ASSERT_EQ(Cell(0, ContractListModel::kAmount), "-2,791,900");
  EXPECT_TRUE(fits());
  EXPECT_GT(list.columnWidth(ContractListModel::kAmount), 62);

  ScriptedContract extreme = At(153001, INT32_MAX);
  extreme.change = INT32_MIN;
  extreme.tickVolume = INT32_MAX;
  extreme.side = '2';
  server_.history.pages = {{extreme, closing}};
  ASSERT_EQ(frame_->SelectStock(kHynix.c_str(), 1), 1);
  ASSERT_EQ(Cell(0, ContractListModel::kChange), "-2,147,483,648");
  EXPECT_TRUE(fits());
}

TEST_F(ContractWindowTest, TimeColumnPadsTheHourWithABlank) {
  server_.history.pages = {{At(90507, 10000)}};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_EQ(Cell(0, ContractListModel::kTime), " 9:05:07");
  EXPECT_EQ(Model().data(Model().index(0, 0), Qt::DisplayRole).toString(), " 9:05:07");

  // The order window's narrow list shows hours and minutes only.
  CConTbl narrow(&book_, 1);
  CWndConPower feed(&narrow, 7121);
  server_.history.pages = {{At(90507, 10000)}};
  ASSERT_EQ(narrow.Load("005930", &feed, 0), 1);
  EXPECT_EQ(narrow.Model().CellText(0, ContractListModel::kTime), " 9:05");
  EXPECT_EQ(narrow.List()->columnWidth(0), 43);
}

TEST_F(ContractWindowTest, SaveToTextWritesTheRowsAsShown) {
  std::vector<ScriptedContract> page = {At(90507, 12500), At(90506, 9000)};
  page[0].side = '2';
  page[0].tickVolume = 1234;
  server_.history.pages = {page};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  std::ofstream(SavedFilePath()) << std::string(4096, 'x');  // an older, longer file is replaced
  Button(1282)->click();

  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(ReadFile(SavedFilePath()), Utf8ToCp949("현재가\t가격\t전일대비\t거래량\r\n"
                                                   " 9:05:07\t12,500\t2,500\t-1,234\t\r\n"
                                                   " 9:05:06\t9,000\t-1,000\t10\t\r\n"));
}

TEST_F(ContractWindowTest, SaveToTextOfAnEmptyListWritesTheHeaderLine) {
  server_.history.pages = {{}};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  ASSERT_EQ(Table().SaveToText(), 1);
  EXPECT_EQ(ReadFile(SavedFilePath()), Utf8ToCp949("현재가\t가격\t전일대비\t거래량\r\n"));
}

TEST_F(ContractWindowTest, SaveToTextWithoutAStockWritesNothing) {
  EXPECT_EQ(Table().SaveToText(), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(IsReport(Messages()[0]));
  EXPECT_TRUE(std::filesystem::is_empty(dataDir_));
}

TEST_F(ContractWindowTest, SaveToTextThatCannotCreateTheFileIsTold) {
  server_.history.pages = {Page(100000, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  std::filesystem::create_directories(SavedFilePath());  // a folder where the file should go
  EXPECT_EQ(Table().SaveToText(), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"파일을 만들 수 없습니다: " + SavedFilePath() +
                                                 "\n폴더가 있는지, 그 폴더에 쓸 수 있는지 확인한 뒤 다시 하십시오."});
  EXPECT_EQ(Rows(), 2);
}

TEST_F(ContractWindowTest, SaveToTextThatRunsOutOfSpaceIsReported) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  server_.history.pages = {Page(100000, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  std::filesystem::create_symlink("/dev/full", SavedFilePath());
  EXPECT_EQ(Table().SaveToText(), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(IsReport(Messages()[0]));
}

TEST_F(ContractWindowTest, EmptyChoiceAsksForAStockAndEmptiesTheList) {
  server_.history.pages = {Page(100000, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_EQ(frame_->SelectStock("", 1), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"먼저 종목을 선택하십시오."});
  EXPECT_EQ(Sink().messages[0].CaptionUtf8(), "ostrada");
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(frame_->Feed().Subscribed());
  EXPECT_EQ(LiveCalls().back(), "unsubscribe ");
}

TEST_F(ContractWindowTest, UnknownStockIsToldAndLeavesAnEmptyUnsubscribedList) {
  server_.history.pages = {Page(100000, 2)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_EQ(frame_->SelectStock(Utf8ToCp949("없는종목").c_str(), 1), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"종목을 찾을 수 없습니다."});
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(frame_->Feed().Subscribed());
  server_.live->Fire(At(100001, 10001));
  EXPECT_EQ(Rows(), 0);
  EXPECT_EQ(server_.history.requests, 1);
}

TEST_F(ContractWindowTest, UnknownStockWithoutACodeBookIsNotFound) {
  CConDlg bookless(nullptr);
  EXPECT_EQ(bookless.Frame()->SelectStock(kSamsung.c_str(), 1), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"종목을 찾을 수 없습니다."});
}

TEST_F(ContractWindowTest, RefusedHistoryShowsBothStatusTextsAndNextPageThenBeeps) {
  server_.history.status = 7;
  server_.history.statusText1 = Utf8ToCp949("조회가 거부되었습니다. ");
  server_.history.statusText2 = Utf8ToCp949("잠시 후 다시 하십시오.  \r\n");
  EXPECT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 0);

  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], "조회가 거부되었습니다. 잠시 후 다시 하십시오.");
  EXPECT_TRUE(IsReport(messages[1]));
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(frame_->Feed().Subscribed());
  EXPECT_FALSE(frame_->Feed().HasHistory());

  recorder_.sink.Clear();
  Button(1388)->click();
  EXPECT_EQ(Sink().beeps, 1);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, HistoryObjectThatCannotBeCreatedShowsTheServerError) {
  server_.failHistory = true;
  EXPECT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], Cp949ToUtf8(broker::ComError(broker::kClassNotRegistered).Description()));
  EXPECT_TRUE(IsReport(messages[1]));
  EXPECT_FALSE(frame_->Feed().Subscribed());
}

TEST_F(ContractWindowTest, AFailedReadOnALaterPageKeepsTheRowsAlreadyShown) {
  std::vector<ScriptedContract> bad = Page(100001, 2);
  bad[1].priceText = "not a price";
  server_.history.pages = {Page(100003, 2), bad};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  server_.history.pages = {Page(100003, 2), bad};
  recorder_.sink.Clear();
  Button(1387)->click();

  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], Cp949ToUtf8(broker::ComError(broker::kTypeMismatch).Description()));
  EXPECT_TRUE(IsReport(messages[1]));
  EXPECT_EQ(TimeColumn(), (std::vector<std::string>{"10:00:03", "10:00:02"}));
  EXPECT_FALSE(frame_->Feed().Subscribed());
}

TEST_F(ContractWindowTest, ForwardWithoutATapeIsReported) {
  EXPECT_EQ(SendWindowMessage(frame_, WM_CONTRACT_FORWARD, 1, 0), 1);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(IsReport(Messages()[0]));

  recorder_.sink.Clear();
  auto* empty = new ContractTape();  // the receiver owns what it is sent
  SendWindowMessage(frame_, WM_CONTRACT_FORWARD, 1, reinterpret_cast<intptr_t>(empty));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_TRUE(IsReport(Messages()[0]));
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ContractWindowTest, LiveContractWithoutANameIsReportedOnceAndNotShown) {
  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  server_.live->name.clear();
  server_.live->Fire(At(100001, 10001));
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("basesrc/coninfo"), std::string::npos);
  EXPECT_EQ(Rows(), 1);
}

TEST_F(ContractWindowTest, MissingArgumentsAreReported) {
  EXPECT_EQ(Table().Load(nullptr, &frame_->Feed(), 0), 0);
  EXPECT_EQ(Table().Load("005930", nullptr, 0), 0);
  EXPECT_EQ(Table().NextPage(nullptr), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 4u);  // the load without a feed cannot clear through it either
  for (const std::string& message : messages) EXPECT_TRUE(IsReport(message)) << message;
  EXPECT_EQ(server_.history.requests, 0);
}

TEST_F(ContractWindowTest, LiveObjectThatCannotBeCreatedIsShownOnce) {
  server_.failLive = true;
  CConDlg broken(&book_);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], Cp949ToUtf8(broker::ComError(broker::kClassNotRegistered).Description()));
}

TEST_F(ContractWindowTest, ClickingAnotherNameLoadsItAndTheSameNameOnlyBeeps) {
  dialog_->show();
  QComboBox* combo = Combo();
  combo->hidePopup();  // nothing in the list yet
  QCoreApplication::processEvents();
  EXPECT_EQ(Sink().beeps, 1);

  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(kHynix.c_str(), 1), 1);
  ASSERT_EQ(combo->count(), 2);

  testing::ChooseFromList(*combo, combo->findText("SK하이닉스"));
  EXPECT_EQ(Sink().beeps, 2);
  EXPECT_EQ(server_.history.requests, 2);

  server_.history.pages = {Page(100500, 1)};
  testing::ChooseFromList(*combo, combo->findText("삼성전자"));
  EXPECT_EQ(frame_->Code(), "005930");
  EXPECT_EQ(combo->currentText(), "삼성전자");
  EXPECT_EQ(TimeColumn(), std::vector<std::string>{"10:05:00"});
  EXPECT_EQ(Sink().beeps, 2);

  combo->setCurrentIndex(-1);
  combo->hidePopup();
  QCoreApplication::processEvents();
  EXPECT_EQ(Messages(), std::vector<std::string>{"먼저 종목을 선택하십시오."});
}

// What a user types in the stock box and presses Enter on: a code or a whole name picks the stock at
// once, a part of a name opens the finder on it, a text that finds nothing says so and leaves the
// stock shown.
TEST_F(ContractWindowTest, ATypedCodeOrNamePicksTheStockAndAPartOpensTheFinder) {
  struct Case {
    const char* typed;
    const char* finderPick;  // the name chosen in the finder, when it opens
    const char* code;        // the stock shown afterwards
    const char* message;
  };
  const Case cases[] = {
      {"000660", nullptr, "000660", nullptr},
      {" 005930", nullptr, "005930", nullptr},
      {"sk하이닉스", nullptr, "000660", nullptr},
      {"삼성", "삼성전자", "005930", nullptr},
      {"하이", "SK하이닉스", "000660", nullptr},
      {"xyz", nullptr, "000660",
       "\"xyz\"에 맞는 종목이 없습니다. 종목명(일부도 됩니다)이나 6자리 종목코드를 입력하십시오."},
  };
  dialog_->show();
  QComboBox* combo = Combo();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    recorder_.sink.messages.clear();
    server_.history.pages = {Page(100000, 1)};
    QString finderField;
    if (c.finderPick != nullptr) {
      QTimer::singleShot(0, [&finderField] {
        auto* finder = qobject_cast<CFindCode*>(QApplication::activeModalWidget());
        if (finder != nullptr) finderField = finder->findChild<SimpleComboBox*>("combo1179")->EditText();
      });
      AnswerFinderWith(c.finderPick);
    }
    combo->lineEdit()->clear();
    testing::TypeText(*combo->lineEdit(), QString::fromUtf8(c.typed));
    testing::PressKey(*combo->lineEdit(), Qt::Key_Return, QStringLiteral("\r"));
    QCoreApplication::processEvents();
    if (c.finderPick != nullptr) {
      EXPECT_EQ(finderField, QString::fromUtf8(c.typed));
    }
    EXPECT_EQ(frame_->Code(), c.code);
    EXPECT_EQ(Messages(), c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    EXPECT_EQ(combo->currentText().toStdString(), Cp949ToUtf8(c.code == std::string("005930") ? kSamsung : kHynix));
  }
}

TEST_F(ContractWindowTest, ANameCutByTheStockListShowsInFullAsAToolTip) {
  const std::string longName = Utf8ToCp949("한국투자글로벌리츠부동산투자회사제일호");
  CodeAttr attributes;
  CodeAttrInit(&attributes);
  attributes.market = '1';
  ASSERT_EQ(book_.Insert("123450", longName.c_str(), &attributes), 1);
  QComboBox* combo = Combo();
  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(longName.c_str(), 1), 1);
  EXPECT_EQ(combo->toolTip(), FromCp949(longName));
  EXPECT_EQ(combo->itemData(combo->currentIndex(), Qt::ToolTipRole).toString(), FromCp949(longName));
  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  EXPECT_TRUE(combo->toolTip().isEmpty());
  EXPECT_FALSE(combo->itemData(combo->currentIndex(), Qt::ToolTipRole).isValid());
}

TEST_F(ContractWindowTest, FinderChoosesTheStock) {
  server_.history.pages = {Page(100000, 1)};
  AnswerFinderWith("SK하이닉스");
  Button(9034)->click();
  EXPECT_EQ(frame_->Code(), "000660");
  EXPECT_EQ(Rows(), 1);

  // The same stock again only beeps; a cancelled finder does nothing.
  AnswerFinderWith("SK하이닉스");
  Button(9034)->click();
  EXPECT_EQ(Sink().beeps, 1);
  QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
  Button(9034)->click();
  EXPECT_EQ(Sink().beeps, 1);
  EXPECT_EQ(server_.history.requests, 1);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractWindowTest, ClosingTheWindowDisconnectsWithoutUnsubscribing) {
  server_.history.pages = {Page(100000, 1)};
  ASSERT_EQ(frame_->SelectStock(kSamsung.c_str(), 1), 1);
  const std::shared_ptr<testing::ScriptedLive> live = server_.live;
  const size_t calls = live->calls.size();
  ASSERT_EQ(live->point.sinks.size(), 1u);
  dialog_.reset();
  EXPECT_TRUE(live->point.sinks.empty());
  EXPECT_EQ(live->calls.size(), calls);
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace ostrada
