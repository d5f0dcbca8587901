#pragma once
// The quote-click order window CTrdCallDlg ("호가+체결 주문창", template 151) and its panel
// CTrdBuyCallFrm (template 143): the order form at the left, the 5-level quote panel above the
// contract list at the right, the order event log along the bottom. The panel keeps the three on one
// stock, turns a click on a quoted price into the order price, and refreshes the form when an order
// was filled, confirmed or rejected.
#include <QDialog>
#include <QWidget>

#include "app/wndconpower.h"

namespace ostrada {

class CCallFrm;
class CConTbl;
class CodeInfoList;
class CTrdBuyTbl;
class CTrdEventTbl;

class CTrdBuyCallFrm : public QWidget {
  Q_OBJECT
 public:
  // mode 1 gives the 5-level quote panel and the contract list; `book` is the application's full
  // code book (null while no stocks were received), never freed here.
  CTrdBuyCallFrm(const CodeInfoList* book, int mode, QWidget* parent = nullptr);

  CTrdBuyTbl& Form() { return *form_; }
  CCallFrm& Quote() { return *quote_; }
  // Null unless mode is 1.
  CConTbl* Contracts() { return contracts_; }
  CWndConPower& Feed() { return feed_; }
  CTrdEventTbl& EventLog() { return *eventLog_; }

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

class CTrdCallDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CTrdCallDlg(const CodeInfoList* book, QWidget* parent = nullptr);

  CTrdBuyCallFrm& Frame() { return *frame_; }

 private:
  // The window always shows the 5-level quote panel.
  const int quoteMode_ = 1;
  CTrdBuyCallFrm* frame_;
};

}  // namespace ostrada
