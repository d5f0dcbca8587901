#pragma once
// The order form CTrdBuyTbl (template 144): the user logs in to trading, sees the buying power, the
// holdings or the unfilled orders of the account, and sends buy, sell, modify and cancel orders of
// the current stock. It lives alone in the mini order window CTrdDlg ("미니주문", template 145) or
// beside the quote panel in the quote-click order window. A new stock chosen in the form is told to
// the parent with WM_STOCK_CHANGED (1, 0). Each order is shown for confirmation before it is sent
// (unless the user turned that off) and acknowledged in the form with its number.
//
// The form's code lives in four files along its seams: trdbuytbl.cpp (the controls, the action and
// the stock), trdbuytbl_options.cpp (the presets), trdbuytbl_lists.cpp (the account, holdings and
// unfilled lists and their rows) and trdbuytbl_send.cpp (confirming, sending, acknowledging).
#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/stockwindow.h"
#include "app/trdbuyopt.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace ostrada {

class CloseUpComboBox;
class CodeInfoList;
class CWatchPanel;
class WatchDesk;
class TrdRunList;
struct TrdRunInfo;
class TrdYetList;

class CTrdBuyTbl : public QWidget {
  Q_OBJECT
 public:
  // Control ids of the action, order-type and part/all radios.
  enum Control : int {
    kBuy = 1463,
    kSell = 1464,
    kModify = 1465,
    kCancel = 1466,
    kLimit = 1418,
    kMarket = 1419,
    kPart = 1471,
    kAll = 1472,
  };

  // `book` is the application's full code book (null while no stocks were received); never freed here.
  // `session` is the process's trading login, shared with every other window; it outlives the form.
  CTrdBuyTbl(const CodeInfoList* book, TradingSession& session, QWidget* parent = nullptr);
  ~CTrdBuyTbl() override;
  CTrdBuyTbl(const CTrdBuyTbl&) = delete;
  CTrdBuyTbl& operator=(const CTrdBuyTbl&) = delete;

  // Makes the stock current (CP949) and applies the options of the current action. 1/0.
  int SetStock(const std::string& name, const std::string& code);
  // A price picked elsewhere: shown in the price edit of a limit order; a market order only beeps.
  void SetPrice(int32_t price);
  // "조회": asks the server again for what the current action shows.
  void Refresh();
  // An order of the account was filled, confirmed or rejected (the session heard it): refreshes what
  // the action shows when logged in (silently nothing otherwise). While the form sends an order it
  // waits: the send refreshes once it has the answer.
  void RefreshAfterOrderEvent();

  // The button and radio commands, as their clicks run them.
  void Login();
  void ChooseAction(int id);
  void ChooseOrderType(int id);
  void ChoosePartOrAll(int id);
  void Send();
  void ClearStock();
  void OpenOptions();
  void OnFindButton();

  const std::string& Name() const { return name_; }
  const std::string& Code() const { return code_; }
  const std::string& Account() const { return session_.Account(); }
  int Action() const { return action_; }
  int32_t LastOrderNumber() const { return gate_.LastOrderNumber(); }
  TradingSession& Session() { return session_; }
  const TradeOptions& BuyOptions() const { return buyOptions_; }
  const TradeOptions& SellOptions() const { return sellOptions_; }
  const TrdRunList* Holdings() const { return holdings_.get(); }
  const TrdYetList* Unfilled() const { return unfilled_.get(); }

