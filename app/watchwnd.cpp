#include "app/watchwnd.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/qtext.h"
#include "app/watchdesk.h"
#include "app/watchrows.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

constexpr QSize kFirstSize(760, 360);

}  // namespace

CWatchWnd::CWatchWnd(WatchDesk& desk, QWidget* parent)
    : QWidget(parent, Qt::Window),
      StockWindow(static_cast<QWidget&>(*this)),
      desk_(desk),
      ended_(new QCheckBox(FromCp949(Text(Txt::kWatchShowEnded)), this)),
      list_(new QTableWidget(this)) {
  setObjectName(QStringLiteral("watchWindow"));
  setWindowTitle(FromCp949(Text(Txt::kWatchWindowCaption)));
  resize(kFirstSize);
  ended_->setObjectName(QStringLiteral("checkWatchEnded"));
  list_->setObjectName(QStringLiteral("listWatches"));
  SetUpWatchTable(*list_, true);
  auto* cancel = new QPushButton(FromCp949(Text(Txt::kWatchCancelButton)), this);
  cancel->setObjectName(QStringLiteral("buttonWatchCancel"));
  LinkToggle().setObjectName(QStringLiteral("watchLink"));

  auto* top = new QHBoxLayout;
  top->addWidget(ended_);
  top->addStretch(1);
  top->addWidget(cancel);
  top->addWidget(&LinkToggle());
  auto* column = new QVBoxLayout(this);
  column->addLayout(top);
  column->addWidget(list_, 1);

  connect(ended_, &QCheckBox::toggled, this, &CWatchWnd::ShowRows);
  connect(cancel, &QPushButton::clicked, this, &CWatchWnd::CancelChosen);
  connect(&desk_, &WatchDesk::changed, this, &CWatchWnd::ShowRows);
  connect(list_, &QTableWidget::cellDoubleClicked, this, [this](int row) {
    const QTableWidgetItem* item = list_->item(row, 1);
    if (item == nullptr) return;
    code_ = item->toolTip().toStdString();
    Picks().Tell(code_);
  });
  ShowRows();
}

int CWatchWnd::ShowStock(const std::string& code) {
  code_ = code;
  for (int row = 0; row < list_->rowCount(); ++row) {
    if (list_->item(row, 1)->toolTip().toStdString() == code) {
      list_->selectRow(row);
      return 1;
    }
  }
  list_->clearSelection();
  return 1;
}

void CWatchWnd::CancelChosen() {
  CancelSelectedWatch(*list_, desk_);
}

void CWatchWnd::ShowRows() {
  std::vector<const sim::WatchCondition*> rows;
  for (const sim::WatchCondition& condition : desk_.Conditions()) {
    if (ended_->isChecked() || condition.state == sim::WatchState::kActive) rows.push_back(&condition);
  }
  ShowWatchRows(*list_, rows, desk_, true);
}

}  // namespace ostrada
