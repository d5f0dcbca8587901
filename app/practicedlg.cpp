#include "app/practicedlg.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QLineEdit>
#include <QTimeEdit>

#include "app/dialogbuttons.h"
#include "app/qtext.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_process.h"

namespace ostrada {
namespace {

QString Catalogue(Txt id) {
  return FromCp949(Text(id));
}

QDate DateOf(int32_t yyyymmdd) {
  return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

int32_t DateNumber(const QDate& date) {
  return date.year() * 10000 + date.month() * 100 + date.day();
}

}  // namespace

CPracticeDlg::CPracticeDlg(int32_t today, int64_t cash, QWidget* parent) : QDialog(parent), today_(today) {
  setObjectName(QStringLiteral("practiceDialog"));
  setWindowTitle(Catalogue(Txt::kPracticeAccount));
  auto* form = new QFormLayout(this);
  date_ = new QDateEdit(DateOf(today), this);
  date_->setObjectName(QStringLiteral("practiceDate"));
  date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  date_->setCalendarPopup(true);
  date_->setDateRange(DateOf(sim::kProcessStart), DateOf(today));
  time_ = new QTimeEdit(QTime(9, 0), this);
  time_->setObjectName(QStringLiteral("practiceTime"));
  time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  cash_ = new QLineEdit(QString::number(cash), this);
  cash_->setObjectName(QStringLiteral("practiceCash"));
  seed_ = new QLineEdit(this);
  seed_->setObjectName(QStringLiteral("practiceSeed"));
  form->addRow(Catalogue(Txt::kPracticeDate), date_);
  form->addRow(Catalogue(Txt::kPracticeTime), time_);
  form->addRow(Catalogue(Txt::kPracticeCash), cash_);
  form->addRow(Catalogue(Txt::kPracticeSeed), seed_);
  form->addRow(OkCancelButtons(*this, Txt::kCaptionConfirm, "practiceOk"));
}

void CPracticeDlg::accept() {
  // The calendar keeps the date within the history; a weekend or a holiday is no trading day.
  const int32_t date = DateNumber(date_->date());
  if (std::optional<std::string> refused = sim::PracticeDateRefusal(date, today_)) {
    ShowMessage(*refused);
    return;
  }
  bool number = false;
  const qlonglong cash = cash_->text().trimmed().toLongLong(&number);
  if (!number || cash < 1) {
    ShowMessage(Text(Txt::kPracticeBadCash));
    return;
  }
  std::optional<uint64_t> seed;
  if (!seed_->text().trimmed().isEmpty()) {
    const qulonglong value = seed_->text().trimmed().toULongLong(&number);
    if (!number) {
      ShowMessage(Text(Txt::kPracticeBadSeed));
      return;
    }
    seed = value;
  }
  start_ = {date, time_->time().msecsSinceStartOfDay(), cash, seed};
  QDialog::accept();
}

}  // namespace ostrada
