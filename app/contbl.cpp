#include "app/contbl.h"

#include <QColor>
#include <QHeaderView>
#include <QResizeEvent>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/itemcolour.h"
#include "app/qtext.h"
#include "app/windowmessages.h"
#include "app/wndconpower.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/liveday.h"
#include "basesrc/numberformat.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

static constexpr char kModule[] = "app/contbl";

namespace {

constexpr uint32_t kRiseItemData = kRedItemData;
constexpr uint32_t kFallItemData = kBlueItemData;
constexpr char kSellerSide = '2';

constexpr const char* kColumnTitles[] = {"time", "price", "diff", "amount"};
constexpr int kColumnWidths[] = {65, 60, 50, 62};
constexpr int kShortTimeColumnWidth = 43;

// The list is written in blocks of about this many bytes.
constexpr size_t kWriteBlock = 64 * 1024;

std::string NumberCell(int64_t value) {
  return FormatNumber(value);
}

}  // namespace

ContractRow ContractRow::From(const ContractRecord& record) {
  ContractRow row;
  row.timeHHMMSS = record.timeHHMMSS;
  row.price = record.price;
  row.change = record.change;
  row.amount = record.side == kSellerSide ? -static_cast<int64_t>(record.tickVolume) : record.tickVolume;
  row.volume = static_cast<uint32_t>(record.volume);
  row.itemData = record.change > 0 ? kRiseItemData : record.change < 0 ? kFallItemData : 0;
  return row;
}

ContractRow ContractRow::Gap() {
  ContractRow row{};
  row.gap = true;
  return row;
}

ContractListModel::ContractListModel(int shortTime, QObject* parent)
    : QAbstractTableModel(parent), shortTime_(shortTime) {}

int ContractListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ContractListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ContractListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return ShownText(index.row(), index.column());
    case Qt::ToolTipRole:
      return Row(index.row()).gap ? FromCp949(Text(Txt::kConListGapTip)) : QVariant();
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ForegroundRole: {
      const uint32_t itemData = Row(index.row()).itemData;
      return itemData == 0 ? QVariant() : QVariant(ItemDataColour(itemData));
    }
    case kItemDataRole:
      return static_cast<uint>(Row(index.row()).itemData);
    default:
      return {};
  }
}

QVariant ContractListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromLatin1(kColumnTitles[section]);
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

void ContractListModel::InsertAtTop(const std::deque<ContractRow>& rows) {
  if (rows.empty()) return;
  beginInsertRows(QModelIndex(), 0, static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.begin(), rows.begin(), rows.end());
  endInsertRows();
}

void ContractListModel::Append(const std::deque<ContractRow>& rows) {
  if (rows.empty()) return;
  const int first = rowCount();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(rows.size()) - 1);
  rows_.insert(rows_.end(), rows.begin(), rows.end());
  endInsertRows();
}

void ContractListModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

QString ContractListModel::ShownText(int row, int column) const {
  // Only a gap's mark is more than ASCII.
  return Row(row).gap ? FromCp949(CellText(row, column)) : QString::fromLatin1(CellText(row, column));
}

std::string ContractListModel::CellText(int row, int column) const {
  const ContractRow& r = Row(row);
  if (r.gap) return column == kTime ? Text(Txt::kConListGap) : std::string();
  switch (column) {
    case kTime: {
      char text[32];
      const int hour = r.timeHHMMSS / 10000;
      const int minute = r.timeHHMMSS / 100 % 100;
      if (shortTime_ == 1) {
        std::snprintf(text, sizeof text, "%2d:%02d", hour, minute);
      } else {
        std::snprintf(text, sizeof text, "%2d:%02d:%02d", hour, minute, r.timeHHMMSS % 100);
      }
      return text;
    }
    case kPrice:
      return NumberCell(r.price);
    case kChange:
      return NumberCell(r.change);
    case kAmount:
      return NumberCell(r.amount);
    default:
      return {};
  }
}

