// The order form and the mini order window, driven by clicks and keys on the embedded exchange's
// market with scripted trading objects.
#include <gtest/gtest.h>

#include <cmath>

#include <QLabel>

#include "broker/clsid.h"
#include "broker/sim/market/faults.h"

#include "app/numberedit.h"
#include "app/qtext.h"
#include "app/trdbuytbl.h"
#include "basesrc/callinfo.h"
#include "basesrc/foundation/localtime.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowfxin.h"
#include "basesrc/numberformat.h"
#include "tests/gui_trading/trading_fixture.h"
#include "tests/support/palette.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

class OrderForm : public TradingBench {
 protected:
  OrderForm() : form_(*new CTrdBuyTbl(book_.get(), session_, &parent_)) {
    parent_.resize(form_.size());
    parent_.show();
  }

  void LogIn() {
    Click(Button(form_, 1428));
    ASSERT_EQ(form_.Account(), "22223333");
  }
  void ChooseStock(int k) {
    AnswerFinder(FromCp949(NameOf(k)));
    Click(Button(form_, 9034));
    ASSERT_EQ(form_.Code(), CodeOf(k));
  }
  NowPrice PriceOf(int k) {
    NowPrice price{};
    StocGate gate;
    EXPECT_EQ(gate.FetchNowPrice(&price, CodeOf(k).c_str()), 1);
    return price;
  }
  std::vector<std::string> Messages() const { return recording_.sink.Texts(); }
  static std::vector<std::string> Just(const char* text) { return {text}; }

  RecordingParent parent_;
  CTrdBuyTbl& form_;
};

TEST_F(OrderForm, OpensOnBuyWithItsListsAndTellsToLogInFirst) {
  CTrdDlg window(book_.get(), session_);
  EXPECT_EQ(window.windowTitle(), QString::fromUtf8("미니주문"));
  CTrdBuyTbl& form = window.Form();
  window.show();
  EXPECT_EQ(form.Action(), CTrdBuyTbl::kBuy);
  EXPECT_EQ(Button(form, 1426).text(), QString::fromUtf8("매수"));
  EXPECT_TRUE(List(form, 1422).isVisible());
  EXPECT_FALSE(List(form, 1468).isVisible());
  EXPECT_FALSE(List(form, 1470).isVisible());
  EXPECT_TRUE(Radio(form, 1418).isChecked());
  EXPECT_FALSE(Radio(form, 1471).isVisible());
  EXPECT_FALSE(Edit(form, 1412).isVisible());
  const char* rows[] = {"가능 금액", "가능 수량", "총 예수금", "재사용금액", "가용 대용"};
  for (int row = 0; row < 5; ++row) EXPECT_EQ(Cell(List(form, 1422), row, 0).toStdString(), rows[row]);

  Click(Radio(form, 1465));
  EXPECT_EQ(Button(form, 1426).text(), QString::fromUtf8("정정"));
  EXPECT_TRUE(List(form, 1470).isVisible());
  EXPECT_FALSE(Button(form, 1424).isVisible());
  EXPECT_TRUE(Radio(form, 1472).isChecked());
  EXPECT_FALSE(Edit(form, 1420).isEnabled());
  EXPECT_TRUE(Edit(form, 1412).isVisible());
  EXPECT_TRUE(recording_.sink.messages.empty());

  Click(Button(form, 1423));
  EXPECT_EQ(Messages(), Just("먼저 로그인을 하십시오."));
}