 private:
  void LayOut();
  QPushButton* MakeButton(int id, const QString& text);
  // The three lists in their frame (trdbuytbl_lists.cpp).
  void MakeLists();
  void ShowFor(int action);
  // The stock of the code shown, refreshed from the book; false when there is none.
  bool CurrentStock();
  void ApplyOptions();
  // The preset price of the level for the current stock; false (reported) when a request failed.
  bool PresetPrice(int level, int32_t* price);
  // The preset quantity of the mode at the price; false after telling the fault.
  bool PresetQuantity(const TradeOptions& options, int32_t price, int32_t* quantity);
  void RefreshBuyable();
  void RefreshHoldings();
  void RefreshUnfilled();
  void ShowHoldings();
  void ShowUnfilled();
  void OnAccountRowChosen();
  void OnHoldingRowChosen();
  void OnUnfilledRowChosen();
  // What the chosen holding can still sell: held less what open sells of it already offer.
  int32_t SellableQuantity(const TrdRunInfo& holding);
  void SendBuyOrSell();
  void SendModifyOrCancel();
  // Asks "주문 확인" with the order's figures; true when it is to be sent. `price` 0 is a market order.
  bool ConfirmOrder(int32_t quantity, int32_t price, int32_t target);
  // Runs the gateway's send: on success acknowledges the order and refreshes what the action shows;
  // otherwise shows the failure text.
  void Dispatch(const std::function<int(std::string* failure)>& send);
  // The order was taken: its number in the form, and the target of a modify follows it.
  void Acknowledge();
  void TellStockChanged();
  // The login button says whether the session is logged in.
  void ShowLogin();
  void OnSessionChange(TradingSession::Change change, char kind);

  const CodeInfoList* const book_;
  TradingSession& session_;
  int sessionListener_ = 0;
  // The form's own requests (prices, quote book, orders); the account's go through the session.
  StocGate gate_;
  std::string name_;
  std::string code_;
  int action_ = kBuy;
  int orderType_ = kLimit;
  int partOrAll_ = kAll;
  std::unique_ptr<TrdRunList> holdings_;
  std::unique_ptr<TrdYetList> unfilled_;
  // The day the unfilled list was read (0: not yet). Order numbers start again each day, so a
  // number picked from an older day's list can name another order of today.
  int32_t unfilledDate_ = 0;
  bool holdingsBusy_ = false;
  bool unfilledBusy_ = false;
  // While an order request runs, the events it raises wait for the refresh after it.
  bool sending_ = false;
  TradeAbleInfo buyable_{};
  TradeOptions buyOptions_;
  TradeOptions sellOptions_;

  CloseUpComboBox* combo9014_;
  QLabel* code9028_;
  QPushButton* find9034_;
  QPushButton* clear1427_;
  QPushButton* refresh1423_;
  QCheckBox* confirm_;
  QLabel* acknowledgement_;
  QButtonGroup* actions_;
  QButtonGroup* orderTypes_;
  QButtonGroup* partAll_;
  QLineEdit* quantity1420_;
  QLineEdit* price1421_;
  QLineEdit* target1412_;
  QLabel* targetLabel1473_;
  QPushButton* send1426_;
  QPushButton* options1424_;
  QPushButton* login1428_;
  QFrame* frame1467_;
  QTableWidget* account1422_;
  QTableWidget* holdings1468_;
  QTableWidget* unfilled1470_;
};

// Esc in an order window: a stray key must not throw away what the window shows, so the user is
// asked first. True when the window is to close.
bool ConfirmOrderWindowEscape();

// The mini order window: the order form, with the 감시주문 panel at its right when the program has a
// paper account's conditions to offer (`desk`, which then outlives the window).
class CTrdDlg : public QDialog, public StockWindow {
  Q_OBJECT
 public:
  CTrdDlg(const CodeInfoList* book, TradingSession& session, QWidget* parent = nullptr, WatchDesk* desk = nullptr);

  CTrdBuyTbl& Form() { return *form_; }
  // Null without a desk.
  CWatchPanel* WatchPanel() { return watch_; }
  std::string StockCode() const override { return form_->Code(); }
  int ShowStock(const std::string& code) override;
  // The queue ahead of each unfilled order and the holdings' prices moved with the market, which
  // tells no notice of them: the form asks again what its action shows.
  void CatchUp() override { form_->RefreshAfterOrderEvent(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The form's WM_STOCK_CHANGED: the user picked a stock in it.
  bool event(QEvent* event) override;

 private:
  const CodeInfoList* const book_;
  CTrdBuyTbl* form_;
  CWatchPanel* watch_ = nullptr;
};

}  // namespace ostrada
