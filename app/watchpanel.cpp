#include "app/watchpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>
#include <climits>
#include <cmath>

#include "app/qtext.h"
#include "app/watchdesk.h"
#include "app/watchrows.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

// What the trigger's number means.
enum Basis : int { kPrice, kCostPercent, kFallPercent, kFallWon };

constexpr sim::WatchKind kKinds[] = {sim::WatchKind::kStop,     sim::WatchKind::kTake,       sim::WatchKind::kTrail,
                                     sim::WatchKind::kBreakout, sim::WatchKind::kAlertAbove, sim::WatchKind::kAlertBelow};
constexpr int kMostTicks = 20;
constexpr int kTableHeight = 110;
constexpr int kPanelWidth = 340;

QString Words(Txt id) {
  return FromCp949(Text(id));
}

}  // namespace

CWatchPanel::CWatchPanel(WatchDesk& desk, QWidget* parent)
    : QGroupBox(Words(Txt::kWatchPanelTitle), parent),
      desk_(desk),
      kind_(new QComboBox(this)),
      basis_(new QComboBox(this)),
      won_(new QSpinBox(this)),
      percent_(new QDoubleSpinBox(this)),
      order_(new QComboBox(this)),
      ticks_(new QSpinBox(this)),
      quantity_(new QSpinBox(this)),
      expires_(new QCheckBox(Words(Txt::kWatchExpiryLabel), this)),
      expiry_(new QDateEdit(QDate::currentDate(), this)),
      set_(new QPushButton(Words(Txt::kWatchSetButton), this)),
      list_(new QTableWidget(this)),
      cancel_(new QPushButton(Words(Txt::kWatchCancelButton), this)) {
  setObjectName(QStringLiteral("watchPanel"));
  kind_->setObjectName(QStringLiteral("comboWatchKind"));
  basis_->setObjectName(QStringLiteral("comboWatchBasis"));
  won_->setObjectName(QStringLiteral("spinWatchWon"));
  percent_->setObjectName(QStringLiteral("spinWatchPercent"));
  order_->setObjectName(QStringLiteral("comboWatchOrder"));
  ticks_->setObjectName(QStringLiteral("spinWatchTicks"));
  quantity_->setObjectName(QStringLiteral("spinWatchQuantity"));
  expires_->setObjectName(QStringLiteral("checkWatchExpiry"));
  expiry_->setObjectName(QStringLiteral("dateWatchExpiry"));
  set_->setObjectName(QStringLiteral("buttonWatchSet"));
  list_->setObjectName(QStringLiteral("listWatch"));
  cancel_->setObjectName(QStringLiteral("buttonWatchCancel"));

  for (const Txt kind : {Txt::kWatchStop, Txt::kWatchTake, Txt::kWatchTrail, Txt::kWatchBreakout,
                         Txt::kWatchAlertAbove, Txt::kWatchAlertBelow})
    kind_->addItem(Words(kind));
  won_->setRange(0, INT_MAX);
  won_->setGroupSeparatorShown(true);
  percent_->setRange(0.01, 99.99);
  percent_->setDecimals(2);
  order_->addItems({Words(Txt::kWatchMarketOrder), Words(Txt::kWatchLimitOrder)});
  ticks_->setRange(0, kMostTicks);
  ticks_->setSuffix(Words(Txt::kWatchTicksSuffix));
  quantity_->setRange(0, INT_MAX);
  quantity_->setGroupSeparatorShown(true);
  quantity_->setSpecialValueText(Words(Txt::kWatchWhole));
  expiry_->setCalendarPopup(true);
  expiry_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
  expiry_->setEnabled(false);
  // Enter in the order form sends its order or picks its stock, never sets or cancels a condition.
  for (QPushButton* button : {set_, cancel_}) button->setAutoDefault(false);
  SetUpWatchTable(*list_, false);
  list_->setMinimumHeight(kTableHeight);

  auto* grid = new QGridLayout(this);
  const auto label = [this](Txt id) { return new QLabel(Words(id), this); };
  grid->addWidget(label(Txt::kWatchKindLabel), 0, 0);
  grid->addWidget(kind_, 0, 1, 1, 2);
  grid->addWidget(label(Txt::kWatchTriggerLabel), 1, 0);
  grid->addWidget(basis_, 1, 1);
  grid->addWidget(won_, 1, 2);
  grid->addWidget(percent_, 1, 2);
  grid->addWidget(label(Txt::kWatchOrderLabel), 2, 0);
  grid->addWidget(order_, 2, 1);
  grid->addWidget(ticks_, 2, 2);
  grid->addWidget(label(Txt::kWatchQuantityLabel), 3, 0);
  grid->addWidget(quantity_, 3, 1, 1, 2);
  grid->addWidget(expires_, 4, 0);
  grid->addWidget(expiry_, 4, 1);
  grid->addWidget(set_, 4, 2);
  grid->addWidget(list_, 5, 0, 1, 3);
  grid->addWidget(cancel_, 6, 2);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);

  connect(kind_, &QComboBox::currentIndexChanged, this, &CWatchPanel::OfferBases);
  connect(basis_, &QComboBox::currentIndexChanged, this, &CWatchPanel::ShowBasis);
  connect(order_, &QComboBox::currentIndexChanged, this, [this](int index) { ticks_->setEnabled(index == 1); });
  connect(expires_, &QCheckBox::toggled, expiry_, &QWidget::setEnabled);
  connect(set_, &QPushButton::clicked, this, &CWatchPanel::SetCondition);
  connect(cancel_, &QPushButton::clicked, this, &CWatchPanel::CancelChosen);
  connect(&desk_, &WatchDesk::changed, this, &CWatchPanel::ShowRows);
  ticks_->setEnabled(false);
  OfferBases();
  ShowRows();
}