TEST_F(OrderForm, LogInThenTheBuyableAmountAtTheTypedPrice) {
  LogIn();
  EXPECT_EQ(Button(form_, 1428).text(), QString::fromUtf8("로그인됨"));
  Trading().availableAmount = 5'000'000;
  Trading().availableQuantity = 150;
  Trading().totalDeposit = 7'000'000;
  Trading().substitute = 0;
  Trading().cashLimit = 9'000'000;
  ChooseStock(3);
  EXPECT_EQ(parent_.stockChanges, std::vector<uintptr_t>{1});
  EXPECT_EQ(Child<QLabel>(form_, QStringLiteral("static9028")).text(), FromCp949(CodeOf(3)));
  Retype(Edit(form_, 1421), QStringLiteral("12,500"));
  Click(Button(form_, 1423));
  ASSERT_EQ(Trading().buyableQueries, 1);
  EXPECT_EQ(Trading().buyableInputs[2].ToText(), CodeOf(3));
  EXPECT_EQ(Trading().buyableInputs[4].ToI4(), 12500);  // the grouped price, not 12
  QTableWidget& account = List(form_, 1422);
  EXPECT_EQ(Cell(account, 0, 1), QStringLiteral("5,000,000"));
  EXPECT_EQ(Cell(account, 1, 1), QStringLiteral("150"));
  EXPECT_EQ(Cell(account, 2, 1), QStringLiteral("7,000,000"));
  EXPECT_EQ(Cell(account, 3, 1), QString());
  EXPECT_EQ(Cell(account, 4, 1), QStringLiteral("0"));
  // No number is cut by its column.
  for (int row = 0; row < 5; ++row) {
    EXPECT_GE(account.columnWidth(1), account.fontMetrics().horizontalAdvance(Cell(account, row, 1))) << row;
  }

  ClickRow(account, 1);
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("150"));
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, LimitAndMarketOrdersCarryTheirOwnPrice) {
  LogIn();
  TurnOffConfirmation(form_);
  ChooseStock(5);
  Retype(Edit(form_, 1420), QStringLiteral("10"));
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("가격 지정이 정확하지 않습니다."));
  EXPECT_TRUE(Trading().orders.empty());

  // A quantity beyond what the order can carry is refused, not sent wrapped round.
  recording_.sink.Clear();
  Retype(Edit(form_, 1421), QStringLiteral("12,500"));
  Retype(Edit(form_, 1420), QStringLiteral("99,999,999,999"));
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("수량 지정이 정확하지 않습니다."));
  EXPECT_TRUE(Trading().orders.empty());

  recording_.sink.Clear();
  Retype(Edit(form_, 1420), QStringLiteral("10"));
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  EXPECT_EQ(LastOrder().clsid, broker::clsid::kBuySellOrder);
  EXPECT_EQ(LastOrder().inputs.at(0).ToText(), "2");
  EXPECT_EQ(LastOrder().inputs.at(1).ToText(), "22223333");
  EXPECT_EQ(LastOrder().inputs.at(3).ToText(), CodeOf(5));
  EXPECT_EQ(LastOrder().inputs.at(4).ToI4(), 10);
  EXPECT_EQ(LastOrder().inputs.at(5).ToI4(), 12500);
  EXPECT_EQ(LastOrder().inputs.at(8).ToText(), "01");
  EXPECT_EQ(form_.LastOrderNumber(), 5001);

  Click(Radio(form_, 1419));
  EXPECT_FALSE(Edit(form_, 1421).isEnabled());
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("12,500"));
  Click(Radio(form_, 1464));  // sell: the order type goes back to limit
  EXPECT_EQ(Button(form_, 1426).text(), QString::fromUtf8("매도"));
  EXPECT_TRUE(Radio(form_, 1418).isChecked());
  Click(Radio(form_, 1419));
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 2u);
  EXPECT_EQ(LastOrder().inputs.at(0).ToText(), "1");
  EXPECT_EQ(LastOrder().inputs.at(5).ToI4(), 0);
  EXPECT_EQ(LastOrder().inputs.at(8).ToText(), "03");
  // A picked price means nothing to a market order.
  form_.SetPrice(13000);
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("12,500"));

  // The server's refusal is shown as its two texts.
  Trading().orderStatus = 1;
  Trading().orderText1 = Utf8ToCp949("주문 가능 수량을 ");
  Trading().orderText2 = Utf8ToCp949("초과했습니다.  ");
  recording_.sink.Clear();
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("주문 가능 수량을 초과했습니다."));

  Click(Button(form_, 1427));  // 삭제
  EXPECT_TRUE(Edit(form_, 1421).text().isEmpty());
  EXPECT_TRUE(Edit(form_, 1420).text().isEmpty());
  EXPECT_TRUE(Child<QLabel>(form_, QStringLiteral("static9028")).text().isEmpty());
  recording_.sink.Clear();
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("종목을 선택하십시오."));
  EXPECT_EQ(Trading().orders.size(), 3u);
}

