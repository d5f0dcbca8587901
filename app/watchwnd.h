#pragma once
// CWatchWnd: every standing condition (감시주문) of the paper account in one list, a window of its own
// beside the others: what each watches, the order it sends, its state and what became of it. The
// chosen one is cancelled with "감시 취소"; ended ones show on request. A double-click shows the
// row's stock in the linked windows, and a stock chosen elsewhere selects its first row.
#include <QWidget>
#include <string>

#include "app/stockwindow.h"

class QCheckBox;
class QTableWidget;

namespace ostrada {

class WatchDesk;

class CWatchWnd : public QWidget, public StockWindow {
  Q_OBJECT
 public:
  // REQUIRES: `desk` outlives the window.
  explicit CWatchWnd(WatchDesk& desk, QWidget* parent = nullptr);

  std::string StockCode() const override { return code_; }
  int ShowStock(const std::string& code) override;
  // "감시 취소", as its click runs it.
  void CancelChosen();

 private:
  void ShowRows();

  WatchDesk& desk_;
  std::string code_;
  QCheckBox* ended_;
  QTableWidget* list_;
};

}  // namespace ostrada
