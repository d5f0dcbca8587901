// The 감시주문 windows on the paper account: the order window's panel sets a condition the ledger
// holds and shows the core's refusal; the list window shows the conditions and cancels one; a met
// price alert marks the home board's row, beeps through the sink and writes the event log's line.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QCoreApplication>
#include <memory>
#include <string>

#include "app/qtext.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"
#include "app/trdeventtbl.h"
#include "app/watchalerts.h"
#include "app/watchdesk.h"
#include "app/watchmodel.h"
#include "app/watchpanel.h"
#include "app/watchwnd.h"
#include "basesrc/codeinfo.h"
#include "basesrc/numberformat.h"
#include "broker/sim/market/market_ladder.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"
#include "tests/gui_trading/click.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/ticks.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

constexpr int kMsPerMinute = 60'000;

class WatchWindows : public ::testing::Test {
 protected:
  WatchWindows() : exchange_(Options(folder_.Path())), server_(exchange_) {
    exchange_.Advance(60 * kMsPerMinute);  // 10:00
    book_ = StocGate().DownloadCodes(kSortByName, 0);
    desk_ = std::make_unique<WatchDesk>(exchange_);
    code_ = book_->First()->next->next->key.code;
  }
  static sim::ExchangeOptions Options(const std::string& folder) {
    sim::ExchangeOptions options;
    options.stocks = 60;
    options.tradingDate = 20261208;
    options.paper.ledgerPath = folder + "/paper.sqlite";
    return options;
  }
  int32_t Price() {
    auto price = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
    price->SetInput(0, broker::Variant::Text(code_));
    price->Request();
    return price->DataValue(3, 0).ToI4();
  }
  std::vector<sim::WatchCondition> Ledger() { return exchange_.Paper().Watches(sim::PaperAccountNumbers().back()); }
  sim::WatchCondition Alert(sim::WatchKind kind, int32_t level) {
    sim::WatchCondition alert;
    alert.code = code_;
    alert.kind = kind;
    alert.level = level;
    return alert;
  }
  template <class Widget>
  Widget& Child(QWidget& root, const char* name) {
    auto* widget = root.findChild<Widget*>(QLatin1String(name));
    if (widget == nullptr) ADD_FAILURE() << "no " << name;
    return *widget;
  }

  ScratchFolder folder_;
  RecordingScope recording_;
  sim::Exchange exchange_;
  broker::ScopedServer server_;
  std::unique_ptr<CodeInfoList> book_;
  TradingSession session_;
  std::unique_ptr<WatchDesk> desk_;
  std::string code_;
};

TEST_F(WatchWindows, ThePanelSetsAConditionTheLedgerHoldsAndShowsTheCoresRefusal) {
  CTrdDlg window(book_.get(), session_, nullptr, desk_.get());
  window.show();
  ASSERT_EQ(window.ShowStock(code_), 1);
  CWatchPanel& panel = *window.WatchPanel();
  // A stop on a stock not held: the core's words, nothing stored.
  Click(Child<QPushButton>(panel, "buttonWatchSet"));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "보유하지 않은 종목에는 손절, 이익실현, 트레일링 스탑을 걸 수 없습니다.");
  EXPECT_TRUE(Ledger().empty());

  const int32_t level = sim::TickAtOrBelow(Price() * 2);
  Child<QComboBox>(panel, "comboWatchKind").setCurrentIndex(CWatchPanel::kAlertAbove);
  Child<QSpinBox>(panel, "spinWatchWon").setValue(level);
  Click(Child<QPushButton>(panel, "buttonWatchSet"));
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
  const std::vector<sim::WatchCondition> held = Ledger();
  ASSERT_EQ(held.size(), 1u);
  EXPECT_EQ(held[0].code, code_);
  EXPECT_EQ(held[0].kind, sim::WatchKind::kAlertAbove);
  EXPECT_EQ(held[0].level, level);
  auto& rows = Child<QTableWidget>(panel, "listWatch");
  ASSERT_EQ(rows.rowCount(), 1);
  EXPECT_EQ(rows.item(0, 0)->text(), QString::number(held[0].id));
  RenderToPng(window, "watch_panel_mini.png");
}

TEST_F(WatchWindows, TheListWindowShowsTheConditionsAndCancelsTheChosenOne) {
  const int32_t price = Price();
  ASSERT_TRUE(desk_->Set(Alert(sim::WatchKind::kAlertAbove, sim::TickAtOrBelow(price * 2))).empty());
  ASSERT_TRUE(desk_->Set(Alert(sim::WatchKind::kAlertBelow, sim::TickAtOrBelow(price / 2))).empty());
  CWatchWnd window(*desk_);
  window.show();
  auto& rows = Child<QTableWidget>(window, "listWatches");
  ASSERT_EQ(rows.rowCount(), 2);
  EXPECT_EQ(rows.item(1, 1)->text(), FromCp949(desk_->NameOf(code_)));
  EXPECT_EQ(rows.item(1, 3)->text().toStdString(), FormatNumber(int64_t{sim::TickAtOrBelow(price / 2)}) + "원 이하");
  RenderToPng(window, "watch_list.png");
  rows.selectRow(0);
  Click(Child<QPushButton>(window, "buttonWatchCancel"));
  EXPECT_EQ(Ledger()[0].state, sim::WatchState::kCancelled);
  EXPECT_EQ(Ledger()[1].state, sim::WatchState::kActive);
  ASSERT_EQ(rows.rowCount(), 1);  // the ended ones only on request
  Click(Child<QCheckBox>(window, "checkWatchEnded"));
  EXPECT_EQ(rows.rowCount(), 2);
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(WatchWindows, AMetAlertMarksTheBoardsRowBeepsAndWritesTheEventLog) {
  WatchModel board;
  board.SetRows({WatchRow{code_, desk_->NameOf(code_)}});
  WatchAlerts alerts(*desk_, board);
  CTrdCallDlg window(book_.get(), session_, nullptr, desk_.get());
  // One tick each way: the market meets one of them within the hour.
  const int32_t price = Price();
  ASSERT_TRUE(desk_->Set(Alert(sim::WatchKind::kAlertAbove, testing::TicksFrom(price, 1))).empty());
  ASSERT_TRUE(desk_->Set(Alert(sim::WatchKind::kAlertBelow, testing::TicksFrom(price, -1))).empty());
  QListWidget& log = window.Frame().EventLog().OpenList();
  ASSERT_EQ(log.count(), 2);
  EXPECT_TRUE(log.item(0)->text().startsWith(QStringLiteral("[감시주문 설정] 감시번호 2 가격 알림")));
  EXPECT_FALSE(board.Marked(code_));
  for (int minute = 0; minute < 60 && !board.Marked(code_); ++minute) {
    exchange_.Advance(kMsPerMinute);
    QCoreApplication::processEvents();
  }
  ASSERT_TRUE(board.Marked(code_));
  EXPECT_TRUE(board.data(board.index(0, WatchModel::kPrice), Qt::BackgroundRole).isValid());
  EXPECT_GE(recording_.sink.beeps, 1);
  EXPECT_TRUE(log.item(0)->text().startsWith(QStringLiteral("[감시주문 실행]"))) << log.item(0)->text().toStdString();
  EXPECT_TRUE(log.item(0)->text().contains(QStringLiteral("에 충족")));
  window.show();
  RenderToPng(window, "watch_panel_quote_order.png");
}

}  // namespace
}  // namespace ostrada
