#include "app/mainfrm.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>

#include "app/homeboard.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowinfo.h"
#include "basesrc/tradingsession.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"
#include "tests/support/ticks.h"

namespace ostrada {
namespace {

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartOptions options;
    options.exchange.seed = 11;
    options.exchange.stocks = 40;
    app_ = std::make_unique<CostradaApp>(options);
    ASSERT_EQ(app_->InitInstance(), 1);
    frame_ = app_->MainFrame();
    recording_.sink.Clear();
  }

  QAction* Command(int id) const { return frame_->findChild<QAction*>(QStringLiteral("action%1").arg(id)); }
  static std::vector<std::string> Texts(const QList<QAction*>& actions) {
    std::vector<std::string> texts;
    for (const QAction* action : actions) texts.push_back(action->isSeparator() ? "|" : action->text().toStdString());
    return texts;
  }

  testing::RecordingScope recording_;
  std::unique_ptr<CostradaApp> app_;
  CMainFrame* frame_ = nullptr;
};

TEST_F(MainFrameTest, MenuHasTheItemsInOrderWithTheirMnemonics) {
  QMenuBar* menu = frame_->findChild<QMenuBar*>("menu129");
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(Texts(menu->actions()),
            (std::vector<std::string>{"끝내기(&X)", "종목선택창(&S)", "&5호가창", "&10 호가창", "체결창(&N)",
                                      "주문(&B)", "호가주문(&C)", "차트(&R)", "매매일지(&J)", "감시주문(&W)",
                                      "새 연습 계좌(&P)...", "연습 계좌 열기(&O)...", "보기(&V)", "도움말(&H)"}));
  EXPECT_EQ(Texts(frame_->findChild<QMenu*>("menuView")->actions()),
            (std::vector<std::string>{"도구 모음(&T)", "상태 표시줄(&S)", "시계 막대(&C)"}));
  EXPECT_EQ(Texts(frame_->findChild<QMenu*>("menuHelp")->actions()), std::vector<std::string>{"ostrada 정보(&A)..."});
  const int ids[] = {57665, 32792, 32784, 32782, 32786, 32788, 32790, 32794, 32796, 32798};
  for (size_t i = 0; i < std::size(ids); ++i) EXPECT_EQ(menu->actions()[i], Command(ids[i])) << ids[i];
}

TEST_F(MainFrameTest, EveryWorkingWindowItemIsEnabled) {
  for (int id :
       {kCmdFindCode, kCmdQuote5, kCmdQuote10, kCmdContract, kCmdOrder, kCmdQuoteOrder, kCmdJournal, kCmdWatches}) {
    EXPECT_TRUE(Command(id)->isEnabled()) << id;
    EXPECT_EQ(IsWorkingWindowCommand(id), id != kCmdFindCode) << id;
  }
}

// Every button does something: the working windows and the about box, no greyed editing buttons.
TEST_F(MainFrameTest, TheToolbarHoldsOnlyCommandsThatWork) {
  QToolBar* toolbar = frame_->findChild<QToolBar*>("toolbar128");
  ASSERT_NE(toolbar, nullptr);
  std::vector<int> ids;
  for (QAction* button : toolbar->actions()) {
    if (button->isSeparator()) continue;
    EXPECT_TRUE(button->isEnabled()) << button->objectName().toStdString();
    ids.push_back(button->objectName().mid(6).toInt());
  }
  EXPECT_EQ(
      ids, (std::vector<int>{kCmdQuote10, kCmdContract, kCmdOrder, kCmdQuoteOrder, kCmdChart, kCmdJournal, kCmdAbout}));
  EXPECT_FALSE(Command(kCmdAbout)->icon().isNull());
  EXPECT_EQ(toolbar->iconSize(), QSize(16, 15));
}

TEST_F(MainFrameTest, StatusBarIsReadyWithTheLockIndicators) {
  QStatusBar* bar = frame_->findChild<QStatusBar*>("statusbar59393");
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->findChild<QLabel*>("pane57345")->text().toStdString(), "준비");
  // Offscreen there is no keyboard to read, so every indicator is off (blank).
  for (const char* name : {"indicator59137", "indicator59138", "indicator59139"}) {
    QLabel* indicator = bar->findChild<QLabel*>(name);
    ASSERT_NE(indicator, nullptr) << name;
    EXPECT_TRUE(indicator->text().isEmpty()) << name;
  }
}

