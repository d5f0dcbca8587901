#include "app/watchrows.h"

#include <QHeaderView>
#include <QTableWidget>

#include "app/qtext.h"
#include "app/watchdesk.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/paper/paper_watch_words.h"

namespace ostrada {
namespace {

constexpr int kIdRole = Qt::UserRole;

std::vector<Txt> Headers(bool withStock) {
  std::vector<Txt> headers = {Txt::kWatchColumnNumber, Txt::kWatchColumnStock,  Txt::kWatchColumnKind,
                              Txt::kWatchColumnTrigger, Txt::kWatchColumnOrder, Txt::kWatchColumnExpiry,
                              Txt::kWatchColumnState,  Txt::kWatchColumnOutcome};
  if (!withStock) headers.erase(headers.begin() + 1);
  return headers;
}

QString ExpiryText(int32_t expiry) {
  if (expiry == 0) return {};
  return QStringLiteral("%1-%2-%3")
      .arg(expiry / 10000)
      .arg(expiry / 100 % 100, 2, 10, QLatin1Char('0'))
      .arg(expiry % 100, 2, 10, QLatin1Char('0'));
}

}  // namespace

void SetUpWatchTable(QTableWidget& table, bool withStock) {
  QStringList labels;
  for (const Txt header : Headers(withStock)) labels << FromCp949(Text(header));
  table.setColumnCount(static_cast<int>(labels.size()));
  table.setHorizontalHeaderLabels(labels);
  table.verticalHeader()->hide();
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.setSelectionMode(QAbstractItemView::SingleSelection);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.horizontalHeader()->setStretchLastSection(true);
}

void ShowWatchRows(QTableWidget& table, const std::vector<const sim::WatchCondition*>& rows, const WatchDesk& desk,
                   bool withStock) {
  const int64_t selected = SelectedWatch(table);
  table.clearSelection();
  table.setRowCount(static_cast<int>(rows.size()));
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const sim::WatchCondition& c = *rows[static_cast<size_t>(row)];
    QStringList cells = {QString::number(c.id),
                         FromCp949(desk.NameOf(c.code)),
                         FromCp949(Text(sim::WatchKindName(c.kind))),
                         FromCp949(sim::WatchTriggerText(c)),
                         FromCp949(sim::WatchOrderText(c)),
                         ExpiryText(c.expiry),
                         FromCp949(Text(sim::WatchStateName(c.state))),
                         FromCp949(sim::WatchOutcomeText(c))};
    if (!withStock) cells.removeAt(1);
    for (int column = 0; column < static_cast<int>(cells.size()); ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      item->setData(kIdRole, QVariant::fromValue<qlonglong>(c.id));
      if (c.state != sim::WatchState::kActive) item->setForeground(table.palette().color(QPalette::Disabled, QPalette::Text));
      if (column == 0 || (withStock && column == 1)) item->setToolTip(QString::fromLatin1(c.code.c_str()));
      table.setItem(row, column, item);
    }
    if (c.id == selected) table.selectRow(row);
  }
  table.resizeColumnsToContents();
}

int64_t SelectedWatch(const QTableWidget& table) {
  const QList<QTableWidgetItem*> chosen = table.selectedItems();
  return chosen.isEmpty() ? 0 : chosen.front()->data(kIdRole).toLongLong();
}

void CancelSelectedWatch(const QTableWidget& table, WatchDesk& desk) {
  const int64_t id = SelectedWatch(table);
  if (id == 0) {
    ShowMessage(Text(Txt::kWatchChooseRow));
    return;
  }
  const std::string refusal = desk.Cancel(id);
  if (!refusal.empty()) ShowMessage(refusal);
}

}  // namespace ostrada
