// A switch of account, "새 연습 계좌" or "연습 계좌 열기" from the menu: the account before it is kept
// under its dates, the session runs on the new one from its clock, logged in with its clock bar, and
// the working windows that were open are open again, in their places, showing that account. The
// picker of kept accounts lists the current account and the kept ones with their clock and cash.
#include "app/reopendlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/clockbar.h"
#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/foundation/cp949.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/practice_ledgers.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"
#include "tests/support/resting_buys.h"
#include "tests/support/session_options.h"

namespace ostrada {
namespace {

using testing::kSessionDay;

constexpr int32_t kPracticeDay = 20250304;
constexpr int64_t kPracticeCash = 5'000'000;

// A switch: the menu's command with its dialog and how the dialog is answered, and the account the
// session runs on after it.
struct Switch {
  const char* name;
  bool afterPractice;  // a practice account was started first, so that the first one is kept
  int command;
  const char* dialog;
  void (*answer)(QWidget&);
  int32_t date;       // the session's clock after the switch
  int32_t hhmmss;
  const char* cash;   // the account line's 예수금
  int unfilled;       // the order form's unfilled rows, each of 10 shares
  int32_t keptFirst;  // the first day of the one kept account afterwards
};

class SwitchAccount : public ::testing::TestWithParam<Switch> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    app_ = std::make_unique<CostradaApp>(testing::SessionOptions(folder_));
    ASSERT_EQ(app_->InitInstance(), 1);
    ASSERT_EQ(app_->Session().LogIn(), 1);
    code_ = Board().Model().Rows().front().code;
    // The first account: a buy far below the market rests.
    std::string failure;
    ASSERT_EQ(testing::RestBuys(app_->Session(), *app_->AllCodes(), code_, {6}, 10, failure).size(), 1u)
        << Cp949ToUtf8(failure);
    app_->MainFrame()->Workspace().Open(kCmdQuote10)->ShowStock(code_);
    app_->MainFrame()->Workspace().Open(kCmdOrder);
    open_ = Workspace();
    ASSERT_NE(Unfilled(), nullptr);
    ASSERT_EQ(Unfilled()->rowCount(), 1);
  }

  // The picker: the current account (not to be chosen), then the first one, kept.
  void ExpectPickerOffersTheFirstAccount() {
    CReopenDlg picker(Ledger(), {}, nullptr);
    picker.show();
    const auto& rows = *picker.findChild<QTreeWidget*>(QStringLiteral("reopenList"));
    ASSERT_EQ(picker.Offered(), 1);
    EXPECT_EQ(rows.topLevelItem(0)->flags(), Qt::NoItemFlags);
    EXPECT_EQ(rows.topLevelItem(0)->text(1) + " " + rows.topLevelItem(0)->text(2),
              QStringLiteral("2025-03-04 10:00:00 5,000,000"));
    EXPECT_EQ(rows.topLevelItem(1)->text(0), QStringLiteral("2026-12-08 ~ 2026-12-08"));
    EXPECT_EQ(rows.topLevelItem(1)->text(2), QStringLiteral("100,000,000"));
    EXPECT_FALSE(testing::RenderToPng(picker, "reopen.png").isEmpty());
  }
  const std::string& Ledger() const { return app_->Options().exchange.paper.ledgerPath; }
  CHomeBoard& Board() const { return *qobject_cast<CHomeBoard*>(app_->MainFrame()->centralWidget()); }
  QString AccountLine() const { return Board().findChild<QLabel*>(QStringLiteral("accountLine"))->text(); }
  // The order form's unfilled orders, or null without the form.
  const QTableWidget* Unfilled() {
    for (WorkWindow* window : app_->MainFrame()->Workspace().Windows()) {
      if (window->Command() == kCmdOrder) {
        window->Window().findChild<QAbstractButton*>(QStringLiteral("radio1466"))->click();
        return window->Window().findChild<QTableWidget*>(QStringLiteral("list1470"));
      }
    }
    return nullptr;
  }
  // The open windows' commands and stocks, oldest first.
  std::vector<std::string> Workspace() const {
    std::vector<std::string> open;
    for (WorkWindow* window : app_->MainFrame()->Workspace().Windows())
      open.push_back(std::to_string(window->Command()) + " " + window->Code());
    return open;
  }

  testing::RecordingScope recording_;
  QTemporaryDir folder_;
  std::unique_ptr<CostradaApp> app_;
  std::string code_;
  std::vector<std::string> open_;
};

TEST_P(SwitchAccount, TheSessionAndItsWindowsRunOnTheNewAccount) {
  const Switch& change = GetParam();
  if (change.afterPractice) {
    ASSERT_EQ(app_->StartPractice({kPracticeDay, 10 * sim::kMsPerHour, kPracticeCash, 7}), 1);
    ExpectPickerOffersTheFirstAccount();
  }

  testing::WhenShown(QString::fromUtf8(change.dialog), change.answer);
  app_->MainFrame()->findChild<QAction*>(QStringLiteral("action%1").arg(change.command))->trigger();
  // The session opens again once the menu's command has returned.
  for (int turn = 0; turn < 1000 && app_->Exchange()->Clock().Date() != change.date; ++turn)
    QCoreApplication::processEvents();
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  ASSERT_EQ(app_->Exchange()->Clock().Date(), change.date);
  EXPECT_EQ(app_->Exchange()->Clock().Hhmmss(), change.hhmmss);
  EXPECT_NE(app_->MainFrame()->findChild<CClockBar*>(), nullptr);
  EXPECT_TRUE(app_->Session().LoggedIn());
  EXPECT_EQ(Workspace(), open_);
  EXPECT_TRUE(AccountLine().contains(QStringLiteral("예수금 %1 ").arg(QString::fromUtf8(change.cash))) &&
              AccountLine().contains(QStringLiteral("미체결 %1건").arg(change.unfilled)))
      << AccountLine().toStdString();
  const QTableWidget* unfilled = Unfilled();
  ASSERT_NE(unfilled, nullptr);
  ASSERT_EQ(unfilled->rowCount(), change.unfilled);
  for (int row = 0; row < change.unfilled; ++row) EXPECT_EQ(unfilled->item(row, 3)->text(), QStringLiteral("10"));
  // The account before it is kept under its dates.
  const std::vector<sim::KeptLedger> kept = sim::KeptLedgers(Ledger());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].first, change.keptFirst);
}

void AnswerPractice(QWidget& picker) {
  picker.findChild<QDateEdit*>(QStringLiteral("practiceDate"))->setDate(QDate(2025, 3, 4));
  picker.findChild<QTimeEdit*>(QStringLiteral("practiceTime"))->setTime(QTime(10, 0));
  picker.findChild<QLineEdit*>(QStringLiteral("practiceCash"))->setText(QStringLiteral("5000000"));
  picker.findChild<QPushButton*>(QStringLiteral("practiceOk"))->click();
}

void AnswerReopen(QWidget& picker) {
  picker.findChild<QPushButton*>(QStringLiteral("reopenOk"))->click();
}

INSTANTIATE_TEST_SUITE_P(
    Switches, SwitchAccount,
    ::testing::Values(Switch{"NewPractice", false, kCmdPractice, "practiceDialog", AnswerPractice, kPracticeDay,
                             100000, "5,000,000", 0, kSessionDay},
                      // Back to the first account, after a practice one: its session stood at its 09:00 start.
                      Switch{"ReopenKept", true, kCmdReopen, "reopenDialog", AnswerReopen,
                             kSessionDay, 90000, "100,000,000", 1, kPracticeDay}),
    [](const ::testing::TestParamInfo<Switch>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ostrada
