// After a jump of the account's clock every open window shows what a window opened at that moment
// shows: each kind of window of a workspace is compared with a fresh one of its kind.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "app/chartwnd.h"
#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/watchlist.h"
#include "broker/sim/account_clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "tests/support/recording_sink.h"
#include "tests/support/resting_buys.h"
#include "tests/support/session_options.h"
#include "tests/support/shown_window.h"

namespace ostrada {
namespace {

using testing::Shown;
using testing::WhatIsShown;

// The window under comparison: a command of the menu, the chart on one of its kinds, or the board.
struct WindowKind {
  const char* name;
  int command;     // 0: the home board
  char chartKind;  // a chart's kind button, else 0
};

class CatchUp : public ::testing::TestWithParam<WindowKind> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    app_ = std::make_unique<CostradaApp>(testing::SessionOptions(folder_));
    ASSERT_EQ(app_->InitInstance(), 1);
    frame_ = app_->MainFrame();
    ASSERT_EQ(app_->Session().LogIn(), 1);
    // The board's first row: the day's most traded stock.
    ASSERT_FALSE(board().Model().Rows().empty());
    code_ = board().Model().Rows().front().code;
    PlaceRestingOrders();
  }
  CHomeBoard& board() const { return *qobject_cast<CHomeBoard*>(frame_->centralWidget()); }

  // Five buys below the market, which rest: no notice tells the queues ahead of them shrinking.
  void PlaceRestingOrders() {
    std::string failure;
    ASSERT_EQ(testing::RestBuys(app_->Session(), *app_->AllCodes(), code_, {6, 7, 8, 9, 10}, 10, failure).size(), 5u)
        << Cp949ToUtf8(failure);
  }

  // The window of the kind on the stock (the frame's board for the board).
  QWidget* Open() {
    const WindowKind& kind = GetParam();
    if (kind.command == 0) return &board();
    WorkWindow* window = frame_->Workspace().Open(kind.command);
    if (window == nullptr) return nullptr;
    window->Toggle().setChecked(false);
    window->ShowStock(code_);
    // The order forms show their unfilled orders, with the queue ahead of each.
    if (auto* cancel = window->Window().findChild<QAbstractButton*>(QStringLiteral("radio1466"))) cancel->click();
    if (kind.chartKind != 0) {
      window->Window().findChild<QPushButton*>(QStringLiteral("chartKind%1").arg(QChar(kind.chartKind)))->click();
    }
    return &window->Window();
  }
  QWidget* OpenFresh() {
    if (GetParam().command != 0) return Open();
    // A board on the same watchlist: a new user's list is the most traded stocks of its moment.
    std::vector<WatchEntry> entries;
    for (const WatchRow& row : board().Model().Rows()) entries.push_back({row.code, row.name});
    const std::string path = folder_.filePath(QStringLiteral("watchlist.txt")).toStdString();
    if (SaveWatchlist(path, entries, "watch") != 1) return nullptr;
    fresh_ = std::make_unique<CHomeBoard>(app_->AllCodes(), app_->Session(), app_->Indexes(), nullptr, path);
    return fresh_.get();
  }

  // The window, opened before the clock moved, shows what a fresh one shows now.
  void ExpectShowsAsAFreshOne(QWidget& window) {
    QWidget* fresh = OpenFresh();
    ASSERT_NE(fresh, nullptr);
    const Shown after = WhatIsShown(window);
    const Shown now = WhatIsShown(*fresh);
    EXPECT_EQ(after.labels, now.labels);
    EXPECT_EQ(after.bars, now.bars);
    ASSERT_EQ(after.tables.size(), now.tables.size());
    for (size_t t = 0; t < now.tables.size(); ++t) {
      const auto& [name, rows] = now.tables[t];
      SCOPED_TRACE(name);
      const std::vector<std::string>& caughtUp = after.tables[t].second;
      // A contract list keeps what it showed before the jump under the latest page, with the gap
      // between them marked: an hour of a busy stock is more than a page.
      if (name == "list1386") {
        ASSERT_GT(caughtUp.size(), rows.size());
        EXPECT_EQ(std::vector<std::string>(caughtUp.begin(), caughtUp.begin() + static_cast<long>(rows.size())), rows);
        EXPECT_EQ(caughtUp[rows.size()], "(중략)||||");
      } else {
        EXPECT_EQ(caughtUp, rows);
      }
    }
    EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  }

  testing::RecordingScope recording_;
  QTemporaryDir folder_;
  std::unique_ptr<CostradaApp> app_;
  CMainFrame* frame_ = nullptr;
  std::string code_;
  std::unique_ptr<CHomeBoard> fresh_;
};

TEST_P(CatchUp, AWindowAfterAJumpShowsWhatAFreshOneShows) {
  // A minute in, the contract lists have rows of their own before the jump.
  frame_->findChild<QAction*>(QStringLiteral("clockOneMinute"))->trigger();
  QWidget* window = Open();
  ASSERT_NE(window, nullptr);
  frame_->findChild<QAction*>(QStringLiteral("clockOneHour"))->trigger();
  ASSERT_EQ(app_->Exchange()->Clock().Hhmmss(), 100100);
  ExpectShowsAsAFreshOne(*window);
}

// A command line on the same ledger jumps the account's clock; the program's next step follows it,
// and the windows catch up as after the bar's own jump.
class CatchUpAfterAnotherProcess : public CatchUp {};

TEST_P(CatchUpAfterAnotherProcess, AWindowShowsWhatAFreshOneShows) {
  frame_->findChild<QAction*>(QStringLiteral("clockOneMinute"))->trigger();
  QWidget* window = Open();
  ASSERT_NE(window, nullptr);
  {
    sim::ExchangeOptions options = app_->Options().exchange;
    options.tradingDate = 0;  // the account's clock, as the command line starts
    sim::Exchange commandLine(options);
    ASSERT_FALSE(sim::Jump(commandLine, {testing::kSessionDay, 10 * sim::kMsPerHour + 60'000}).refused);
  }
  app_->Exchange()->Step(0);
  ASSERT_EQ(app_->Exchange()->Clock().Hhmmss(), 100100);
  ExpectShowsAsAFreshOne(*window);
}

INSTANTIATE_TEST_SUITE_P(Windows, CatchUpAfterAnotherProcess,
                         ::testing::Values(WindowKind{"Board", 0, 0}, WindowKind{"QuoteOrder", kCmdQuoteOrder, 0}),
                         [](const ::testing::TestParamInfo<WindowKind>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Windows, CatchUp,
                         ::testing::Values(WindowKind{"Board", 0, 0}, WindowKind{"Quote10", kCmdQuote10, 0},
                                           WindowKind{"Quote5", kCmdQuote5, 0},
                                           WindowKind{"Contracts", kCmdContract, 0},
                                           WindowKind{"MiniOrder", kCmdOrder, 0},
                                           WindowKind{"QuoteOrder", kCmdQuoteOrder, 0},
                                           WindowKind{"DayChart", kCmdChart, 'D'},
                                           WindowKind{"MinuteChart", kCmdChart, 'B'}),
                         [](const ::testing::TestParamInfo<WindowKind>& info) { return info.param.name; });

}  // namespace
}  // namespace ostrada
