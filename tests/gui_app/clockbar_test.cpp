// The clock bar and the status bar's clock panes, driven as a trader drives them: speeds changed
// while the session runs and remembered, holding and running, jumps, a clock another process moves,
// a live clock that has no bar, and a jump the ledger refuses.
#include "app/clockbar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>

#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int32_t kFriday = 20261211;
constexpr int64_t kWallStart = 1'796'000'000'000;

class ClockBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    QSettings().remove(QStringLiteral("clock"));
  }
  void Start(sim::ClockMode clock = sim::ClockMode::kSession, bool speedChosen = false) {
    frame_ = nullptr;
    app_.reset();
    StartOptions options;
    options.exchange.seed = 11;
    options.exchange.stocks = 40;
    options.exchange.clock = clock;
    options.exchange.tradingDate = kFriday;
    options.exchange.wallClock = [this] { return wall_; };
    options.exchange.paper.ledgerPath = Ledger();
    options.speedChosen = speedChosen;
    if (speedChosen) options.exchange.speed = 3;
    app_ = std::make_unique<CostradaApp>(options);
    ASSERT_EQ(app_->InitInstance(), 1);
    frame_ = app_->MainFrame();
    recording_.sink.Clear();
  }
  std::string Ledger() const { return folder_.filePath(QStringLiteral("paper.sqlite")).toStdString(); }
  QAction* Command(const char* name) const { return frame_->findChild<QAction*>(QLatin1String(name)); }
  std::string Pane(const char* name) const {
    return frame_->statusBar()->findChild<QLabel*>(QLatin1String(name))->text().toStdString();
  }
  std::vector<std::string> Panes() const { return {Pane("paneClockDate"), Pane("paneClockTime"), Pane("paneClockState")}; }
  sim::Exchange& Exchange() const { return *app_->Exchange(); }
  void Pump(int64_t wallMs) {
    wall_ += wallMs;
    Exchange().Pump();
  }

  testing::RecordingScope recording_;
  QTemporaryDir folder_;
  int64_t wall_ = kWallStart;
  std::unique_ptr<CostradaApp> app_;
  CMainFrame* frame_ = nullptr;
};

struct CommandCase {
  const char* name;
  const char* text;
  const char* key;
};

TEST_F(ClockBarTest, TheBarOffersEachCommandWithItsShortcutInItsTip) {
  Start();
  auto* bar = frame_->findChild<QToolBar*>(QStringLiteral("toolbarClock"));
  ASSERT_NE(bar, nullptr);
  const CommandCase commands[] = {
      {"clockRun", "❚❚", "Ctrl+Space"},          {"clockSpeed1", "×1", "Ctrl+1"},
      {"clockSpeed2", "×2", "Ctrl+2"},             {"clockSpeed5", "×5", "Ctrl+3"},
      {"clockSpeed10", "×10", "Ctrl+4"},           {"clockSpeed30", "×30", "Ctrl+5"},
      {"clockSpeed100", "×100", "Ctrl+6"},         {"clockSpeed1000", "×1000", "Ctrl+7"},
      {"clockOneMinute", "+1분", "Ctrl+Right"},    {"clockTenMinutes", "+10분", "Ctrl+Shift+Right"},
      {"clockOneHour", "+1시간", "Ctrl+PgDown"},   {"clockToClose", "장 마감까지", "Ctrl+End"},
      {"clockNextDay", "다음 거래일", "Ctrl+Shift+End"}};
  std::vector<std::string> order;
  for (QAction* action : bar->actions()) {
    if (!action->isSeparator()) order.push_back(action->objectName().toStdString());
  }
  ASSERT_EQ(order.size(), std::size(commands));
  for (size_t i = 0; i < order.size(); ++i) {
    const CommandCase& command = commands[i];
    EXPECT_EQ(order[i], command.name);
    QAction* action = Command(command.name);
    EXPECT_EQ(action->text().toStdString(), command.text);
    EXPECT_EQ(action->shortcut().toString().toStdString(), command.key);
    EXPECT_TRUE(action->toolTip().endsWith(QStringLiteral(" (%1)").arg(QLatin1String(command.key))))
        << action->toolTip().toStdString();
  }
  EXPECT_TRUE(Command("clockSpeed1")->isChecked()) << "a new user's speed";
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-11 (금)", "09:00:00", "장중"}));
  EXPECT_TRUE(frame_->findChild<QMenu*>("menuView")->actions().contains(bar->toggleViewAction()));
}