TEST_F(MainFrameTest, ViewItemsShowAndHideTheBars) {
  QAction* toolbarItem = Command(kCmdViewToolbar);
  QAction* statusItem = Command(kCmdViewStatusBar);
  EXPECT_TRUE(toolbarItem->isChecked());
  EXPECT_TRUE(statusItem->isChecked());
  toolbarItem->trigger();
  statusItem->trigger();
  EXPECT_FALSE(frame_->findChild<QToolBar*>("toolbar128")->isVisible());
  EXPECT_FALSE(frame_->statusBar()->isVisible());
  EXPECT_FALSE(toolbarItem->isChecked());
  statusItem->trigger();
  EXPECT_TRUE(frame_->statusBar()->isVisible());
}

TEST_F(MainFrameTest, TheClientIsTheHomeBoard) {
  auto* board = qobject_cast<CHomeBoard*>(frame_->centralWidget());
  ASSERT_NE(board, nullptr);
  EXPECT_EQ(frame_->windowTitle().toStdString(), "ostrada");
}

TEST_F(MainFrameTest, AboutBoxShowsNameAndVersion) {
  std::vector<std::string> labels;
  std::string title, ok;
  testing::WhenShown("dialog100", [&](QWidget& about) {
    title = about.windowTitle().toStdString();
    for (const QLabel* label : about.findChildren<QLabel*>()) labels.push_back(label->text().toStdString());
    QPushButton* button = about.findChild<QPushButton*>("button1");
    ok = button->text().toStdString();
    button->click();
  });
  Command(kCmdAbout)->trigger();
  EXPECT_EQ(title, "ostrada 정보");
  EXPECT_NE(std::find(labels.begin(), labels.end(), "ostrada 버전 1.0"), labels.end());
  EXPECT_EQ(ok, "확인");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(MainFrameTest, FinderCommandShowsTheChoiceAsNameAndCode) {
  const CodeInfo* stock = app_->AllCodes()->GetAt(3);
  ASSERT_NE(stock, nullptr);
  const QString name = FromCp949(stock->key.name.get());
  testing::WhenShown("dialog135", [&](QWidget& finder) {
    testing::TypeText(*finder.findChild<SimpleComboBox*>("combo1179")->Edit(), name.toLower());
    finder.findChild<QPushButton*>("button1")->click();
  });
  Command(kCmdFindCode)->trigger();
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  // Of two stocks with one name, the first one's code is given.
  const CodeInfo* first = app_->AllCodes()->FindByName(stock->key.name.get());
  EXPECT_EQ(recording_.sink.messages[0].text, std::string(stock->key.name.get()) + "(" + first->key.code + ")");
  EXPECT_EQ(recording_.sink.messages[0].CaptionUtf8(), "ostrada");
}

TEST_F(MainFrameTest, FinderCommandAfterCancelSaysNothingWasChosen) {
  testing::WhenShown("dialog135", [](QWidget& finder) {
    finder.findChild<QPushButton*>("button1439")->click();
    finder.findChild<QPushButton*>("button2")->click();
  });
  Command(kCmdFindCode)->trigger();
  EXPECT_EQ(recording_.sink.Texts(), std::vector<std::string>{"선택한 종목이 없습니다."});
}

TEST_F(MainFrameTest, ExitClosesTheFrame) {
  ASSERT_TRUE(frame_->isVisible());
  Command(kCmdExit)->trigger();
  EXPECT_FALSE(frame_->isVisible());
}

// "끝내기" while an order is open asks first (the order stays at the exchange); no answers it.
TEST_F(MainFrameTest, ExitAsksWhileOrdersAreOpen) {
  TradingSession& session = app_->Session();
  ASSERT_EQ(session.LogIn(), 1);
  const CodeInfo* stock = app_->AllCodes()->First();
  while (stock != nullptr && (stock->attr.class5 == '1' || IsPreferredShare(stock->key.code))) stock = stock->next;
  ASSERT_NE(stock, nullptr);
  NowPrice now{};
  ASSERT_EQ(session.Gate().FetchNowPrice(&now, stock->key.code), 1);
  const int32_t low = testing::TicksFrom(now.bar.close, -10);
  std::string failure;
  ASSERT_EQ(session.Gate().SendOrder(*app_->AllCodes(), session.Account().c_str(), kOrderSideBuy, stock->key.code,
                                     kOrderTypeLimit, low, 1, &failure),
            1)
      << Cp949ToUtf8(failure);
  ASSERT_EQ(session.Snapshot().OpenOrders(), 1);
  recording_.sink.Clear();
  recording_.sink.answers = {kIdNo};
  Command(kCmdExit)->trigger();
  EXPECT_TRUE(frame_->isVisible());
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_NE(recording_.sink.messages[0].Utf8().find("미체결 주문이 1건"), std::string::npos);
  recording_.sink.answers = {kIdYes};
  Command(kCmdExit)->trigger();
  EXPECT_FALSE(frame_->isVisible());
}

}  // namespace
}  // namespace ostrada