TEST_F(OrderForm, ChoosingAnotherNameInTheListMakesItsStockCurrent) {
  ChooseStock(2);
  ChooseStock(7);
  auto& combo = Child<QComboBox>(form_, QStringLiteral("combo9014"));
  ASSERT_EQ(combo.count(), 2);
  combo.setFocus();
  PressKey(combo, Qt::Key_Up);
  EXPECT_EQ(combo.currentText(), FromCp949(NameOf(2)));
  EXPECT_EQ(form_.Code(), CodeOf(2));
  EXPECT_EQ(Child<QLabel>(form_, QStringLiteral("static9028")).text(), FromCp949(CodeOf(2)));
  EXPECT_EQ(parent_.stockChanges, (std::vector<uintptr_t>{1, 1, 1}));
  // The finder's choice of the current stock only beeps.
  AnswerFinder(FromCp949(NameOf(2)));
  recording_.sink.Clear();
  Click(Button(form_, 9034));
  EXPECT_EQ(recording_.sink.beeps, 1);
  EXPECT_EQ(parent_.stockChanges.size(), 3u);
}

TEST_F(OrderForm, UnfilledOrdersAreColouredBySideAndCancelSendsNoPrice) {
  LogIn();
  TurnOffConfirmation(form_);
  Trading().unfilled = {{7001, CodeOf(4), NameOf(4), 15'000, 30, "1"}, {7002, CodeOf(6), NameOf(6), 9'000, 120, "2"}};
  Click(Radio(form_, 1466));
  EXPECT_EQ(Button(form_, 1426).text(), QString::fromUtf8("취소"));
  QTableWidget& unfilled = List(form_, 1470);
  ASSERT_EQ(unfilled.rowCount(), 2);
  EXPECT_EQ(Cell(unfilled, 0, 0), QStringLiteral("7001"));
  EXPECT_EQ(Cell(unfilled, 0, 1), FromCp949(NameOf(4)));
  EXPECT_EQ(Cell(unfilled, 0, 2), QStringLiteral("15,000"));
  EXPECT_EQ(Cell(unfilled, 1, 3), QStringLiteral("120"));
  EXPECT_EQ(unfilled.item(0, 1)->data(Qt::UserRole).toUInt(), 0xFF0000u);
  EXPECT_EQ(unfilled.item(0, 1)->foreground().color(), testing::kFallBlue);
  EXPECT_EQ(unfilled.item(1, 3)->data(Qt::UserRole).toUInt(), 0x0000FFu);
  EXPECT_EQ(unfilled.item(1, 3)->foreground().color(), testing::kRiseRed);

  // "전부" without a chosen order keeps what the quantity edit holds.
  Click(Radio(form_, 1471));
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("0"));
  Retype(Edit(form_, 1420), QStringLiteral("7"));
  Click(Radio(form_, 1472));
  EXPECT_FALSE(Edit(form_, 1420).isEnabled());
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("7"));

  ClickRow(unfilled, 1);
  EXPECT_EQ(form_.Code(), CodeOf(6));
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("120"));
  // The order's own price, not the market's: one careless click must not move the order.
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("9000"));
  EXPECT_EQ(Edit(form_, 1412).text(), QStringLiteral("7002"));
  EXPECT_EQ(parent_.stockChanges, std::vector<uintptr_t>{1});
  // "전부" after a part was typed takes the chosen order's whole unfilled quantity again.
  Click(Radio(form_, 1471));
  Retype(Edit(form_, 1420), QStringLiteral("30"));
  Click(Radio(form_, 1472));
  EXPECT_EQ(ReadNumber(Edit(form_, 1420).text()), 120);

  Retype(Edit(form_, 1412), QString());
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("원주문번호[원번] 값이 정확하지 않습니다."));
  Retype(Edit(form_, 1412), QStringLiteral("7002"));
  Click(Radio(form_, 1471));
  recording_.sink.Clear();
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("수량 지정이 정확하지 않습니다."));
  EXPECT_TRUE(Trading().orders.empty());

  Retype(Edit(form_, 1420), QStringLiteral("50"));
  recording_.sink.Clear();
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  EXPECT_EQ(LastOrder().clsid, broker::clsid::kCancelOrder);
  EXPECT_EQ(LastOrder().inputs.at(1).ToI4(), 7002);
  EXPECT_EQ(LastOrder().inputs.at(4).ToText(), CodeOf(6));
  EXPECT_EQ(LastOrder().inputs.at(5).ToI4(), 50);
  EXPECT_EQ(LastOrder().inputs.count(6), 0u);
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

