// "연습 계좌 열기": the picker lists the current account and the kept ones with their clock and cash;
// after a new practice account and after reopening a kept one, the working windows that were open
// are open again, in their places, on the account the session now runs on.
#include "app/reopendlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>
#include <string>

#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowinfo.h"
#include "basesrc/priceinfo.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"
#include "tests/support/session_options.h"

namespace ostrada {
namespace {

using testing::kSessionDay;
constexpr int64_t kPracticeCash = 5'000'000;

class ReopenAccount : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    app_ = std::make_unique<CostradaApp>(testing::SessionOptions(folder_));
    ASSERT_EQ(app_->InitInstance(), 1);
    ASSERT_EQ(app_->Session().LogIn(), 1);
    code_ = Board().Model().Rows().front().code;
  }
  const std::string& Ledger() const { return app_->Options().exchange.paper.ledgerPath; }
  CHomeBoard& Board() const { return *qobject_cast<CHomeBoard*>(app_->MainFrame()->centralWidget()); }
  QString AccountLine() const { return Board().findChild<QLabel*>(QStringLiteral("accountLine"))->text(); }
  // The order form's window, on its unfilled orders.
  QWidget& OrderWindow() {
    for (WorkWindow* window : app_->MainFrame()->Workspace().Windows()) {
      if (window->Command() == kCmdOrder) {
        window->Window().findChild<QAbstractButton*>(QStringLiteral("radio1466"))->click();
        return window->Window();
      }
    }
    ADD_FAILURE() << "no order window";
    return *app_->MainFrame();
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
};

TEST_F(ReopenAccount, TheWindowsShowTheAccountTheSessionRunsOnAfterEachSwitch) {
  // The first account: a buy far below the market rests.
  NowPrice now{};
  ASSERT_EQ(app_->Session().Gate().FetchNowPrice(&now, code_.c_str()), 1);
  std::string failure;
  ASSERT_EQ(app_->Session().Gate().SendOrder(*app_->AllCodes(), app_->Session().Account().c_str(), kOrderSideBuy,
                                             code_.c_str(), kOrderTypeLimit,
                                             now.bar.close - 6 * PriceTick(now.bar.close), 10, &failure),
            1)
      << Cp949ToUtf8(failure);
  app_->MainFrame()->Workspace().Open(kCmdQuote10)->ShowStock(code_);
  app_->MainFrame()->Workspace().Open(kCmdOrder);
  const std::vector<std::string> open = Workspace();
  ASSERT_EQ(OrderWindow().findChild<QTableWidget*>(QStringLiteral("list1470"))->rowCount(), 1);

  ASSERT_EQ(app_->StartPractice({20250304, 10 * sim::kMsPerHour, kPracticeCash, 7}), 1);
  EXPECT_EQ(Workspace(), open);
  EXPECT_TRUE(AccountLine().contains(QStringLiteral("예수금 5,000,000 ")) && AccountLine().contains(QStringLiteral("미체결 0건")))
      << AccountLine().toStdString();
  EXPECT_EQ(OrderWindow().findChild<QTableWidget*>(QStringLiteral("list1470"))->rowCount(), 0);

  // The picker: the current account (not to be chosen), then the first one, kept.
  {
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

  // The menu reopens it; the session opens again once the command has returned.
  testing::WhenShown(QStringLiteral("reopenDialog"), [](QWidget& shown) {
    shown.findChild<QPushButton*>(QStringLiteral("reopenOk"))->click();
  });
  app_->MainFrame()->findChild<QAction*>(QStringLiteral("action%1").arg(kCmdReopen))->trigger();
  for (int turn = 0; turn < 1000 && app_->Exchange()->Clock().Date() != kSessionDay; ++turn) QCoreApplication::processEvents();
  ASSERT_EQ(app_->Exchange()->Clock().Date(), kSessionDay);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  EXPECT_EQ(Workspace(), open);
  EXPECT_TRUE(AccountLine().contains(QStringLiteral("예수금 100,000,000 ")) &&
              AccountLine().contains(QStringLiteral("미체결 1건")))
      << AccountLine().toStdString();
  const auto& unfilled = *OrderWindow().findChild<QTableWidget*>(QStringLiteral("list1470"));
  ASSERT_EQ(unfilled.rowCount(), 1);
  EXPECT_EQ(unfilled.item(0, 3)->text(), QStringLiteral("10"));
}

}  // namespace
}  // namespace ostrada
