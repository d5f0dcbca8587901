#include "app/calltbl.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>
#include <cstdio>
#include <cstring>

#include "app/dialogunits.h"
#include "app/qtext.h"
#include "app/risefall.h"
#include "app/windowmessages.h"
#include "basesrc/foundation/report.h"
#include "basesrc/numberformat.h"
#include "basesrc/priceinfo.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {

static constexpr char kModule[] = "app/calltbl";

namespace {

// Template sizes in dialog units: 140 (5 levels) and 138 (10 levels).
constexpr int kTable5Width = 168, kTable5Height = 139;
constexpr int kTable10Width = 170, kTable10Height = 256;

// Header values of a real-time quote-book event.
constexpr int kEventCode = 0, kEventTime = 1, kEventValue2 = 2;
constexpr int kEventFirstLevels = 3;    // levels 0-4, four values each
constexpr int kEventTotals = 23;        // total sell, total buy, third, fourth
constexpr int kEventSecondLevels = 27;  // levels 5-9

QString NumberText(int32_t value) {
  return QString::fromLatin1(FormatNumber(int64_t{value}, ZeroShown::kBlank));
}

QString RemainderLabel() {
  return QString::fromUtf8("잔량");
}

}  // namespace

// ---- QuoteLadderModel ----

QuoteLadderModel::QuoteLadderModel(int rows, QStringList columns, QObject* parent)
    : QAbstractTableModel(parent),
      rows_(rows),
      columns_(std::move(columns)),
      cells_(static_cast<size_t>(rows_ * columns_.size())),
      colours_(cells_.size()) {}

int QuoteLadderModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int QuoteLadderModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant QuoteLadderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Cell(index.row(), index.column());
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  if (role == Qt::ForegroundRole && CellColour(index.row(), index.column()).isValid()) {
    return CellColour(index.row(), index.column());
  }
  return {};
}

QVariant QuoteLadderModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
  if (role == Qt::DisplayRole) return columns_[section];
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
  return {};
}

void QuoteLadderModel::SetCell(int row, int column, const QString& text, const QColor& colour) {
  QString& cell = cells_[Slot(row, column)];
  QColor& cellColour = colours_[Slot(row, column)];
  if (cell == text && cellColour == colour) return;
  cell = text;
  cellColour = colour;
  ++changedCells_;
  const QModelIndex at = index(row, column);
  emit dataChanged(at, at, {Qt::DisplayRole, Qt::ForegroundRole});
}

// ---- CCallTbl ----

CCallTbl::CCallTbl(int mode, int rateColumn, QWidget* parent)
    : QWidget(parent), mode_(mode), levels_(mode == 1 ? 5 : 10), rateColumn_(rateColumn) {
  setObjectName(mode_ == 1 ? QStringLiteral("dialog140") : QStringLiteral("dialog138"));
  ClearCallInfo(current_);
  setFont(TemplateFont());
  const DialogUnits units(font());
  setFixedSize(mode_ == 1 ? units.Size(kTable5Width, kTable5Height) : units.Size(kTable10Width, kTable10Height));

  QStringList columns;
  if (rateColumn_ == 1) columns << QStringLiteral("rate");
  columns << QStringLiteral("price") << QStringLiteral("amount") << QStringLiteral("diff");
  upperModel_ = new QuoteLadderModel(levels_ + 1, columns, this);
  lowerModel_ = new QuoteLadderModel(levels_ + 1, columns, this);
  upper_ = new QTableView(this);
  lower_ = new QTableView(this);
  upper_->setObjectName(QStringLiteral("list1383"));
  lower_->setObjectName(QStringLiteral("list1384"));
  for (QTableView* list : {upper_, lower_}) {
    const bool isUpper = list == upper_;
    list->setModel(isUpper ? upperModel_ : lowerModel_);
    list->verticalHeader()->hide();
    list->setShowGrid(false);
    list->setWordWrap(false);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    list->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, list, isUpper](const QItemSelection& selected) {
              if (selected.isEmpty()) return;
              const QModelIndexList rows = list->selectionModel()->selectedRows();
              if (!rows.isEmpty()) OnRowSelected(isUpper, rows.first().row());
            });
  }

  // The labels stay until the first record is shown over them.
  upperModel_->SetCell(0, 0, RemainderLabel());
  for (int row = 1; row <= levels_; ++row) upperModel_->SetCell(row, 0, QString::number(levels_ + 1 - row));
  for (int row = 0; row < levels_; ++row) lowerModel_->SetCell(row, 0, QString::number(row + 1));
  lowerModel_->SetCell(levels_, 0, RemainderLabel());

  LayOutLists();
  CreateRealTimeObject();
}

