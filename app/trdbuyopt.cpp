#include "app/trdbuyopt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/dialogunits.h"
#include "app/numberedit.h"
#include "app/qtext.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

constexpr int kBuySide = 1;
constexpr int32_t kQuantityUnit = 10;
constexpr int32_t kAmountUnit = 10'000;

constexpr const char* kLevelTexts[kPriceLevels] = {"+2", "+1", "현재가", "-1", "-2", "하한가"};

template <class Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace

CTrdBuyOpt::CTrdBuyOpt(int side, const TradeOptions& options, QWidget* parent)
    : QDialog(parent),
      side_(side),
      options_(options),
      pricePreset1452_(Named(new QCheckBox(this), "check1452")),
      quantityPreset1453_(Named(new QCheckBox(this), "check1453")),
      level1454_(Named(new QComboBox(this), "combo1454")),
      designated1455_(Named(new QRadioButton(QStringLiteral("지정수량"), this), "radio1455")),
      amount1456_(Named(new QRadioButton(QStringLiteral("금액매수"), this), "radio1456")),
      cash1457_(Named(new QRadioButton(QStringLiteral("현금주문가능"), this), "radio1457")),
      quantity1018_(Named(new QLineEdit(this), "edit1018")),
      amount1203_(Named(new QLineEdit(this), "edit1203")) {
  // It blocks the order window that opened it, not the other working windows.
  if (parent != nullptr) setWindowModality(Qt::WindowModal);
  setObjectName(QStringLiteral("dialog147"));
  setWindowTitle(FromCp949(Text(Txt::kTradeOptionsCaption)));
  setFont(TemplateFont());
  auto* modes = new QButtonGroup(this);
  for (QRadioButton* radio : {designated1455_, amount1456_, cash1457_}) modes->addButton(radio);
  for (int level = 0; level < kPriceLevels; ++level) level1454_->addItem(QString::fromUtf8(kLevelTexts[level]));
  MakeNumberEdit(*quantity1018_);
  MakeNumberEdit(*amount1203_);
  LayOut();
}

void CTrdBuyOpt::LayOut() {
  const DialogUnits units(font());
  setFixedSize(units.Size(150, 104));
  units.Place(*pricePreset1452_, 8, 8, 56, 11);
  units.Place(*level1454_, 68, 7, 54, 13);
  units.Place(*quantityPreset1453_, 8, 26, 56, 11);
  units.Place(*designated1455_, 18, 41, 50, 11);
  units.Place(*quantity1018_, 72, 40, 54, 12);
  units.Place(*new QLabel(QStringLiteral("주"), this), 130, 41, 12, 10);
  units.Place(*amount1456_, 18, 56, 50, 11);
  units.Place(*amount1203_, 72, 55, 54, 12);
  units.Place(*new QLabel(QStringLiteral("원"), this), 130, 56, 12, 10);
  units.Place(*cash1457_, 18, 71, 70, 11);
  auto* ok = Named(new QPushButton(QStringLiteral("확인"), this), "button1");
  ok->setDefault(true);
  units.Place(*ok, 30, 86, 40, 14);
  connect(ok, &QPushButton::clicked, this, &CTrdBuyOpt::accept);
  auto* cancel = Named(new QPushButton(QStringLiteral("취소"), this), "button2");
  cancel->setAutoDefault(false);
  units.Place(*cancel, 80, 86, 40, 14);
  connect(cancel, &QPushButton::clicked, this, &CTrdBuyOpt::reject);
}

void CTrdBuyOpt::setVisible(bool visible) {
  // The dialog takes its values each time it is about to show, whichever way it is shown.
  if (visible && !isVisible()) OnInitDialog();
  QDialog::setVisible(visible);
}

QRadioButton* CTrdBuyOpt::ModeRadio(int mode) const {
  switch (mode) {
    case kBuyForAmount:
      return amount1456_;
    case kCashAvailable:
      return cash1457_;
    default:
      return designated1455_;
  }
}

void CTrdBuyOpt::OnInitDialog() {
  const bool buy = side_ == kBuySide;
  setWindowTitle(FromCp949(Text(buy ? Txt::kBuyOptionsCaption : Txt::kSellOptionsCaption)));
  pricePreset1452_->setText(buy ? QStringLiteral("매수호가") : QStringLiteral("매도호가"));
  quantityPreset1453_->setText(buy ? QStringLiteral("매수수량") : QStringLiteral("매도수량"));
  // A sell is only ever for a designated quantity.
  amount1456_->setEnabled(buy);
  amount1203_->setEnabled(buy);
  cash1457_->setEnabled(buy);
  pricePreset1452_->setChecked(options_.pricePreset != 0);
  quantityPreset1453_->setChecked(options_.quantityPreset != 0);
  const bool knownLevel = options_.priceLevel >= 0 && options_.priceLevel < kPriceLevels;
  level1454_->setCurrentIndex(knownLevel ? options_.priceLevel : kCurrent);
  ModeRadio(options_.quantityMode)->setChecked(true);
  quantity1018_->setText(PositiveText(options_.quantity));
  amount1203_->setText(buy ? PositiveText(options_.amount) : QString());
}

void CTrdBuyOpt::accept() {
  TradeOptions edited = options_;
  edited.pricePreset = pricePreset1452_->isChecked() ? 1 : 0;
  edited.priceLevel = level1454_->currentIndex();
  edited.quantityPreset = quantityPreset1453_->isChecked() ? 1 : 0;
  edited.quantityMode = amount1456_->isChecked() ? kBuyForAmount
                        : cash1457_->isChecked() ? kCashAvailable
                                                 : kDesignatedQuantity;
  edited.quantity = ReadNumber(*quantity1018_);
  if (side_ == kBuySide) edited.amount = ReadNumber(*amount1203_);
  // A number that cannot be read (a minus, more than 32 bits) is told whether or not its preset is on,
  // rather than kept as nothing and lost at the next opening.
  if (edited.quantity < 0) {
    ShowMessage(Text(Txt::kTrdBadQuantity));
    quantity1018_->setFocus();
    return;
  }
  if (edited.amount < 0) {
    ShowMessage(Text(Txt::kTrdBadPrice));
    amount1203_->setFocus();
    return;
  }
  if (edited.quantityPreset != 0) {
    if (edited.quantityMode == kDesignatedQuantity) {
      if (edited.quantity <= 0) {
        ShowMessage(Text(Txt::kNoDesignatedQuantity));
        quantity1018_->setFocus();
        return;
      }
      if (edited.quantity % kQuantityUnit != 0) {
        ShowMessage(Text(Txt::kQuantityInTens));
        quantity1018_->setText(QString::number(edited.quantity / kQuantityUnit * kQuantityUnit));
        quantity1018_->setFocus();
        return;
      }
    } else if (edited.quantityMode == kBuyForAmount) {
      if (edited.amount <= 0) {
        ShowMessage(Text(Txt::kNoBuyAmount));
        amount1203_->setFocus();
        return;
      }
      if (edited.amount % kAmountUnit != 0) {
        ShowMessage(Text(Txt::kAmountInTenThousands));
        amount1203_->setText(QString::number(edited.amount / kAmountUnit * kAmountUnit));
        amount1203_->setFocus();
        return;
      }
    }
  }
  options_ = edited;
  QDialog::accept();
}

}  // namespace ostrada
