#pragma once
// "연습 계좌 열기": the modal picker of a kept practice account to open again. It lists the current
// account first (it cannot be chosen: it is open) and then the ledgers kept beside it, each with the
// dates it spans, where its clock stands and its cash; a ledger that cannot be read says so and can
// still be chosen, for the refusal to tell why.
#include <QDialog>
#include <string>

#include "broker/sim/paper/paper_ledger.h"

class QTreeWidget;

namespace ostrada {

class CReopenDlg : public QDialog {
  Q_OBJECT
 public:
  // `ledgerPath`: the current ledger, whose folder holds the kept ones; `fees` read them.
  CReopenDlg(const std::string& ledgerPath, const sim::FeeRates& fees, QWidget* parent);

  // The kept ledger chosen; valid once the dialog was accepted.
  const std::string& Chosen() const { return chosen_; }
  // The ledgers it offers (the current one not counted).
  int Offered() const;

  void accept() override;

 private:
  QTreeWidget* list_;
  std::string chosen_;
};

}  // namespace ostrada
