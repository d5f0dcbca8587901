// One order end to end on the embedded exchange's paper account: log in, buy at the ask clicked in
// the quote panel, let the market run, and find the fill in the event log and the stock among the
// holdings.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <cmath>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "app/contbl.h"
#include "app/qtext.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"
#include "app/trdeventtbl.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "basesrc/trdrun.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/gui_trading/trading_fixture.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/ticks.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

// A session day with the market open: the clock stands at 10:00 and moves only when told.
sim::ExchangeOptions OpenMarket() {
  sim::ExchangeOptions options;
  options.seed = 7;
  options.stocks = 40;
  options.tradingDate = 20261208;
  options.clock = sim::ClockMode::kLive;
  const int64_t moment = sim::KoreanUnixMilliseconds(options.tradingDate, 10LL * 3600 * 1000);
  options.wallClock = [moment] { return moment; };
  return options;
}

// The program's side of a test: fresh settings, a recording sink, the exchange installed as the
// server, the code book and the trading session, as the windows find them at start.
struct ProgramOnExchange {
  explicit ProgramOnExchange(const sim::ExchangeOptions& options)
      : exchange(options), server(exchange), book(gate.DownloadCodes(kSortByName, 0)) {}
  FreshSettings settings;
  RecordingScope recording;
  sim::Exchange exchange;
  broker::ScopedServer server;
  StocGate gate;
  std::unique_ptr<CodeInfoList> book;
  TradingSession session;
};

// The first stock of the book that trades whole shares of common stock, or null.
const CodeInfo* FirstCommonShare(const CodeInfoList& book) {
  const CodeInfo* stock = book.First();
  while (stock != nullptr && (stock->attr.class5 == '1' || IsPreferredShare(stock->key.code))) stock = stock->next;
  return stock;
}

// Shows the window and readies its order form to send at once: nothing asked before an order, the
// account logged in. The form.
CTrdBuyTbl& ReadyToSend(QWidget& window, CTrdBuyTbl& form) {
  window.show();
  TurnOffConfirmation(form);
  Click(Button(form, 1428));
  return form;
}

// The paper ledger as another process opens it, to read what it holds.
std::unique_ptr<sim::PaperLedger> OpenLedger(const std::string& path) {
  std::string problem;
  auto ledger = sim::PaperLedger::Open(path, sim::PaperAccountNumbers(), 0, sim::FeeRates{}, problem);
  EXPECT_NE(ledger, nullptr) << problem;
  return ledger;
}

