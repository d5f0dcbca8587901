#include "app/trdbuytbl.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <algorithm>

#include "app/dialogunits.h"
#include "app/findcode.h"
#include "app/itemcolour.h"
#include "app/risefall.h"
#include "app/numberedit.h"
#include "app/qtext.h"
#include "app/windowmessages.h"
#include "basesrc/callinfo.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/numberformat.h"
#include "basesrc/priceinfo.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"

namespace ostrada {

static constexpr char kModule[] = "app/trdbuytbl";

namespace {

// The form's size in dialog units: the template's height, and the width that the widest numbers of
// the holdings list need. The buttons stand in a column at the right.
constexpr int kFormWidth = 190, kFormHeight = 240;
constexpr int kButtonX = 140, kButtonWidth = 47;
// The order panel's word in WM_STOCK_CHANGED.
constexpr uintptr_t kOrderPanel = 1;
constexpr int kBuySide = 1, kSellSide = 0;
constexpr int32_t kQuantityUnit = 10;
constexpr int32_t kAmountUnit = 10'000;

// The account list's rows.
enum AccountRow { kAvailableAmountRow, kAvailableQuantityRow, kTotalDepositRow, kReusableRow, kSubstituteRow };
constexpr int kAccountRows = 5;

// Template widths in pixels; a column grows when its widest text needs more.
constexpr int kAccountWidths[] = {90, 120};
constexpr int kHoldingWidths[] = {40, 45, 49, 68};
constexpr int kUnfilledWidths[] = {42, 53, 53, 53};

QString Grouped(int64_t value) {
  return QString::fromLatin1(FormatNumber(value));
}

// Grouped, empty for 0 or less.
QString PositiveGrouped(int32_t value) {
  return value > 0 ? Grouped(value) : QString();
}

void SetCell(QTableWidget& list, int row, int column, const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  list.setItem(row, column, item);
}

QString CellText(const QTableWidget& list, int row, int column) {
  const QTableWidgetItem* item = list.item(row, column);
  return item != nullptr ? item->text() : QString();
}

// The selected row, or -1.
int SelectedRow(const QTableWidget& list) {
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

}  // namespace

// ---- CTrdBuyTbl ----

CTrdBuyTbl::CTrdBuyTbl(const CodeInfoList* book, QWidget* parent) : QWidget(parent), book_(book) {
  setObjectName(QStringLiteral("dialog144"));
  setFont(TemplateFont());

  combo9014_ = new QComboBox(this);
  combo9014_->setObjectName(QStringLiteral("combo9014"));
  // Choosing another name of the list makes that stock current: the name shown is always the stock
  // an order goes to.
  connect(combo9014_, &QComboBox::activated, this, [this](int index) {
    const std::string name = ToCp949(combo9014_->itemText(index));
    if (name == name_) return;
    const CodeInfo* stock = book_ != nullptr ? book_->FindByName(name.c_str()) : nullptr;
    if (!OSTRADA_VERIFY(stock != nullptr)) return;
    if (SetStock(name, stock->key.code)) TellStockChanged();
  });
  code9028_ = new QLabel(this);
  code9028_->setObjectName(QStringLiteral("static9028"));
  connect(MakeButton(9034, QStringLiteral("?")), &QPushButton::clicked, this, &CTrdBuyTbl::OnFindButton);
  connect(MakeButton(1427, QStringLiteral("삭제")), &QPushButton::clicked, this, &CTrdBuyTbl::ClearStock);
  login1428_ = MakeButton(1428, QStringLiteral("=> On"));
  connect(login1428_, &QPushButton::clicked, this, &CTrdBuyTbl::Login);
  options1424_ = MakeButton(1424, QStringLiteral("설정"));
  connect(options1424_, &QPushButton::clicked, this, &CTrdBuyTbl::OpenOptions);
  connect(MakeButton(1423, QStringLiteral("조회")), &QPushButton::clicked, this, &CTrdBuyTbl::Refresh);
  send1426_ = MakeButton(1426, QStringLiteral("매수"));
  connect(send1426_, &QPushButton::clicked, this, &CTrdBuyTbl::Send);

  const auto makeGroup = [this](std::initializer_list<std::pair<int, const char*>> radios) {
    auto* group = new QButtonGroup(this);
    for (const auto& [id, text] : radios) {
      auto* radio = new QRadioButton(QString::fromUtf8(text), this);
      radio->setObjectName(QStringLiteral("radio%1").arg(id));
      group->addButton(radio, id);
    }
    return group;
  };
  actions_ = makeGroup({{kBuy, "매수"}, {kSell, "매도"}, {kModify, "정정"}, {kCancel, "취소"}});
  orderTypes_ = makeGroup({{kLimit, "보통"}, {kMarket, "시장가"}});
  partAll_ = makeGroup({{kPart, "일부"}, {kAll, "전부"}});
  connect(actions_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChooseAction);
  connect(orderTypes_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChooseOrderType);
  connect(partAll_, &QButtonGroup::idClicked, this, &CTrdBuyTbl::ChoosePartOrAll);

  const auto makeEdit = [this](int id) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QStringLiteral("edit%1").arg(id));
    MakeNumberEdit(*edit);
    return edit;
  };
  quantity1420_ = makeEdit(1420);
  price1421_ = makeEdit(1421);
  target1412_ = makeEdit(1412);
  targetLabel1473_ = new QLabel(QStringLiteral("원번"), this);
  targetLabel1473_->setObjectName(QStringLiteral("static1473"));

