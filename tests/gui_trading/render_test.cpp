// Pictures of the order windows with their lists filled, for a person to look at (written where
// tests/support/render.h says).
#include "tests/support/render.h"

#include <gtest/gtest.h>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "app/qtext.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuyopt.h"
#include "app/trdbuytbl.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/numberformat.h"
#include "tests/gui_trading/trading_fixture.h"
#include "tests/support/busiest_stock.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

void Save(QWidget& widget, const char* name) {
  const QString path = RenderToPng(widget, name);
  ASSERT_FALSE(path.isEmpty()) << name;
  std::printf("rendered %s\n", qPrintable(path));
}

// Drawn after the close on the day's busiest stock, as the README shows the other windows.
class Render : public TradingBench {
 protected:
  Render() { exchange_.Advance(kFromOpeningToAfterTheClose); }
  void FillAccount() {
    Trading().availableAmount = 1'234'567'890;
    Trading().availableQuantity = 98'765;
    Trading().totalDeposit = 2'000'000'000;
    Trading().substitute = 12'345'678;
    Trading().cashLimit = 2'100'000'000;
    Trading().holdings = {{NameOf(0), CodeOf(0), 12'345, 98'765.4, 98'765.4},
                          {NameOf(11), CodeOf(11), 250, 1'500'000.0, 1'500'000.0},
                          {NameOf(23), CodeOf(23), 30, 100.0, 100.0}};
    Trading().unfilled = {{1234567, CodeOf(3), NameOf(3), 1'250'000, 1'000'000, "1"},
                          {1234568, CodeOf(5), NameOf(5), 45'650, 300, "2"},
                          {1234569, CodeOf(7), NameOf(7), 990, 12, "2"}};
  }
};

TEST_F(Render, MiniOrderWindowOnEachList) {
  FillAccount();
  CTrdDlg window(book_.get(), session_);
  CTrdBuyTbl& form = window.Form();
  window.show();
  Click(Button(form, 1428));
  AnswerFinder(FromCp949(BusiestName(*book_)));
  Click(Button(form, 9034));
  NowPrice closing{};
  ASSERT_EQ(StocGate().FetchNowPrice(&closing, BusiestCode(*book_).c_str()), 1);
  Retype(Edit(form, 1421), QString::fromStdString(FormatNumber(int64_t{closing.bar.close})));
  Retype(Edit(form, 1420), QStringLiteral("1,000"));
  Click(Button(form, 1423));
  Click(Button(form, 1426));  // confirmed, sent and acknowledged in the form
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  recording_.sink.Clear();
  Save(window, "order_mini_buy.png");
  Click(Radio(form, 1464));
  Save(window, "order_mini_sell.png");
  Click(Radio(form, 1465));
  ClickRow(List(form, 1470), 0);
  Save(window, "order_mini_modify.png");
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(Render, OptionsDialog) {
  TradeOptions options;
  options.quantityPreset = 1;
  options.quantityMode = kBuyForAmount;
  options.amount = 1'000'000;
  CTrdBuyOpt dialog(1, options);
  dialog.show();
  Save(dialog, "order_options.png");
}

TEST_F(Render, QuoteClickOrderWindowAfterAFill) {
  FillAccount();
  CTrdCallDlg window(book_.get(), session_);
  CTrdBuyCallFrm& frame = window.Frame();
  CTrdBuyTbl& form = frame.Form();
  window.show();
  const std::string stock = BusiestName(*book_);
  Click(Button(form, 1428));
  AnswerFinder(FromCp949(stock));
  Click(Button(form, 9034));
  CCallTbl& table = frame.Quote().Table();
  ClickRow(table.UpperList(), table.Levels());
  Retype(Edit(form, 1420), QStringLiteral("100"));
  Click(Button(form, 1426));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);  // the confirmation, answered 확인
  recording_.sink.Clear();
  ScriptedOrderEvent accepted;
  accepted.stock = stock;
  accepted.kind = "4";
  accepted.side = "2";
  accepted.price = table.Current().levels[0].sellPrice;
  accepted.quantity = 100;
  server_.events->Fire(accepted);
  ScriptedOrderEvent filled = accepted;
  filled.kind = "1";
  server_.events->Fire(filled);
  Save(window, "order_quote_click.png");
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
