#include "app/trdbuycallfrm.h"

#include <QKeyEvent>
#include <algorithm>
#include <memory>

#include "app/callfrm.h"
#include "app/contbl.h"
#include "app/dialogunits.h"
#include "app/qtext.h"
#include "app/trdbuytbl.h"
#include "app/trdeventtbl.h"
#include "app/watchpanel.h"
#include "app/windowmessages.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/trdevent.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuycallfrm";

namespace {

constexpr int kFeedId = 7143;
// The template's size and its placeholders in dialog units: the order form (1430), the quote panel
// (1385), the right-hand column that the quote panel shares with the contract list (1389), and the
// event log's strip (1462).
constexpr int kFrameWidth = 330, kFrameHeight = 312;
constexpr QRect kFormPlace(3, 4, 159, 240);
constexpr QRect kQuotePlace(165, 4, 162, 285);
constexpr QRect kColumnPlace(165, 4, 162, 289);
constexpr QRect kLogPlace(1, 294, 326, 16);

constexpr uintptr_t kFromOrderPanel = 1;
constexpr uintptr_t kFromQuotePanel = 2;

// Order-event kinds: a fill, a confirmation, a rejection, an acceptance.
constexpr char kFill = '1';
constexpr char kLastKind = '4';

}  // namespace

CTrdBuyCallFrm::CTrdBuyCallFrm(const CodeInfoList* book, TradingSession& session, int mode, QWidget* parent)
    : QWidget(parent),
      feed_(this, kFeedId),
      form_(new CTrdBuyTbl(book, session, this)),
      quote_(new CCallFrm(book, mode, this)),
      eventLog_(new CTrdEventTbl(this)) {
  setObjectName(QStringLiteral("dialog143"));
  setFont(TemplateFont());
  if (mode == 1) contracts_ = new CConTbl(book, 1, this);
  // The panel's last price must not stand still above the contracts that the list shows moving.
  quote_->FollowContracts();
  LayOut();
  eventLog_->Start();
}

void CTrdBuyCallFrm::LayOut() {
  const DialogUnits units(font());
  const auto place = [&units](const QRect& r) { return units.Rect(r.x(), r.y(), r.width(), r.height()); };
  form_->move(place(kFormPlace).topLeft());
  // The right-hand column starts after the form, which is wider than its place in the template.
  const int shift = std::max(0, form_->geometry().right() + units.X(3) - place(kQuotePlace).x());
  const QRect quote = place(kQuotePlace).translated(shift, 0);
  quote_->move(quote.topLeft());
  int bottom = std::max(form_->geometry().bottom(), quote_->geometry().bottom());
  if (contracts_ != nullptr) {
    // The quote panel keeps what it needs at the top of the column; the contract list the rest.
    const QRect column = place(kColumnPlace).translated(shift, 0);
    const int top = quote_->geometry().bottom() + 1;
    contracts_->setGeometry(column.x(), top, std::max(column.width(), quote_->width()),
                            std::max(column.bottom() + 1 - top, units.Y(40)));
    bottom = std::max(bottom, contracts_->geometry().bottom());
  }
  // The strip goes under whatever stands above it, across the whole window.
  const QRect strip = place(kLogPlace);
  const int right = std::max({form_->geometry().right(), quote_->geometry().right(),
                              contracts_ != nullptr ? contracts_->geometry().right() : 0});
  eventLog_->setGeometry(strip.x(), std::max(strip.y(), bottom + 2), std::max(strip.width(), right - strip.x()),
                         std::max(strip.height(), eventLog_->height()));
  const QSize frame = units.Size(kFrameWidth, kFrameHeight);
  setFixedSize(std::max(frame.width(), right + units.X(3)),
               std::max(frame.height(), eventLog_->geometry().bottom() + units.Y(2)));
  for (QWidget* child : {static_cast<QWidget*>(form_), static_cast<QWidget*>(quote_), static_cast<QWidget*>(contracts_),
                         static_cast<QWidget*>(eventLog_)}) {
    if (child != nullptr) child->show();
  }
}