CCallTbl::~CCallTbl() {
  if (sink_ && realTime_) {
    try {
      sink_->Unadvise(*realTime_);
    } catch (const broker::ComError& error) {
      ShowMessage(error.Description());
    }
  }
}

void CCallTbl::CreateRealTimeObject() {
  try {
    realTime_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookLive);
    window_ = std::make_unique<QtWindowHandle>(this);
    sink_ = std::make_unique<CEventSink>(window_.get());
    sink_->Advise(*realTime_);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

void CCallTbl::LayOutLists() {
  const int half = height() / 2;
  const int u = width() / 5;
  for (QTableView* list : {upper_, lower_}) {
    list->setGeometry(0, list == upper_ ? 0 : height() - half, width(), half);
    int column = 0;
    if (rateColumn_ == 1) list->horizontalHeader()->resizeSection(column++, u);
    for (; column < list->model()->columnCount(); ++column) list->horizontalHeader()->resizeSection(column, u * 4 / 3);
    const int header = list->horizontalHeader()->sizeHint().height();
    const int rowHeight = (half - header - 2 * list->frameWidth()) / (levels_ + 1);
    list->verticalHeader()->setMinimumSectionSize(1);
    list->verticalHeader()->setDefaultSectionSize(rowHeight);
  }
}

void CCallTbl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayOutLists();
}

