// Pictures of the order windows with their lists filled, for a person to look at (written where
// tests/support/render.h says).
#include "tests/support/render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

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
#include "tests/support/served_exchange.h"
#include "tests/support/session_options.h"
#include "tests/support/ticks.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

void Save(QWidget& widget, const char* name) {
  const QString path = RenderToPng(widget, name);
  ASSERT_FALSE(path.isEmpty()) << name;
  std::printf("rendered %s\n", qPrintable(path));
}

// Drawn in the afternoon of a trading day on the embedded exchange's paper account, logged in as the
// program logs in, with orders sent through the form as a trader sends them: what the lists show is
// the account's own, from the market of the seed.
class Render : public ServedExchangeTest {
 protected:
  Render() : ServedExchangeTest(Options()) { exchange_.Advance(kIntoTheAfternoon); }
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.stocks = 60;
    options.tradingDate = kSessionDay;
    options.wallClock = [] { return kStandingWall; };
    return options;
  }
  static constexpr int64_t kIntoTheAfternoon = 5 * 3'600'000;

  static int32_t PriceNow(const std::string& code) {
    NowPrice now{};
    EXPECT_EQ(StocGate().FetchNowPrice(&now, code.c_str()), 1) << code;
    return now.bar.close;
  }
  std::string NameOf(const std::string& code) const { return book_->FindByCode(code.c_str())->key.name.get(); }
  // The stock chosen through the finder, as the user chooses it.
  static void Choose(CTrdBuyTbl& form, const std::string& name) {
    AnswerFinder(FromCp949(name));
    Click(Button(form, 9034));
  }
  // The form's order at this price and quantity, sent and confirmed in the box it asks with.
  void Send(CTrdBuyTbl& form, int32_t price, int32_t quantity) {
    Retype(Edit(form, 1421), QString::fromStdString(FormatNumber(int64_t{price})));
    Retype(Edit(form, 1420), QString::number(quantity));
    Click(Button(form, 1426));
    ASSERT_EQ(recording_.sink.messages.size(), 1u) << ::testing::PrintToString(recording_.sink.Texts());
    recording_.sink.Clear();
  }

  FreshSettings settings_;
  // The process's trading login as the program keeps it: one, shared by every window of the test.
  TradingSession session_;
};

TEST_F(Render, MiniOrderWindowOnEachList) {
  CTrdDlg window(book_.get(), session_);
  CTrdBuyTbl& form = window.Form();
  window.show();
  Click(Button(form, 1428));
  // About ten million won of each of the day's three busiest stocks, two ticks over the price so the
  // buys take the asks; half an hour on, the market has moved from what they paid.
  const std::vector<std::string> busiest = BusiestCodes(*book_, 3);
  ASSERT_EQ(busiest.size(), 3u);
  for (const std::string& code : busiest) {
    Choose(form, NameOf(code));
    const int32_t price = PriceNow(code);
    Send(form, TicksFrom(price, 2), std::max(1, 10'000'000 / price));
  }
  exchange_.Advance(30 * 60'000);
  // A buy five ticks under the market, left resting.
  Choose(form, NameOf(busiest[0]));
  Send(form, TicksFrom(PriceNow(busiest[0]), -5), 300);
  Save(window, "order_mini_buy.png");
  Click(Radio(form, 1465));
  ASSERT_EQ(List(form, 1470).rowCount(), 1);
  ClickRow(List(form, 1470), 0);
  Save(window, "order_mini_modify.png");
  // Half of one holding sold at the bids.
  Click(Radio(form, 1464));
  ASSERT_EQ(List(form, 1468).rowCount(), 3);
  ClickRow(List(form, 1468), 1);
  const int32_t sellable = Edit(form, 1420).text().toInt();
  ASSERT_GT(sellable, 1);
  Send(form, TicksFrom(PriceNow(form.Code()), -2), sellable / 2);
  exchange_.Advance(60'000);
  Save(window, "order_mini_sell.png");
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
  CTrdCallDlg window(book_.get(), session_);
  CTrdBuyCallFrm& frame = window.Frame();
  CTrdBuyTbl& form = frame.Form();
  window.show();
  Click(Button(form, 1428));
  Choose(form, BusiestName(*book_));
  CCallTbl& table = frame.Quote().Table();
  ClickRow(table.UpperList(), table.Levels());  // the best ask
  Retype(Edit(form, 1420), QStringLiteral("100"));
  Click(Button(form, 1426));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);  // the confirmation, answered 확인
  recording_.sink.Clear();
  exchange_.Advance(60'000);
  Save(window, "order_quote_click.png");
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