  frame1467_ = new QFrame(this);
  frame1467_->setObjectName(QStringLiteral("frame1467"));
  frame1467_->setFrameShape(QFrame::Box);
  frame1467_->setFrameShadow(QFrame::Sunken);
  account1422_ = MakeList(1422, {QStringLiteral("항목"), QStringLiteral("내용")});
  holdings1468_ =
      MakeList(1468, {QStringLiteral("종목"), QStringLiteral("수량"), QStringLiteral("가격"), QStringLiteral("손익")});
  unfilled1470_ = MakeList(
      1470, {QStringLiteral("번호"), QStringLiteral("종목명"), QStringLiteral("가격"), QStringLiteral("미체결")});
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

  LayOut();
  ChooseAction(kBuy);
}

CTrdBuyTbl::~CTrdBuyTbl() {
  gate_.TradeLogout();
}

QPushButton* CTrdBuyTbl::MakeButton(int id, const QString& text) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(QStringLiteral("button%1").arg(id));
  button->setAutoDefault(false);
  return button;
}

QTableWidget* CTrdBuyTbl::MakeList(int id, const QStringList& columns) {
  auto* list = new QTableWidget(0, static_cast<int>(columns.size()), frame1467_);
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

void CTrdBuyTbl::LayOut() {
  const DialogUnits units(font());
  setFixedSize(units.Size(kFormWidth, kFormHeight));
  units.Place(*combo9014_, 3, 3, 76, 13);
  units.Place(*code9028_, 82, 4, 40, 11);
  units.Place(*findChild<QPushButton*>(QStringLiteral("button9034")), 124, 3, 14, 13);
  units.Place(*findChild<QPushButton*>(QStringLiteral("button1427")), kButtonX, 3, kButtonWidth, 13);
  const int actionIds[] = {kBuy, kSell, kModify, kCancel};
  for (int i = 0; i < 4; ++i) units.Place(*actions_->button(actionIds[i]), 3 + 33 * i, 20, 32, 11);
  units.Place(*login1428_, kButtonX, 19, kButtonWidth, 13);
  // The order-type radios and the part/all radios share a row: one pair shows at a time.
  units.Place(*orderTypes_->button(kLimit), 3, 36, 32, 11);
  units.Place(*orderTypes_->button(kMarket), 36, 36, 40, 11);
  units.Place(*partAll_->button(kPart), 3, 36, 32, 11);
  units.Place(*partAll_->button(kAll), 36, 36, 32, 11);
  units.Place(*targetLabel1473_, 78, 37, 18, 10);
  units.Place(*target1412_, 96, 35, 40, 13);
  units.Place(*options1424_, kButtonX, 35, kButtonWidth, 13);
  units.Place(*new QLabel(QStringLiteral("수량"), this), 3, 53, 17, 10);
  units.Place(*quantity1420_, 20, 51, 50, 13);
  units.Place(*new QLabel(QStringLiteral("단가"), this), 76, 53, 17, 10);
  units.Place(*price1421_, 93, 51, 43, 13);
  units.Place(*findChild<QPushButton*>(QStringLiteral("button1423")), kButtonX, 51, kButtonWidth, 13);
  units.Place(*send1426_, 3, 67, kFormWidth - 6, 16);
  units.Place(*frame1467_, 3, 87, kFormWidth - 6, kFormHeight - 90);
  const QRect inside = frame1467_->contentsRect();
  for (QTableWidget* list : {account1422_, holdings1468_, unfilled1470_}) list->setGeometry(inside);
}

void CTrdBuyTbl::ShowFor(int action) {
  const bool buyOrSell = action == kBuy || action == kSell;
  account1422_->setVisible(action == kBuy);
  holdings1468_->setVisible(action == kSell);
  unfilled1470_->setVisible(!buyOrSell);
  options1424_->setVisible(buyOrSell);
  for (QAbstractButton* radio : orderTypes_->buttons()) radio->setVisible(buyOrSell);
  for (QAbstractButton* radio : partAll_->buttons()) radio->setVisible(!buyOrSell);
  target1412_->setVisible(!buyOrSell);
  targetLabel1473_->setVisible(!buyOrSell);
}

void CTrdBuyTbl::ChooseAction(int id) {
  Txt sendText;
  switch (id) {
    case kBuy:
      sendText = Txt::kTrdBuy;
      break;
    case kSell:
      sendText = Txt::kTrdSell;
      break;
    case kModify:
      sendText = Txt::kTrdModify;
      break;
    case kCancel:
      sendText = Txt::kTrdCancel;
      break;
    default:
      ShowMessage(Text(Txt::kOrderCommandLogicError));
      return;
  }
  send1426_->setText(FromCp949(Text(sendText)));
  ShowFor(id);
  if (id == kBuy || id == kSell) {
    ChooseOrderType(kLimit);
  } else {
    ChoosePartOrAll(kAll);
  }
  action_ = id;
  actions_->button(id)->setChecked(true);
  if (!account_.empty() && gate_.IsTradeLoggedIn()) Refresh();
}

void CTrdBuyTbl::ChooseOrderType(int id) {
  orderType_ = id;
  orderTypes_->button(id)->setChecked(true);
  quantity1420_->setEnabled(true);
  // A market order has no price of its own; the price typed stays for a return to a limit order.
  price1421_->setEnabled(id == kLimit);
}

void CTrdBuyTbl::ChoosePartOrAll(int id) {
  partOrAll_ = id;
  partAll_->button(id)->setChecked(true);
  price1421_->setEnabled(true);
  if (id == kAll) {
    quantity1420_->setEnabled(false);
    const int row = SelectedRow(*unfilled1470_);
    if (row >= 0) quantity1420_->setText(CellText(*unfilled1470_, row, 3));
  } else {
    quantity1420_->setText(QStringLiteral("0"));
    quantity1420_->setEnabled(true);
  }
}

void CTrdBuyTbl::Login() {
  if (!gate_.TradeLogin()) return;
  std::string account;
  if (!gate_.AccountNumberText(&account)) return;
  account_ = account;
  login1428_->setText(QStringLiteral("On..."));
}

// ---- The stock ----

int CTrdBuyTbl::SetStock(const std::string& name, const std::string& code) {
  name_ = name;
  code_ = code;
  const QString shownName = FromCp949(name_);
  int index = combo9014_->findText(shownName, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) {
    combo9014_->addItem(shownName);
    index = combo9014_->findText(shownName, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (!OSTRADA_VERIFY(index >= 0)) return 0;
  }
  combo9014_->setCurrentIndex(index);
  code9028_->setText(FromCp949(code_));
  ApplyOptions();
  return 1;
}

bool CTrdBuyTbl::CurrentStock() {
  if (combo9014_->currentIndex() < 0) return false;
  const std::string code = ToCp949(code9028_->text());
  const CodeInfo* stock = book_ != nullptr && !code.empty() ? book_->FindByCode(code.c_str()) : nullptr;
  if (stock == nullptr) return false;
  code_ = stock->key.code;
  name_ = stock->key.name != nullptr ? stock->key.name.get() : "";
  return true;
}

void CTrdBuyTbl::ClearStock() {
  combo9014_->setCurrentIndex(-1);
  name_.clear();
  code_.clear();
  code9028_->clear();
  quantity1420_->clear();
  price1421_->clear();
}

void CTrdBuyTbl::TellStockChanged() {
  SendWindowMessage(parentWidget(), WM_STOCK_CHANGED, kOrderPanel, 0);
}

void CTrdBuyTbl::OnFindButton() {
  CFindCode finder(book_, this);
  finder.exec();
  const std::string& name = finder.ChosenName();
  if (name.empty()) return;
  if (name == name_) {
    CurrentUiSink().Beep();
    return;
  }
  if (OSTRADA_VERIFY(SetStock(name, finder.ChosenCode()))) TellStockChanged();
}

void CTrdBuyTbl::SetPrice(int32_t price) {
  switch (orderType_) {
    case kLimit:
      price1421_->setText(QString::number(price));
      break;
    case kMarket:
      CurrentUiSink().Beep();
      break;
    default:
      ShowMessage(Text(Txt::kTrdBadOrderType));
      break;
  }
}

// ---- Options ----

void CTrdBuyTbl::OpenOptions() {
  if (action_ != kBuy && action_ != kSell) {
    ShowMessage(Text(Txt::kOptionLogicError));
    return;
  }
  TradeOptions& stored = action_ == kBuy ? buyOptions_ : sellOptions_;
  CTrdBuyOpt dialog(action_ == kBuy ? kBuySide : kSellSide, stored, this);
  if (dialog.exec() != QDialog::Accepted) return;
  stored = dialog.Options();
  ApplyOptions();
}

bool CTrdBuyTbl::PresetPrice(int level, int32_t* price) {
  if (level == kCurrent || level == kLowerLimit || level < 0 || level >= kPriceLevels) {
    NowPrice now{};
    if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) return false;
    if (level == kLowerLimit) {
      const int32_t previousClose = now.bar.close - now.bar.change;
      *price = previousClose + PriceLimitChange(previousClose, 0);
    } else {
      *price = now.bar.close;
    }
    return true;
  }
  CallInfo book;
  if (!OSTRADA_VERIFY(gate_.FetchQuoteBook(code_.c_str(), book))) return false;
  switch (level) {
    case kSecondAsk:
      *price = book.levels[1].sellPrice;
      break;
    case kBestAsk:
      *price = book.levels[0].sellPrice;
      break;
    case kBestBid:
      *price = book.levels[0].buyPrice;
      break;
    default:
      *price = book.levels[1].buyPrice;
      break;
  }
  return true;
}

bool CTrdBuyTbl::PresetQuantity(const TradeOptions& options, int32_t price, int32_t* quantity) {
  switch (options.quantityMode) {
    case kDesignatedQuantity:
      if (options.quantity <= 0) {
        ShowMessage(Text(Txt::kNoDesignatedQuantityLogic));
        return false;
      }
      if (options.quantity % kQuantityUnit != 0) {
        ShowMessage(Text(Txt::kQuantityNotInTens));
        return false;
      }
      *quantity = options.quantity;
      return true;
    case kBuyForAmount: {
      if (options.amount <= 0) {
        ShowMessage(Text(Txt::kNoPriceLogic));
        return false;
      }
      if (options.amount % kAmountUnit != 0) {
        ShowMessage(Text(Txt::kAmountNotInTenThousands));
        return false;
      }
      if (price <= 0) {
        NowPrice now{};
        if (!OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) return false;
        price = now.bar.close;
      }
      *quantity = price > 0 ? options.amount / price / kQuantityUnit * kQuantityUnit : 0;
      return true;
    }
    case kCashAvailable:
      *quantity = 0;
      return true;
    default:
      return OSTRADA_VERIFY(false);
  }
}

void CTrdBuyTbl::ApplyOptions() {
  if (action_ != kBuy && action_ != kSell) return;
  if (!CurrentStock()) return;
  const TradeOptions& options = action_ == kBuy ? buyOptions_ : sellOptions_;
  // Without a price preset the price is the one typed.
  int32_t price = ReadNumber(*price1421_);
  if (options.pricePreset != 0) {
    if (!PresetPrice(options.priceLevel, &price)) return;
    price1421_->setText(PositiveText(price));
  }
  if (options.quantityPreset == 0) return;
  if (action_ == kSell && !OSTRADA_VERIFY(options.quantityMode == kDesignatedQuantity)) return;
  int32_t quantity = 0;
  if (!PresetQuantity(options, price, &quantity)) return;
  quantity1420_->setText(PositiveText(quantity));
}

// ---- Refresh ----

void CTrdBuyTbl::Refresh() {
  if (account_.empty()) {
    ShowMessage(Text(Txt::kTrdLoginFirst));
    return;
  }
  if (!OSTRADA_VERIFY(gate_.IsTradeLoggedIn())) return;
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

void CTrdBuyTbl::RefreshBuyable() {
  const char* orderType = orderType_ == kMarket ? kOrderTypeMarket : kOrderTypeLimit;
  int32_t price = 0;
  if (orderType == kOrderTypeLimit && !code_.empty()) {
    price = ReadNumber(*price1421_);
    if (price < 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
  }
  TradeAbleInfo info{};
  if (!gate_.BuyableAmount(account_.c_str(), code_.c_str(), orderType, price, &info)) return;
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
  std::unique_ptr<TrdRunList> list = gate_.DownloadHoldings(account_.c_str());
  holdingsBusy_ = false;
  if (list == nullptr) return;
  // A row chosen in the old list must not be taken for the same row of the new one.
  holdings1468_->clearSelection();
  holdings_ = std::move(list);
  gate_.RefreshHoldingPrices(holdings_.get());
  ShowHoldings();
}

void CTrdBuyTbl::ShowHoldings() {
  holdings1468_->clearContents();
  holdings1468_->setRowCount(holdings_->Count());
  int row = 0;
  for (const TrdRunInfo* holding = holdings_->First(); holding != nullptr; holding = holding->next, ++row) {
    const int64_t profit = HoldingProfit(*holding);
    SetCell(*holdings1468_, row, 0, FromCp949(holding->name));
    SetCell(*holdings1468_, row, 1, Grouped(holding->quantity));
    SetCell(*holdings1468_, row, 2, QString::fromLatin1(FormatNumber(holding->purchasePrice)));
    SetCell(*holdings1468_, row, 3, Grouped(profit));
    // A gain shows red, a loss blue.
    if (profit != 0) holdings1468_->item(row, 3)->setForeground(RiseFallColour(profit));
  }
  FitColumns(*holdings1468_, kHoldingWidths);
}

void CTrdBuyTbl::RefreshUnfilled() {
  if (unfilledBusy_) {
    CurrentUiSink().Beep();
    return;
  }
  unfilledBusy_ = true;
  std::unique_ptr<TrdYetList> list = gate_.DownloadUnfilled(account_.c_str());
  unfilledBusy_ = false;
  if (list == nullptr) return;
  unfilled1470_->clearSelection();
  unfilled_ = std::move(list);
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

void CTrdBuyTbl::OnHoldingRowChosen() {
  const int row = SelectedRow(*holdings1468_);
  if (row < 0) return;
  const TrdRunInfo* holding = holdings_ != nullptr ? holdings_->GetAt(row) : nullptr;
  if (!OSTRADA_VERIFY(holding != nullptr)) return;
  if (ToCp949(CellText(*holdings1468_, row, 0)) != holding->name) return;
  const int32_t quantity = holding->quantity;
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
  if (!SetStock(order->name, order->code)) return;
  quantity1420_->setText(QString::number(unfilled));
  NowPrice now{};
  if (OSTRADA_VERIFY(gate_.FetchNowPrice(&now, code_.c_str()))) price1421_->setText(QString::number(now.bar.close));
  target1412_->setText(QString::number(orderNumber));
  TellStockChanged();
}

// ---- Sending ----

void CTrdBuyTbl::Send() {
  if (!CurrentStock()) {
    ShowMessage(Text(Txt::kTrdChooseStock));
    return;
  }
  switch (action_) {
    case kBuy:
    case kSell:
      SendBuyOrSell();
      break;
    case kModify:
    case kCancel:
      SendModifyOrCancel();
      break;
    default:
      ShowMessage(Text(Txt::kOrderCommandLogicError));
      break;
  }
}

void CTrdBuyTbl::SendBuyOrSell() {
  const char* orderType;
  int32_t price;
  if (orderType_ == kLimit) {
    orderType = kOrderTypeLimit;
    price = ReadNumber(*price1421_);
    if (price <= 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
  } else if (orderType_ == kMarket) {
    orderType = kOrderTypeMarket;
    price = 0;
  } else {
    OSTRADA_VERIFY(false);
    return;
  }
  const int32_t quantity = ReadNumber(*quantity1420_);
  if (quantity < 0) {
    ShowMessage(Text(Txt::kTrdBadQuantity));
    return;
  }
  if (!OSTRADA_VERIFY(book_ != nullptr)) return;
  std::string failure;
  const char* side = action_ == kBuy ? kOrderSideBuy : kOrderSideSell;
  if (!gate_.SendOrder(*book_, account_.c_str(), side, code_.c_str(), orderType, price, quantity, &failure)) {
    if (!failure.empty()) ShowMessage(failure);
  }
}

void CTrdBuyTbl::SendModifyOrCancel() {
  const int32_t target = ReadNumber(*target1412_);
  if (target <= 0) {
    ShowMessage(Text(Txt::kTrdBadTargetOrder));
    return;
  }
  const int32_t quantity = ReadNumber(*quantity1420_);
  if (quantity <= 0) {
    ShowMessage(Text(Txt::kTrdBadQuantity));
    return;
  }
  int32_t price = 0;
  if (action_ == kModify) {
    price = ReadNumber(*price1421_);
    if (price < 0) {
      ShowMessage(Text(Txt::kTrdBadPrice));
      return;
    }
  }
  if (!OSTRADA_VERIFY(book_ != nullptr)) return;
  std::string failure;
  const char* kind = action_ == kModify ? TextC(Txt::kTrdModify) : TextC(Txt::kTrdCancel);
  if (!gate_.SendModifyCancel(*book_, account_.c_str(), kind, code_.c_str(), quantity, price, target, &failure)) {
    if (!failure.empty()) ShowMessage(failure);
  }
}

// ---- CTrdDlg ----

CTrdDlg::CTrdDlg(const CodeInfoList* book, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dialog145"));
  setFont(TemplateFont());
  setWindowTitle(FromCp949(Text(Txt::kMiniOrderCaption)));
  form_ = new CTrdBuyTbl(book, this);
  setFixedSize(form_->size());
  form_->show();
}

}  // namespace ostrada
