#pragma once
// CHomeBoard: the main window's home board. The two exchange indexes with their change and rate,
// the user's watchlist (관심종목) of live rows, and, once the trading session is logged in, one account
// line: cash, value, profit and loss, open orders, as the session's snapshot holds them (it follows
// the account's order notices; the board's timer only brings the prices forward). The watchlist is
// the interest-group text file in the data folder; a new user starts with the day's most traded stocks.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/watchmodel.h"
#include "app/indexbars.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "basesrc/watchlist.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace ostrada {

class CodeInfoList;
class SessionPace;

class CHomeBoard : public QWidget {
  Q_OBJECT
 public:
  // Rows a new user's watchlist starts with.
  static constexpr int kFirstRows = 20;
  // How often, of the program's clock or of the wall, the holdings' prices are asked again (the rows
  // are live).
  static constexpr int kRefreshMs = 3000;

  // `book` is the application's full code book (null while no stocks were received); never freed
  // here. `session` is the process's trading login. The watchlist is read from `watchlistPath`
  // (empty: the data folder's file).
  // The strip follows its indexes through `indexBars`, the process's one poll of them.
  CHomeBoard(const CodeInfoList* book, TradingSession& session, IndexBars& indexBars, QWidget* parent = nullptr,
             std::string watchlistPath = {});
  ~CHomeBoard() override;

  // Adds the stock to the watchlist and saves it; an unknown or listed code is told. 1/0.
  int AddStock(const std::string& code);
  // Removes the row and saves the list.
  void RemoveRow(int row);
  // The timer's beat: the holdings' prices asked again when due. A failure is told once; the beats
  // after it back off until the server answers again.
  void Refresh();
  // The clock jumped: the account and the rows' prices are asked again at once, as a board opened
  // now would show them (their stocks told nothing on the way; the indexes come with their poll's
  // refresh).
  void CatchUp();
  // Logs the trading session in (the account line shows once it is). 1/0.
  int LogIn();

  WatchModel& Model() { return model_; }
  // Trades of the regular session taken by the rows so far (a call auction's expected prices are not).
  int64_t EventsShown() const { return eventsShown_; }
  const std::string& WatchlistPath() const { return path_; }

 signals:
  // The user double-clicked a watchlist row.
  void stockChosen(const QString& code);

 private:
  struct LiveRow;
  void BuildControls();
  void LoadRows();
  std::vector<WatchEntry> MostTraded();
  // Prices of the codes now, then a live subscription for each row.
  void FillPrices(std::vector<WatchRow>& rows);
  void Subscribe(const std::string& code);
  void OnLiveEvent(LiveRow& row);
  // The strip's index `i` at its newest bar (its caption alone while the server gives none).
  void ShowIndex(size_t i, const DaySeries* newest);
  void ShowAccount();
  void SaveRows();
  void OnAddButton();

  const CodeInfoList* const book_;
  TradingSession& session_;
  IndexBars& indexBars_;
  int sessionListener_ = 0;
  std::string path_;
  int indexWatches_[2] = {};
  StocGate gate_;
  WatchModel model_;
  std::vector<std::unique_ptr<LiveRow>> live_;
  std::vector<WatchEntry> unlisted_;
  // The file could not be read: the session's edits are shown but never written over it.
  bool fileUnread_ = false;
  QLabel* indexes_[2] = {};
  QTableView* table_ = nullptr;
  QLabel* account_ = nullptr;
  QLabel* notice_ = nullptr;  // why the board is empty, when it has no stock list
  QPushButton* login_ = nullptr;
  QCheckBox* remember_ = nullptr;
  SessionPace* refresh_;
  int64_t eventsShown_ = 0;
};

}  // namespace ostrada
