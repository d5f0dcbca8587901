// The journal window on a ledger that traded two stocks over four days: each tab shows the core's
// table whole (every number right-aligned and never cut, profits and sides in red or blue) for the
// whole record and for a range, "내보내기" writes the command line's bytes, a stock's row tells the
// workspace, and a missing ledger, an empty or reversed range and an unwritable path are told.
#include <gtest/gtest.h>

#include <QDateEdit>
#include <QFileDialog>
#include <QHeaderView>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/indexbars.h"
#include "app/journalmodel.h"
#include "app/journalwnd.h"
#include "app/qtext.h"
#include "app/workspacelayout.h"
#include "app/workwindows.h"
#include "basesrc/numberformat.h"
#include "basesrc/tradingsession.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_chart/chart_fixture.h"
#include "tests/support/cli.h"
#include "tests/support/palette.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using sim::JournalView;

constexpr int32_t kDay1 = 20261207, kDay2 = 20261208, kDay3 = 20261209, kDay4 = 20261210;
constexpr uint64_t kSeed = 7;
constexpr int kStocks = 40;
const std::string kAccount = "5011223302";

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

class JournalWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchFolder;
    place_ = {scratch_->File("paper.sqlite"), kAccount, kSeed, kStocks};
    const sim::Listing listing = sim::Listing::Build(kSeed, kStocks);
    for (const sim::ListedStock& stock : listing.All())
      if (stock.class5 != '1' && stock.commonCode.empty() && codes_.size() < 2) codes_.push_back(stock.code);
    std::string problem;
    std::unique_ptr<sim::PaperLedger> ledger =
        sim::PaperLedger::Open(place_.ledgerPath, sim::PaperAccountNumbers(), 100'000'000, sim::FeeRates{}, problem);
    ASSERT_NE(ledger, nullptr) << problem;
    Trade(*ledger);
  }
  static void TearDownTestSuite() {
    delete scratch_;
    codes_.clear();
  }

  // Day 1: 100 of the first stock in two fills, 50 of the second. Day 2: 40 of the first sold above
  // cost; a buy placed and cancelled. Day 3: the second sold below cost. Day 4: 30 of the first sold,
  // 10 of the second bought again. Seven fills, eight orders.
  static void Trade(sim::PaperLedger& ledger) {
    int step = 0;
    const auto place = [&](int32_t date, int which, sim::Side side, int32_t price, int32_t quantity,
                           sim::OrderKind kind = sim::OrderKind::kOrdinary, int32_t original = 0) {
      sim::PaperOrder order;
      order.date = date;
      order.account = kAccount;
      order.code = codes_[static_cast<size_t>(which)];
      order.side = side;
      order.price = order.reservePrice = price;
      order.quantity = quantity;
      order.kind = kind;
      order.original = original;
      order.timeMs = 36'000'000 + ++step * 1000;
      order.state = kind == sim::OrderKind::kCancel ? sim::OrderState::kRecorded : sim::OrderState::kOpen;
      auto transaction = ledger.Begin();
      const int32_t number = ledger.Insert(order, *transaction);
      transaction->Commit();
      return number;
    };
    const auto fill = [&](int32_t date, int32_t number, int32_t price, int32_t quantity) {
      const int32_t time = 36'000'000 + ++step * 1000;
      ledger.RecordFill(date, number, ledger.Order(date, number)->filled, price, quantity, time, {date, time});
    };
    const int32_t first = place(kDay1, 0, sim::Side::kBuy, 10'000, 100);
    fill(kDay1, first, 10'000, 60);
    fill(kDay1, first, 10'000, 40);
    fill(kDay1, place(kDay1, 1, sim::Side::kBuy, 5'000, 50), 5'000, 50);
    fill(kDay2, place(kDay2, 0, sim::Side::kSell, 10'500, 40), 10'500, 40);
    const int32_t cancelled = place(kDay2, 0, sim::Side::kBuy, 9'000, 10);
    place(kDay2, 0, sim::Side::kBuy, 0, 10, sim::OrderKind::kCancel, cancelled);
    auto transaction = ledger.Begin();
    ledger.Withdraw(*ledger.Order(kDay2, cancelled), 10, *transaction);
    transaction->Commit();
    fill(kDay3, place(kDay3, 1, sim::Side::kSell, 4'800, 50), 4'800, 50);
    fill(kDay4, place(kDay4, 0, sim::Side::kSell, 9'900, 30), 9'900, 30);
    fill(kDay4, place(kDay4, 1, sim::Side::kBuy, 4'900, 10), 4'900, 10);
    ledger.See(kDay4, 15 * 3'600'000 + 40 * 60'000);
  }

  static sim::JournalTable Expected(JournalView view, int32_t from, int32_t to) {
    std::string problem;
    const std::optional<sim::Journal> journal = sim::OpenJournal(place_, from, to, problem);
    EXPECT_TRUE(journal.has_value()) << problem;
    return journal ? sim::TableOf(*journal, view) : sim::JournalTable{};
  }

  static void SetRange(CJournalWnd& window, int32_t from, int32_t to) {
    const auto date = [](int32_t day) { return QDate(day / 10000, day / 100 % 100, day % 100); };
    window.findChild<QDateEdit*>("journalFrom")->setDate(date(from));
    window.findChild<QDateEdit*>("journalTo")->setDate(date(to));
    window.findChild<QPushButton*>("journalShow")->click();
  }

  testing::RecordingScope recording_;
  static testing::ScratchFolder* scratch_;
  static sim::JournalPlace place_;
  static std::vector<std::string> codes_;
};
testing::ScratchFolder* JournalWindow::scratch_ = nullptr;
sim::JournalPlace JournalWindow::place_;
std::vector<std::string> JournalWindow::codes_;

struct TabCase {
  const char* name;
  JournalView view;
  int rows;       // the whole record
  int rangeRows;  // days 2 and 3
};

class JournalTabs : public JournalWindow, public ::testing::WithParamInterface<TabCase> {
 protected:
  // Every cell as the core's table has it, aligned, coloured and wide enough once its tab shows.
  static void ExpectShows(CJournalWnd& window, JournalView view, const sim::JournalTable& expected) {
    window.findChild<QTabWidget*>("journalTabs")->setCurrentIndex(static_cast<int>(view));
    const CJournalModel& model = window.Model(view);
    const QTableView& table = window.TableView(view);
    ASSERT_EQ(model.rowCount(), static_cast<int>(expected.rows.size()));
    ASSERT_EQ(model.columnCount(), static_cast<int>(expected.columns.size()));
    for (int column = 0; column < model.columnCount(); ++column) {
      const std::string key = expected.columns[static_cast<size_t>(column)].key;
      const QString title = model.headerData(column, Qt::Horizontal).toString();
      EXPECT_LT(table.fontMetrics().horizontalAdvance(title), table.columnWidth(column)) << key;
      for (int row = 0; row < model.rowCount(); ++row) {
        const sim::JournalCell& cell = expected.rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
        const QModelIndex index = model.index(row, column);
        const QString text = FromCp949(cell.isNumber ? FormatNumber(cell.number) : cell.text);
        EXPECT_EQ(index.data().toString(), text) << key << " row " << row;
        EXPECT_EQ(index.data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
                  cell.isNumber ? Qt::AlignRight : Qt::Alignment()) << key;
        EXPECT_LT(table.fontMetrics().horizontalAdvance(text), table.columnWidth(column)) << key << " row " << row;
        QColor colour;
        if ((key == "realised" || key == "unrealised") && cell.number != 0)
          colour = cell.number > 0 ? testing::kRiseRed : testing::kFallBlue;
        if (key == "side") colour = text == QStringLiteral("매수") ? testing::kRiseRed : testing::kFallBlue;
        EXPECT_EQ(index.data(Qt::ForegroundRole).value<QColor>(), colour) << key << " row " << row;
      }
    }
  }
};

TEST_P(JournalTabs, RowsAreTheCoresTableForTheWholeRecordAndForARange) {
  const TabCase& tab = GetParam();
  CJournalWnd window(place_);
  EXPECT_TRUE(recording_.sink.messages.empty());
  EXPECT_EQ(window.Model(tab.view).rowCount(), tab.rows);
  ExpectShows(window, tab.view, Expected(tab.view, 0, 0));
  EXPECT_EQ(window.findChild<QDateEdit*>("journalFrom")->date(), QDate(2026, 12, 7));
  EXPECT_EQ(window.findChild<QDateEdit*>("journalTo")->date(), QDate(2026, 12, 10));

  SetRange(window, kDay2, kDay3);
  EXPECT_TRUE(recording_.sink.messages.empty());
  EXPECT_EQ(window.Model(tab.view).rowCount(), tab.rangeRows);
  ExpectShows(window, tab.view, Expected(tab.view, kDay2, kDay3));
  for (int row = 0; row < window.Model(tab.view).rowCount() && tab.view != JournalView::kStock; ++row) {
    const QString date = window.Model(tab.view).index(row, 0).data().toString();
    EXPECT_TRUE(date == QStringLiteral("2026-12-08") || date == QStringLiteral("2026-12-09")) << date.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Tabs, JournalTabs,
                         ::testing::Values(TabCase{"Days", JournalView::kDay, 4, 2},
                                           TabCase{"Stocks", JournalView::kStock, 2, 2},
                                           TabCase{"Fills", JournalView::kFill, 7, 2},
                                           TabCase{"Orders", JournalView::kOrder, 8, 4}),
                         [](const ::testing::TestParamInfo<TabCase>& tab) { return std::string(tab.param.name); });

TEST_F(JournalWindow, ExportWritesTheCommandLinesBytesAndAFailedWriteIsTold) {
  CJournalWnd window(place_);
  SetRange(window, kDay1, kDay3);
  window.findChild<QTabWidget*>("journalTabs")->setCurrentIndex(static_cast<int>(JournalView::kFill));
  const std::string path = scratch_->File("창에서.csv");
  testing::WhenShown(QStringLiteral("journalExportDialog"), [&path](QWidget& dialog) {
    static_cast<QFileDialog&>(dialog).selectFile(QString::fromStdString(path));
    static_cast<QDialog&>(dialog).accept();
  });
  window.findChild<QPushButton*>("journalExport")->click();
  const std::string cli = scratch_->File("cli.csv");
  const testing::CliRun run = testing::RunCli("journal --ledger " + place_.ledgerPath + " --seed 7 --stocks 40" +
                                              " --from 20261207 --to 20261209 --by fill --csv " + cli);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(ReadBytes(path), ReadBytes(cli));
  EXPECT_TRUE(recording_.sink.messages.empty());

  // A folder that is not there: told, nothing made; the file written before stays whole.
  EXPECT_EQ(window.ExportTo(scratch_->File("없는폴더/x.csv")), 0);
  ASSERT_FALSE(recording_.sink.messages.empty());
  EXPECT_NE(recording_.sink.messages.back().Utf8().find("내보내기 파일을 쓸 수 없습니다"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(scratch_->File("없는폴더")));
  EXPECT_EQ(ReadBytes(path), ReadBytes(cli));
}

TEST_F(JournalWindow, AStocksRowTellsTheWorkspaceWhichSelectsItAndBringsTheWindowBack) {
  TradingSession session;
  IndexBars indexBars;
  WorkWindows workspace(nullptr, session, indexBars, nullptr);
  workspace.SetJournalPlace(place_);
  WorkWindow* opened = workspace.Open(kCmdJournal);
  ASSERT_NE(opened, nullptr);
  auto& window = static_cast<CJournalWnd&>(opened->Window());
  std::vector<std::string> told;
  QObject::connect(&window.Picks(), &StockPicks::stockPicked, [&told](const QString& code) { told.push_back(code.toStdString()); });
  window.findChild<QTabWidget*>("journalTabs")->setCurrentIndex(static_cast<int>(JournalView::kStock));
  QTableView& stocks = window.TableView(JournalView::kStock);
  const QPoint cell = stocks.visualRect(stocks.model()->index(1, 2)).center();
  testing::SendMouse(*stocks.viewport(), QEvent::MouseButtonPress, cell);
  testing::SendMouse(*stocks.viewport(), QEvent::MouseButtonRelease, cell, Qt::NoButton);
  testing::SendMouse(*stocks.viewport(), QEvent::MouseButtonDblClick, cell);
  testing::SendMouse(*stocks.viewport(), QEvent::MouseButtonRelease, cell, Qt::NoButton);
  EXPECT_EQ(told, std::vector<std::string>{codes_[1]});
  EXPECT_EQ(workspace.Link().Current().toStdString(), codes_[1]);

  // The link shows the first stock: its first fill is the journal's first row.
  EXPECT_EQ(opened->ShowStock(codes_[0]), 1);
  EXPECT_EQ(window.StockCode(), codes_[0]);
  const QModelIndexList selected = window.TableView(JournalView::kFill).selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected.front().row(), 0);

  // The workspace brings it back on its stock.
  QWidget frame;
  QSettings settings(QString::fromStdString(scratch_->File("layout.ini")), QSettings::IniFormat);
  SaveLayout(workspace, frame, settings);
  window.close();
  WorkWindows again(nullptr, session, indexBars, nullptr);
  again.SetJournalPlace(place_);
  ASSERT_EQ(RestoreLayout(again, frame, settings), 1);
  EXPECT_EQ(again.Windows().front()->Command(), kCmdJournal);
  EXPECT_EQ(again.Windows().front()->Code(), codes_[0]);
  again.CloseAll();
}

TEST_F(JournalWindow, AMissingLedgerAnEmptyRangeAndAReversedOneAreTold) {
  sim::JournalPlace missing = place_;
  missing.ledgerPath = scratch_->File("none.sqlite");
  {
    CJournalWnd window(missing);
    ASSERT_EQ(recording_.sink.messages.size(), 1u);
    EXPECT_NE(recording_.sink.messages[0].Utf8().find("모의투자 원장 파일이 없습니다"), std::string::npos);
    EXPECT_EQ(window.Model(JournalView::kDay).rowCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(missing.ledgerPath));
  }
  recording_.sink.Clear();
  CJournalWnd window(place_);
  SetRange(window, 20261201, 20261204);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_NE(recording_.sink.messages[0].Utf8().find("기간 안에 거래가 없습니다"), std::string::npos);
  EXPECT_EQ(window.Model(JournalView::kFill).rowCount(), 0);
  SetRange(window, kDay3, kDay2);
  ASSERT_EQ(recording_.sink.messages.size(), 2u);
  EXPECT_NE(recording_.sink.messages[1].Utf8().find("시작일이 종료일보다 늦습니다"), std::string::npos);
}

TEST_F(JournalWindow, Render) {
  CJournalWnd window(place_);
  window.show();
  EXPECT_FALSE(testing::RenderToPng(window, "journal_window.png").isEmpty());
  window.findChild<QTabWidget*>("journalTabs")->setCurrentIndex(static_cast<int>(JournalView::kOrder));
  EXPECT_FALSE(testing::RenderToPng(window, "journal_orders.png").isEmpty());
  window.findChild<QTabWidget*>("journalTabs")->setCurrentIndex(CJournalWnd::kEquityTab);
  EXPECT_FALSE(testing::RenderToPng(window, "journal_equity.png").isEmpty());
}

}  // namespace
}  // namespace ostrada