void CCallTbl::UnsubscribeCurrent() {
  if (current_.code[0] == '\0' || !realTime_) return;
  try {
    realTime_->SetInput(0, broker::Variant::Text(current_.code));
    realTime_->Unsubscribe();
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
}

int CCallTbl::SetStock(const char* code) {
  if (code == nullptr) {
    // Nothing shown means nothing subscribed: a live feed must not refill a ladder its header cleared.
    Show(nullptr);
    UnsubscribeCurrent();
    ClearCallInfo(current_);
    return 1;
  }
  UnsubscribeCurrent();
  if (std::strcmp(code, current_.code) != 0) {
    // A price picked in another stock's book marks nothing in this one.
    pickedPrice_ = 0;
    marking_ = true;
    MarkRow(*upper_, -1);
    MarkRow(*lower_, -1);
    marking_ = false;
  }
  if (!OSTRADA_VERIFY(gate_.FetchQuoteBook(code, current_))) {
    // The ladder must not go on showing the previous stock under the new one's header.
    ClearCallInfo(current_);
    Show(nullptr);
    return 0;
  }
  Show(&current_);
  if (!realTime_) return 1;  // its creation failure was shown
  try {
    realTime_->SetInput(0, broker::Variant::Text(code));
    realTime_->Subscribe();
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
  return 1;
}

bool CCallTbl::event(QEvent* event) {
  if (AsWindowMessage(event, WM_EVENT_RECEIVED) != nullptr) {
    OnEventReceived();
    return true;
  }
  return QWidget::event(event);
}

void CCallTbl::OnEventReceived() {
  if (!OSTRADA_VERIFY(realTime_ != nullptr)) return;
  CallInfo fresh;
  ClearCallInfo(fresh);
  try {
    ReadEvent(fresh);
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return;
  }
  if (!CompareAndMark(fresh, current_)) return;  // reported where the stocks were compared
  Show(&fresh);
  current_ = fresh;
  ++eventsShown_;
}

void CCallTbl::ReadEvent(CallInfo& fresh) {
  broker::IMarketRequest& object = *realTime_;
  SetCallCode(fresh, object.HeaderValue(kEventCode).ToText().c_str());
  fresh.quoteTime = object.HeaderValue(kEventTime).ToI4();
  fresh.eventValue2 = object.HeaderValue(kEventValue2).ToI4();
  const auto readLevels = [&object, &fresh](int first, int header) {
    for (int i = first; i < first + 5; ++i) {
      CallLevel& level = fresh.levels[i];
      for (int32_t* value : {&level.sellPrice, &level.buyPrice, &level.sellQuantity, &level.buyQuantity}) {
        *value = object.HeaderValue(header++).ToI4();
      }
    }
  };
  readLevels(0, kEventFirstLevels);
  int header = kEventTotals;
  for (int32_t* total : {&fresh.totalSell, &fresh.totalBuy, &fresh.total3, &fresh.total4}) {
    *total = object.HeaderValue(header++).ToI4();
  }
  readLevels(5, kEventSecondLevels);
}

QString CCallTbl::RateText(int32_t price) const {
  if (price == 0) return {};
  const float rate = referencePrice_ == 0 ? 0.0f : Percent(referencePrice_, PriceDifference(price, referencePrice_));
  char text[32];
  std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(rate));
  return QString::fromLatin1(text).rightJustified(6, QLatin1Char(' '));
}

void CCallTbl::ShowSide(QuoteLadderModel& model, int row, int32_t price, int32_t quantity, int32_t change) {
  const QColor colour =
      price == 0 || referencePrice_ == 0 ? QColor() : RiseFallColour(int64_t{price} - referencePrice_);
  int column = 0;
  if (rateColumn_ == 1) model.SetCell(row, column++, RateText(price), colour);
  model.SetCell(row, column++, NumberText(price), colour);
  model.SetCell(row, column++, NumberText(quantity));
  model.SetCell(row, column, NumberText(change));
}

void CCallTbl::Show(const CallInfo* record) {
  if (record == nullptr) {
    for (QuoteLadderModel* model : {upperModel_, lowerModel_}) {
      for (int row = 0; row <= levels_; ++row) {
        for (int column = 0; column < model->columnCount(); ++column) model->SetCell(row, column, {});
      }
    }
    return;
  }
  // Without the previous close every rate reads 0; say so once for the record, not once a cell.
  if (rateColumn_ == 1) OSTRADA_VERIFY(referencePrice_ != 0);
  for (int i = 0; i < levels_; ++i) {
    const CallLevel& level = record->levels[i];
    ShowSide(*upperModel_, levels_ - i, level.sellPrice, level.sellQuantity, level.sellChange);
    ShowSide(*lowerModel_, i, level.buyPrice, level.buyQuantity, level.buyChange);
  }
  const int totals = DataColumn() + 1;
  upperModel_->SetCell(0, totals, NumberText(record->totalSell));
  upperModel_->SetCell(0, totals + 1, NumberText(record->totalSellChange));
  lowerModel_->SetCell(levels_, totals, NumberText(record->totalBuy));
  lowerModel_->SetCell(levels_, totals + 1, NumberText(record->totalBuyChange));
  MarkPickedPrice(*record);
}

void CCallTbl::MarkRow(QTableView& list, int row) {
  QItemSelectionModel& selection = *list.selectionModel();
  if (row < 0) {
    if (selection.hasSelection()) selection.clearSelection();
    return;
  }
  const QModelIndex at = list.model()->index(row, 0);
  if (selection.isRowSelected(row, {})) return;
  selection.select(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CCallTbl::MarkPickedPrice(const CallInfo& record) {
  if (pickedPrice_ <= 0) return;
  int upperRow = -1, lowerRow = -1;
  for (int i = 0; i < levels_; ++i) {
    if (record.levels[i].sellPrice == pickedPrice_) upperRow = levels_ - i;
    if (record.levels[i].buyPrice == pickedPrice_) lowerRow = i;
  }
  marking_ = true;
  MarkRow(*upper_, upperRow);
  MarkRow(*lower_, lowerRow);
  marking_ = false;
}

void CCallTbl::OnRowSelected(bool upperList, int row) {
  if (marking_) return;
  const bool priceRow = upperList ? row >= 1 && row <= levels_ : row >= 0 && row < levels_;
  if (!priceRow) return;  // the totals rows pick nothing
  pickedPrice_ = upperList ? current_.levels[levels_ - row].sellPrice : current_.levels[row].buyPrice;
  // One price is marked at a time: the other side lets go of its mark.
  marking_ = true;
  MarkRow(upperList ? *lower_ : *upper_, -1);
  marking_ = false;
  if (pickedPrice_ > 0) SendWindowMessage(parentWidget(), WM_PRICE_PICKED);
}

}  // namespace ostrada