int CTrdBuyCallFrm::ShowStock(const std::string& name, const std::string& code) {
  if (!form_->SetStock(name, code)) return 0;
  quote_->SetStock(name, code);
  ShowContracts(code);
  return 1;
}

void CTrdBuyCallFrm::ShowContracts(const std::string& code) {
  if (contracts_ == nullptr) return;
  if (code.empty()) {
    contracts_->Clear(&feed_);
    return;
  }
  contracts_->Load(code.c_str(), &feed_, 0);
}

bool CTrdBuyCallFrm::event(QEvent* event) {
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_STOCK_CHANGED)) {
    // A panel that fails to follow has said why; the others follow all the same.
    if (message->WParam() == kFromOrderPanel) {
      quote_->SetStock(form_->Name(), form_->Code());
      ShowContracts(form_->Code());
      emit stockPicked(form_->Code());
    } else if (message->WParam() == kFromQuotePanel) {
      form_->SetStock(quote_->Name(), quote_->Code());
      ShowContracts(quote_->Code());
      emit stockPicked(quote_->Code());
    }
    return true;
  }
  if (AsWindowMessage(event, WM_PRICE_PICKED) != nullptr) {
    form_->SetPrice(quote_->PickedPrice());
    return true;
  }
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_ORDER_EVENT)) {
    OnOrderEvent(message->LParam());
    message->SetResult(1);
    return true;
  }
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_CONTRACT_FORWARD)) {
    if (contracts_ != nullptr) {
      message->SetResult(SendWindowMessage(contracts_, WM_CONTRACT_FORWARD, message->WParam(), message->LParam()));
    }
    return true;
  }
  return QWidget::event(event);
}

// The log line is already written; the window owns the copy of the event. The form refreshes from
// the session, which heard the same notice.
void CTrdBuyCallFrm::OnOrderEvent(intptr_t record) {
  const std::unique_ptr<OrderEvent> orderEvent(reinterpret_cast<OrderEvent*>(record));
  if (!OSTRADA_VERIFY(orderEvent != nullptr && !orderEvent->kind.empty())) return;
  const char kind = orderEvent->kind[0];
  OSTRADA_VERIFY(kind >= kFill && kind <= kLastKind);
}

// ---- CTrdCallDlg ----

CTrdCallDlg::CTrdCallDlg(const CodeInfoList* book, TradingSession& session, QWidget* parent, WatchDesk* desk)
    : QDialog(parent), StockWindow(static_cast<QWidget&>(*this)), book_(book) {
  setObjectName(QStringLiteral("dialog151"));
  setFont(TemplateFont());
  setWindowTitle(FromCp949(Text(Txt::kQuoteOrderCaption)));
  frame_ = new CTrdBuyCallFrm(book, session, quoteMode_, this);
  setFixedSize(frame_->size());
  frame_->show();
  // The quote panel leaves the right end of its price line free, under its "?" button.
  PlaceLinkToggle(*this, LinkToggle(), LinkTogglePlace::kUnderStockBar);
  connect(frame_, &CTrdBuyCallFrm::stockPicked, this, [this](const std::string& code) {
    if (watch_ != nullptr) watch_->SetCode(code);
    Picks().Tell(code);
  });
  if (desk == nullptr) return;
  watch_ = new CWatchPanel(*desk, this);
  watch_->PlaceAtRightOf(*this);
  frame_->EventLog().FollowWatches(*desk);
}

std::string CTrdCallDlg::StockCode() const {
  return frame_->Form().Code();
}

void CTrdCallDlg::CatchUp() {
  frame_->Quote().CatchUp();
  if (CConTbl* contracts = frame_->Contracts()) contracts->CatchUp(&frame_->Feed());
  frame_->Form().RefreshAfterOrderEvent();
}

int CTrdCallDlg::ShowStock(const std::string& code) {
  const std::string name = StockNameOf(book_, code);
  if (name.empty()) return 0;
  const int shown = code == StockCode() ? 1 : frame_->ShowStock(name, code);
  if (watch_ != nullptr) watch_->SetCode(StockCode());
  return shown;
}

void CTrdCallDlg::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && !ConfirmOrderWindowEscape()) return;
  QDialog::keyPressEvent(event);
}

}  // namespace ostrada