// Order numbers start again each day: a cancel picked from a list read on an earlier day would name
// today's order of that number. The form reads the list again and sends nothing until asked again.
TEST_F(OrderForm, ACancelFromAnEarlierDaysListIsNotSent) {
  FixedTimeSource clock(LocalClock{2026, 12, 8, 15, 10, 0, 0, 2, 341});
  ScopedTimeSource scope(clock);
  LogIn();
  TurnOffConfirmation(form_);
  Trading().unfilled = {{3, CodeOf(4), NameOf(4), 15'000, 30, "1"}};
  Click(Radio(form_, 1466));
  QTableWidget& unfilled = List(form_, 1470);
  ClickRow(unfilled, 0);
  ASSERT_EQ(Edit(form_, 1412).text(), QStringLiteral("3"));

  clock.Set(LocalClock{2026, 12, 9, 9, 5, 0, 0, 3, 342});
  Trading().unfilled = {{3, CodeOf(4), NameOf(4), 14'000, 10, "2"}};  // today's order 3
  Click(Button(form_, 1426));
  EXPECT_TRUE(Trading().orders.empty());
  EXPECT_EQ(Messages(), Just("미체결 주문 목록이 지난 날의 것이어서 다시 조회했습니다. 정정/취소할 주문을 다시 확인하십시오."));
  ASSERT_EQ(unfilled.rowCount(), 1);
  EXPECT_EQ(Cell(unfilled, 0, 2), QStringLiteral("14,000"));

  // Confirmed against today's list, the cancel goes.
  recording_.sink.Clear();
  ClickRow(unfilled, 0);
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  EXPECT_EQ(LastOrder().inputs.at(1).ToI4(), 3);
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, HoldingsShowProfitAtTheCurrentPriceAndASecondRefreshOnlyBeeps) {
  LogIn();
  Trading().holdings = {{NameOf(1), CodeOf(1), 1'234'567, 10'000.25, 10'000.5},
                        {NameOf(8), CodeOf(8), 40, 2'000'000.0, 2'000'000.0}};
  int nestedRefreshes = 0;
  Trading().duringDownload = [&] {
    if (nestedRefreshes++ == 0) Click(Button(form_, 1423));
  };
  Click(Radio(form_, 1464));
  Trading().duringDownload = nullptr;
  EXPECT_EQ(Trading().downloads, 1);
  EXPECT_EQ(recording_.sink.beeps, 1);
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();

  QTableWidget& holdings = List(form_, 1468);
  ASSERT_EQ(holdings.rowCount(), 2);
  const int32_t close = PriceOf(1).bar.close;
  // Selling there: the commission and tax come off the value, each rounded down; the cost to the won.
  const int64_t value = int64_t{1'234'567} * close;
  const int64_t profit = value - value * 150 / 1'000'000 - value * 2000 / 1'000'000 - std::llround(1'234'567 * 10'000.5);
  EXPECT_EQ(Cell(holdings, 0, 0), FromCp949(NameOf(1)));
  EXPECT_EQ(Cell(holdings, 0, 1), QStringLiteral("1,234,567"));
  EXPECT_EQ(Cell(holdings, 0, 2), QStringLiteral("10,000"));
  EXPECT_EQ(Cell(holdings, 0, 3), QString::fromLatin1(FormatNumber(profit)));
  EXPECT_EQ(holdings.item(0, 3)->foreground().color(), (profit > 0 ? testing::kRiseRed : testing::kFallBlue));
  EXPECT_EQ(Cell(holdings, 1, 2), QStringLiteral("2,000,000"));
  for (int column = 0; column < 4; ++column) {
    for (int row = 0; row < 2; ++row) {
      EXPECT_GE(holdings.columnWidth(column), holdings.fontMetrics().horizontalAdvance(Cell(holdings, row, column)))
          << row << "," << column;
    }
  }

  ClickRow(holdings, 1);
  EXPECT_EQ(form_.Code(), CodeOf(8));
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("40"));
  EXPECT_EQ(parent_.stockChanges, std::vector<uintptr_t>{1});
}

TEST_F(OrderForm, BuyingForAnAmountAtTheTypedPrice) {
  ChooseStock(2);
  Retype(Edit(form_, 1421), QStringLiteral("33,000"));
  WhenShown(QStringLiteral("dialog147"), [](QWidget& options) {
    Click(Child<QCheckBox>(options, QStringLiteral("check1453")));
    Click(Radio(options, 1456));
    Retype(Edit(options, 1203), QStringLiteral("1,000,000"));
    Click(Button(options, 1));
  });
  Click(Button(form_, 1424));
  EXPECT_EQ(form_.BuyOptions().quantityPreset, 1);
  EXPECT_EQ(form_.BuyOptions().amount, 1'000'000);
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("30"));
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("33,000"));
  // 136.98 shares' worth buys 130: never more than the amount, in tens.
  Retype(Edit(form_, 1421), QStringLiteral("7,300"));
  WhenShown(QStringLiteral("dialog147"), [](QWidget& options) { Click(Button(options, 1)); });
  Click(Button(form_, 1424));
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("130"));
  Retype(Edit(form_, 1421), QStringLiteral("33,000"));

  // A price preset of the current price takes the stock's last price.
  WhenShown(QStringLiteral("dialog147"), [](QWidget& options) {
    Click(Child<QCheckBox>(options, QStringLiteral("check1452")));
    Click(Button(options, 1));
  });
  Click(Button(form_, 1424));
  const int32_t close = PriceOf(2).bar.close;
  EXPECT_EQ(Edit(form_, 1421).text(), QString::number(close));
  EXPECT_EQ(Edit(form_, 1420).text(), QString::number(1'000'000 / close / 10 * 10));
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();

  Click(Radio(form_, 1465));
  form_.OpenOptions();  // its button is hidden for a modify
  EXPECT_EQ(Messages(), Just("선택 사항 로직 오류."));
}

// Each price level of the options puts its own price of the book into the form.
TEST_F(OrderForm, EachPricePresetTakesItsOwnPrice) {
  ChooseStock(4);
  CallInfo book{};
  ASSERT_EQ(StocGate().FetchQuoteBook(CodeOf(4).c_str(), book), 1);
  const NowPrice now = PriceOf(4);
  // The lower limit: 15 % under the previous close, cut down to the previous close's tick.
  const int32_t previous = now.bar.close - now.bar.change;
  const int32_t tick = previous < 5'000     ? 5
                       : previous < 10'000  ? 10
                       : previous < 50'000  ? 50
                       : previous < 100'000 ? 100
                       : previous < 500'000 ? 500
                                            : 1000;
  const int32_t width = previous * 15 / 100;
  const int32_t expected[kPriceLevels] = {book.levels[1].sellPrice, book.levels[0].sellPrice,
                                          now.bar.close,            book.levels[0].buyPrice,
                                          book.levels[1].buyPrice,  previous - (width - width % tick)};
  ASSERT_LT(book.levels[0].sellPrice, book.levels[1].sellPrice);
  ASSERT_GT(book.levels[0].buyPrice, book.levels[1].buyPrice);
  for (int level = 0; level < kPriceLevels; ++level) {
    WhenShown(QStringLiteral("dialog147"), [level](QWidget& options) {
      Child<QCheckBox>(options, QStringLiteral("check1452")).setChecked(true);
      Child<QComboBox>(options, QStringLiteral("combo1454")).setCurrentIndex(level);
      Click(Button(options, 1));
    });
    Click(Button(form_, 1424));
    EXPECT_EQ(ReadNumber(Edit(form_, 1421).text()), expected[level]) << "level " << level;
  }
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, RefreshWithoutAPriceAsksAtTheCurrentPrice) {
  LogIn();
  ChooseStock(3);
  ASSERT_TRUE(Edit(form_, 1421).text().isEmpty());
  Click(Button(form_, 1423));
  ASSERT_EQ(Trading().buyableQueries, 1);
  EXPECT_EQ(Trading().buyableInputs[3].ToText(), "01");
  EXPECT_EQ(Trading().buyableInputs[4].ToI4(), PriceOf(3).bar.close);
  // A market order is asked without a price: the server holds the upper limit for it.
  Click(Radio(form_, 1419));
  Click(Button(form_, 1423));
  ASSERT_EQ(Trading().buyableQueries, 2);
  EXPECT_EQ(Trading().buyableInputs[3].ToText(), "03");
  EXPECT_EQ(Trading().buyableInputs.count(4), 0u);
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, AnotherStockNeverKeepsTheOldPrice) {
  ChooseStock(2);
  Retype(Edit(form_, 1421), QStringLiteral("33,000"));
  ChooseStock(7);
  EXPECT_TRUE(Edit(form_, 1421).text().isEmpty());
  // Back in the name list, and from the quote panel's side: the same.
  Retype(Edit(form_, 1421), QStringLiteral("12,000"));
  auto& combo = Child<QComboBox>(form_, QStringLiteral("combo9014"));
  combo.setFocus();
  PressKey(combo, Qt::Key_Up);
  ASSERT_EQ(form_.Code(), CodeOf(2));
  EXPECT_TRUE(Edit(form_, 1421).text().isEmpty());
  Retype(Edit(form_, 1421), QStringLiteral("12,000"));
  ASSERT_EQ(form_.SetStock(NameOf(9), CodeOf(9)), 1);
  EXPECT_TRUE(Edit(form_, 1421).text().isEmpty());
  // The same stock again keeps what was typed for it.
  Retype(Edit(form_, 1421), QStringLiteral("12,000"));
  ASSERT_EQ(form_.SetStock(NameOf(9), CodeOf(9)), 1);
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("12,000"));
}

