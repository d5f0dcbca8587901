#pragma once
// CJournalModel: one of the journal's tables (days, stocks, fills or orders) as a Qt model. The
// cells are the core's, drawn from the journal as the view asks for them, so a record of any length
// opens at once; this only formats them: numbers grouped by three and right-aligned, profits and the
// side of a trade in red or blue.
#include <QAbstractTableModel>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "broker/sim/paper/paper_journal_table.h"

namespace ostrada {

class CJournalModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  CJournalModel(sim::JournalView view, QObject* parent);

  // Shows the journal's rows of this model's view; none for no journal.
  void SetJournal(std::shared_ptr<const sim::Journal> journal);
  sim::JournalView View() const { return view_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  // The cell's text as shown.
  QString CellText(int row, int column) const;
  // The longest text of the column (its title included), so the column can be sized to show every
  // cell whole without measuring each one. It walks every row: ask it when the table is first shown.
  QString WidestText(int column) const;
  // The column holding the stock's code, or -1.
  int CodeColumn() const;
  // The code of the row's stock (ASCII), empty where the table has none.
  std::string CodeAt(int row) const;

 private:
  sim::JournalCell Cell(int row, int column) const;

  const sim::JournalView view_;
  const std::vector<sim::JournalColumn>& columns_;
  std::shared_ptr<const sim::Journal> journal_;
};

}  // namespace ostrada
