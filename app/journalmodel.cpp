#include "app/journalmodel.h"

#include <QColor>
#include <cstdint>
#include <cstring>

#include "app/qtext.h"
#include "app/risefall.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"

namespace ostrada {
namespace {

// Columns whose sign is a gain or a loss.
bool IsProfitColumn(const char* key) {
  return std::strcmp(key, "realised") == 0 || std::strcmp(key, "unrealised") == 0;
}

// The length of the number as FormatNumber writes it (digits, a comma a group of three, the sign),
// without formatting it: a long table is sized in one pass.
size_t FormattedLength(int64_t value) {
  size_t digits = 1;
  for (uint64_t rest = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); rest >= 10; rest /= 10)
    ++digits;
  return digits + (digits - 1) / 3 + (value < 0 ? 1 : 0);
}

// The cell's text as shown: a number grouped by three (digits and commas only).
QString ShownText(const sim::JournalCell& cell) {
  return cell.isNumber ? QString::fromLatin1(FormatNumber(cell.number)) : FromCp949(cell.text);
}

}  // namespace

CJournalModel::CJournalModel(sim::JournalView view, QObject* parent)
    : QAbstractTableModel(parent), view_(view), columns_(sim::ColumnsOf(view)) {}

void CJournalModel::SetJournal(std::shared_ptr<const sim::Journal> journal) {
  beginResetModel();
  journal_ = std::move(journal);
  endResetModel();
}

int CJournalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() || !journal_ ? 0 : static_cast<int>(sim::RowCountOf(*journal_, view_));
}

int CJournalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

sim::JournalCell CJournalModel::Cell(int row, int column) const {
  return sim::CellOf(*journal_, view_, static_cast<size_t>(row), static_cast<size_t>(column));
}

QString CJournalModel::CellText(int row, int column) const {
  return ShownText(Cell(row, column));
}

QVariant CJournalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const sim::JournalCell cell = Cell(index.row(), index.column());
  const char* key = columns_[static_cast<size_t>(index.column())].key;
  switch (role) {
    case Qt::DisplayRole:
      return ShownText(cell);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter | (cell.isNumber ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::ForegroundRole: {
      QColor colour;
      if (cell.isNumber && IsProfitColumn(key)) {
        colour = RiseFallColour(cell.number);
      } else if (std::strcmp(key, "side") == 0) {
        // A buy in red and a sell in blue, as order lists show them.
        colour = RiseFallColour(cell.text == Text(Txt::kJournalBuy) ? 1 : -1);
      }
      return colour.isValid() ? QVariant(colour) : QVariant();
    }
    default:
      return {};
  }
}

QVariant CJournalModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  if (role == Qt::DisplayRole) return FromCp949(Text(columns_[static_cast<size_t>(section)].title));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
  return {};
}

QString CJournalModel::WidestText(int column) const {
  const auto at = static_cast<size_t>(column);
  // Digits are alike in width, and a Hangul syllable takes two CP949 bytes as it takes about two
  // digits' room, so the longest text is the widest.
  std::string widest = Text(columns_[at].title);
  int64_t widestNumber = 0;
  size_t numberLength = 0;
  for (int row = 0; row < rowCount(); ++row) {
    const sim::JournalCell cell = Cell(row, column);
    if (!cell.isNumber) {
      if (cell.text.size() > widest.size()) widest = cell.text;
    } else if (const size_t length = FormattedLength(cell.number); length > numberLength) {
      widestNumber = cell.number;
      numberLength = length;
    }
  }
  if (numberLength > widest.size()) widest = FormatNumber(widestNumber);
  return FromCp949(widest);
}

int CJournalModel::CodeColumn() const {
  for (size_t i = 0; i < columns_.size(); ++i)
    if (std::strcmp(columns_[i].key, "code") == 0) return static_cast<int>(i);
  return -1;
}

std::string CJournalModel::CodeAt(int row) const {
  const int column = CodeColumn();
  if (column < 0 || row < 0 || row >= rowCount()) return {};
  return Cell(row, column).text;
}

}  // namespace ostrada
