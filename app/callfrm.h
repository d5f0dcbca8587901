#pragma once
// The quote window: CCallDlg (template 146) holds the header form CCallFrm (templates 139 / 137) with
// the stock choice and the stock's last price, which holds the ladder CCallTbl. The form tells its
// parent of a new stock with WM_STOCK_CHANGED (2, 0) and of a picked price with WM_PRICE_PICKED; the
// order window embeds the same form and listens to both.
#include <QDialog>
#include <QWidget>
#include <string>

#include "app/stockwindow.h"

#include "basesrc/nowfxin.h"
#include "basesrc/stocgate.h"

class QLabel;
class QPushButton;

namespace ostrada {

class CloseUpComboBox;
class CCallTbl;
class CodeInfoList;
class CWndConPower;
struct ContractRecord;

class CCallFrm : public QWidget {
  Q_OBJECT
 public:
  // `book` is the application's full code book (null while no stocks were received); never freed here.
  CCallFrm(const CodeInfoList* book, int mode, QWidget* parent = nullptr);

  // Makes the stock current (CP949 texts; an empty code is looked up by name), shows its price and
  // sets the ladder to it. 1/0; a failure is shown or reported and leaves the header blank.
  int SetStock(const std::string& name, const std::string& code);
  // From now on the header's price, change, rate and volume follow each contract of the stock, not
  // only the price fetched when the stock was set (both quote windows ask for it).
  void FollowContracts();
  // Fetches the current stock's price and book again, as choosing it does (after a jump of the clock).
  void CatchUp();

  // The stock choice's close-up (its list closed, or Enter in its edit field) and the "?" button.
  void OnComboCloseUp();
  void OnFindButton();

  const std::string& Name() const { return name_; }
  const std::string& Code() const { return code_; }
  int32_t PickedPrice() const { return pickedPrice_; }
  CCallTbl& Table() { return *table_; }

  bool event(QEvent* event) override;

 private:
  void ClearHeader();
  void ShowPrice();
  void OnContract(intptr_t tape);
  void ChooseStock(const std::string& name, const std::string& code);
  void LayOut();

  const CodeInfoList* const book_;
  const int mode_;
  const int rateColumn_ = 1;
  std::string name_;
  std::string code_;
  NowPrice price_{};
  StocGate gate_;
  int32_t pickedPrice_ = 0;
  CloseUpComboBox* combo_;
  QLabel* code9028_;
  QPushButton* find9034_;
  QLabel* halted_;  // "거래정지" for a stock that does not trade today
  QLabel* last9029_;
  QLabel* change9030_;
  QLabel* rate9031_;
  QLabel* volume9032_;
  CCallTbl* table_;
  CWndConPower* contracts_ = nullptr;  // a child: Qt deletes it with the form
};

class CCallDlg : public QDialog, public StockWindow {
  Q_OBJECT
 public:
  // mode 1: the 5-level window (command 32784); any other value: the 10-level one (32782).
  CCallDlg(const CodeInfoList* book, int mode, QWidget* parent = nullptr);

  CCallFrm& Form() { return *form_; }
  std::string StockCode() const override;
  int ShowStock(const std::string& code) override;
  void CatchUp() override { form_->CatchUp(); }

 protected:
  // The panel's WM_STOCK_CHANGED: the user picked a stock in it.
  bool event(QEvent* event) override;

 private:
  const CodeInfoList* const book_;
  CCallFrm* form_;
};

}  // namespace ostrada
