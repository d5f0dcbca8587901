#include "app/workwindows.h"

#include <QDialog>
#include <utility>

#include "app/callfrm.h"
#include "app/chartwnd.h"
#include "app/confrm.h"
#include "app/journalwnd.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"

namespace ostrada {
namespace {

// A new window opens this far below and right of the previous one, from the frame's corner.
constexpr int kCascadeStep = 28;
constexpr int kCascadeLength = 8;

// The window of the command with its contract; null for another command.
std::pair<QWidget*, StockWindow*> MakeWindow(int command, const CodeInfoList* book, TradingSession& session,
                                             IndexBars& indexBars, const sim::JournalPlace& journal, QWidget* owner) {
  const auto made = [](auto* window) { return std::pair<QWidget*, StockWindow*>{window, window}; };
  switch (command) {
    case kCmdChart:
      return made(new CChartWnd(book, indexBars, owner));
    case kCmdQuote5:
      return made(new CCallDlg(book, 1, owner));
    case kCmdQuote10:
      return made(new CCallDlg(book, 0, owner));
    case kCmdContract:
      return made(new CConDlg(book, owner));
    case kCmdOrder:
      return made(new CTrdDlg(book, session, owner));
    case kCmdQuoteOrder:
      return made(new CTrdCallDlg(book, session, owner));
    case kCmdJournal:
      return made(new CJournalWnd(journal, owner));
    default:
      return {nullptr, nullptr};
  }
}

}  // namespace

bool IsWorkingWindowCommand(int id) {
  switch (id) {
    case kCmdQuote5:
    case kCmdQuote10:
    case kCmdContract:
    case kCmdOrder:
    case kCmdQuoteOrder:
    case kCmdChart:
    case kCmdJournal:
      return true;
    default:
      return false;
  }
}

// ---- WorkWindow ----

WorkWindow::WorkWindow(QWidget& window, StockWindow& stock, int command, StockLink& link)
    : QObject(&window), window_(window), stock_(stock), command_(command), link_(link) {
  setObjectName(QStringLiteral("workWindow"));
  connect(&stock_.Picks(), &StockPicks::stockPicked, this, &WorkWindow::TellLink);
  FollowStockLink(link_, stock_.LinkToggle(), *this, [this](const QString& code) { ShowStock(code.toStdString()); });
}

void WorkWindow::CatchUp() {
  stock_.CatchUp();
}

int WorkWindow::ShowStock(const std::string& code) {
  following_ = true;
  const int shown = stock_.ShowStock(code);
  following_ = false;
  return shown;
}

void WorkWindow::TellLink(const QString& code) {
  if (stock_.IsLinked() && !following_) link_.Choose(code, this);
}

// ---- WorkWindows ----

WorkWindows::WorkWindows(const CodeInfoList* book, TradingSession& session, IndexBars& indexBars, QWidget* owner)
    : QObject(owner),
      book_(book),
      session_(session),
      indexBars_(indexBars),
      owner_(owner),
      journal_(JournalPlaceOf({})) {
  link_.setObjectName(QStringLiteral("stockLink"));
}

WorkWindow* WorkWindows::Open(int command) {
  const auto [window, stock] = MakeWindow(command, book_, session_, indexBars_, journal_, owner_);
  if (window == nullptr) return nullptr;
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->setModal(false);
  auto* workWindow = new WorkWindow(*window, *stock, command, link_);
  windows_.removeAll(nullptr);
  if (owner_ != nullptr) {
    const int step = kCascadeStep * (1 + static_cast<int>(windows_.size()) % kCascadeLength);
    window->move(owner_->geometry().topLeft() + QPoint(step, step * 2));
  }
  windows_.append(workWindow);
  window->show();
  // A linked window joins the stock the others show, as if it had been open when it was chosen.
  if (workWindow->Toggle().Linked() && !link_.Current().isEmpty()) workWindow->ShowStock(link_.Current().toStdString());
  return workWindow;
}

QList<WorkWindow*> WorkWindows::Windows() const {
  QList<WorkWindow*> open;
  for (const QPointer<WorkWindow>& window : windows_) {
    // A closed window waits hidden for its deletion; it is no longer part of the workspace.
    if (window != nullptr && !window->Window().isHidden()) open.append(window.data());
  }
  return open;
}

void WorkWindows::CatchUp() {
  for (WorkWindow* window : Windows()) window->CatchUp();
}

void WorkWindows::CloseAll() {
  for (WorkWindow* window : Windows()) window->Window().close();
}

}  // namespace ostrada
