// At ×1000 each beat of the pump moves the session fifty seconds: the contract list and the order
// window's event log still take every contract and every fill of the way, none dropped, and the home
// board's index strip, which no event tells, keeps the session's pace, not the wall's, and the order
// window follows orders sent from elsewhere and the close.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/serverlink.h"
#include "app/sessionpace.h"
#include "app/trdeventtbl.h"
#include "app/workwindows.h"
#include "basesrc/coninfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/support/recording_sink.h"
#include "tests/support/resting_buys.h"
#include "tests/support/session_options.h"

namespace ostrada {
namespace {

TEST(FastClock, TheContractListAndTheEventLogDropNothingAtTimesAThousand) {
  testing::RecordingScope recording;
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  int64_t wall = testing::kStandingWall;
  StartOptions options = testing::SessionOptions(folder, [&wall] { return wall; });
  options.speedChosen = true;
  CostradaApp app(options);
  ASSERT_EQ(app.InitInstance(), 1);
  ASSERT_EQ(app.Session().LogIn(), 1);
  CMainFrame& frame = *app.MainFrame();
  const std::string code = qobject_cast<CHomeBoard*>(frame.centralWidget())->Model().Rows().front().code;
  WorkWindow* contracts = frame.Workspace().Open(kCmdContract);
  WorkWindow* order = frame.Workspace().Open(kCmdQuoteOrder);
  ASSERT_TRUE(contracts != nullptr && order != nullptr);
  contracts->ShowStock(code);
  order->ShowStock(code);
  // Buys one to five ticks below the opening price: the day's moves fill some of them, in parts.
  std::string failure;
  ASSERT_EQ(testing::RestBuys(app.Session(), *app.AllCodes(), code, {1, 2, 3, 4, 5}, 300, failure).size(), 5u)
      << Cp949ToUtf8(failure);
  // Sent from elsewhere, the buys were told to the open window by their acceptance: it holds their cash back.
  const QTableWidget* cash = order->Window().findChild<QTableWidget*>(QStringLiteral("list1422"));
  ASSERT_NE(cash, nullptr);
  TradeAbleInfo account{};
  ASSERT_EQ(app.Session().Gate().BuyableAmount(app.Session().Account().c_str(), "", kOrderTypeLimit, 0, &account), 1);
  EXPECT_LT(account.availableAmount, account.totalDeposit);
  EXPECT_EQ(cash->item(0, 1)->text().toStdString(), FormatNumber(account.availableAmount));
  QComboBox& log = order->Window().findChild<CTrdEventTbl*>()->DropDown();
  const int accepted = log.count();

  sim::Exchange& exchange = *app.Exchange();
  exchange.SetSpeed(1000);
  // The index strip's poll beats with the pump, as its timer does.
  const QList<SessionPace*> paces = app.Indexes().findChildren<SessionPace*>();
  ASSERT_EQ(paces.size(), 1);
  while (exchange.Clock().TimeOfDay() < sim::kCloseMs + 30 * sim::kMsPerMinute) {
    wall += ServerLink::kPumpIntervalMs;
    exchange.Pump();
    paces.front()->Beat();
    QCoreApplication::sendPostedEvents();
  }

  StocGate gate;
  const std::unique_ptr<ContractTape> tape = gate.DownloadAllContracts(code.c_str(), code.c_str());
  ASSERT_NE(tape, nullptr);
  // The list shows the regular session's trades; the auctions' expected prices are no contracts.
  int trades = 0;
  for (const ContractNode* node = tape->Head(); node != nullptr; node = node->next) trades += node->record.phase == '2';
  ASSERT_GT(trades, 1000);
  EXPECT_EQ(contracts->Window().findChild<QTableView*>(QStringLiteral("list1386"))->model()->rowCount(), trades);
  // One line a fill: an expiry at the close tells nothing.
  const size_t fills = exchange.Paper().Ledger().Fills().size();
  ASSERT_GT(fills, 0u);
  EXPECT_EQ(static_cast<size_t>(log.count() - accepted), fills);
  // Fifty seconds of the session a beat: the strip asked at every one, so asking again changes nothing.
  const QLabel* strip = frame.findChild<QLabel*>(QStringLiteral("indexU001"));
  ASSERT_NE(strip, nullptr);
  const std::string shown = strip->text().toStdString();
  ASSERT_TRUE(app.Indexes().Refresh());
  EXPECT_EQ(strip->text().toStdString(), shown);
  // The buys left open ended with the day, which no notice tells: the order window fetched the
  // account when the running clock passed the close, and shows all of the cash free again.
  ASSERT_EQ(app.Session().Gate().BuyableAmount(app.Session().Account().c_str(), "", kOrderTypeLimit, 0, &account), 1);
  EXPECT_EQ(account.availableAmount, account.totalDeposit);
  EXPECT_EQ(cash->item(0, 1)->text().toStdString(), FormatNumber(account.availableAmount));
  EXPECT_TRUE(recording.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
