#include "app/watchmodel.h"

#include <algorithm>

#include "app/qtext.h"
#include "app/risefall.h"
#include "basesrc/numberformat.h"

namespace ostrada {
namespace {

// A pale amber that neither the rise's red nor the fall's blue loses itself on.
const QColor kMarkColour(255, 236, 179);

}  // namespace

double WatchRow::Rate() const {
  const int64_t previous = int64_t{price} - change;
  return previous > 0 && price > 0 ? change * 100.0 / static_cast<double>(previous) : 0.0;
}

int WatchModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int WatchModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QString WatchModel::Cell(int row, int column) const {
  if (row < 0 || row >= rowCount()) return {};
  const WatchRow& entry = rows_[static_cast<size_t>(row)];
  switch (column) {
    case kName:
      return FromCp949(entry.name);
    case kPrice:
      return QString::fromStdString(FormatNumber(int64_t{entry.price}, ZeroShown::kBlank));
    case kChange:
      return entry.price > 0 ? QString::fromStdString(FormatNumber(int64_t{entry.change})) : QString();
    case kRate:
      return entry.price > 0 ? QString::asprintf("%.2f%%", entry.Rate()) : QString();
    case kVolume:
      return QString::fromStdString(FormatNumber(entry.volume, ZeroShown::kBlank));
    default:
      return {};
  }
}

QVariant WatchModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Cell(index.row(), index.column());
  if (role == Qt::TextAlignmentRole)
    return index.column() == kName ? int(Qt::AlignLeft | Qt::AlignVCenter) : int(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::ForegroundRole && index.column() != kName && index.column() != kVolume) {
    const QColor colour = RiseFallColour(rows_[static_cast<size_t>(index.row())].change);
    if (colour.isValid()) return colour;
  }
  const std::string& code = rows_[static_cast<size_t>(index.row())].code;
  const auto mark = marks_.find(code);
  if (role == Qt::BackgroundRole && mark != marks_.end()) return kMarkColour;
  if (role == Qt::ToolTipRole && index.column() == kName) {
    const QString tip = QString::fromLatin1(code.c_str());
    return mark != marks_.end() ? tip + QStringLiteral("\n") + mark->second : tip;
  }
  return {};
}

QVariant WatchModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const kTitles[kColumns] = {"종목명", "현재가", "전일대비", "등락률", "거래량"};
  return section >= 0 && section < kColumns ? QString::fromUtf8(kTitles[section]) : QVariant();
}

void WatchModel::SetRows(std::vector<WatchRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  endResetModel();
}

void WatchModel::Append(WatchRow row) {
  const int at = rowCount();
  beginInsertRows({}, at, at);
  rows_.push_back(std::move(row));
  endInsertRows();
}

void WatchModel::Remove(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void WatchModel::Mark(const std::string& code, const QString& note) {
  marks_[code] = note;
  for (size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].code == code) emit dataChanged(index(static_cast<int>(row), 0), index(static_cast<int>(row), kColumns - 1));
  }
}

void WatchModel::Update(const std::string& code, int32_t price, int32_t change, int64_t volume) {
  for (size_t row = 0; row < rows_.size(); ++row) {
    WatchRow& entry = rows_[row];
    if (entry.code != code) continue;
    const bool priceMoved = entry.price != price || entry.change != change;
    const bool volumeMoved = entry.volume != volume;
    entry.price = price;
    entry.change = change;
    entry.volume = volume;
    const int r = static_cast<int>(row);
    if (priceMoved) emit dataChanged(index(r, kPrice), index(r, kRate));
    if (volumeMoved) emit dataChanged(index(r, kVolume), index(r, kVolume));
  }
}

}  // namespace ostrada
