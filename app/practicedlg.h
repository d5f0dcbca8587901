#pragma once
// "새 연습 계좌": the modal picker of where a new practice account starts. The start date is one of the
// market's past trading days, the time one of that day, the cash a whole number of won and the seed
// of its market optional; a value that cannot be is refused in Korean and the dialog stays open, so
// nothing is moved until every field holds.
#include <QDialog>

#include "broker/sim/paper/practice_ledgers.h"

class QDateEdit;
class QLineEdit;
class QTimeEdit;

namespace ostrada {

class CPracticeDlg : public QDialog {
  Q_OBJECT
 public:
  // `today`: the last date a practice account may start on; `cash`: the cash offered at first.
  CPracticeDlg(int32_t today, int64_t cash, QWidget* parent);

  // What the user chose; valid once the dialog was accepted.
  const sim::PracticeStart& Start() const { return start_; }

  void accept() override;

 private:
  int32_t today_;
  QDateEdit* date_;
  QTimeEdit* time_;
  QLineEdit* cash_;
  QLineEdit* seed_;
  sim::PracticeStart start_;
};

}  // namespace ostrada
