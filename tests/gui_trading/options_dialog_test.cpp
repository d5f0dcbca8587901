// The options dialog, shown without a modal loop and driven by clicks and keys.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/trdbuyopt.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_trading/click.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using testing::Click;

template <class Widget>
Widget& Child(QWidget& dialog, const char* name) {
  auto* widget = dialog.findChild<Widget*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << name;
  return *widget;
}

void Retype(QLineEdit& edit, const QString& text) {
  edit.setFocus();
  edit.selectAll();
  testing::PressKey(edit, Qt::Key_Delete);
  testing::TypeText(edit, text);
}

class OptionsDialog : public ::testing::Test {
 protected:
  testing::RecordingScope recording_;
};

TEST_F(OptionsDialog, BuyAndSellShowTheirOwnCaptionsChecksAndChoices) {
  TradeOptions stored;
  stored.priceLevel = -1;
  stored.quantity = 30;
  CTrdBuyOpt buy(1, stored);
  EXPECT_EQ(buy.windowTitle(), QString::fromUtf8("매수 옵션"));
  buy.show();
  EXPECT_EQ(buy.windowTitle(), QString::fromUtf8("매수 선택사항"));
  EXPECT_EQ(Child<QCheckBox>(buy, "check1452").text(), QString::fromUtf8("매수호가"));
  EXPECT_EQ(Child<QCheckBox>(buy, "check1453").text(), QString::fromUtf8("매수수량"));
  QComboBox& levels = Child<QComboBox>(buy, "combo1454");
  ASSERT_EQ(levels.count(), 6);
  EXPECT_EQ(levels.itemText(0), QStringLiteral("+2"));
  EXPECT_EQ(levels.itemText(5), QString::fromUtf8("하한가"));
  EXPECT_EQ(levels.currentText(), QString::fromUtf8("현재가"));  // a negative stored level
  EXPECT_EQ(Child<QLineEdit>(buy, "edit1018").text(), QStringLiteral("30"));
  EXPECT_TRUE(Child<QLineEdit>(buy, "edit1203").text().isEmpty());
  EXPECT_TRUE(Child<QRadioButton>(buy, "radio1456").isEnabled());

  TradeOptions sellStored;
  sellStored.priceLevel = kSecondAsk;  // the first entry is a level like any other
  CTrdBuyOpt sell(0, sellStored);
  sell.show();
  EXPECT_EQ(Child<QComboBox>(sell, "combo1454").currentIndex(), kSecondAsk);
  EXPECT_EQ(sell.windowTitle(), QString::fromUtf8("매도 선택사항"));
  EXPECT_EQ(Child<QCheckBox>(sell, "check1452").text(), QString::fromUtf8("매도호가"));
  EXPECT_EQ(Child<QCheckBox>(sell, "check1453").text(), QString::fromUtf8("매도수량"));
  EXPECT_FALSE(Child<QRadioButton>(sell, "radio1456").isEnabled());
  EXPECT_FALSE(Child<QRadioButton>(sell, "radio1457").isEnabled());
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(OptionsDialog, ADesignatedQuantityMustBeGivenInTens) {
  CTrdBuyOpt dialog(1, TradeOptions{});
  dialog.show();
  Click(Child<QCheckBox>(dialog, "check1453"));
  QPushButton& ok = Child<QPushButton>(dialog, "button1");
  Click(ok);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"지정 수량을 입력하지 않았습니다."});
  EXPECT_TRUE(dialog.isVisible());

  // A number that cannot be read is told as wrong, not as missing, and stays in the edit to mend.
  for (const QString& typed : {QStringLiteral("99,999,999,999"), QStringLiteral("-20")}) {
    recording_.sink.Clear();
    Retype(Child<QLineEdit>(dialog, "edit1018"), typed);
    Click(ok);
    ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"수량 지정이 정확하지 않습니다."});
    EXPECT_EQ(Child<QLineEdit>(dialog, "edit1018").text(), typed);
    EXPECT_TRUE(dialog.isVisible());
  }

  recording_.sink.Clear();
  Retype(Child<QLineEdit>(dialog, "edit1018"), QStringLiteral("25"));
  Click(ok);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"지정 수량을 10단위로 지정하십시오."});
  EXPECT_EQ(Child<QLineEdit>(dialog, "edit1018").text(), QStringLiteral("20"));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.Options().quantityPreset, 0);  // nothing is taken before OK succeeds

  recording_.sink.Clear();
  Click(ok);
  EXPECT_TRUE(recording_.sink.messages.empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Options().quantityPreset, 1);
  EXPECT_EQ(dialog.Options().quantityMode, kDesignatedQuantity);
  EXPECT_EQ(dialog.Options().quantity, 20);
}

TEST_F(OptionsDialog, AnAmountMustBeGivenInTenThousandsOfWon) {
  CTrdBuyOpt dialog(1, TradeOptions{});
  dialog.show();
  Click(Child<QCheckBox>(dialog, "check1452"));
  QComboBox& levels = Child<QComboBox>(dialog, "combo1454");
  levels.setFocus();
  testing::PressKey(levels, Qt::Key_Down);  // "-1"
  Click(Child<QCheckBox>(dialog, "check1453"));
  Click(Child<QRadioButton>(dialog, "radio1456"));
  QPushButton& ok = Child<QPushButton>(dialog, "button1");
  Click(ok);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"가격을 입력하지 않았습니다."});

  // An amount beyond 32 bits is wrong even where the preset is off: nothing unreadable is kept.
  Click(Child<QCheckBox>(dialog, "check1453"));
  recording_.sink.Clear();
  Retype(Child<QLineEdit>(dialog, "edit1203"), QStringLiteral("2147483648"));
  Click(ok);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"가격 지정이 정확하지 않습니다."});
  EXPECT_TRUE(dialog.isVisible());
  Click(Child<QCheckBox>(dialog, "check1453"));

  recording_.sink.Clear();
  Retype(Child<QLineEdit>(dialog, "edit1203"), QStringLiteral("1,234,567"));
  Click(ok);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"지정 가격을 1만원 단위로 지정하십시오."});
  EXPECT_EQ(Child<QLineEdit>(dialog, "edit1203").text(), QStringLiteral("1230000"));
  EXPECT_TRUE(dialog.isVisible());

  recording_.sink.Clear();
  Click(ok);
  EXPECT_TRUE(recording_.sink.messages.empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  const TradeOptions& taken = dialog.Options();
  EXPECT_EQ(taken.pricePreset, 1);
  EXPECT_EQ(taken.priceLevel, kBestBid);
  EXPECT_EQ(taken.quantityMode, kBuyForAmount);
  EXPECT_EQ(taken.amount, 1230000);
}

TEST_F(OptionsDialog, CashAvailableNeedsNothingAndCancelKeepsTheStoredSet) {
  CTrdBuyOpt cash(1, TradeOptions{});
  cash.show();
  Click(Child<QCheckBox>(cash, "check1453"));
  Click(Child<QRadioButton>(cash, "radio1457"));
  Click(Child<QPushButton>(cash, "button1"));
  EXPECT_EQ(cash.result(), QDialog::Accepted);
  EXPECT_EQ(cash.Options().quantityMode, kCashAvailable);

  TradeOptions stored;
  stored.quantity = 40;
  CTrdBuyOpt cancelled(1, stored);
  cancelled.show();
  Retype(Child<QLineEdit>(cancelled, "edit1018"), QStringLiteral("70"));
  Click(Child<QPushButton>(cancelled, "button2"));
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_EQ(cancelled.Options().quantity, 40);
  EXPECT_TRUE(recording_.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
