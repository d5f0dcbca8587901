// The order event log and the quote-click order window: one stock across the panels, a clicked
// quote becoming the order price, a log line per order event and the form's refresh on a fill.
#include <gtest/gtest.h>

#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <tuple>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "app/contbl.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"
#include "app/trdeventtbl.h"
#include "app/workwindows.h"
#include "basesrc/coninfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowfxin.h"
#include "basesrc/numberformat.h"
#include "basesrc/trdevent.h"
#include "tests/gui_trading/trading_fixture.h"
#include "tests/support/palette.h"

namespace ostrada {
namespace {

using namespace ostrada::testing;

// Takes every order event it is sent, as the enclosing window does.
class EventParent : public QWidget {
 public:
  bool event(QEvent* event) override {
    if (auto* sent = AsWindowMessage(event, WM_ORDER_EVENT)) {
      const std::unique_ptr<OrderEvent> record(reinterpret_cast<OrderEvent*>(sent->LParam()));
      kinds.push_back(record->kind);
      sent->SetResult(1);
      return true;
    }
    return QWidget::event(event);
  }
  std::vector<std::string> kinds;
};

ScriptedOrderEvent Event(const char* stockUtf8, const char* kind, const char* side, const char* flag, int32_t price,
                         int32_t quantity) {
  ScriptedOrderEvent event;
  event.stock = Utf8ToCp949(stockUtf8);
  event.kind = kind;
  event.side = side;
  event.modifyCancel = flag;
  event.price = price;
  event.quantity = quantity;
  return event;
}

class EventLog : public TradingBench {};

TEST_F(EventLog, EachEventIsALineAtTheTopAndTheParentGetsItsCopy) {
  EventParent parent;
  auto* log = new CTrdEventTbl(&parent);
  ASSERT_NE(server_.events, nullptr);
  EXPECT_EQ(server_.events->sinks.size(), 1u);
  server_.events->Fire(Event("삼성", "1", "1", "1", 12000, 10));
  EXPECT_EQ(log->DropDown().count(), 0);  // nothing before the window starts its subscription

  log->Start();
  server_.events->Fire(Event("ＡＢＣ전자", "1", "1", "1", 12000, 10));
  server_.events->Fire(Event("삼성", "3", "2", "1", 9000, 5));
  server_.events->Fire(Event("삼성", "4", "", "3", 8000, 20));
  QComboBox& dropDown = log->DropDown();
  QListWidget& list = log->OpenList();
  ASSERT_EQ(dropDown.count(), 3);
  ASSERT_EQ(list.count(), 3);
  EXPECT_EQ(dropDown.itemText(2).toStdString(), "[ABC전자] 매도 체결 : [ 12000 ]원 [ 10 ]주");
  EXPECT_EQ(dropDown.itemText(1).toStdString(), "[삼성] (매수) 거부 [ 9000 ]원[ 5 ]주");
  EXPECT_EQ(dropDown.itemText(0).toStdString(), "[삼성] (정정) 취소 명령 접수 [ 8000 ]원 [ 20 ]주");
  EXPECT_EQ(dropDown.currentIndex(), 0);
  EXPECT_EQ(list.currentRow(), 0);
  EXPECT_EQ(list.item(0)->text(), dropDown.itemText(0));
  EXPECT_TRUE(dropDown.isVisibleTo(log));
  EXPECT_FALSE(list.isVisibleTo(log));
  EXPECT_EQ(parent.kinds, (std::vector<std::string>{"1", "3", "4"}));
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();

  // A confirmation of an ordinary order is a fault: no line, nothing sent.
  server_.events->Fire(Event("삼성", "2", "2", "1", 9000, 5));
  EXPECT_EQ(dropDown.count(), 3);
  EXPECT_EQ(parent.kinds.size(), 3u);
  EXPECT_EQ(recording_.sink.messages.size(), 1u);

  delete log;
  EXPECT_FALSE(server_.events->subscribed);
  EXPECT_TRUE(server_.events->sinks.empty());
}

class QuoteClickWindow : public TradingBench {
 protected:
  QuoteClickWindow() : window_(book_.get(), session_), frame_(window_.Frame()), form_(frame_.Form()) { window_.show(); }

