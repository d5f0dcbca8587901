// The quote window as a trader lives in it: a header that follows the trades, a picked price that
// stays marked where it goes, a name typed into the stock box, and Escape after a message.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <cstdio>
#include <memory>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "app/confrm.h"
#include "app/contbl.h"
#include "app/qtext.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"
#include "basesrc/nowfxin.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_service.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_quote/quote_feed.h"
#include "tests/support/palette.h"
#include "tests/support/recording_sink.h"
#include "tests/support/served_exchange.h"

namespace ostrada {
namespace {

using testing::QuoteFeed;
using testing::RecordingScope;

QString Label(QWidget& root, const char* name) {
  auto* label = root.findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text() : QStringLiteral("<missing>");
}

QString Grouped(int64_t value) {
  return QString::fromLatin1(FormatNumber(value));
}

class QuoteLiveOnExchange : public testing::ServedExchangeTest {
 protected:
  // A fixed day, so that what the stock does in its first half hour is the same on every run.
  explicit QuoteLiveOnExchange(int32_t date = 20261208) : ServedExchangeTest(Options(date)) {}
  static sim::ExchangeOptions Options(int32_t date) {
    sim::ExchangeOptions options;
    options.stocks = 40;
    options.tradingDate = date;
    return options;
  }
  static void TypeAndEnter(QComboBox& combo, const QString& text) {
    combo.lineEdit()->clear();
    testing::TypeText(*combo.lineEdit(), text);
    testing::PressKey(*combo.lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
  }
};

TEST_F(QuoteLiveOnExchange, TheHeaderFollowsEveryTradeOfTheStock) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  CConDlg contracts(book_.get());
  const CodeInfo* stock = book_->First();
  ASSERT_EQ(window.Form().SetStock(stock->key.name.get(), {}), 1);
  ASSERT_EQ(contracts.Frame()->SelectStock(stock->key.code, 0), 1);
  ContractListModel& list = contracts.Frame()->Table()->Model();
  int movedPrices = 0;
  for (int minute = 0; minute < 30; ++minute) {
    const int rowsBefore = list.rowCount();
    exchange_.Advance(60'000);
    if (list.rowCount() == rowsBefore) continue;
    // The header says what the newest trade says, and what the server's price says at this moment.
    const ContractRow& newest = list.Row(0);
    NowPrice now{};
    ASSERT_EQ(StocGate().FetchNowPrice(&now, stock->key.code), 1);
    EXPECT_EQ(Label(window, "static9029"), Grouped(newest.price)) << minute;
    EXPECT_EQ(Label(window, "static9030"), Grouped(newest.change)) << minute;
    EXPECT_EQ(now.bar.close, newest.price) << minute;
    EXPECT_EQ(Label(window, "static9032"), Grouped(static_cast<uint32_t>(now.bar.volume))) << minute;
    const double previousClose = newest.price - newest.change;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f", newest.change == 0 ? 0.0 : newest.change * 100.0 / previousClose);
    EXPECT_EQ(Label(window, "static9031").toStdString(), rate) << minute;
    if (Label(window, "static9029") != list.CellText(list.rowCount() - 1, ContractListModel::kPrice).c_str()) {
      ++movedPrices;
    }
  }
  EXPECT_GT(movedPrices, 0) << "the price must move for the test to mean anything";
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// The closing auction's contracts are expected prices: the header keeps the last trade, as the
// server's current price does, until the closing contract.
TEST_F(QuoteLiveOnExchange, TheClosingAuctionLeavesTheHeaderOnTheLastTrade) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 1);
  const CodeInfo* stock = book_->First();
  ASSERT_EQ(window.Form().SetStock(stock->key.name.get(), {}), 1);
  exchange_.Advance((5 * 60 + 49) * 60'000);  // 14:49
  for (int minute = 49; minute <= 61; ++minute) {
    NowPrice now{};
    ASSERT_EQ(StocGate().FetchNowPrice(&now, stock->key.code), 1);
    EXPECT_EQ(Label(window, "static9029"), Grouped(now.bar.close)) << "14:" << minute;
    EXPECT_EQ(Label(window, "static9030"), Grouped(now.bar.change)) << "14:" << minute;
    exchange_.Advance(60'000);
  }
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteLiveOnExchange, AListedNameTypedInTheStockBoxPicksIt) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  window.show();
  auto* combo = window.findChild<QComboBox*>("combo9014");
  const CodeInfo* first = book_->GetAt(2);
  const CodeInfo* second = book_->GetAt(6);
  // The box is empty: the window has never shown a stock.
  TypeAndEnter(*combo, FromCp949(first->key.name.get()));
  EXPECT_EQ(window.Form().Code(), first->key.code);
  TypeAndEnter(*combo, FromCp949(second->key.name.get()));
  EXPECT_EQ(window.Form().Code(), second->key.code);
  EXPECT_EQ(Label(window, "static9028"), QString::fromLatin1(second->key.code));
  EXPECT_FALSE(Label(window, "static9029").isEmpty());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  EXPECT_TRUE(window.isVisible()) << "Enter picks the stock and does not press a button";
}

TEST_F(QuoteLiveOnExchange, AnUnlistedNameIsRefusedWithoutHidingTheStockShownAndEscapeStillCloses) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  window.show();
  auto* combo = window.findChild<QComboBox*>("combo9014");
  const CodeInfo* shown = book_->GetAt(4);
  TypeAndEnter(*combo, FromCp949(shown->key.name.get()));
  ASSERT_EQ(window.Form().Code(), shown->key.code);
  const QString price = Label(window, "static9029");

