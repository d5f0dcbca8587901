#include "app/workwindows.h"

#include <QDialog>
#include <QEvent>

#include "app/callfrm.h"
#include "app/chartwnd.h"
#include "app/confrm.h"
#include "app/qtext.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"

namespace ostrada {
namespace {

// The words of WM_STOCK_CHANGED: which panel changed its stock.
constexpr uintptr_t kFromOrderPanel = 1;
constexpr uintptr_t kFromQuotePanel = 2;
// A new window opens this far below and right of the previous one, from the frame's corner.
constexpr int kCascadeStep = 28;
constexpr int kCascadeLength = 8;

QWidget* MakeWindow(int command, const CodeInfoList* book, QWidget* owner) {
  switch (command) {
    case kCmdChart:
      return new CChartWnd(book, owner);
    case kCmdQuote5:
      return new CCallDlg(book, 1, owner);
    case kCmdQuote10:
      return new CCallDlg(book, 0, owner);
    case kCmdContract:
      return new CConDlg(book, owner);
    case kCmdOrder:
      return new CTrdDlg(book, owner);
    case kCmdQuoteOrder:
      return new CTrdCallDlg(book, owner);
    default:
      return nullptr;
  }
}

std::string NameOf(const CodeInfoList* book, const std::string& code) {
  const CodeInfo* stock = book != nullptr && !code.empty() ? book->FindByCode(code.c_str()) : nullptr;
  return stock != nullptr && stock->key.name != nullptr ? stock->key.name.get() : std::string();
}

// Where the toggle sits: in a corner the window's panels leave free. The quote panels leave the
// right end of their price lines, under the "?" button; the mini order form the strip under its
// list. The contract window's stock bar has no room, so the window grows by the toggle's width.
void PlaceToggle(QWidget& window, int command, StockLinkToggle& toggle) {
  constexpr int kHeight = 20, kMargin = 2, kUnderStockBar = 33;
  toggle.resize(toggle.sizeHint().width(), kHeight);
  const int right = window.width() - toggle.width() - kMargin;
  switch (command) {
    case kCmdOrder:
      toggle.move(right, window.height() - kHeight - kMargin);
      break;
    case kCmdContract:
      window.resize(window.width() + toggle.width() + kMargin, window.height());
      toggle.move(window.width() - toggle.width() - kMargin, kMargin);
      break;
    default:
      toggle.move(right, kUnderStockBar);
      break;
  }
  toggle.raise();
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
      return true;
    default:
      return false;
  }
}

// ---- WorkWindow ----

WorkWindow::WorkWindow(QWidget& window, int command, const CodeInfoList* book, StockLink& link)
    : QObject(&window), window_(window), command_(command), book_(book), link_(link) {
  setObjectName(QStringLiteral("workWindow"));
  if (auto* chart = qobject_cast<CChartWnd*>(&window_)) {
    // The chart lays its toggle out among its own controls and tells its choices by signal.
    toggle_ = &chart->LinkToggle();
    connect(chart, &CChartWnd::stockChosen, this, [this] { TellLink(Code()); });
  } else {
    toggle_ = new StockLinkToggle(&window_);
    PlaceToggle(window_, command_, *toggle_);
    toggle_->show();
  }
  // The panels tell their stock to the window that holds them; the quote-click window's frame holds
  // its panels one level further down.
  QObject* receiver = &window_;
  if (auto* dialog = qobject_cast<CTrdCallDlg*>(&window_)) receiver = &dialog->Frame();
  receiver->installEventFilter(this);
  if (auto* contracts = dynamic_cast<CConDlg*>(&window_)) {
    connect(contracts->Frame(), &CConFrm::stockChosen, this, [this] { TellLink(Code()); });
  }
  FollowStockLink(link_, *toggle_, *this, [this](const QString& code) { ShowStock(code.toStdString()); });
}

std::string WorkWindow::Code() const {
  if (auto* quotes = qobject_cast<CCallDlg*>(&window_)) return quotes->Form().Code();
  if (auto* contracts = dynamic_cast<CConDlg*>(&window_)) return contracts->Frame()->Code();
  if (auto* order = qobject_cast<CTrdDlg*>(&window_)) return order->Form().Code();
  if (auto* quoteOrder = qobject_cast<CTrdCallDlg*>(&window_)) return quoteOrder->Frame().Form().Code();
  if (auto* chart = qobject_cast<CChartWnd*>(&window_)) return chart->Code();
  return {};
}

int WorkWindow::ShowStock(const std::string& code) {
  const std::string name = NameOf(book_, code);
  if (name.empty()) return 0;
  if (code == Code()) return 1;
  following_ = true;
  int shown = 0;
  if (auto* quotes = qobject_cast<CCallDlg*>(&window_)) {
    shown = quotes->Form().SetStock(name, code);
  } else if (auto* contracts = dynamic_cast<CConDlg*>(&window_)) {
    shown = contracts->Frame()->SelectStock(code.c_str(), 0);
  } else if (auto* order = qobject_cast<CTrdDlg*>(&window_)) {
    shown = order->Form().SetStock(name, code);
  } else if (auto* quoteOrder = qobject_cast<CTrdCallDlg*>(&window_)) {
    // The frame brings its quote panel and contract list to the order form's stock.
    shown = quoteOrder->Frame().Form().SetStock(name, code);
    if (shown) SendWindowMessage(&quoteOrder->Frame(), WM_STOCK_CHANGED, kFromOrderPanel, 0);
  } else if (auto* chart = qobject_cast<CChartWnd*>(&window_)) {
    chart->showStock(QString::fromLatin1(code.c_str()));
    shown = chart->Code() == code ? 1 : 0;
  }
  following_ = false;
  return shown;
}

bool WorkWindow::eventFilter(QObject* watched, QEvent* event) {
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_STOCK_CHANGED); message != nullptr && !following_) {
    // The panel that sent it already holds its new stock.
    std::string code;
    if (auto* quoteOrder = qobject_cast<CTrdCallDlg*>(&window_)) {
      CTrdBuyCallFrm& frame = quoteOrder->Frame();
      code = message->WParam() == kFromQuotePanel ? frame.Quote().Code() : frame.Form().Code();
    } else {
      code = Code();
    }
    TellLink(code);
  }
  return QObject::eventFilter(watched, event);
}

void WorkWindow::TellLink(const std::string& code) {
  if (toggle_->Linked() && !following_) link_.Choose(QString::fromLatin1(code.c_str()), this);
}

// ---- WorkWindows ----

WorkWindows::WorkWindows(const CodeInfoList* book, QWidget* owner) : QObject(owner), book_(book), owner_(owner) {
  link_.setObjectName(QStringLiteral("stockLink"));
}

WorkWindow* WorkWindows::Open(int command) {
  QWidget* window = MakeWindow(command, book_, owner_);
  if (window == nullptr) return nullptr;
  window->setAttribute(Qt::WA_DeleteOnClose);
  if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->setModal(false);
  auto* workWindow = new WorkWindow(*window, command, book_, link_);
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

void WorkWindows::CloseAll() {
  for (WorkWindow* window : Windows()) window->Window().close();
}

}  // namespace ostrada
