#pragma once
// CChartWnd: the chart window (차트). Daily, weekly, monthly or N-minute candles of a stock or an
// exchange index, drawn by CChartView from the chart model; today's bar follows the stock's live
// contracts. A window of its own, side by side with the others.
#include <QWidget>
#include <memory>
#include <string>

#include "app/indexbars.h"
#include "app/stockwindow.h"
#include "basesrc/chartmodel.h"
#include "basesrc/stocgate.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;

namespace ostrada {

class CChartView;
class CWndConPower;
class CodeInfoList;

class CChartWnd : public QWidget, public StockWindow {
  Q_OBJECT
 public:
  // Bars asked of the server for a daily, weekly or monthly chart: the bars shown first and the
  // longest average's run before them, and more to scroll back to.
  static constexpr int32_t kDayBarsAsked = 600;
  static constexpr int32_t kMinuteBarsAsked = 400;

  // `book` is the application's full code book (null while no stocks were received); never freed here.
  // An index has no contract stream: its newest daily, weekly or monthly bar comes from `indexBars`.
  CChartWnd(const CodeInfoList* book, IndexBars& indexBars, QWidget* parent = nullptr);
  ~CChartWnd() override;

  const std::string& Code() const { return code_; }
  std::string StockCode() const override { return code_; }
  int ShowStock(const std::string& code) override;
  // Today's bar was told nothing on the way: the bars are fetched again, the skipped ones with them.
  void CatchUp() override { Reload(); }
  char Kind() const { return kind_; }
  int32_t MinuteInterval() const { return interval_; }
  const chart::ChartData& Data() const { return data_; }
  CChartView& View() { return *view_; }
  // Live contracts taken into today's bar so far.
  int64_t EventsShown() const { return eventsShown_; }

 public slots:
  // Shows the stock or index of the code (ASCII: "A005930", "U001"); an unknown code is told.
  void showStock(const QString& code);

 protected:
  bool event(QEvent* event) override;

 private:
  void BuildControls();
  void OnStockEntered();
  void OnFindButton();
  void SetKind(char kind);
  // Downloads the bars of the current code and kind and subscribes to its live contracts.
  void Reload();
  void OnContract(intptr_t lParam);
  // An index chart's newest bar, as its poll gives it.
  void OnIndexBar(const DaySeries* newest);
  void StopIndexWatch();

  const CodeInfoList* const book_;
  StocGate gate_;
  std::string code_;
  std::string name_;
  char kind_ = 'D';
  int32_t interval_ = 5;
  chart::ChartData data_;
  QLineEdit* stock_;
  QLabel* name_label_;
  QButtonGroup* kinds_;
  QComboBox* intervals_;
  IndexBars& indexBars_;
  int indexWatch_ = 0;
  CChartView* view_;
  CWndConPower* feed_;
  int64_t eventsShown_ = 0;
};

}  // namespace ostrada