void CWatchPanel::PlaceAtRightOf(QWidget& window) {
  const QSize wanted = sizeHint();
  const int left = window.width();
  const int height = std::max(window.height(), wanted.height());
  setGeometry(left, 0, std::max(wanted.width(), kPanelWidth), height);
  window.setFixedSize(left + width(), height);
  show();
}

void CWatchPanel::OfferBases() {
  const int kind = kind_->currentIndex();
  basis_->blockSignals(true);
  basis_->clear();
  if (kind == kTrail) {
    basis_->addItem(Words(Txt::kWatchByFallPercent), kFallPercent);
    basis_->addItem(Words(Txt::kWatchByFallWon), kFallWon);
  } else {
    basis_->addItem(Words(Txt::kWatchByPrice), kPrice);
    if (kind == kStop || kind == kTake) basis_->addItem(Words(Txt::kWatchByCostPercent), kCostPercent);
  }
  basis_->blockSignals(false);
  // An alert orders nothing.
  const bool orders = kind != kAlertAbove && kind != kAlertBelow;
  order_->setEnabled(orders);
  ticks_->setEnabled(orders && order_->currentIndex() == 1);
  quantity_->setEnabled(orders);
  ShowBasis();
}

void CWatchPanel::ShowBasis() {
  const int basis = basis_->currentData().toInt();
  const bool percent = basis == kCostPercent || basis == kFallPercent;
  won_->setVisible(!percent);
  percent_->setVisible(percent);
}

void CWatchPanel::SetCode(const std::string& code) {
  code_ = code;
  ShowRows();
}

void CWatchPanel::SetCondition() {
  if (code_.empty()) {
    ShowMessage(Text(Txt::kWatchChooseStock));
    return;
  }
  sim::WatchCondition condition;
  condition.code = code_;
  condition.kind = kKinds[kind_->currentIndex()];
  const int basis = basis_->currentData().toInt();
  const auto hundredths = static_cast<int32_t>(std::lround(percent_->value() * 100));
  int32_t costPercent = 0;
  if (basis == kPrice) condition.level = won_->value();
  if (basis == kCostPercent) costPercent = hundredths;
  if (basis == kFallPercent) condition.trailPercent = hundredths;
  if (basis == kFallWon) condition.trailWon = won_->value();
  condition.market = order_->currentIndex() == 0;
  condition.ticks = condition.market ? 0 : ticks_->value();
  condition.quantity = quantity_->value();
  if (expires_->isChecked()) {
    const QDate date = expiry_->date();
    condition.expiry = date.year() * 10000 + date.month() * 100 + date.day();
  }
  const std::string refusal = desk_.Set(condition, costPercent);
  if (!refusal.empty()) ShowMessage(refusal);
}

void CWatchPanel::CancelChosen() {
  CancelSelectedWatch(*list_, desk_);
}

void CWatchPanel::ShowRows() {
  std::vector<const sim::WatchCondition*> rows;
  for (const sim::WatchCondition& condition : desk_.Conditions()) {
    if (!code_.empty() && condition.code == code_) rows.push_back(&condition);
  }
  ShowWatchRows(*list_, rows, desk_, false);
}

}  // namespace ostrada