TEST(OrderOnTheExchange, ABuyAtAClickedAskFillsAndBecomesAHolding) {
  ProgramOnExchange program(OpenMarket());
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);

  CTrdCallDlg window(book.get(), session);
  window.show();
  CTrdBuyCallFrm& frame = window.Frame();
  CTrdBuyTbl& form = frame.Form();
  Click(Button(form, 1428));
  ASSERT_FALSE(form.Account().empty());

  const std::string name = book->First()->next->key.name.get();
  AnswerFinder(FromCp949(name));
  Click(Button(form, 9034));
  CCallTbl& table = frame.Quote().Table();
  const int32_t ask = table.Current().levels[0].sellPrice;
  ASSERT_GT(ask, 0);
  ClickRow(table.UpperList(), table.Levels());
  ASSERT_EQ(Edit(form, 1421).text(), QString::number(ask));
  Retype(Edit(form, 1420), QStringLiteral("10"));
  Click(Button(form, 1426));
  // Asked once, and answered 확인.
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "주문 확인");
  EXPECT_GT(form.LastOrderNumber(), 0);
  recording.sink.Clear();

  exchange.Advance(60'000);
  const QListWidget& log = frame.EventLog().OpenList();
  ASSERT_GE(log.count(), 2);
  EXPECT_EQ(log.currentRow(), 0);
  const QString fillPrefix = QStringLiteral("[%1] 매수 체결 : [ ").arg(FromCp949(name));
  bool filled = false;
  for (int row = 0; row < log.count(); ++row) {
    filled = filled ||
             (log.item(row)->text().startsWith(fillPrefix) && log.item(row)->text().endsWith(QStringLiteral("주")));
  }
  EXPECT_TRUE(filled) << log.item(0)->text().toStdString();

  Click(Radio(form, 1464));
  QTableWidget& holdings = List(form, 1468);
  ASSERT_EQ(holdings.rowCount(), 1);
  EXPECT_EQ(Cell(holdings, 0, 0), FromCp949(name));
  EXPECT_EQ(Cell(holdings, 0, 1), QStringLiteral("10"));
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

TEST(OrderOnTheExchange, ARefusedLoginAndARefusedOrderLoseNothing) {
  ProgramOnExchange program(OpenMarket());
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdDlg window(book.get(), session);
  window.show();
  CTrdBuyTbl& form = window.Form();
  TurnOffConfirmation(form);

  exchange.Faults().ArmCustom(broker::clsid::kTradeUtility, "initialise", 2);
  Click(Button(form, 1428));
  EXPECT_EQ(recording.sink.Texts(), std::vector<std::string>{"비밀번호 오류: tradeutil->init()"});
  EXPECT_EQ(Button(form, 1428).text(), QStringLiteral("=> On"));
  EXPECT_TRUE(form.Account().empty());
  recording.sink.Clear();
  Click(Button(form, 1428));  // still refused: a refused login leaves nobody logged in
  EXPECT_TRUE(form.Account().empty());

  exchange.Faults().ArmCustom(broker::clsid::kTradeUtility, "initialise", 0);
  Click(Button(form, 1428));
  ASSERT_FALSE(form.Account().empty());
  exchange.Faults().Refuse(broker::clsid::kBuySellOrder,
                           {7, Utf8ToCp949("주문이 거부되었습니다. "), Utf8ToCp949("장 운영 시간이 아닙니다.  ")});
  AnswerFinder(FromCp949(book->First()->key.name.get()));
  Click(Button(form, 9034));
  Retype(Edit(form, 1421), QStringLiteral("5,000"));
  Retype(Edit(form, 1420), QStringLiteral("10"));
  recording.sink.Clear();
  Click(Button(form, 1426));
  // The server's two texts in one box, as it padded them, without the trailing blanks.
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  const std::string shown = recording.sink.messages[0].Utf8();
  EXPECT_EQ(shown.rfind("주문이 거부되었습니다.", 0), 0u) << shown;
  EXPECT_TRUE(shown.ends_with("장 운영 시간이 아닙니다.")) << shown;
  EXPECT_EQ(Edit(form, 1421).text(), QStringLiteral("5,000"));
  EXPECT_EQ(Edit(form, 1420).text(), QStringLiteral("10"));
  EXPECT_EQ(form.LastOrderNumber(), 0);
}

TEST(OrderOnTheExchange, TheFormShowsTheWholeCashAndWhatAnOpenBuyHoldsBack) {
  sim::ExchangeOptions options = OpenMarket();
  options.paper.startingCash = 5'000'000'000;
  ProgramOnExchange program(options);
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdDlg window(book.get(), session);
  CTrdBuyTbl& form = ReadyToSend(window, window.Form());
  Click(Button(form, 1423));
  QTableWidget& account = List(form, 1422);
  // Above four bytes of won, shown whole.
  EXPECT_EQ(Cell(account, 0, 1), QStringLiteral("5,000,000,000"));
  EXPECT_EQ(Cell(account, 2, 1), QStringLiteral("5,000,000,000"));

  // A buy that waits below the market holds cash back from what is available, not from the deposit.
  const CodeInfo* stock = FirstCommonShare(*book);
  ASSERT_NE(stock, nullptr);
  NowPrice now{};
  ASSERT_EQ(gate.FetchNowPrice(&now, stock->key.code), 1);
  const int32_t low = TicksFrom(now.bar.close, -5);
  AnswerFinder(FromCp949(stock->key.name.get()));
  Click(Button(form, 9034));
  Retype(Edit(form, 1421), QString::number(low));
  Retype(Edit(form, 1420), QStringLiteral("100"));
  Click(Button(form, 1426));
  ASSERT_GT(form.LastOrderNumber(), 0) << recording.sink.Texts().front();
  EXPECT_EQ(Cell(account, 2, 1), QStringLiteral("5,000,000,000"));
  const int64_t available = QString(Cell(account, 0, 1)).remove(QLatin1Char(',')).toLongLong();
  EXPECT_LE(available, 5'000'000'000 - int64_t{low} * 100);
  EXPECT_GT(available, 5'000'000'000 - int64_t{low} * 101);
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

TEST(OrderOnTheExchange, AMarketBuysRejectedRemainderGivesItsHeldCashBackAtOnce) {
  ProgramOnExchange program(OpenMarket());
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdCallDlg window(book.get(), session);
  CTrdBuyTbl& form = ReadyToSend(window, window.Frame().Form());
  // The common share trading the least value: the book's depth follows a stock's trading, so the cash
  // buys more of it than all of its asks offer.
  const CodeInfo* thinnest = nullptr;
  int64_t thinnestValue = 0;
  for (const CodeInfo* stock = book->First(); stock != nullptr; stock = stock->next) {
    if (stock->attr.class5 == '1' || IsPreferredShare(stock->key.code)) continue;
    NowPrice now{};
    ASSERT_EQ(gate.FetchNowPrice(&now, stock->key.code), 1);
    const int64_t value = int64_t{now.bar.volume} * now.bar.close;
    if (now.bar.volume > 0 && (thinnest == nullptr || value < thinnestValue)) {
      thinnest = stock;
      thinnestValue = value;
    }
  }
  ASSERT_NE(thinnest, nullptr);
  AnswerFinder(FromCp949(thinnest->key.name.get()));
  Click(Button(form, 9034));
  Click(Radio(form, 1419));
  Click(Button(form, 1423));
  const QString buyable = Cell(List(form, 1422), 1, 1);
  ASSERT_FALSE(buyable.isEmpty());
  Retype(Edit(form, 1420), buyable);
  Click(Button(form, 1426));
  ASSERT_GT(form.LastOrderNumber(), 0) << recording.sink.Texts().front();
  const QListWidget& log = window.Frame().EventLog().OpenList();
  ASSERT_GE(log.count(), 1);
  ASSERT_TRUE(log.item(0)->text().contains(QStringLiteral("거부"))) << log.item(0)->text().toStdString();
  // Nothing is held back for the rejected remainder: the form shows what the account has now.
  ASSERT_EQ(gate.TradeLogin(), 1);
  std::string number;
  ASSERT_EQ(gate.AccountNumberText(&number), 1);
  TradeAbleInfo now{};
  ASSERT_EQ(gate.BuyableAmount(number.c_str(), "", kOrderTypeLimit, 0, &now), 1);
  EXPECT_LT(now.totalDeposit, 100'000'000);  // the filled part was paid
  EXPECT_EQ(now.availableAmount, now.totalDeposit);
  QTableWidget& account = List(form, 1422);
  EXPECT_EQ(Cell(account, 0, 1).toStdString(), FormatNumber(now.availableAmount));
  EXPECT_EQ(Cell(account, 2, 1).toStdString(), FormatNumber(now.totalDeposit));
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

// The program left open in the last half hour with a buy waiting in the book, while a command line on
// the same account starts the next trading day at 07:30: at its next pump step the program follows the
// account's clock through the close into the new day. Its windows show the new day before its
// pre-open, and the buy ended with the old day.
TEST(OrderOnTheExchange, AProgramLeftOpenFollowsTheAccountsClockIntoTheNextMorning) {
  ScratchFolder folder;
  sim::ExchangeOptions options = OpenMarket();
  options.paper.ledgerPath = folder.File("paper.sqlite");
  int64_t wall = sim::KoreanUnixMilliseconds(options.tradingDate, (14 * 60 + 30) * 60'000LL);
  options.wallClock = [&wall] { return wall; };
  ProgramOnExchange program(options);
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdCallDlg window(book.get(), session);
  CTrdBuyCallFrm& frame = window.Frame();
  CTrdBuyTbl& form = ReadyToSend(window, frame.Form());
  const CodeInfo* stock = FirstCommonShare(*book);
  ASSERT_NE(stock, nullptr);
  AnswerFinder(FromCp949(stock->key.name.get()));
  Click(Button(form, 9034));
  CCallTbl& table = frame.Quote().Table();
  ASSERT_GT(frame.Contracts()->Model().rowCount(), 0) << "the day traded, so the next one differs";
  const int32_t bid = table.Current().levels[0].buyPrice;
  ASSERT_GT(bid, 0);
  Retype(Edit(form, 1421), QString::number(TicksFrom(bid, -5)));
  Retype(Edit(form, 1420), QStringLiteral("5"));
  Click(Button(form, 1426));
  const int32_t number = form.LastOrderNumber();
  ASSERT_GT(number, 0) << recording.sink.Texts().front();
  Click(Radio(form, 1465));
  ASSERT_EQ(List(form, 1470).rowCount(), 1);

  {
    sim::ExchangeOptions morning = options;
    const int64_t early = sim::KoreanUnixMilliseconds(20261209, (7 * 60 + 30) * 60'000LL);
    morning.wallClock = [early] { return early; };
    sim::Exchange commandLine(morning);
  }
  wall += 1'000;
  exchange.Pump();
  EXPECT_EQ(exchange.Clock().Date(), 20261209);
  EXPECT_EQ(exchange.Clock().TimeOfDay(), (7 * 60 + 30) * 60'000LL);

  // As the server has the day: yesterday's close, unchanged, nothing traded, nothing offered yet.
  NowPrice now{};
  ASSERT_EQ(gate.FetchNowPrice(&now, stock->key.code), 1);
  EXPECT_EQ(now.bar.change, 0);
  EXPECT_EQ(now.bar.volume, 0);
  const auto label = [&](const char* id) {
    return Child<QLabel>(frame.Quote(), QString::fromLatin1(id)).text().toStdString();
  };
  EXPECT_EQ(label("static9029"), FormatNumber(int64_t{now.bar.close}));
  EXPECT_EQ(label("static9030"), "0");
  EXPECT_EQ(label("static9032"), "0");
  for (int level = 0; level < table.Levels(); ++level) {
    EXPECT_EQ(table.Current().levels[level].buyPrice, 0) << level;
    EXPECT_EQ(table.Current().levels[level].sellPrice, 0) << level;
  }
  EXPECT_EQ(frame.Contracts()->Model().rowCount(), 0);

  Click(Button(form, 1423));
  EXPECT_EQ(List(form, 1470).rowCount(), 0);
  auto ledger = OpenLedger(options.paper.ledgerPath);
  ASSERT_NE(ledger, nullptr);
  const std::optional<sim::PaperOrder> order = ledger->Order(options.tradingDate, number);
  ASSERT_TRUE(order.has_value());
  EXPECT_EQ(order->state, sim::OrderState::kExpired);
  EXPECT_EQ(order->filled, 0);
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

// What the quote panel shows waiting on the bid side at the price (0: no such level shown).
int32_t BidShown(CCallTbl& table, int32_t price) {
  QuoteLadderModel& bids = table.LowerModel();
  int priceColumn = -1;
  for (int column = 0; column < bids.columnCount(); ++column) {
    if (bids.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() == QStringLiteral("price")) {
      priceColumn = column;
    }
  }
  const auto number = [](const QString& text) { return QString(text).remove(QLatin1Char(',')).toInt(); };
  for (int row = 0; row < table.Levels(); ++row) {
    if (number(bids.Cell(row, priceColumn)) == price) return number(bids.Cell(row, priceColumn + 1));
  }
  return 0;
}

// Another process on the program's account (a command line) modifies, cancels or fills (as recorded
// in the ledger) a part or the whole of a buy of 5 that rests in the program's book. The program's
// next pump step, which moves no market, shows it: the log has its lines, the open-order list its new
// state, and the quote panel the shares gone from the price and any new order's at its own.
enum class OtherAction { kModify, kCancel, kFill };
struct OtherProcessCase {
  const char* name;
  OtherAction action;
  int32_t quantity;
  friend void PrintTo(const OtherProcessCase& row, std::ostream* out) { *out << row.name; }
};

class AnotherProcessOnTheAccount : public ::testing::TestWithParam<OtherProcessCase> {};

TEST_P(AnotherProcessOnTheAccount, ChangesARestingBuyAndTheProgramShowsItAtOnce) {
  const OtherProcessCase& change = GetParam();
  ScratchFolder folder;
  sim::ExchangeOptions options = OpenMarket();
  options.paper.ledgerPath = folder.File("paper.sqlite");
  ProgramOnExchange program(options);
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdCallDlg window(book.get(), session);
  CTrdBuyCallFrm& frame = window.Frame();
  CTrdBuyTbl& form = ReadyToSend(window, frame.Form());
  const std::string account = form.Account();
  ASSERT_FALSE(account.empty());

  const CodeInfo* stock = FirstCommonShare(*book);
  ASSERT_NE(stock, nullptr);
  const QString name = FromCp949(stock->key.name.get());
  AnswerFinder(name);
  Click(Button(form, 9034));
  CCallTbl& table = frame.Quote().Table();
  const int32_t price = table.Current().levels[0].buyPrice;
  ASSERT_GT(price, 0);
  const int32_t lower = TicksFrom(price, -1);
  const int32_t others = BidShown(table, price);
  Retype(Edit(form, 1421), QString::number(price));
  Retype(Edit(form, 1420), QStringLiteral("5"));
  Click(Button(form, 1426));
  const int32_t number = form.LastOrderNumber();
  ASSERT_GT(number, 0) << recording.sink.Texts().front();
  ASSERT_EQ(BidShown(table, price), others + 5) << "the buy rests in the program's book";
  const int32_t othersLower = BidShown(table, lower);
  Click(Radio(form, 1465));
  QTableWidget& open = List(form, 1470);
  ASSERT_EQ(open.rowCount(), 1);
  const int logged = frame.EventLog().OpenList().count();

  int32_t amended = 0;
  {
    sim::Exchange commandLine(options);
    broker::ScopedServer scope(commandLine);
    StocGate other;
    ASSERT_EQ(other.TradeLogin(), 1);
    std::string failure;
    if (change.action == OtherAction::kFill) {
      auto ledger = OpenLedger(options.paper.ledgerPath);
      ASSERT_NE(ledger, nullptr);
      const int32_t tenOClock = 10 * 3'600'000;
      ASSERT_EQ(ledger
                    ->RecordFill(options.tradingDate, number, 0, price, change.quantity, tenOClock,
                                 {options.tradingDate, tenOClock})
                    .quantity,
                change.quantity);
    } else {
      const bool modify = change.action == OtherAction::kModify;
      ASSERT_EQ(other.SendModifyCancel(*book, account.c_str(), TextC(modify ? Txt::kTrdModify : Txt::kTrdCancel),
                                       stock->key.code, change.quantity, modify ? lower : 0, number, &failure),
                1)
          << Cp949ToUtf8(failure);
      amended = other.LastOrderNumber();
    }
  }
  exchange.Advance(0);

  const QListWidget& log = frame.EventLog().OpenList();
  std::vector<std::string> lines;
  for (int row = log.count() - logged - 1; row >= 0; --row) lines.push_back(log.item(row)->text().toStdString());
  const auto line = [&](const char* format, int32_t at) {
    return QStringLiteral("[%1] ").arg(name).toStdString() +
           QString::fromUtf8(format).arg(at).arg(change.quantity).toStdString();
  };
  struct OpenRow {
    int32_t number, price, unfilled;
  };
  const int32_t left = 5 - change.quantity;
  std::vector<OpenRow> expected;
  if (left > 0) expected.push_back({number, price, left});
  switch (change.action) {
    case OtherAction::kModify:
      EXPECT_EQ(lines, (std::vector<std::string>{line("(매수) 정정 명령 접수 [ %1 ]원 [ %2 ]주", lower),
                                                 line("(매수) 정정 명령 확인 [ %1 ]원 [ %2 ]주", lower)}));
      // The new order joins the program's book at its own price.
      expected.push_back({amended, lower, change.quantity});
      EXPECT_EQ(BidShown(table, lower), othersLower + change.quantity);
      break;
    case OtherAction::kCancel:
      EXPECT_EQ(lines, (std::vector<std::string>{line("(매수) 취소 명령 접수 [ %1 ]원 [ %2 ]주", price),
                                                 line("(매수) 취소 명령 확인 [ %1 ]원 [ %2 ]주", price)}));
      break;
    case OtherAction::kFill:
      EXPECT_EQ(lines, std::vector<std::string>{line("매수 체결 : [ %1 ]원 [ %2 ]주", price)});
      break;
  }
  EXPECT_EQ(BidShown(table, price), others + left) << "what the other process took leaves the book at once";
  ASSERT_EQ(open.rowCount(), static_cast<int>(expected.size()));
  const auto cell = [&](int row, int column) { return Cell(open, row, column).remove(QLatin1Char(',')); };
  for (const OpenRow& wanted : expected) {
    int row = 0;
    while (row < open.rowCount() && cell(row, 0) != QString::number(wanted.number)) ++row;
    ASSERT_LT(row, open.rowCount()) << wanted.number;
    EXPECT_EQ(cell(row, 2), QString::number(wanted.price));
    EXPECT_EQ(cell(row, 3), QString::number(wanted.unfilled));
  }
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

INSTANTIATE_TEST_SUITE_P(Changes, AnotherProcessOnTheAccount,
                         ::testing::Values(OtherProcessCase{"ModifyPart", OtherAction::kModify, 2},
                                           OtherProcessCase{"ModifyAll", OtherAction::kModify, 5},
                                           OtherProcessCase{"CancelPart", OtherAction::kCancel, 2},
                                           OtherProcessCase{"CancelAll", OtherAction::kCancel, 5},
                                           OtherProcessCase{"FillPart", OtherAction::kFill, 2},
                                           OtherProcessCase{"FillAll", OtherAction::kFill, 5}),
                         [](const auto& row) { return std::string(row.param.name); });

// The mini order window has no event log of its own, yet a fill sent from elsewhere (another window,
// the command line) shows in it at once: the total deposit on buy, the holding and its profit on sell.
TEST(OrderOnTheExchange, TheMiniWindowFollowsAFillWithoutAsking) {
  ProgramOnExchange program(OpenMarket());
  auto& [settings, recording, exchange, server, gate, book, session] = program;
  ASSERT_NE(book, nullptr);
  CTrdDlg window(book.get(), session);
  window.show();
  CTrdBuyTbl& form = window.Form();
  Click(Button(form, 1428));
  EXPECT_EQ(Button(form, 1428).text(), QString::fromUtf8("로그인됨"));
  Click(Button(form, 1423));
  QTableWidget& account = List(form, 1422);
  EXPECT_EQ(Cell(account, 2, 1), QStringLiteral("100,000,000"));

  ASSERT_EQ(gate.TradeLogin(), 1);
  std::string number;
  ASSERT_EQ(gate.AccountNumberText(&number), 1);
  const CodeInfo* stock = FirstCommonShare(*book);
  ASSERT_NE(stock, nullptr);
  // A market buy fills at once against the asks: its notices arrive before the order call returns.
  const auto buyTen = [&] {
    std::string failure;
    ASSERT_EQ(program.gate.SendOrder(*program.book, number.c_str(), kOrderSideBuy, stock->key.code, kOrderTypeMarket, 0,
                                     10, &failure),
              1);
  };
  buyTen();
  TradeAbleInfo cash{};
  ASSERT_EQ(gate.BuyableAmount(number.c_str(), "", kOrderTypeLimit, 0, &cash), 1);
  ASSERT_LT(cash.totalDeposit, 100'000'000);
  EXPECT_EQ(Cell(account, 2, 1).toStdString(), FormatNumber(cash.totalDeposit));

  Click(Radio(form, 1464));
  buyTen();
  std::unique_ptr<TrdRunList> held = gate.DownloadHoldings(number.c_str());
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(gate.RefreshHoldingPrices(held.get()), 1);
  QTableWidget& holdings = List(form, 1468);
  ASSERT_EQ(holdings.rowCount(), 1);
  EXPECT_EQ(Cell(holdings, 0, 1), QStringLiteral("20"));
  // Selling there: the commission and tax come off the value, each rounded down; the cost to the won.
  const int64_t value = int64_t{20} * held->First()->current.close;
  const int64_t profit =
      value - value * 150 / 1'000'000 - value * 2000 / 1'000'000 - std::llround(20 * held->First()->costPerShare);
  EXPECT_EQ(Cell(holdings, 0, 3).toStdString(), FormatNumber(profit));
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