  TypeAndEnter(*combo, QStringLiteral("없는종목"));
  EXPECT_EQ(recording_.sink.Texts(),
            std::vector<std::string>{
                "\"없는종목\"에 맞는 종목이 없습니다. 종목명(일부도 됩니다)이나 6자리 종목코드를 입력하십시오."});
  // The box names the stock whose figures are still shown.
  EXPECT_EQ(combo->currentText(), FromCp949(shown->key.name.get()));
  EXPECT_EQ(window.Form().Code(), shown->key.code);
  EXPECT_EQ(Label(window, "static9029"), price);

  testing::PressKey(*combo->lineEdit(), Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

// A window that shows a new day before its stock has traded: yesterday's close, unchanged, no
// volume, and the server's empty book, not yesterday's figures.
void ExpectTheNewDayUntraded(CCallDlg& window, const std::string& code, int32_t yesterdaysClose, const char* when) {
  NowPrice now{};
  ASSERT_EQ(StocGate().FetchNowPrice(&now, code.c_str()), 1);
  ASSERT_EQ(now.bar.close, yesterdaysClose) << when;
  ASSERT_EQ(now.bar.volume, 0) << when;
  EXPECT_EQ(Label(window, "static9029"), Grouped(yesterdaysClose)) << code << " " << when;
  EXPECT_EQ(Label(window, "static9030"), QStringLiteral("0")) << code << " " << when;
  EXPECT_EQ(Label(window, "static9031"), QStringLiteral("0.00")) << code << " " << when;
  EXPECT_EQ(Label(window, "static9032"), QStringLiteral("0")) << code << " " << when;
  CallInfo book{};
  ASSERT_EQ(StocGate().FetchQuoteBook(code.c_str(), book), 1);
  for (const CallLevel& level : book.levels) ASSERT_EQ(level.sellPrice + level.buyPrice, 0) << when;
  // Every level's rate, price, quantity and change, and both totals (their changes tell how much of
  // yesterday's book went).
  CCallTbl& table = window.Form().Table();
  const int levels = table.Levels();
  for (int level = 0; level < levels; ++level) {
    for (const auto& [model, row] : {std::pair{&table.UpperModel(), levels - level}, std::pair{&table.LowerModel(), level}}) {
      for (int column = 0; column < model->columnCount(); ++column)
        EXPECT_EQ(model->Cell(row, column), QString()) << code << " " << when << " level " << level << " column " << column;
    }
  }
  EXPECT_EQ(table.UpperModel().Cell(0, 2), QString()) << code << " " << when;
  EXPECT_EQ(table.LowerModel().Cell(levels, 2), QString()) << code << " " << when;
}

// Left open overnight, the window starts the next day from yesterday's close: the header shows the
// server's figures before the open (nothing traded yet), and the ladder's rates and colours count
// from yesterday's close, not from the day before's. It does so from the day's start, hours before
// the first expected price, and all day for a stock halted today.
class QuoteLiveOvernight : public QuoteLiveOnExchange {
 protected:
  QuoteLiveOvernight() : QuoteLiveOnExchange(Day().date) {}

  // A trading day of the market, followed at once by the next, on which one stock traded and closed
  // unchanged and another closed off its previous close and is halted all the next day (its code),
  // found from the market itself so that the case follows the market's path.
  struct Overnight {
    int32_t date = 0;
    int32_t next = 0;
    std::string halted;
  };
  static const Overnight& Day() {
    static const Overnight day = Find();
    return day;
  }
  static Overnight Find() {
    const sim::ExchangeOptions options = Options(0);
    const sim::Listing listing = sim::Listing::Build(options.seed, options.stocks);
    sim::Market market(sim::ProfilesOf(listing), options.seed);
    const std::vector<int32_t> days = sim::TradingDaysBefore(20270601, 120);
    for (size_t d = 0; d + 1 < days.size(); ++d) {
      const int32_t date = days[d], next = days[d + 1];
      if (date < 20261208) continue;
      if (sim::KoreanUnixMilliseconds(next, 0) - sim::KoreanUnixMilliseconds(date, 0) != sim::kMillisecondsPerDay) {
        continue;
      }
      market.Sync(date, 16 * sim::kMillisecondsPerHour);
      bool unchanged = false;
      std::vector<int> moved;
      for (int i = 0; i < static_cast<int>(market.Size()); ++i) {
        const sim::DayState state = market.State(i);
        if (state.halted || state.volume == 0) continue;
        if (state.price == state.previousClose)
          unchanged = true;
        else
          moved.push_back(i);
      }
      market.Sync(next, 9 * sim::kMillisecondsPerHour);
      for (const int i : moved) {
        if (unchanged && market.State(i).halted) return {date, next, market.Stock(i).code};
      }
    }
    return {};
  }
};

TEST_F(QuoteLiveOvernight, TheHeaderAndTheLadderCountFromYesterdaysClose) {
  ASSERT_FALSE(Day().halted.empty()) << "no day of the market has the stocks the case needs";
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  CCallDlg unchanged(book_.get(), 1);
  exchange_.Advance(6 * 3'600'000 + 600'000);  // 15:10, after the close
  // A stock that closed off its previous close, so that the two days' references differ, and one
  // that traded and closed on it.
  const CodeInfo* stock = nullptr;
  NowPrice now{};
  for (const CodeInfo* listed = book_->First(); listed != nullptr; listed = listed->next) {
    NowPrice seen{};
    ASSERT_EQ(StocGate().FetchNowPrice(&seen, listed->key.code), 1);
    if (seen.bar.change != 0 && stock == nullptr) {
      stock = listed;
      now = seen;
    } else if (seen.bar.change == 0 && seen.bar.volume > 0 && unchanged.Form().Code().empty()) {
      ASSERT_EQ(unchanged.Form().SetStock(listed->key.name.get(), {}), 1);
    }
  }
  ASSERT_NE(stock, nullptr);
  ASSERT_FALSE(unchanged.Form().Code().empty());
  ASSERT_NE(Label(unchanged, "static9032"), QStringLiteral("0"));
  ASSERT_EQ(window.Form().SetStock(stock->key.name.get(), {}), 1);
  const int32_t yesterdaysClose = now.bar.close;
  // The listing's stock that trades today and is halted all the next day.
  CCallDlg halted(book_.get(), 0);
  const CodeInfo* haltedStock = book_->FindByCode(Day().halted.c_str());
  ASSERT_NE(haltedStock, nullptr);
  ASSERT_EQ(halted.Form().SetStock(haltedStock->key.name.get(), {}), 1);
  NowPrice haltedNow{};
  ASSERT_EQ(StocGate().FetchNowPrice(&haltedNow, Day().halted.c_str()), 1);
  ASSERT_GT(haltedNow.bar.volume, 0);
  ASSERT_NE(haltedNow.bar.change, 0) << "its last day must differ from an untraded one";
  const int32_t haltedClose = haltedNow.bar.close;
  const auto advanceMinutes = [this](int minutes) {
    for (int m = 0; m < minutes; ++m) exchange_.Advance(60'000);
  };
  advanceMinutes(15 * 60 + 50);  // 07:00 the next day: nothing traded or quoted before the pre-open
  ASSERT_EQ(exchange_.Clock().Date(), Day().next);
  ExpectTheNewDayUntraded(window, stock->key.code, yesterdaysClose, "07:00");
  ExpectTheNewDayUntraded(halted, halted.Form().Code(), haltedClose, "07:00");

  advanceMinutes(90);  // 08:30, in the pre-open auction
  EXPECT_EQ(Label(window, "static9029"), Grouped(yesterdaysClose));
  EXPECT_EQ(Label(window, "static9030"), QStringLiteral("0"));
  EXPECT_EQ(Label(window, "static9031"), QStringLiteral("0.00"));
  EXPECT_EQ(Label(window, "static9032"), QStringLiteral("0")) << "nothing has traded today yet";
  EXPECT_EQ(Label(unchanged, "static9032"), QStringLiteral("0")) << "nor in the stock that closed unchanged";

  advanceMinutes(90);  // 10:00
  ASSERT_EQ(StocGate().FetchNowPrice(&now, stock->key.code), 1);
  ASSERT_EQ(now.bar.close - now.bar.change, yesterdaysClose);
  int levels = 0;
  for (QuoteLadderModel* model : {&window.Form().Table().UpperModel(), &window.Form().Table().LowerModel()}) {
    for (int row = 0; row < model->rowCount(); ++row) {
      const QString price = model->Cell(row, 1);
      if (price.isEmpty()) continue;
      const int32_t level = QString(price).remove(QLatin1Char(',')).toInt();
      const double rate = (level - yesterdaysClose) * 100.0 / yesterdaysClose;
      EXPECT_NEAR(model->Cell(row, 0).trimmed().toDouble(), rate, 0.006) << level;
      const QColor colour = level > yesterdaysClose   ? testing::kRiseRed
                            : level < yesterdaysClose ? testing::kFallBlue
                                                      : QColor();
      EXPECT_EQ(model->CellColour(row, 0), colour) << level;
      ++levels;
    }
  }
  EXPECT_EQ(levels, 20);
  // A stock halted today has no record all day: it stands where the day started.
  ASSERT_EQ(StocGate().StockState(halted.Form().Code().c_str()).value().ToI4(), 2) << "halted today";
  ExpectTheNewDayUntraded(halted, halted.Form().Code(), haltedClose, "10:00");
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// Counts the prices the table picks.
class PickCounter : public QWidget {
 public:
  bool event(QEvent* event) override {
    if (AsWindowMessage(event, WM_PRICE_PICKED) != nullptr) {
      ++picks;
      return true;
    }
    return QWidget::event(event);
  }
  int picks = 0;
};

class PickedPriceOnFeed : public ::testing::Test {
 protected:
  PickedPriceOnFeed() : server_(feed_) {
    SetCallCode(feed_.book, "005930");
    Lay(50000);
  }
  // The 10-level table on the stock, shown.
  void SetUp() override {
    table_.SetReferencePrice(50000);
    ASSERT_EQ(table_.SetStock("005930"), 1);
    table_.show();
  }
  // The best ask at `bestAsk`, the best bid a tick below, ten levels each a tick apart.
  void Lay(int32_t bestAsk) {
    for (int i = 0; i < kCallLevels; ++i) {
      feed_.book.levels[i] = {bestAsk + 100 * i, bestAsk - 100 - 100 * i, 10 + i, 20 + i, 0, 0};
    }
  }
  // The book moves to the best ask, and the feed tells it.
  void Move(int32_t bestAsk) {
    Lay(bestAsk);
    feed_.Raise();
  }
  static int SelectedRow(QTableView& list) {
    const QModelIndexList rows = list.selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : rows.isEmpty() ? -1 : -2;
  }

  RecordingScope recording_;
  QuoteFeed feed_;
  broker::ScopedServer server_;
  PickCounter parent_;
  CCallTbl table_{0, 1, &parent_};
};

TEST_F(PickedPriceOnFeed, APickedPriceStaysMarkedByItsPriceAsTheBookMoves) {
  // The user clicks the third bid, 49,700 (row 2 of the lower list).
  testing::ClickRow(table_.LowerList(), 2);
  ASSERT_EQ(parent_.picks, 1);
  ASSERT_EQ(table_.PickedPrice(), 49700);
  EXPECT_EQ(SelectedRow(table_.LowerList()), 2);

  // The book moves up two ticks: 49,700 is now the fifth bid (row 4).
  Move(50200);
  EXPECT_EQ(SelectedRow(table_.LowerList()), 4);
  EXPECT_EQ(SelectedRow(table_.UpperList()), -1);
  // It moves down five ticks: 49,700 is now an ask, the third (upper row 10 - 2 = 8).
  Move(49500);
  EXPECT_EQ(SelectedRow(table_.UpperList()), 8);
  EXPECT_EQ(SelectedRow(table_.LowerList()), -1);
  // Far above, the price leaves the shown book, and no row is marked.
  Move(52000);
  EXPECT_EQ(SelectedRow(table_.UpperList()), -1);
  EXPECT_EQ(SelectedRow(table_.LowerList()), -1);
  // Moving the mark picks nothing: the order price changes only on a click.
  EXPECT_EQ(parent_.picks, 1);
  EXPECT_EQ(table_.PickedPrice(), 49700);

  // Back in the book it is marked again; a click on an ask lets go of the bid's mark.
  Move(50000);
  EXPECT_EQ(SelectedRow(table_.LowerList()), 2);
  testing::ClickRow(table_.UpperList(), 10);
  EXPECT_EQ(table_.PickedPrice(), 50000);
  EXPECT_EQ(SelectedRow(table_.LowerList()), -1);
  EXPECT_EQ(parent_.picks, 2);
}

TEST_F(PickedPriceOnFeed, ANewStockForgetsThePickedPrice) {
  testing::ClickRow(table_.LowerList(), 1);
  ASSERT_EQ(table_.PickedPrice(), 49800);
  SetCallCode(feed_.book, "000660");
  ASSERT_EQ(table_.SetStock("000660"), 1);
  EXPECT_EQ(table_.PickedPrice(), 0);
  EXPECT_EQ(SelectedRow(table_.LowerList()), -1);
}

}  // namespace
}  // namespace ostrada
