// The chart window driven as a user drives it: a code typed with Enter, the kind buttons, the wheel,
// a drag and the mouse over a bar; today's bar checked against the server's own daily bar.
#include "app/chartwnd.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <chrono>
#include <set>

#include "app/chartview.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "app/windowmessages.h"
#include "app/workwindows.h"
#include "basesrc/coninfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/priceinfo.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_chart/chart_fixture.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

using testing::PressKey;
using testing::TypeText;

// "12,345": digits grouped by three.
QString Grouped(int64_t value) {
  QString digits = QString::number(value);
  for (qsizetype at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
  return digits;
}

bool Reddish(QColor c) {
  return c.red() > 150 && c.blue() < 120 && c.green() < 120;
}
bool Bluish(QColor c) {
  return c.blue() > 150 && c.red() < 120;
}

// How many pixels of the rectangle are reddish and how many bluish.
std::pair<int, int> RedAndBlue(const QImage& image, QRect area) {
  int red = 0, blue = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      red += Reddish(c) ? 1 : 0;
      blue += Bluish(c) ? 1 : 0;
    }
  return {red, blue};
}

class ChartWindow : public testing::ExchangeFixture {
 protected:
  // Types the text into the stock box and presses Enter.
  void Enter(CChartWnd& window, const QString& text) {
    auto* box = window.findChild<QLineEdit*>("chartStock");
    box->clear();
    TypeText(*box, text);
    PressKey(*box, Qt::Key_Return);
  }
  // The first stock of the book whose contracts reach the window within a minute, shown.
  std::string LiveCode(CChartWnd& window) {
    for (const CodeInfo* stock = book_->First(); stock != nullptr; stock = stock->next) {
      window.showStock(QString::fromLatin1(stock->key.code));
      const int64_t before = window.Data().bars.empty() ? -1 : window.Data().bars.back().volume;
      exchange_.Advance(60'000);
      if (!window.Data().bars.empty() && window.Data().bars.back().volume != before) return stock->key.code;
    }
    return {};
  }
  // The newest daily bar the server gives now.
  DayBar ServerNewest(const std::string& code) {
    StocGate gate;
    std::unique_ptr<DaySeries> days = gate.DownloadBarsNew(code.c_str(), "x", 1, 1, 'D', 0, 0, 0);
    EXPECT_NE(days, nullptr);
    return days != nullptr && days->Newest() != nullptr ? *days->Newest() : DayBar{};
  }
};

TEST_F(ChartWindow, TodaysBarFollowsTheContractsAndEveryLineStartsAtTheLeftEdge) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  std::vector<QString> chosen;
  QObject::connect(&window.Picks(), &StockPicks::stockPicked, [&](const QString& code) { chosen.push_back(code); });
  const CodeInfo& first = *book_->First();
  Enter(window, FromCp949(first.key.name.get()));  // a name is taken as well as a code
  EXPECT_EQ(window.Code(), first.key.code);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], QString::fromLatin1(first.key.code));

  const std::string code = LiveCode(window);
  ASSERT_FALSE(code.empty());
  for (int minute = 0; minute < 10; ++minute) exchange_.Advance(60'000);
  const chart::ChartData& data = window.Data();
  ASSERT_GT(data.bars.size(), 500u);
  const chart::Bar& today = data.bars.back();
  const DayBar server = ServerNewest(code);
  EXPECT_EQ(today.date, TodayYYYYMMDD());
  EXPECT_EQ(today.date, server.Key());
  EXPECT_EQ(today.open, server.price.open);
  EXPECT_EQ(today.high, server.price.high);
  EXPECT_EQ(today.low, server.price.low);
  EXPECT_EQ(today.close, server.price.close);
  EXPECT_EQ(today.volume, static_cast<uint32_t>(server.price.volume));

  // The newest 120 bars shown; the 120-bar line already has a value at the first of them.
  const chart::ChartLayout layout = window.View().Layout();
  EXPECT_EQ(layout.view.count, CChartView::kInitialBars);
  EXPECT_EQ(layout.view.first + layout.view.count, static_cast<int>(data.bars.size()));
  for (const chart::AverageLine& line : layout.lines) EXPECT_EQ(line.points.size(), 120u) << line.length;
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(ChartWindow, WheelZoomsAroundTheMouseDragScrollsAndTheCrosshairReadsTheBar) {
  CChartWnd window(book_.get(), indexes_);
  window.resize(1000, 640);
  window.show();
  window.showStock(QString::fromLatin1(book_->First()->key.code));
  CChartView& view = window.View();
  const chart::ChartLayout before = view.Layout();
  const int total = static_cast<int>(window.Data().bars.size());
  ASSERT_EQ(before.view.count, 120);

  const int anchor = before.view.first + 30;
  const QPointF at(before.X(anchor), before.price.top + 50);
  testing::Wheel(view, at, 60);  // half a notch of a touchpad: nothing yet
  EXPECT_EQ(view.View().count, 120);
  testing::Wheel(view, at, 60);
  const chart::ChartLayout zoomed = view.Layout();
  EXPECT_EQ(zoomed.view.count, 96);  // a fifth fewer bars a notch
  EXPECT_NEAR(chart::BarAt(zoomed, at.x()), anchor, 1);
  testing::Wheel(view, at, -120);
  EXPECT_EQ(view.View().count, 121);  // 96 / 0.8 + 1, rounded

  // Dragging ten bars' width to the right brings ten older bars in; dragging past the start stops.
  const chart::ChartLayout shown = view.Layout();
  testing::Drag(view, QPointF(300, 200), QPointF(300 + 10 * shown.pitch, 200));
  EXPECT_EQ(view.View().first, shown.view.first - 10);
  testing::Drag(view, QPointF(100, 200), QPointF(100 + total * shown.pitch, 200));
  EXPECT_EQ(view.View().first, 0);
  testing::Drag(view, QPointF(900, 200), QPointF(900 - 2 * total * shown.pitch, 200));
  EXPECT_EQ(view.View().first + view.View().count, total);

  const chart::ChartLayout now = view.Layout();
  const int bar = now.view.first + now.view.count - 20;
  testing::MoveMouse(view, QPointF(now.X(bar), now.price.top + 80));
  EXPECT_EQ(view.CrosshairBar(), bar);
  const chart::BarReadout readout = chart::ReadOut(window.Data(), bar);
  const chart::Bar& read = window.Data().bars[static_cast<size_t>(bar)];
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", read.date / 10000, read.date / 100 % 100, read.date % 100);
  EXPECT_EQ(readout.date, date);
  const QStringList rows = CrosshairRows(readout);
  ASSERT_EQ(rows.size(), 10);
  EXPECT_EQ(rows[1], QStringLiteral("시가  ") + Grouped(read.open));
  EXPECT_EQ(rows[2], QStringLiteral("고가  ") + Grouped(read.high));
  EXPECT_EQ(rows[3], QStringLiteral("저가  ") + Grouped(read.low));
  EXPECT_EQ(rows[4], QStringLiteral("종가  ") + Grouped(read.close));
  EXPECT_EQ(rows[5], QStringLiteral("거래량  ") + Grouped(read.volume));
  EXPECT_TRUE(rows[6].startsWith(QStringLiteral("5  "))) << rows[6].toStdString();
  EXPECT_TRUE(rows[9].startsWith(QStringLiteral("120  "))) << rows[9].toStdString();
  testing::RenderToPng(window, "chart_window.png");
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(ChartWindow, WeeklyMonthlyMinuteAndIndexCharts) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  const std::string code = book_->First()->key.code;
  window.showStock(QString::fromLatin1(code.c_str()));
  const size_t days = window.Data().bars.size();

  window.findChild<QPushButton*>("chartKindW")->click();
  EXPECT_EQ(window.Kind(), 'W');
  std::set<int32_t> mondays;
  for (const chart::Bar& bar : window.Data().bars) {
    ASSERT_TRUE(bar.date > 20200000);
    mondays.insert(bar.date);
  }
  EXPECT_EQ(mondays.size(), window.Data().bars.size());
  EXPECT_GT(window.Data().bars.size(), days / 6);
  EXPECT_LT(window.Data().bars.size(), days / 4);

  window.findChild<QPushButton*>("chartKindM")->click();
  EXPECT_EQ(window.Data().kind, 'M');
  for (size_t k = 1; k < window.Data().bars.size(); ++k)
    EXPECT_NE(window.Data().bars[k].date / 100, window.Data().bars[k - 1].date / 100);

  for (int minute = 0; minute < 40; ++minute) exchange_.Advance(60'000);
  auto* intervals = window.findChild<QComboBox*>("chartInterval");
  window.findChild<QPushButton*>("chartKindB")->click();
  ASSERT_EQ(intervals->currentData().toInt(), 5);
  PressKey(*intervals, Qt::Key_Down);  // the next interval, 10 minutes
  EXPECT_EQ(window.MinuteInterval(), 10);
  EXPECT_EQ(window.Data().kind, 'B');
  ASSERT_FALSE(window.Data().bars.empty());
  for (const chart::Bar& bar : window.Data().bars) EXPECT_EQ(bar.time % 10, 0) << bar.time;
  EXPECT_EQ(window.Data().bars.back().date, TodayYYYYMMDD());
  // Live contracts start bars of the chosen interval as well.
  ASSERT_FALSE(LiveCode(window).empty());
  for (int minute = 0; minute < 3; ++minute) exchange_.Advance(60'000);
  for (const chart::Bar& bar : window.Data().bars) EXPECT_EQ(bar.time % 10, 0) << bar.time;

  window.findChild<QPushButton*>("chartKindD")->click();
  window.showStock(QStringLiteral("U001"));
  EXPECT_TRUE(window.Data().hundredths);
  EXPECT_GT(window.Data().bars.size(), 500u);
  // An index has no contracts: its newest bar is asked again, and moves as the server's does.
  const size_t indexBars = window.Data().bars.size();
  for (int minute = 0; minute < 5; ++minute) exchange_.Advance(60'000);
  indexes_.Refresh();
  StocGate gate;
  std::unique_ptr<DaySeries> index = gate.DownloadBarsNew("U001", "x", 1, 1, 'D', 0, 0, 1);
  ASSERT_NE(index, nullptr);
  EXPECT_EQ(window.Data().bars.size(), indexBars);
  EXPECT_EQ(window.Data().bars.back().date, index->Newest()->Key());
  EXPECT_EQ(window.Data().bars.back().close, index->Newest()->price.close);
  EXPECT_EQ(window.Data().bars.back().high, index->Newest()->price.high);
  EXPECT_EQ(window.Data().bars.back().volume, static_cast<uint32_t>(index->Newest()->price.volume));
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// The chart in the workspace, through its StockWindow contract and one link.
TEST_F(ChartWindow, AnUnlinkedWindowNeitherTellsNorFollowsALinkedOneTellsTheFindersChoice) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  StockLink link;
  new WorkWindow(window, window, kCmdChart, link);
  std::vector<QString> chosen;
  QObject::connect(&link, &StockLink::stockChosen, [&](const QString& code, const QObject*) { chosen.push_back(code); });
  const CodeInfo* a = book_->First();
  const CodeInfo* b = a->next;
  const QObject elsewhere;
  link.Choose(QString::fromLatin1(a->key.code), &elsewhere);  // linked by default
  chosen.clear();
  EXPECT_EQ(window.Code(), a->key.code);
  window.findChild<QAbstractButton*>("chartLink")->click();
  EXPECT_FALSE(window.IsLinked());
  link.Choose(QString::fromLatin1(b->key.code), &elsewhere);
  chosen.clear();
  EXPECT_EQ(window.Code(), a->key.code);
  Enter(window, QString::fromLatin1(b->key.code));  // the user's own choice still counts here
  EXPECT_EQ(window.Code(), b->key.code);
  EXPECT_TRUE(chosen.empty());

  // Linked again, the finder's choice is shown and told.
  window.findChild<QAbstractButton*>("chartLink")->click();
  const CodeInfo* c = b->next;
  testing::WhenShown("dialog135", [&](QWidget& finder) {
    TypeText(*finder.findChild<SimpleComboBox*>("combo1179")->Edit(), FromCp949(c->key.name.get()));
    finder.findChild<QPushButton*>("button1")->click();
  });
  window.findChild<QPushButton*>("chartFind")->click();
  EXPECT_EQ(window.Code(), c->key.code);
  EXPECT_EQ(chosen, std::vector<QString>{QString::fromLatin1(c->key.code)});
}

TEST_F(ChartWindow, ContractsOutsideTheRegularSessionLeaveTodaysBarAlone) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  const std::string code = book_->First()->key.code;
  window.showStock(QString::fromLatin1(code.c_str()));
  ASSERT_FALSE(window.Data().bars.empty());
  const chart::Bar before = window.Data().bars.back();
  const size_t bars = window.Data().bars.size();
  auto forward = [&](char phase) {
    auto tape = std::make_unique<ContractTape>();
    ASSERT_TRUE(tape->Create(code.c_str(), "x"));
    ContractRecord record{};
    record.timeHHMM = 1535;
    record.timeHHMMSS = 153500;
    record.price = before.high + 1000;
    record.tickVolume = 5;
    record.phase = phase;
    ASSERT_TRUE(tape->Insert(record));
    SendWindowMessage(&window, WM_CONTRACT_FORWARD, 1, reinterpret_cast<intptr_t>(tape.release()));
  };
  for (const char phase : {'0', '1'}) {  // closed, and a call auction's expected price
    forward(phase);
    EXPECT_EQ(window.Data().bars.size(), bars);
    EXPECT_EQ(window.Data().bars.back().high, before.high);
    EXPECT_EQ(window.Data().bars.back().volume, before.volume);
  }
  forward('2');
  EXPECT_EQ(window.Data().bars.back().close, before.high + 1000);
}

TEST_F(ChartWindow, CandlesMarksAndTheLastPriceArePaintedRisesRedFallsBlue) {
  // Four bars, too few for an average line to cross them: a rise, a fall (the lowest low), an even
  // bar above the close before it (the highest high) and an even bar below it, the newest.
  chart::ChartData data;
  data.code = "A000010";
  const int32_t bars[4][5] = {{1000, 1150, 980, 1100, 0},
                              {1100, 1120, 900, 1000, 1100},
                              {1050, 1300, 990, 1050, 1000},
                              {1040, 1100, 1000, 1040, 1050}};
  for (const auto& b : bars) {
    chart::Bar bar;
    bar.date = 20261201 + static_cast<int32_t>(data.bars.size());
    bar.open = b[0];
    bar.high = b[1];
    bar.low = b[2];
    bar.close = b[3];
    bar.previousClose = b[4];
    bar.volume = 1000;
    data.bars.push_back(bar);
  }
  chart::ComputeAverages(data);
  CChartView view;
  view.resize(900, 600);
  view.SetData(&data);
  const QImage image = view.grab().toImage();
  const chart::ChartLayout layout = view.Layout();
  ASSERT_EQ(layout.candles.size(), 4u);
  const bool rises[] = {true, false, true, false};
  for (const chart::Candle& candle : layout.candles) {
    const bool rise = rises[candle.index];
    // The body of a rise or fall, the volume bar of an even bar (its body is a line).
    const chart::Rect& rect = candle.index < 2 ? candle.body : candle.volume;
    const QColor c = image.pixelColor(static_cast<int>(candle.x), static_cast<int>(rect.top + rect.height / 2));
    EXPECT_TRUE(rise ? Reddish(c) : Bluish(c)) << candle.index << " " << c.name().toStdString();
  }
  // The high's price above it in red, the low's below it in blue.
  const int high = static_cast<int>(layout.highMark.at.y), low = static_cast<int>(layout.lowMark.at.y);
  const int highX = static_cast<int>(layout.highMark.at.x), lowX = static_cast<int>(layout.lowMark.at.x);
  const auto [highRed, highBlue] = RedAndBlue(image, QRect(highX - 50, high - 20, 100, 18));
  EXPECT_GT(highRed, 0);
  EXPECT_EQ(highBlue, 0);
  const auto [lowRed, lowBlue] = RedAndBlue(image, QRect(lowX - 50, low + 2, 100, 18));
  EXPECT_EQ(lowRed, 0);
  EXPECT_GT(lowBlue, 0);
  // The last price's box on the axis in the newest bar's colour: blue.
  const QColor box = image.pixelColor(static_cast<int>(layout.price.Right() + layout.frame.rightAxis - 8),
                                      static_cast<int>(layout.last.at - 7));
  EXPECT_TRUE(Bluish(box)) << box.name().toStdString();
  testing::RenderToPng(view, "chart_colours.png");
}

// The Monday of the date's week, as days since the epoch.
int64_t MondayOf(int32_t date) {
  using namespace std::chrono;
  const sys_days day{year{date / 10000} / month{static_cast<unsigned>(date / 100 % 100)} /
                     std::chrono::day{static_cast<unsigned>(date % 100)}};
  return (day - (weekday{day} - Monday)).time_since_epoch().count();
}

TEST_F(ChartWindow, AnIndexWeekStaysOneBarAsItsDaysPass) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  window.showStock(QStringLiteral("U001"));
  window.findChild<QPushButton*>("chartKindW")->click();
  const size_t weeks = window.Data().bars.size();
  ASSERT_GT(weeks, 2u);
  const int32_t today = window.Data().bars.back().date;
  exchange_.Advance(24 * 3'600'000);
  ASSERT_EQ(MondayOf(TodayYYYYMMDD()), MondayOf(today)) << "the next day is of the same week";
  indexes_.Refresh();
  StocGate gate;
  std::unique_ptr<DaySeries> newest = gate.DownloadBarsNew("U001", "x", 1, 1, 'W', 0, 0, 1);
  ASSERT_NE(newest, nullptr);
  ASSERT_GT(newest->Newest()->Key(), today);
  EXPECT_EQ(window.Data().bars.size(), weeks);
  EXPECT_EQ(window.Data().bars.back().date, newest->Newest()->Key());
  EXPECT_EQ(window.Data().bars.back().close, newest->Newest()->price.close);
  EXPECT_EQ(window.Data().bars.back().previousClose, window.Data().bars[weeks - 2].close);
}

TEST_F(ChartWindow, AnUnknownStockIsToldAndTheChartStays) {
  CChartWnd window(book_.get(), indexes_);
  window.show();
  window.showStock(QString::fromLatin1(book_->First()->key.code));
  const size_t bars = window.Data().bars.size();
  Enter(window, QStringLiteral("A999999"));
  ASSERT_EQ(recording_.sink.Texts().size(), 1u);
  EXPECT_EQ(recording_.sink.Texts()[0], "종목을 정확하게 선택하십시오.");
  EXPECT_EQ(window.Code(), book_->First()->key.code);
  EXPECT_EQ(window.Data().bars.size(), bars);
  Enter(window, QStringLiteral("999999"));
  EXPECT_EQ(recording_.sink.Texts().size(), 2u);
  EXPECT_EQ(window.Code(), book_->First()->key.code);

  // The six digits a trader types name the stock as its full code does.
  const std::string other = book_->First()->next->key.code;
  ASSERT_EQ(other.size(), 7u);
  Enter(window, QString::fromLatin1(other.c_str() + 1));
  EXPECT_EQ(window.Code(), other);
  EXPECT_EQ(recording_.sink.Texts().size(), 2u);
}

}  // namespace
}  // namespace ostrada