  CTrdCallDlg window_;
  CTrdBuyCallFrm& frame_;
  CTrdBuyTbl& form_;
};

TEST_F(QuoteClickWindow, ThePanelsSitSideBySideAndTheLogListens) {
  EXPECT_EQ(window_.windowTitle(), QString::fromUtf8("호가+체결 주문창"));
  ASSERT_NE(frame_.Contracts(), nullptr);
  EXPECT_EQ(frame_.Quote().Table().Levels(), 5);
  EXPECT_TRUE(server_.events->subscribed);
  const QWidget* panels[] = {&form_, &frame_.Quote(), frame_.Contracts(), &frame_.EventLog()};
  for (const QWidget* panel : panels) {
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(frame_.rect().contains(panel->geometry())) << panel->objectName().toStdString();
    for (const QWidget* other : panels) {
      if (other != panel) {
        EXPECT_FALSE(panel->geometry().intersects(other->geometry()));
      }
    }
  }
  EXPECT_LE(frame_.Quote().geometry().bottom(), frame_.Contracts()->geometry().top());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteClickWindow, OneStockAcrossThePanelsAndAClickedAskBecomesThePrice) {
  AnswerFinder(FromCp949(NameOf(4)));
  Click(Button(form_, 9034));
  EXPECT_EQ(frame_.Quote().Code(), CodeOf(4));
  EXPECT_EQ(frame_.Quote().Name(), NameOf(4));
  EXPECT_EQ(frame_.Contracts()->Code(), CodeOf(4));

  AnswerFinder(FromCp949(NameOf(9)));
  Click(Button(frame_.Quote(), 9034));
  EXPECT_EQ(form_.Code(), CodeOf(9));
  EXPECT_EQ(frame_.Contracts()->Code(), CodeOf(9));

  CCallTbl& table = frame_.Quote().Table();
  const int32_t bestAsk = table.Current().levels[0].sellPrice;
  ASSERT_GT(bestAsk, 0);
  // Prices above the previous close are red, below it blue.
  NowPrice now{};
  StocGate gate;
  ASSERT_EQ(gate.FetchNowPrice(&now, CodeOf(9).c_str()), 1);
  const int32_t previousClose = now.bar.close - now.bar.change;
  for (int level = 0; level < table.Levels(); ++level) {
    for (const auto& [model, row, price] :
         {std::tuple{&table.UpperModel(), table.Levels() - level, table.Current().levels[level].sellPrice},
          std::tuple{&table.LowerModel(), level, table.Current().levels[level].buyPrice}}) {
      const QColor expected = price > previousClose   ? testing::kRiseRed
                              : price < previousClose ? testing::kFallBlue
                                                      : QColor();
      EXPECT_EQ(model->CellColour(row, 1), expected) << price << " against " << previousClose;
    }
  }
  ClickRow(table.UpperList(), table.Levels());  // the bottom row of the ask side
  EXPECT_EQ(Edit(form_, 1421).text(), QString::number(bestAsk));

  // A live contract of the day forwarded by the feed reaches the contract list.
  const int rows = frame_.Contracts()->Model().rowCount();
  ContractRecord record{};
  record.timeHHMMSS = 100000;
  record.price = bestAsk;
  record.change = bestAsk - previousClose;
  record.volume = now.bar.volume + 3;
  record.tickVolume = 3;
  record.phase = '2';
  auto tape = std::make_unique<ContractTape>();
  ASSERT_EQ(tape->Create(CodeOf(9).c_str(), NameOf(9).c_str(), record), 1);
  EXPECT_EQ(SendWindowMessage(&frame_, WM_CONTRACT_FORWARD, 1, reinterpret_cast<intptr_t>(tape.release())), 1);
  EXPECT_EQ(frame_.Contracts()->Model().rowCount(), rows + 1);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// The quote panel's last price follows the trades that the contract list below it shows.
TEST_F(QuoteClickWindow, TheQuotePanelsPriceFollowsTheContractsBelowIt) {
  AnswerFinder(FromCp949(NameOf(9)));
  Click(Button(form_, 9034));
  const QString fetched = Child<QLabel>(frame_.Quote(), QStringLiteral("static9029")).text();
  ContractListModel& list = frame_.Contracts()->Model();
  int moved = 0;
  for (int minute = 0; minute < 30; ++minute) {
    exchange_.Advance(60'000);
    if (list.rowCount() == 0) continue;
    NowPrice now{};
    ASSERT_EQ(StocGate().FetchNowPrice(&now, CodeOf(9).c_str()), 1);
    const QString shown = Child<QLabel>(frame_.Quote(), QStringLiteral("static9029")).text();
    EXPECT_EQ(shown.toStdString(), list.CellText(0, ContractListModel::kPrice)) << minute;
    EXPECT_EQ(shown.toStdString(), FormatNumber(int64_t{now.bar.close})) << minute;
    moved += shown != fetched ? 1 : 0;
  }
  EXPECT_GT(moved, 0) << "the price must move for the test to mean anything";
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteClickWindow, EachOrderEventFromElsewhereRefreshesTheForm) {
  Click(Button(form_, 1428));
  Trading().holdings = {{NameOf(1), CodeOf(1), 10, 5000, 5000}};
  Click(Radio(form_, 1464));
  EXPECT_EQ(Trading().downloads, 1);
  // An order another window or a command line sent: a buy's acceptance already holds its cash back.
  server_.events->Fire(Event("종목", "4", "1", "1", 5000, 10));
  EXPECT_EQ(Trading().downloads, 2);
  server_.events->Fire(Event("종목", "1", "1", "1", 5000, 10));
  EXPECT_EQ(Trading().downloads, 3);
  server_.events->Fire(Event("종목", "2", "1", "2", 5000, 10));
  EXPECT_EQ(Trading().downloads, 4);
  EXPECT_EQ(frame_.EventLog().DropDown().count(), 3);

  // A market buy's rejected remainder gives its held cash back: the buying power is asked again.
  Click(Radio(form_, 1463));
  const int queries = Trading().buyableQueries;
  server_.events->Fire(Event("종목", "3", "2", "1", 0, 70));
  EXPECT_EQ(Trading().buyableQueries, queries + 1);
  EXPECT_EQ(frame_.EventLog().DropDown().count(), 4);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteClickWindow, EventsBeforeTheLoginOnlyWriteTheirLines) {
  // Orders sent from elsewhere (another window, a script) report here too, logged in or not.
  for (const char* kind : {"1", "2", "3"}) server_.events->Fire(Event("종목", kind, "2", "2", 5000, 10));
  EXPECT_EQ(frame_.EventLog().DropDown().count(), 3);
  EXPECT_EQ(Trading().buyableQueries, 0);
  // Nobody asked for a refresh, so nobody is told to log in first.
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST(OrderCommands, TheMenuOpensBothOrderWindows) {
  RecordingScope recording;
  StartOptions options;
  options.exchange.stocks = 30;
  CostradaApp app(options);
  ASSERT_EQ(app.InitInstance(), 1);
  std::vector<std::string> captions;
  for (const auto& [id, name] : {std::pair{kCmdOrder, "dialog145"}, std::pair{kCmdQuoteOrder, "dialog151"}}) {
    QAction* command = app.MainFrame()->findChild<QAction*>(QStringLiteral("action%1").arg(id));
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(command->isEnabled()) << id;
    // The window opens beside the frame and the command returns at once.
    command->trigger();
    QWidget* window = ShownWindow(QString::fromLatin1(name));
    ASSERT_NE(window, nullptr) << name;
    captions.push_back(window->windowTitle().toStdString());
    window->close();
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"미니주문", "호가+체결 주문창"}));
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

// A stray Esc must not throw an order window's log and entries away: it asks, and only a yes closes.
TEST_F(QuoteClickWindow, EscapeAsksBeforeAnOrderWindowCloses) {
  CTrdDlg mini(book_.get(), session_);
  for (QDialog* window : {static_cast<QDialog*>(&mini), static_cast<QDialog*>(&window_)}) {
    window->show();
    recording_.sink.Clear();
    recording_.sink.answers = {kIdNo};
    PressKey(*window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible()) << window->objectName().toStdString();
    ASSERT_EQ(recording_.sink.messages.size(), 1u);
    EXPECT_EQ(recording_.sink.messages[0].style & kMbYesNo, unsigned{kMbYesNo});
    recording_.sink.answers = {kIdYes};
    PressKey(*window, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible()) << window->objectName().toStdString();
  }
}

}  // namespace
}  // namespace ostrada
