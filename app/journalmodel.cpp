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

}  // namespace

void CJournalModel::SetTable(sim::JournalTable table) {
  beginResetModel();
  table_ = std::move(table);
  endResetModel();
}

int CJournalModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.rows.size());
}

int CJournalModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(table_.columns.size());
}

QString CJournalModel::CellText(int row, int column) const {
  const sim::JournalCell& cell = table_.rows[static_cast<size_t>(row)][static_cast<size_t>(column)];
  return FromCp949(cell.isNumber ? FormatNumber(cell.number) : cell.text);
}

QVariant CJournalModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const sim::JournalCell& cell = table_.rows[static_cast<size_t>(index.row())][static_cast<size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return CellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignVCenter | (cell.isNumber ? Qt::AlignRight : Qt::AlignLeft));
    case Qt::ForegroundRole: {
      QColor colour;
      if (cell.isNumber && IsProfitColumn(table_.columns[static_cast<size_t>(index.column())].key)) {
        colour = RiseFallColour(cell.number);
      } else if (!cell.isNumber && (cell.text == Text(Txt::kJournalBuy) || cell.text == Text(Txt::kJournalSell))) {
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
  if (role == Qt::DisplayRole) return FromCp949(Text(table_.columns[static_cast<size_t>(section)].title));
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
  return {};
}

QString CJournalModel::WidestText(int column) const {
  const auto at = static_cast<size_t>(column);
  // Digits are alike in width, and a Hangul syllable takes two CP949 bytes as it takes about two
  // digits' room, so the longest text is the widest.
  std::string widest = Text(table_.columns[at].title);
  const sim::JournalCell* widestNumber = nullptr;
  size_t numberLength = 0;
  for (const std::vector<sim::JournalCell>& row : table_.rows) {
    const sim::JournalCell& cell = row[at];
    if (!cell.isNumber) {
      if (cell.text.size() > widest.size()) widest = cell.text;
    } else if (const size_t length = FormattedLength(cell.number); length > numberLength) {
      widestNumber = &cell;
      numberLength = length;
    }
  }
  if (widestNumber != nullptr && numberLength > widest.size()) widest = FormatNumber(widestNumber->number);
  return FromCp949(widest);
}

int CJournalModel::CodeColumn() const {
  for (size_t i = 0; i < table_.columns.size(); ++i)
    if (std::strcmp(table_.columns[i].key, "code") == 0) return static_cast<int>(i);
  return -1;
}

std::string CJournalModel::CodeAt(int row) const {
  const int column = CodeColumn();
  if (column < 0 || row < 0 || row >= rowCount()) return {};
  return table_.rows[static_cast<size_t>(row)][static_cast<size_t>(column)].text;
}

}  // namespace ostrada