CConTbl::CConTbl(const CodeInfoList* book, int shortTime, QWidget* parent)
    : QWidget(parent), book_(book), shortTime_(shortTime), model_(shortTime), list_(new QTableView(this)) {
  setObjectName("form141");
  list_->setObjectName("list1386");
  list_->setModel(&model_);
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setShowGrid(false);
  list_->setWordWrap(false);
  list_->verticalHeader()->hide();
  // Every row has the same height, so the view never measures rows.
  list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 2);
  list_->horizontalHeader()->setHighlightSections(false);
  list_->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (int column = 0; column < ContractListModel::kColumnCount; ++column) {
    list_->setColumnWidth(column, kColumnWidths[column]);
  }
  if (shortTime_ == 1) list_->setColumnWidth(ContractListModel::kTime, kShortTimeColumnWidth);
  connect(&model_, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { WidenColumns(first, last); });
}

void CConTbl::WidenColumns(int first, int last) {
  // A closing auction trades millions of shares at once: a column grows to its widest number rather
  // than cut it; it never shrinks, so the list does not jump as rows come and go.
  const QFontMetrics metrics(list_->font());
  const int margins = 2 * (list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1) + 1;
  for (int column = 0; column < ContractListModel::kColumnCount; ++column) {
    int widest = list_->columnWidth(column);
    for (int row = first; row <= last; ++row) {
      widest = std::max(widest, metrics.horizontalAdvance(model_.ShownText(row, column)) + margins);
    }
    if (widest > list_->columnWidth(column)) list_->setColumnWidth(column, widest);
  }
}

void CConTbl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  list_->setGeometry(rect());
}

void CConTbl::Clear(CWndConPower* feed) {
  if (OSTRADA_VERIFY(feed != nullptr)) feed->Unsubscribe();
  model_.Clear();
  code_.clear();
}

int CConTbl::Load(const char* code, CWndConPower* feed, int allPages) {
  Clear(feed);
  if (!OSTRADA_VERIFY(code != nullptr && code[0] != '\0' && feed != nullptr)) return 0;
  if (!OSTRADA_VERIFY(feed->OpenHistory(code))) return 0;
  std::unique_ptr<ContractTape> page = feed->FetchPage();
  if (!OSTRADA_VERIFY(page != nullptr)) return 0;
  FillRows(*page, allPages);
  if (allPages == 1) {
    while (feed->HasHistory() && feed->MorePages()) {
      page = feed->FetchPage();
      if (!OSTRADA_VERIFY(page != nullptr)) return 0;
      FillRows(*page, allPages);
    }
  }
  const int subscribed = feed->Subscribe(code);
  code_ = code;
  return subscribed;
}

int CConTbl::NextPage(CWndConPower* feed) {
  if (!OSTRADA_VERIFY(feed != nullptr)) return 0;
  if (!feed->HasHistory()) {
    CurrentUiSink().Beep();
    return 0;
  }
  std::unique_ptr<ContractTape> page = feed->FetchPage();
  if (!OSTRADA_VERIFY(page != nullptr)) return 0;
  FillRows(*page, 1);
  return 1;
}

int CConTbl::CatchUp(CWndConPower* feed) {
  if (!OSTRADA_VERIFY(feed != nullptr) || code_.empty()) return 0;
  const std::unique_ptr<ContractTape> page = feed->FetchNewest(code_.c_str());
  if (page == nullptr) return 0;  // told by the feed; the rows stay as they were
  if (page->Tail() == nullptr) return 1;
  DayFigures newest;
  if (model_.rowCount() > 0) newest = {model_.Row(0).price, model_.Row(0).change, model_.Row(0).volume};
  if (FollowLiveDay(newest, page->Tail()->record).newDay) model_.Clear();
  // The day's volume grows with every contract: what the list shows already is no newer than its top.
  const int64_t shown = model_.rowCount() > 0 ? model_.Row(0).volume : -1;
  std::deque<ContractRow> rows;
  for (const ContractNode* node = page->Tail(); node != nullptr; node = node->prev) {
    if (IsSessionTrade(node->record) && static_cast<int64_t>(node->record.volume) > shown)
      rows.push_back(ContractRow::From(node->record));
  }
  // The oldest new contract follows the top one only when no volume traded between them.
  if (!rows.empty() && shown >= 0 && rows.back().volume - std::abs(rows.back().amount) != shown)
    rows.push_back(ContractRow::Gap());
  model_.InsertAtTop(rows);
  return 1;
}

