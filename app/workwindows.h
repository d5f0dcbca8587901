#pragma once
// The workspace: the working windows of the main menu, opened side by side without blocking. Any
// number may be open at once, each with its own stock and its own 연동 toggle; a stock chosen in a
// linked window switches every other linked window through one StockLink. Every window is a
// StockWindow, so adding one is a line of the factory. A window is deleted when it is closed, which
// ends its server subscriptions.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

#include "app/stocklink.h"
#include "app/stockwindow.h"
#include "broker/sim/paper/paper_journal_market.h"

class QSettings;
class QWidget;

namespace ostrada {

class CodeInfoList;
class IndexBars;
class TradingSession;

// Menu 129's working-window commands.
enum CommandId : int {
  kCmdQuote10 = 32782,
  kCmdQuote5 = 32784,
  kCmdContract = 32786,
  kCmdOrder = 32788,
  kCmdQuoteOrder = 32790,
  kCmdFindCode = 32792,
  kCmdChart = 32794,
  kCmdJournal = 32796,
};

// Whether the command opens a working window.
bool IsWorkingWindowCommand(int id);

// What the workspace knows of one open window: its command and its StockWindow contract. A child of
// the window, so it goes with it.
class WorkWindow : public QObject {
  Q_OBJECT
 public:
  WorkWindow(QWidget& window, StockWindow& stock, int command, StockLink& link);

  int Command() const { return command_; }
  QWidget& Window() const { return window_; }
  StockLinkToggle& Toggle() const { return stock_.LinkToggle(); }
  // The window's stock code (empty while none).
  std::string Code() const { return stock_.StockCode(); }
  // Switches the window to the stock without telling the link. 1/0 (an unknown code: 0).
  int ShowStock(const std::string& code);
  void CatchUp();

 private:
  void TellLink(const QString& code);

  QWidget& window_;
  StockWindow& stock_;
  const int command_;
  StockLink& link_;
  // Set while the link switches this window, so its own switch is not told back.
  bool following_ = false;
};

class WorkWindows : public QObject {
  Q_OBJECT
 public:
  // `owner` (the main frame) stays under the windows; `book` is the application's full code book;
  // the order windows trade through `session`, the process's one login, and index charts follow
  // `indexBars`, its one poll of the indexes.
  WorkWindows(const CodeInfoList* book, TradingSession& session, IndexBars& indexBars, QWidget* owner);

  // Opens a new window of the command, shown and not blocking, on the link's current stock; null for
  // another command.
  WorkWindow* Open(int command);
  // The open windows (closed ones excluded at once), oldest first.
  QList<WorkWindow*> Windows() const;
  StockLink& Link() { return link_; }
  // The record the journal windows show (at first: no ledger, which they tell).
  void SetJournalPlace(sim::JournalPlace place) { journal_ = std::move(place); }
  // The account's clock jumped: every window catches up with it.
  void CatchUp();
  // Closes every window (their subscriptions end with them).
  void CloseAll();

 private:
  const CodeInfoList* const book_;
  TradingSession& session_;
  IndexBars& indexBars_;
  QWidget* const owner_;
  sim::JournalPlace journal_;
  StockLink link_;
  QList<QPointer<WorkWindow>> windows_;
};

}  // namespace ostrada