TEST_F(ClockBarTest, ASpeedChangedWhileRunningIsRememberedAndHoldingStopsTheClock) {
  Start();
  Pump(2000);
  EXPECT_EQ(Pane("paneClockTime"), "09:00:02");
  Command("clockSpeed30")->trigger();
  Pump(2000);
  EXPECT_EQ(Pane("paneClockTime"), "09:01:02") << "2 s at x30 after 2 s at x1";
  Command("clockRun")->trigger();
  EXPECT_EQ(Command("clockRun")->text().toStdString(), "▶");
  Pump(60'000);
  EXPECT_EQ(Pane("paneClockTime"), "09:01:02") << "held";
  Command("clockRun")->trigger();
  Pump(1000);
  EXPECT_EQ(Pane("paneClockTime"), "09:01:32") << "the held minute is never owed";

  // The next start takes the speed remembered; one the command line chose wins over it.
  Start();
  EXPECT_EQ(Exchange().Speed(), 30);
  EXPECT_TRUE(Command("clockSpeed30")->isChecked());
  Start(sim::ClockMode::kSession, true);
  EXPECT_EQ(Exchange().Speed(), 3);
  for (int speed : CClockBar::kSpeeds) EXPECT_FALSE(Command(("clockSpeed" + std::to_string(speed)).c_str())->isChecked());
  // A speed the bar does not offer, in an edited settings file, is passed over.
  QSettings().setValue(QStringLiteral("clock/speed"), 7);
  Start();
  EXPECT_EQ(Exchange().Speed(), 1);
}

TEST_F(ClockBarTest, JumpsMoveTheAccountsClockAndThePanesFollow) {
  Start();
  Command("clockTenMinutes")->trigger();
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-11 (금)", "09:10:00", "장중"}));
  Command("clockToClose")->trigger();
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-11 (금)", "15:00:00", "장 마감"}));
  EXPECT_FALSE(Command("clockToClose")->isEnabled()) << "the close has passed";
  Command("clockNextDay")->trigger();
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-14 (월)", "08:00:00", "동시호가"}));
  EXPECT_TRUE(Command("clockToClose")->isEnabled());
  Command("clockOneHour")->trigger();
  Command("clockOneMinute")->trigger();
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-14 (월)", "09:01:00", "장중"}));
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(ClockBarTest, AClockAnotherProcessMovesShowsInThePanes) {
  Start();
  sim::ExchangeOptions other;
  other.seed = 11;
  other.stocks = 40;
  other.tradingDate = kFriday;
  other.paper.ledgerPath = Ledger();
  sim::Exchange commandLine(other);
  ASSERT_FALSE(sim::Jump(commandLine, {kFriday, 11 * sim::kMillisecondsPerHour}).refused);
  // The program's next pump follows the account's clock.
  Exchange().Step(0);
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-11 (금)", "11:00:00", "장중"}));
}

TEST_F(ClockBarTest, ALiveClockHasNoBarButItsPanes) {
  wall_ = sim::KoreanUnixMilliseconds(20261212, 10 * sim::kMillisecondsPerHour);
  Start(sim::ClockMode::kLive);
  EXPECT_EQ(frame_->findChild<QToolBar*>(QStringLiteral("toolbarClock")), nullptr);
  EXPECT_EQ(Command("clockToClose"), nullptr);
  EXPECT_EQ(Panes(), (std::vector<std::string>{"2026-12-12 (토)", "10:00:00", "휴장"}));
}

TEST_F(ClockBarTest, AJumpWhileAnotherProcessHoldsTheLedgerIsRefusedAndNothingMoves) {
  Start();
  sim::SqliteDb other(Ledger(), false);
  other.Execute("BEGIN IMMEDIATE");
  Command("clockOneHour")->trigger();
  other.Execute("ROLLBACK");
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_NE(recording_.sink.messages[0].Utf8().find("다른 프로그램이 계좌 장부를 쓰고 있어"), std::string::npos);
  EXPECT_EQ(Pane("paneClockTime"), "09:00:00");
  EXPECT_EQ(Exchange().Clock().TimeOfDay(), 9 * sim::kMillisecondsPerHour);
}

}  // namespace
}  // namespace ostrada
