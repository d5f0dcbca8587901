// The order form's three lists: the account's buying power, the holdings and the unfilled orders,
// what "조회" asks for each, and what choosing a row puts into the form.
#include <QHeaderView>
#include <QLineEdit>
#include <QTableWidget>

#include "app/itemcolour.h"
#include "app/numberedit.h"
#include "app/qtext.h"
#include "app/risefall.h"
#include "app/trdbuytbl.h"
#include "app/trdlistcells.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/priceinfo.h"
#include "basesrc/numberformat.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuytbl_lists";

namespace {

// The account list's rows.
enum AccountRow { kAvailableAmountRow, kAvailableQuantityRow, kTotalDepositRow, kReusableRow, kSubstituteRow };
constexpr int kAccountRows = 5;

// Template widths in pixels; a column grows when its widest text needs more.
constexpr int kAccountWidths[] = {90, 120};
constexpr int kHoldingWidths[] = {40, 45, 49, 68};
constexpr int kUnfilledWidths[] = {42, 53, 53, 53};

// The side of an unfilled order that sells.
constexpr char kSellSide = '1';

QString Grouped(int64_t value) {
  return QString::fromLatin1(FormatNumber(value));
}

// Grouped, empty for 0 or less.
QString PositiveGrouped(int64_t value) {
  return value > 0 ? Grouped(value) : QString();
}

// What a holding shows while its current price is unknown.
constexpr char kUnknown[] = "-";

QTableWidget* MakeList(QWidget* frame, int id, const QStringList& columns) {
  auto* list = new QTableWidget(0, static_cast<int>(columns.size()), frame);
  list->setObjectName(QStringLiteral("list%1").arg(id));
  list->setHorizontalHeaderLabels(columns);
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  list->horizontalHeader()->setHighlightSections(false);
  list->verticalHeader()->hide();
  list->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setShowGrid(false);
  list->setWordWrap(false);
  return list;
}

}  // namespace

void CTrdBuyTbl::MakeLists() {
  account1422_ = MakeList(frame1467_, 1422, {QStringLiteral("항목"), QStringLiteral("내용")});
  holdings1468_ = MakeList(frame1467_, 1468,
                           {QStringLiteral("종목"), QStringLiteral("수량"), QStringLiteral("가격"), QStringLiteral("손익")});
  unfilled1470_ =
      MakeList(frame1467_, 1470,
               {QStringLiteral("번호"), QStringLiteral("종목명"), QStringLiteral("가격"), QStringLiteral("미체결")});
  account1422_->setRowCount(kAccountRows);
  const Txt rowTexts[kAccountRows] = {Txt::kTrdRowAvailableAmount, Txt::kTrdRowAvailableQuantity,
                                      Txt::kTrdRowTotalDeposit, Txt::kTrdRowReusable, Txt::kTrdRowSubstitute};
  for (int row = 0; row < kAccountRows; ++row) SetCell(*account1422_, row, 0, FromCp949(Text(rowTexts[row])));
  FitColumns(*account1422_, kAccountWidths);
  FitColumns(*holdings1468_, kHoldingWidths);
  FitColumns(*unfilled1470_, kUnfilledWidths);
  // The available quantity is chosen by selecting its row or by moving the focus onto it.
  connect(account1422_, &QTableWidget::currentCellChanged, this, [this] { OnAccountRowChosen(); });
  connect(account1422_, &QTableWidget::itemSelectionChanged, this, [this] { OnAccountRowChosen(); });
  connect(holdings1468_, &QTableWidget::itemSelectionChanged, this, [this] { OnHoldingRowChosen(); });
  connect(unfilled1470_, &QTableWidget::itemSelectionChanged, this, [this] { OnUnfilledRowChosen(); });
}

// ---- Refresh ----

