#pragma once
// The quote-click order window CTrdCallDlg ("호가+체결 주문창", template 151) and its panel
// CTrdBuyCallFrm (template 143): the order form at the left, the 5-level quote panel above the
// contract list at the right, the order event log along the bottom. The panel keeps the three on one
// stock and turns a click on a quoted price into the order price; the form itself hears from the
// trading session when an order was filled, confirmed or rejected.
#include <QDialog>
#include <QWidget>
#include <string>

#include "app/stockwindow.h"
#include "app/wndconpower.h"

namespace ostrada {

class CCallFrm;
class CConTbl;
class CodeInfoList;
class CTrdBuyTbl;
class CTrdEventTbl;
class TradingSession;
class CWatchPanel;
class WatchDesk;

class CTrdBuyCallFrm : public QWidget {
  Q_OBJECT
 public:
  // mode 1 gives the 5-level quote panel and the contract list; `book` is the application's full
  // code book (null while no stocks were received), never freed here.
  CTrdBuyCallFrm(const CodeInfoList* book, TradingSession& session, int mode, QWidget* parent = nullptr);

  CTrdBuyTbl& Form() { return *form_; }
  CCallFrm& Quote() { return *quote_; }
  // Null unless mode is 1.
  CConTbl* Contracts() { return contracts_; }
  CWndConPower& Feed() { return feed_; }
  CTrdEventTbl& EventLog() { return *eventLog_; }
  // The three panels on the stock, as if the order form had chosen it, without a pick told. 1/0.
  int ShowStock(const std::string& name, const std::string& code);

 signals:
  // The user picked the stock in one of the panels; the others already follow it.
  void stockPicked(const std::string& code);

 protected:
  bool event(QEvent* event) override;

 private:
  void LayOut();
  void ShowContracts(const std::string& code);
  void OnOrderEvent(intptr_t record);

  CWndConPower feed_;
  CTrdBuyTbl* form_;
  CCallFrm* quote_;
  CConTbl* contracts_ = nullptr;
  CTrdEventTbl* eventLog_;
};

// With a paper account's conditions to offer (`desk`, which then outlives the window), the 감시주문
// panel stands at the window's right and the event log writes the conditions' news.
class CTrdCallDlg : public QDialog, public StockWindow {
  Q_OBJECT
 public:
  CTrdCallDlg(const CodeInfoList* book, TradingSession& session, QWidget* parent = nullptr, WatchDesk* desk = nullptr);

  CTrdBuyCallFrm& Frame() { return *frame_; }
  // Null without a desk.
  CWatchPanel* WatchPanel() { return watch_; }
  // The order form's stock, which the other panels follow.
  std::string StockCode() const override;
  int ShowStock(const std::string& code) override;
  // The quote panel and the contract list fetch the market again; the order form asks again what
  // its action shows, as the mini order window does.
  void CatchUp() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // The window always shows the 5-level quote panel.
  const int quoteMode_ = 1;
  const CodeInfoList* const book_;
  CTrdBuyCallFrm* frame_;
  CWatchPanel* watch_ = nullptr;
};

}  // namespace ostrada