TEST_F(OrderForm, HoldingsWithoutACurrentPriceShowNoProfit) {
  LogIn();
  Trading().holdings = {{NameOf(1), CodeOf(1), 100, 10'000, 10'000}};
  // The current prices of the holdings cannot be fetched.
  exchange_.Faults().FailCall(broker::clsid::kMultiPrice, sim::Method::kRequest, broker::kEFail, 0);
  Click(Radio(form_, 1464));
  QTableWidget& holdings = List(form_, 1468);
  ASSERT_EQ(holdings.rowCount(), 1);
  EXPECT_EQ(Cell(holdings, 0, 1), QStringLiteral("100"));
  // Unknown, not a loss of the whole 1,000,000 won.
  EXPECT_EQ(Cell(holdings, 0, 3), QStringLiteral("-"));
  EXPECT_EQ(recording_.sink.messages.size(), 1u);  // the failed fetch, told once
}

TEST_F(OrderForm, AHoldingOffersWhatOpenSellsLeaveToSell) {
  LogIn();
  Trading().holdings = {{NameOf(8), CodeOf(8), 40, 2'000, 2'000}};
  // Open orders: two sells of the stock (15 and 5 left), a buy of it and a sell of another stock.
  Trading().unfilled = {{7001, CodeOf(8), NameOf(8), 2'100, 15, "1"},
                        {7002, CodeOf(8), NameOf(8), 1'900, 30, "2"},
                        {7003, CodeOf(4), NameOf(4), 5'000, 7, "1"},
                        {7004, CodeOf(8), NameOf(8), 2'200, 5, "1"}};
  Click(Radio(form_, 1464));
  ClickRow(List(form_, 1468), 0);
  EXPECT_EQ(form_.Code(), CodeOf(8));
  EXPECT_EQ(Edit(form_, 1420).text(), QString::number(40 - 15 - 5));
  // Everything offered already: nothing left to sell.
  Trading().unfilled[1] = {7002, CodeOf(8), NameOf(8), 2'100, 30, "1"};
  Click(Button(form_, 1423));
  ClickRow(List(form_, 1468), 0);
  EXPECT_EQ(Edit(form_, 1420).text(), QStringLiteral("0"));
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, AModifyKeepsTheOrdersPriceThenFollowsItsNewNumberAndTheListRefreshes) {
  LogIn();
  TurnOffConfirmation(form_);
  Trading().unfilled = {{7002, CodeOf(6), NameOf(6), 9'000, 120, "2"}};
  Click(Radio(form_, 1465));
  EXPECT_EQ(Trading().downloads, 1);
  ClickRow(List(form_, 1470), 0);
  EXPECT_EQ(Edit(form_, 1421).text(), QStringLiteral("9000"));
  Retype(Edit(form_, 1421), QStringLiteral("99,999,999,999"));
  Click(Button(form_, 1426));
  EXPECT_EQ(Messages(), Just("가격 지정이 정확하지 않습니다."));
  EXPECT_TRUE(Trading().orders.empty());
  recording_.sink.Clear();
  Retype(Edit(form_, 1421), QStringLiteral("8,900"));
  Trading().unfilled = {{5001, CodeOf(6), NameOf(6), 8'900, 120, "2"}};
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  EXPECT_EQ(LastOrder().clsid, broker::clsid::kModifyOrder);
  EXPECT_EQ(LastOrder().inputs.at(1).ToI4(), 7002);
  EXPECT_EQ(LastOrder().inputs.at(6).ToI4(), 8900);
  // The order lives on as 5001: a second modify goes to it, and the list shows it without a "조회".
  EXPECT_EQ(Edit(form_, 1412).text(), QStringLiteral("5001"));
  EXPECT_EQ(Trading().downloads, 2);
  EXPECT_EQ(Cell(List(form_, 1470), 0, 0), QStringLiteral("5001"));
  // The refreshed list marks no row: the row chosen before was another order's.
  EXPECT_TRUE(List(form_, 1470).selectedRanges().isEmpty());
  EXPECT_EQ(Child<QLabel>(form_, QStringLiteral("staticAcknowledgement")).text(),
            QString::fromUtf8("정정 주문 접수 : 주문번호 5001"));
  EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
}

TEST_F(OrderForm, TheMiniWindowAcknowledgesAnOrderWithItsNumberAndTheNewBuyingPower) {
  CTrdDlg window(book_.get(), session_);
  window.show();
  CTrdBuyTbl& form = window.Form();
  TurnOffConfirmation(form);
  Click(Button(form, 1428));
  AnswerFinder(FromCp949(NameOf(5)));
  Click(Button(form, 9034));
  Retype(Edit(form, 1421), QStringLiteral("12,500"));
  Retype(Edit(form, 1420), QStringLiteral("10"));
  Trading().availableAmount = 99'874'981;
  Trading().totalDeposit = 100'000'000;
  Trading().cashLimit = 100'000'000;
  const int queries = Trading().buyableQueries;
  Click(Button(form, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  auto& acknowledgement = Child<QLabel>(form, QStringLiteral("staticAcknowledgement"));
  EXPECT_EQ(acknowledgement.text(), QString::fromUtf8("매수 주문 접수 : 주문번호 5001"));
  EXPECT_TRUE(acknowledgement.isVisible());
  EXPECT_GE(acknowledgement.width(), acknowledgement.fontMetrics().horizontalAdvance(acknowledgement.text()));
  EXPECT_EQ(Trading().buyableQueries, queries + 1);
  EXPECT_EQ(Cell(List(form, 1422), 0, 1), QStringLiteral("99,874,981"));
  EXPECT_EQ(Cell(List(form, 1422), 2, 1), QStringLiteral("100,000,000"));

  // A refused order leaves no acknowledgement of an earlier one behind.
  Trading().orderStatus = 1;
  Trading().orderText1 = Utf8ToCp949("주문이 접수되지 않았습니다.");
  Click(Button(form, 1426));
  EXPECT_TRUE(acknowledgement.text().isEmpty());
  EXPECT_EQ(Messages(), Just("주문이 접수되지 않았습니다."));
}

TEST_F(OrderForm, AnOrderIsConfirmedBeforeItIsSentAndCancelSendsNothing) {
  LogIn();
  ChooseStock(5);
  Retype(Edit(form_, 1421), QStringLiteral("12,500"));
  Retype(Edit(form_, 1420), QStringLiteral("1,000"));
  auto& confirm = Child<QCheckBox>(form_, QStringLiteral("checkConfirm"));
  EXPECT_TRUE(confirm.isChecked());  // on unless turned off
  recording_.sink.answers = {kIdCancel};
  Click(Button(form_, 1426));
  EXPECT_TRUE(Trading().orders.empty());
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  const RecordedMessage& box = recording_.sink.messages[0];
  EXPECT_EQ(box.CaptionUtf8(), "주문 확인");
  EXPECT_EQ(box.style & 0x0Fu, static_cast<unsigned>(kMbOkCancel));
  const std::string expected = "매수 주문을 보내시겠습니까?\n\n종목 : " + Cp949ToUtf8(NameOf(5)) + " (" + CodeOf(5) +
                               ")\n수량 : 1,000주\n단가 : 12,500원\n금액 : 12,500,000원";
  EXPECT_EQ(box.Utf8(), expected);
  EXPECT_EQ(form_.LastOrderNumber(), 0);

  // 확인 sends it.
  recording_.sink.Clear();
  Click(Button(form_, 1426));
  ASSERT_EQ(Trading().orders.size(), 1u);
  EXPECT_EQ(form_.LastOrderNumber(), 5001);

  // A market sell says so instead of a price; a cancel names the order it cancels.
  Click(Radio(form_, 1464));
  Click(Radio(form_, 1419));
  recording_.sink.Clear();
  recording_.sink.answers = {kIdCancel};
  Click(Button(form_, 1426));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "매도 주문을 보내시겠습니까?\n\n종목 : " + Cp949ToUtf8(NameOf(5)) +
                                                    " (" + CodeOf(5) + ")\n수량 : 1,000주\n단가 : 시장가");
  Click(Radio(form_, 1466));
  Retype(Edit(form_, 1412), QStringLiteral("5001"));
  Click(Radio(form_, 1471));
  Retype(Edit(form_, 1420), QStringLiteral("300"));
  recording_.sink.Clear();
  recording_.sink.answers = {kIdCancel};
  Click(Button(form_, 1426));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "취소 주문을 보내시겠습니까?\n\n종목 : " + Cp949ToUtf8(NameOf(5)) +
                                                    " (" + CodeOf(5) + ")\n원주문번호 : 5001\n수량 : 300주");
  EXPECT_EQ(Trading().orders.size(), 1u);
}

TEST_F(OrderForm, TurningTheConfirmationOffIsRemembered) {
  TurnOffConfirmation(form_);
  {
    // Another order window, as after the next start, asks no more.
    CTrdDlg window(book_.get(), session_);
    window.show();
    CTrdBuyTbl& form = window.Form();
    EXPECT_FALSE(Child<QCheckBox>(form, QStringLiteral("checkConfirm")).isChecked());
    Click(Button(form, 1428));
    AnswerFinder(FromCp949(NameOf(5)));
    Click(Button(form, 9034));
    Retype(Edit(form, 1421), QStringLiteral("12,500"));
    Retype(Edit(form, 1420), QStringLiteral("10"));
    Click(Button(form, 1426));
    EXPECT_EQ(Trading().orders.size(), 1u);
    EXPECT_TRUE(recording_.sink.messages.empty()) << Messages().front();
    Click(Child<QCheckBox>(form, QStringLiteral("checkConfirm")));
  }
  CTrdDlg again(book_.get(), session_);
  EXPECT_TRUE(Child<QCheckBox>(again.Form(), QStringLiteral("checkConfirm")).isChecked());
}


}  // namespace
}  // namespace ostrada