void CTrdBuyTbl::Refresh() {
  if (!session_.LoggedIn()) {
    ShowMessage(Text(Txt::kTrdLoginFirst));
    return;
  }
  switch (action_) {
    case kBuy:
      RefreshBuyable();
      break;
    case kSell:
      RefreshHoldings();
      break;
    case kModify:
    case kCancel:
      RefreshUnfilled();
      break;
    default:
      ShowMessage(Text(Txt::kOrderCommandLogicError));
      break;
  }
}

void CTrdBuyTbl::RefreshAfterOrderEvent() {
  // Without a login there is nothing of the account to show; the event log has its line.
  if (!session_.LoggedIn() || sending_) return;
  Refresh();
}

void CTrdBuyTbl::RefreshBuyable() {
  const char* orderType = orderType_ == kMarket ? kOrderTypeMarket : kOrderTypeLimit;
  int32_t price = 0;
  if (orderType == kOrderTypeLimit && !code_.empty()) {
    price = ReadNumber(*price1421_);
    if (price < 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
    // With no price typed, what the stock costs now. (A market order is asked at the upper limit,
    // which the server holds back for it.)
    if (price == 0) {
      NowPrice now{};
      if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) return;
      price = now.bar.close;
    }
  }
  TradeAbleInfo info{};
  if (!session_.Gate().BuyableAmount(Account().c_str(), code_.c_str(), orderType, price, &info)) return;
  buyable_ = info;
  SetCell(*account1422_, kAvailableAmountRow, 1, PositiveGrouped(info.availableAmount));
  SetCell(*account1422_, kAvailableQuantityRow, 1, PositiveGrouped(info.availableQuantity));
  SetCell(*account1422_, kTotalDepositRow, 1, PositiveGrouped(info.totalDeposit));
  SetCell(*account1422_, kReusableRow, 1, QString());
  SetCell(*account1422_, kSubstituteRow, 1, QString::number(info.availableSubstitute));
  FitColumns(*account1422_, kAccountWidths);
}

void CTrdBuyTbl::RefreshHoldings() {
  if (holdingsBusy_) {
    CurrentUiSink().Beep();
    return;
  }
  holdingsBusy_ = true;
  std::unique_ptr<TrdRunList> list = session_.Gate().DownloadHoldings(Account().c_str());
  holdingsBusy_ = false;
  if (list == nullptr) return;
  // A row chosen in the old list must not be taken for the same row of the new one.
  holdings1468_->clearSelection();
  holdings_ = std::move(list);
  // A holding whose price could not be fetched shows it as unknown (the failure was told).
  gate_.RefreshHoldingPrices(holdings_.get());
  ShowHoldings();
}

void CTrdBuyTbl::ShowHoldings() {
  holdings1468_->clearContents();
  holdings1468_->setRowCount(holdings_->Count());
  int row = 0;
  for (const TrdRunInfo* holding = holdings_->First(); holding != nullptr; holding = holding->next, ++row) {
    const std::optional<int64_t> profit = HoldingProfit(*holding);
    SetCell(*holdings1468_, row, 0, FromCp949(holding->name));
    SetCell(*holdings1468_, row, 1, Grouped(holding->quantity));
    SetCell(*holdings1468_, row, 2, QString::fromLatin1(FormatNumber(holding->purchasePrice)));
    SetCell(*holdings1468_, row, 3, profit ? Grouped(*profit) : QString::fromLatin1(kUnknown));
    // A gain shows red, a loss blue.
    if (profit && *profit != 0) holdings1468_->item(row, 3)->setForeground(RiseFallColour(*profit));
  }
  FitColumns(*holdings1468_, kHoldingWidths);
}

void CTrdBuyTbl::RefreshUnfilled() {
  if (unfilledBusy_) {
    CurrentUiSink().Beep();
    return;
  }
  unfilledBusy_ = true;
  std::unique_ptr<TrdYetList> list = session_.Gate().DownloadUnfilled(Account().c_str());
  unfilledBusy_ = false;
  if (list == nullptr) return;
  unfilled1470_->clearSelection();
  unfilled_ = std::move(list);
  unfilledDate_ = TodayYYYYMMDD();
  ShowUnfilled();
}

