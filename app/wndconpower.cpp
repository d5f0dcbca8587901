#include "app/wndconpower.h"

#include "basesrc/foundation/report.h"
#include "basesrc/liveday.h"
#include "basesrc/statustext.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"

namespace ostrada {

static constexpr char kModule[] = "app/wndconpower";

namespace {

using broker::ComError;
using broker::Variant;

// Inputs of the contract-history object.
constexpr int kInputCode = 0;
constexpr int kInputFrom = 1;
constexpr int kInputRowsPerPage = 2;
constexpr int16_t kRowsPerPage = 80;

// Header values of a history page.
constexpr int kPageCode = 0;
constexpr int kPageRowCount = 2;

void ShowComError(const ComError& error) {
  ShowMessage(error.Description());
}

// A history object on the code's newest page. Throws ComError.
std::shared_ptr<broker::IMarketRequest> NewHistory(const char* code) {
  auto history = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractHistory);
  history->SetInput(kInputCode, Variant::Text(code));
  history->SetInput(kInputFrom, Variant::I4(0));
  history->SetInput(kInputRowsPerPage, Variant::I2(kRowsPerPage));
  return history;
}

// The object's next page as a new tape (row 0, the newest, at the tail), or null; a refusal is shown
// and told through `refused`. Throws ComError.
std::unique_ptr<ContractTape> RequestPage(broker::IMarketRequest& history, bool* refused) {
  int16_t status;
  {
    WaitCursor wait;
    history.Request();
    status = history.Status();
  }
  if (status != 0) {
    ShowMessage(RefusalText(history));
    *refused = true;
    return nullptr;
  }
  history.HeaderValue(kPageCode);
  auto tape = std::make_unique<ContractTape>();
  const int32_t rows = history.HeaderValue(kPageRowCount).ToI4();
  for (int32_t i = 0; i < rows; ++i) {
    ContractRecord record;
    ReadContractRow(history, i, &record);
    if (!tape->Insert(record)) return nullptr;
  }
  return tape;
}

}  // namespace

CWndConPower::CWndConPower(QWidget* parent, int id) : QWidget(parent), handle_(this) {
  setObjectName(QStringLiteral("window%1").arg(id));
  // The window only receives messages: it must never take a click meant for what lies under it.
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(0, 0, 100, 100);
  lower();
  Connect();
}

CWndConPower::~CWndConPower() {
  Disconnect();
}

void CWndConPower::Connect() {
  try {
    live_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractsLive);
    sink_ = std::make_unique<CEventSink>(&handle_);
    sink_->Advise(*live_);
  } catch (const ComError& error) {
    ShowComError(error);
  }
}

void CWndConPower::Disconnect() {
  if (sink_ == nullptr) return;
  try {
    if (live_ != nullptr) sink_->Unadvise(*live_);
  } catch (const ComError& error) {
    ShowComError(error);
  }
  sink_.reset();
}

int CWndConPower::Subscribe(const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr && live_ != nullptr)) return 0;
  try {
    live_->SetInput(kInputCode, Variant::Text(""));
    live_->Unsubscribe();
    live_->SetInput(kInputCode, Variant::Text(code));
    live_->Subscribe();
    subscribed_ = true;
    return 1;
  } catch (const ComError& error) {
    ShowComError(error);
    return 0;
  }
}

void CWndConPower::Unsubscribe() {
  if (!subscribed_ || live_ == nullptr) return;
  try {
    live_->SetInput(kInputCode, Variant::Text(""));
    live_->Unsubscribe();
    subscribed_ = false;
  } catch (const ComError& error) {
    ShowComError(error);
  }
}

void CWndConPower::ResetHistory() {
  code_.clear();
  history_.reset();
}

int CWndConPower::OpenHistory(const char* code) {
  ResetHistory();
  if (!OSTRADA_VERIFY(code != nullptr)) return 0;
  try {
    history_ = NewHistory(code);
    code_ = code;
    return 1;
  } catch (const ComError& error) {
    ShowComError(error);
    return 0;
  }
}

std::unique_ptr<ContractTape> CWndConPower::FetchPage() {
  if (history_ == nullptr) {
    CurrentUiSink().Beep();
    return nullptr;
  }
  try {
    bool refused = false;
    std::unique_ptr<ContractTape> tape = RequestPage(*history_, &refused);
    // Later pages cannot continue a refused one; the next-page command then only beeps.
    if (refused) history_.reset();
    return tape;
  } catch (const ComError& error) {
    ShowComError(error);
    return nullptr;
  }
}

std::unique_ptr<ContractTape> CWndConPower::FetchNewest(const char* code) {
  if (!OSTRADA_VERIFY(code != nullptr)) return nullptr;
  try {
    bool refused = false;
    return RequestPage(*NewHistory(code), &refused);
  } catch (const ComError& error) {
    ShowComError(error);
    return nullptr;
  }
}

bool CWndConPower::MorePages() {
  if (history_ == nullptr) return false;
  try {
    return history_->MoreData() != 0;
  } catch (const ComError& error) {
    ShowComError(error);
    return false;
  }
}

bool CWndConPower::event(QEvent* event) {
  if (AsWindowMessage(event, WM_EVENT_RECEIVED) != nullptr) {
    OnEventReceived();
    return true;
  }
  return QWidget::event(event);
}

void CWndConPower::OnEventReceived() {
  if (!OSTRADA_VERIFY(live_ != nullptr)) return;
  try {
    std::string code, name;
    const ContractRecord record = ReadLiveContract(*live_, &code, &name);

    auto tape = std::make_unique<ContractTape>();
    if (!tape->Create(code.c_str(), name.c_str(), record)) return;
    // The receiver answers 1 when it took the tape; a parent that does not know the message leaves
    // it here to be freed.
    ContractTape* forwarded = tape.release();
    if (SendWindowMessage(parentWidget(), WM_CONTRACT_FORWARD, 1, reinterpret_cast<intptr_t>(forwarded)) == 0) {
      delete forwarded;
    }
  } catch (const ComError& error) {
    ShowComError(error);
  }
}

}  // namespace ostrada
