#pragma once
// The cells of the order form's lists: right-aligned texts, the chosen row, columns as wide as the
// template says or as their widest text needs.
#include <QTableWidget>
#include <algorithm>
#include <cstddef>

namespace ostrada {

inline void SetCell(QTableWidget& list, int row, int column, const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  list.setItem(row, column, item);
}

inline QString CellText(const QTableWidget& list, int row, int column) {
  const QTableWidgetItem* item = list.item(row, column);
  return item != nullptr ? item->text() : QString();
}

// The selected row, or -1.
inline int SelectedRow(const QTableWidget& list) {
  const QList<QTableWidgetSelectionRange> ranges = list.selectedRanges();
  return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

template <size_t N>
void FitColumns(QTableWidget& list, const int (&widths)[N]) {
  for (int column = 0; column < static_cast<int>(N); ++column) {
    list.resizeColumnToContents(column);
    list.setColumnWidth(column, std::max(list.columnWidth(column), widths[column]));
  }
}

}  // namespace ostrada