void CTrdBuyTbl::ShowUnfilled() {
  unfilled1470_->clearContents();
  unfilled1470_->setRowCount(unfilled_->Count());
  int row = 0;
  for (const TrdYetInfo* order = unfilled_->First(); order != nullptr; order = order->next, ++row) {
    SetCell(*unfilled1470_, row, 0, QString::number(order->orderNumber));
    SetCell(*unfilled1470_, row, 1, FromCp949(order->name));
    SetCell(*unfilled1470_, row, 2, Grouped(order->price));
    SetCell(*unfilled1470_, row, 3, Grouped(order->unfilled));
    // A sell shows blue, a buy red.
    const char side = order->side != nullptr ? order->side.get()[0] : '\0';
    const uint32_t itemData = side == '1' ? kBlueItemData : side == '2' ? kRedItemData : 0;
    for (int column = 0; column < unfilled1470_->columnCount(); ++column) {
      QTableWidgetItem* item = unfilled1470_->item(row, column);
      item->setData(Qt::UserRole, static_cast<uint>(itemData));
      if (itemData != 0) item->setForeground(ItemDataColour(itemData));
    }
  }
  FitColumns(*unfilled1470_, kUnfilledWidths);
}

// ---- Choosing a row ----

void CTrdBuyTbl::OnAccountRowChosen() {
  if (account1422_->currentRow() != kAvailableQuantityRow && SelectedRow(*account1422_) != kAvailableQuantityRow) {
    return;
  }
  quantity1420_->setText(CellText(*account1422_, kAvailableQuantityRow, 1));
}

int32_t CTrdBuyTbl::SellableQuantity(const TrdRunInfo& holding) {
  const std::unique_ptr<TrdYetList> open = session_.Gate().DownloadUnfilled(Account().c_str());
  // Without the open orders (the failure was told) the server still refuses what is not there.
  if (open == nullptr) return holding.quantity;
  int64_t offered = 0;
  for (const TrdYetInfo* order = open->First(); order != nullptr; order = order->next) {
    const bool sells = order->side != nullptr && order->side.get()[0] == kSellSide;
    if (sells && std::string(order->code) == holding.code) offered += order->unfilled;
  }
  return static_cast<int32_t>(std::max<int64_t>(0, holding.quantity - offered));
}

void CTrdBuyTbl::OnHoldingRowChosen() {
  const int row = SelectedRow(*holdings1468_);
  if (row < 0) return;
  const TrdRunInfo* holding = holdings_ != nullptr ? holdings_->GetAt(row) : nullptr;
  if (!OSTRADA_VERIFY(holding != nullptr)) return;
  if (ToCp949(CellText(*holdings1468_, row, 0)) != holding->name) return;
  const int32_t quantity = SellableQuantity(*holding);
  if (!SetStock(holding->name, holding->code)) return;
  quantity1420_->setText(QString::number(quantity));
  TellStockChanged();
}

void CTrdBuyTbl::OnUnfilledRowChosen() {
  const int row = SelectedRow(*unfilled1470_);
  if (row < 0) return;
  const TrdYetInfo* order = unfilled_ != nullptr ? unfilled_->GetAt(row) : nullptr;
  if (!OSTRADA_VERIFY(order != nullptr)) return;
  if (ToCp949(CellText(*unfilled1470_, row, 1)) != order->name) return;
  const int32_t unfilled = order->unfilled;
  const int32_t orderNumber = order->orderNumber;
  const int32_t price = order->price;
  if (!SetStock(order->name, order->code)) return;
  quantity1420_->setText(QString::number(unfilled));
  // The order's own price: a modify moves it only as far as the user types. (A market order has none.)
  price1421_->setText(PositiveText(price));
  target1412_->setText(QString::number(orderNumber));
  TellStockChanged();
}

}  // namespace ostrada
