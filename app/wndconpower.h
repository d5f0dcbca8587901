#pragma once
// CWndConPower: the feed window of a contract list. It owns the server's real-time contract object
// for as long as it lives and turns each live contract into a one-record ContractTape that it sends
// to its parent with WM_CONTRACT_FORWARD; and it fetches contract history page by page, keeping the
// history object between pages for the continuation. It draws nothing.
#include <QWidget>
#include <memory>
#include <string>

#include "app/windowmessages.h"
#include "basesrc/coninfo.h"
#include "basesrc/eventsink.h"
#include "broker/interfaces.h"

namespace ostrada {

class CWndConPower : public QWidget {
 public:
  // Creates the window as a child of the parent with the control id and connects it to the live
  // contracts. A server error is shown; the window then lives without live contracts.
  CWndConPower(QWidget* parent, int id);
  ~CWndConPower() override;
  CWndConPower(const CWndConPower&) = delete;
  CWndConPower& operator=(const CWndConPower&) = delete;

  // Live contracts of the code from now on (any earlier subscription is dropped). 1 or 0.
  int Subscribe(const char* code);
  // Stops live contracts when they run.
  void Unsubscribe();
  // Prepares a new history object for the code (the previous one is released). 1 or 0.
  int OpenHistory(const char* code);
  // The next history page as a new tape (row 0, the newest, at the tail), or null. A refused page
  // shows the server's texts and releases the history object.
  std::unique_ptr<ContractTape> FetchPage();
  // The code's newest page, fetched apart from the paged history, which goes on where it was. Null
  // on a failure, which is shown.
  std::unique_ptr<ContractTape> FetchNewest(const char* code);
  // Whether the history object reports another page (false without one).
  bool MorePages();

  bool HasHistory() const { return history_ != nullptr; }
  bool Subscribed() const { return subscribed_; }
  const std::string& Code() const { return code_; }

 protected:
  // WM_EVENT_RECEIVED from the sink.
  bool event(QEvent* event) override;

 private:
  void Connect();
  void Disconnect();
  void OnEventReceived();
  void ResetHistory();

  std::string code_;
  std::shared_ptr<broker::IMarketRequest> live_;
  QtWindowHandle handle_;
  std::unique_ptr<CEventSink> sink_;
  bool subscribed_ = false;
  std::shared_ptr<broker::IMarketRequest> history_;
};

}  // namespace ostrada
