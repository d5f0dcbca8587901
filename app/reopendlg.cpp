#include "app/reopendlg.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>
#include <filesystem>

#include "app/dialogbuttons.h"
#include "app/qtext.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "broker/sim/paper/practice_ledgers.h"

namespace ostrada {
namespace {

enum Column { kSpan, kClock, kCash, kFile, kColumns };
constexpr int kPathRole = Qt::UserRole;
constexpr QSize kListSize(620, 220);

QString Catalogue(Txt id) {
  return FromCp949(Text(id));
}

QString DateText(int32_t date) {
  return QString::asprintf("%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
}

QString MomentText(const sim::PaperLedger::Moment& moment) {
  const int64_t seconds = moment.timeMs / 1000;
  return DateText(moment.date) +
         QString::asprintf(" %02d:%02d:%02d", static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                           static_cast<int>(seconds % 60));
}

// One row: the span, then the clock and the cash when the file reads as a ledger.
QTreeWidgetItem* Row(const std::string& path, const QString& span, const sim::FeeRates& fees) {
  auto* row = new QTreeWidgetItem;
  row->setText(kSpan, span);
  if (const std::optional<sim::LedgerFacts> facts = sim::ReadLedgerFacts(path, fees)) {
    row->setText(kClock, MomentText(facts->clock));
    row->setText(kCash, FromCp949(FormatNumber(facts->cash)));
  } else {
    row->setText(kClock, Catalogue(Txt::kReopenUnreadable));
  }
  row->setTextAlignment(kCash, Qt::AlignRight | Qt::AlignVCenter);
  row->setText(kFile, QString::fromStdString(std::filesystem::path(path).filename().string()));
  row->setToolTip(kFile, QString::fromStdString(path));
  row->setData(kSpan, kPathRole, QString::fromStdString(path));
  return row;
}

}  // namespace

CReopenDlg::CReopenDlg(const std::string& ledgerPath, const sim::FeeRates& fees, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("reopenDialog"));
  setWindowTitle(Catalogue(Txt::kReopenTitle));
  auto* layout = new QVBoxLayout(this);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("reopenList"));
  list_->setRootIsDecorated(false);
  list_->setColumnCount(kColumns);
  list_->setHeaderLabels({Catalogue(Txt::kReopenSpan), Catalogue(Txt::kReopenClock), Catalogue(Txt::kPracticeCash),
                          Catalogue(Txt::kReopenFile)});
  list_->setMinimumSize(kListSize);
  QTreeWidgetItem* current = Row(ledgerPath, Catalogue(Txt::kReopenCurrent), fees);
  // The open account is shown for comparison only.
  current->setFlags(Qt::NoItemFlags);
  list_->addTopLevelItem(current);
  for (const sim::KeptLedger& kept : sim::KeptLedgers(ledgerPath))
    list_->addTopLevelItem(Row(kept.path, DateText(kept.first) + QStringLiteral(" ~ ") + DateText(kept.last), fees));
  if (Offered() > 0) list_->setCurrentItem(list_->topLevelItem(list_->topLevelItemCount() - 1));
  for (int column = 0; column < kColumns; ++column) list_->resizeColumnToContents(column);
  layout->addWidget(list_);
  layout->addWidget(OkCancelButtons(*this, Txt::kReopenOpen, "reopenOk"));
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { accept(); });
}

int CReopenDlg::Offered() const {
  return list_->topLevelItemCount() - 1;
}

void CReopenDlg::accept() {
  const QTreeWidgetItem* row = list_->currentItem();
  if (row == nullptr || !(row->flags() & Qt::ItemIsEnabled)) {
    ShowMessage(Text(Txt::kReopenChooseOne));
    return;
  }
  chosen_ = row->data(kSpan, kPathRole).toString().toStdString();
  QDialog::accept();
}

}  // namespace ostrada