// A page arrives newest row first, so its tail is its newest contract. Either way of filling ends
// with the newest contract at the top and each older page below the one before.
void CConTbl::FillRows(const ContractTape& tape, int allPages) {
  std::deque<ContractRow> rows;
  for (const ContractNode* node = tape.Tail(); node != nullptr; node = node->prev) {
    if (IsSessionTrade(node->record)) rows.push_back(ContractRow::From(node->record));
  }
  if (allPages == 1) {
    model_.Append(rows);
  } else {
    model_.InsertAtTop(rows);
  }
}

bool CConTbl::event(QEvent* event) {
  if (WindowMessageEvent* message = AsWindowMessage(event, WM_CONTRACT_FORWARD)) {
    OnContractForward(message->LParam());
    message->SetResult(1);
    return true;
  }
  return QWidget::event(event);
}

void CConTbl::OnContractForward(intptr_t lParam) {
  const std::unique_ptr<ContractTape> tape(reinterpret_cast<ContractTape*>(lParam));
  if (!OSTRADA_VERIFY(tape != nullptr && tape->Head() != nullptr)) return;
  const ContractRecord record = tape->Head()->record;
  // The list holds one trading day, as a fresh load does: a record of a later day (an auction's or
  // the day's opening record too) finds yesterday's contracts, which are not today's.
  DayFigures newest;
  if (model_.rowCount() > 0) newest = {model_.Row(0).price, model_.Row(0).change, model_.Row(0).volume};
  const LiveDayStep step = FollowLiveDay(newest, record);
  if (step.newDay && model_.rowCount() > 0) model_.Clear();
  if (step.trade) model_.InsertAtTop({ContractRow::From(record)});
}

int CConTbl::SaveToText() {
  const CodeInfo* stock = book_ != nullptr && !code_.empty() ? book_->FindByCode(code_.c_str()) : nullptr;
  if (!OSTRADA_VERIFY(stock != nullptr && stock->key.name != nullptr)) return 0;
  char fileName[512];
  const int length = std::snprintf(fileName, sizeof fileName, TextC(Txt::kConListFileName), "", stock->key.name.get(),
                                   stock->key.code, TodayYYYYMMDD());
  if (!OSTRADA_VERIFY(length > 0 && length < static_cast<int>(sizeof fileName))) return 0;
  const std::string folder = DataFolder();
  if (!OSTRADA_VERIFY(!folder.empty())) return 0;
  // The file system takes names as UTF-8; the file's contents stay CP949.
  const std::string path = folder + Cp949ToUtf8(fileName);
  ReplacingFile file(path.c_str());
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  return WriteRows(file.get()) ? file.Commit() : 0;
}

int CConTbl::WriteRows(FileHandle file) const {
  std::string block = Text(Txt::kConListHeaderLine);
  block.reserve(kWriteBlock + 256);
  const auto flush = [&]() {
    const bool written =
        FileWrite(file, block.data(), static_cast<int32_t>(block.size())) == static_cast<int32_t>(block.size());
    block.clear();
    return OSTRADA_VERIFY(written);
  };
  const int rows = model_.rowCount();
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < ContractListModel::kColumnCount; ++column) {
      block += model_.CellText(row, column);
      block += '\t';
    }
    block += "\r\n";
    if (block.size() >= kWriteBlock && !flush()) return 0;
  }
  return flush() ? 1 : 0;
}

}  // namespace ostrada
