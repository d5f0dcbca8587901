#pragma once
// CJournalWnd: the trading journal (매매일지) of the paper account, a window of its own beside the
// others. For a date range it shows the record by day, by stock, by fill and by order, the totals a
// trader judges a record by, and the equity curve drawn by the chart view; "내보내기" writes the tab's
// table as the command line's CSV. It reads the ledger and never writes to it; every figure is the
// core's. A double-click on a stock's row shows the stock in the linked windows.
#include <QWidget>
#include <array>
#include <map>
#include <memory>
#include <string>

#include "app/stockwindow.h"
#include "basesrc/chartmodel.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_journal_market.h"
#include "broker/sim/paper/paper_journal_table.h"

class QDateEdit;
class QLabel;
class QTabWidget;
class QTableView;

namespace ostrada {

class CChartView;
class CJournalModel;

// The record of the program's paper account: the exchange's ledger and listing, the login's account.
sim::JournalPlace JournalPlaceOf(const sim::ExchangeOptions& exchange);

class CJournalWnd : public QWidget, public StockWindow {
  Q_OBJECT
 public:
  // The tabs in order: the four tables (as sim::JournalView numbers them), then the equity curve.
  static constexpr int kTableTabs = 4;
  static constexpr int kEquityTab = kTableTabs;

  // Opens the whole record of the account at `place` at once; a ledger that cannot be read is told.
  explicit CJournalWnd(sim::JournalPlace place, QWidget* parent = nullptr);
  ~CJournalWnd() override;

  std::string StockCode() const override { return code_; }
  // Selects the stock's rows in the tables that list stocks; a stock without trades selects none.
  int ShowStock(const std::string& code) override;

  // Reads the record again for the range in the date boxes. 1, or 0 after telling the user why (a
  // reversed range, a ledger that cannot be read: the tables then empty). A range without trades is
  // told and shown as it is.
  int ShowRange();
  // Writes the current tab's table (the equity tab: the days') as CSV to `path` (the file system's
  // bytes), the whole file or none. 1, or 0 after telling the user.
  int ExportTo(const std::string& path);

  const sim::Journal& Journal() const { return *journal_; }
  CJournalModel& Model(sim::JournalView view) const { return *models_[static_cast<size_t>(view)]; }
  QTableView& TableView(sim::JournalView view) const { return *views_[static_cast<size_t>(view)]; }
  const chart::ChartData& Equity() const { return equity_; }

 private:
  void BuildControls();
  QLayout* BuildTotals();
  void ShowJournal();
  void ShowTotals();
  // Sizes the current tab's columns to its cells the first time it shows this journal: a long
  // table is measured only when someone looks at it.
  void SizeShownTab();
  void SizeColumns(QTableView& view) const;
  // "내보내기": asks where, then writes.
  void OnExport();
  void OnRowActivated(sim::JournalView view, int row);
  sim::JournalView ExportedView() const;

  const sim::JournalPlace place_;
  std::string code_;
  std::shared_ptr<const sim::Journal> journal_;
  chart::ChartData equity_;
  QDateEdit* from_;
  QDateEdit* to_;
  QTabWidget* tabs_;
  std::array<CJournalModel*, kTableTabs> models_{};
  std::array<QTableView*, kTableTabs> views_{};
  std::array<bool, kTableTabs> sized_{};
  CChartView* chart_;
  QLabel* thousands_;
  std::map<std::string, QLabel*> totals_;  // by the figure's key
};

}  // namespace ostrada
