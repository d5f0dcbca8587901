// The home board on a small exchange: a new user's list of the most traded stocks, a report loaded
// as the watchlist, live rows against the server's own prices, the user's edits kept in the file,
// a double-click telling the chosen stock, the account line after a login.
#include "app/homeboard.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <set>

#include "app/chartwnd.h"
#include "app/loginmemory.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowgate.h"
#include "basesrc/trdrun.h"
#include "broker/clsid.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_chart/chart_fixture.h"
#include "tests/support/file_bytes.h"
#include "tests/support/palette.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

class HomeBoard : public testing::ExchangeFixture {
 protected:
  explicit HomeBoard(const sim::ExchangeOptions& options = Options()) : ExchangeFixture(options) {
    std::filesystem::create_directories(folder_);
  }
  ~HomeBoard() override { std::filesystem::remove_all(folder_); }

  std::vector<std::string> Codes(CHomeBoard& board) {
    std::vector<std::string> codes;
    for (const WatchRow& row : board.Model().Rows()) codes.push_back(row.code);
    return codes;
  }

  std::string folder_ =
      ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_board/";
  std::string path_ = folder_ + "watchlist.txt";
};

// Digits grouped by three, for checking what the board shows.
std::string Grouped(int64_t value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return (value < 0 ? "-" : "") + digits;
}

// A failed stock list leaves the board without rows: it says why and what to do, and its list's
// file is neither read into nothing nor written.
TEST_F(HomeBoard, WithoutTheStockListTheBoardSaysWhyItIsEmpty) {
  CHomeBoard board(nullptr, session_, indexes_, nullptr, path_);
  const auto* notice = board.findChild<QLabel*>("boardNotice");
  ASSERT_NE(notice, nullptr);
  EXPECT_FALSE(notice->isHidden());
  EXPECT_EQ(notice->text(), QStringLiteral("서버에서 전종목 목록을 받지 못해 관심종목을 보일 수 없습니다. 서버 연결을 확인한 뒤 "
                                           "프로그램을 다시 시작하십시오."));
  EXPECT_EQ(board.Model().rowCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(path_));
  CHomeBoard listed(book_.get(), session_, indexes_, nullptr, path_);
  EXPECT_TRUE(listed.findChild<QLabel*>("boardNotice")->isHidden());
}

TEST_F(HomeBoard, ANewUserStartsWithTheTwentyMostTradedStocksKeptAtTheFirstEdit) {
  for (int minute = 0; minute < 30; ++minute) exchange_.Advance(60'000);
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  // The market by volume, ranked here.
  StocGate gate;
  std::unique_ptr<NowGate> market = gate.DownloadNowBook(*book_, kNowKeyCode);
  ASSERT_NE(market, nullptr);
  std::vector<std::pair<int64_t, std::string>> ranked;
  for (const NowInfo* stock = market->First(); stock != nullptr; stock = stock->next)
    ranked.push_back({static_cast<uint32_t>(stock->price.bar.volume), stock->key.code});
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  const std::vector<std::string> codes = Codes(board);
  ASSERT_EQ(codes.size(), 20u);
  for (size_t k = 0; k < 20; ++k) EXPECT_EQ(board.Model().Rows()[k].volume, ranked[k].first) << k;
  EXPECT_GE(board.Model().Rows()[19].volume, ranked[20].first);

  // Nothing is written until the user edits the list; then the whole list is kept.
  EXPECT_FALSE(std::filesystem::exists(path_));
  board.RemoveRow(19);
  const std::string file = testing::ReadBytes(path_);
  EXPECT_EQ(file.rfind(Utf8ToCp949("//관심종목\r\n[관심종목]\r\n"), 0), 0u);
  EXPECT_EQ(ParseInterestText(file).size(), 19u);
  EXPECT_EQ(ParseInterestText(file)[0].code, codes[0]);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(HomeBoard, AReportLoadsAsTheWatchlistAndItsRowsFollowTheContracts) {
  const CodeInfo* a = book_->First();
  const CodeInfo* b = a->next;
  const CodeInfo* c = b->next;
  const std::string report = "//report\r\n[g1]\r\n" + std::string(c->key.code) +
                             "(x)\r\nA999999(gone)\r\n\r\n[g2]\r\n" + a->key.code + "(y)\r\n" + c->key.code +
                             "(x)\r\n\r\n";
  testing::WriteBytes(path_, report);
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  board.resize(700, 500);
  ASSERT_EQ(Codes(board), (std::vector<std::string>{c->key.code, a->key.code}));
  ASSERT_EQ(recording_.sink.messages.size(), 1u);  // the unlisted stock, said once
  recording_.sink.Clear();
  EXPECT_EQ(board.Model().Cell(0, WatchModel::kName), FromCp949(c->key.name.get()));  // the book's name

  std::set<int> repainted;
  QObject::connect(&board.Model(), &QAbstractItemModel::dataChanged,
                   [&](const QModelIndex& from, const QModelIndex& to) {
                     for (int column = from.column(); column <= to.column(); ++column) repainted.insert(column);
                   });
  for (int minute = 0; minute < 15; ++minute) exchange_.Advance(60'000);
  // A new price repaints its change and its rate with it.
  EXPECT_EQ(repainted,
            (std::set<int>{WatchModel::kPrice, WatchModel::kChange, WatchModel::kRate, WatchModel::kVolume}));
  StocGate gate;
  int moved = 0;
  for (int r = 0; r < board.Model().rowCount(); ++r) {
    const WatchRow& row = board.Model().Rows()[static_cast<size_t>(r)];
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f%%", row.change * 100.0 / (row.price - row.change));
    EXPECT_EQ(board.Model().Cell(r, WatchModel::kChange).toStdString(), Grouped(row.change));
    EXPECT_EQ(board.Model().Cell(r, WatchModel::kRate).toStdString(), rate);
    // Price, change and rate in red above the previous close and blue below it; name and volume plain.
    const QColor expected = row.change > 0 ? testing::kRiseRed : row.change < 0 ? testing::kFallBlue : QColor();
    for (int column = 0; column < WatchModel::kColumns; ++column) {
      const bool coloured = column != WatchModel::kName && column != WatchModel::kVolume;
      EXPECT_EQ(board.Model().data(board.Model().index(r, column), Qt::ForegroundRole).value<QColor>(),
                coloured ? expected : QColor())
          << r << "," << column;
    }
    moved += row.change != 0 ? 1 : 0;
  }
  EXPECT_GT(moved, 0) << "a row must differ from its previous close for the colours to mean anything";
  for (const WatchRow& row : board.Model().Rows()) {
    NowPrice now{};
    ASSERT_EQ(gate.FetchNowPrice(&now, row.code.c_str()), 1);
    EXPECT_EQ(row.price, now.bar.close) << row.code;
    EXPECT_EQ(row.change, now.bar.change) << row.code;
    EXPECT_EQ(row.volume, static_cast<uint32_t>(now.bar.volume)) << row.code;
    const int64_t previous = int64_t{now.bar.close} - now.bar.change;
    EXPECT_NEAR(row.Rate(), now.bar.change * 100.0 / static_cast<double>(previous), 1e-9);
  }
  const WatchRow& first = board.Model().Rows()[0];
  EXPECT_EQ(board.Model().Cell(0, WatchModel::kPrice).toStdString(), Grouped(first.price));
  EXPECT_EQ(board.Model().Cell(0, WatchModel::kVolume).toStdString(), Grouped(first.volume));

  // The indexes as the server gives them: close and change in points, grouped.
  std::unique_ptr<DaySeries> index = gate.DownloadBarsNew("U001", "x", 1, 1, 'D', 0, 0, 1);
  ASSERT_NE(index, nullptr);
  const PriceBar& bar = index->Newest()->price;
  indexes_.Beat();
  const QString shown = board.findChild<QLabel*>("indexU001")->text();
  char close[32];
  std::snprintf(close, sizeof close, "%s.%02d", Grouped(bar.close / 100).c_str(), bar.close % 100);
  EXPECT_TRUE(shown.contains(QString::fromLatin1(close))) << shown.toStdString() << " " << close;
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.2f%%", bar.change * 100.0 / (bar.close - bar.change));
  EXPECT_TRUE(shown.contains(QString::fromLatin1(rate))) << shown.toStdString() << " " << rate;
  EXPECT_TRUE(board.findChild<QLabel*>("indexU201")->text().contains(QStringLiteral("코스닥")));
  board.show();
  testing::RenderToPng(board, "home_board.png");
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// In the session's first minute the indexes stand at their opening levels against yesterday's close:
// the board never shows yesterday's change as today's.
TEST_F(HomeBoard, TheIndexesOpenTheDayAtTheirOpeningLevels) {
  exchange_.Advance(20'000);  // 09:00:20
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  const QString shown = board.findChild<QLabel*>("indexU001")->text();
  exchange_.Advance(45 * 60'000);
  std::unique_ptr<DaySeries> days = StocGate().DownloadBarsNew("U001", "x", 2, 1, 'D', 0, 0, 1);
  ASSERT_NE(days, nullptr);
  ASSERT_EQ(days->Count(), 2);
  const int32_t open = days->Newest()->price.open;
  const int32_t yesterday = days->Oldest()->price.close;
  char figures[64];
  std::snprintf(figures, sizeof figures, "%s.%02d", Grouped(open / 100).c_str(), open % 100);
  EXPECT_TRUE(shown.contains(QString::fromLatin1(figures))) << shown.toStdString() << " " << figures;
  std::snprintf(figures, sizeof figures, "%.2f%%", (open - yesterday) * 100.0 / yesterday);
  EXPECT_TRUE(shown.contains(QString::fromLatin1(figures))) << shown.toStdString() << " " << figures;
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// The closing auction's contracts are expected prices, not trades: a row and the day's bar of a
// chart keep the day's last trade until the closing contract, as the server's current price does.
TEST_F(HomeBoard, TheClosingAuctionsExpectedPricesMoveNeitherTheRowsNorTheChart) {
  const CodeInfo* a = book_->First();
  testing::WriteBytes(path_, "//w\r\n[w]\r\n" + std::string(a->key.code) + "()\r\n" + a->next->key.code + "()\r\n\r\n");
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  CChartWnd chart(book_.get(), indexes_);
  chart.showStock(QString::fromLatin1(a->key.code));
  ASSERT_EQ(chart.Code(), a->key.code);
  exchange_.Advance((5 * 60 + 49) * 60'000);  // 14:49
  StocGate gate;
  const int64_t before = board.EventsShown();
  for (int minute = 49; minute <= 61; ++minute) {
    for (const WatchRow& row : board.Model().Rows()) {
      NowPrice now{};
      ASSERT_EQ(gate.FetchNowPrice(&now, row.code.c_str()), 1);
      EXPECT_EQ(row.price, now.bar.close) << row.code << " 14:" << minute;
      EXPECT_EQ(row.change, now.bar.change) << row.code << " 14:" << minute;
      if (row.code != a->key.code) continue;
      const chart::Bar& today = chart.Data().bars.back();
      EXPECT_EQ(today.close, now.bar.close) << " 14:" << minute;
      EXPECT_EQ(today.high, now.bar.high) << " 14:" << minute;
      EXPECT_EQ(today.low, now.bar.low) << " 14:" << minute;
      EXPECT_EQ(today.volume, static_cast<uint32_t>(now.bar.volume)) << " 14:" << minute;
    }
    exchange_.Advance(60'000);
  }
  EXPECT_GT(board.EventsShown(), before) << "the closing contract reaches the rows";
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

// The board and a chart left open after the close, through the night, into the next day's session.
class HomeBoardOvernight : public HomeBoard {
 protected:
  HomeBoardOvernight() : HomeBoard(OnTuesday()) {}
  static sim::ExchangeOptions OnTuesday() {
    sim::ExchangeOptions options = Options();
    options.tradingDate = 20261208;
    return options;
  }
  void AdvanceMinutes(int minutes) {
    for (int m = 0; m < minutes; ++m) exchange_.Advance(60'000);
  }
};

// From the next day's start, hours before its first expected price, until its open a row shows what
// the server shows: yesterday's close, unchanged, nothing traded; once it trades, the chart's new bar is the server's, and yesterday's bar stays as it closed.
TEST_F(HomeBoardOvernight, TheRowsAndTheChartStartTheNextDayFromYesterdaysClose) {
  std::string list = "//w\r\n[w]\r\n";
  for (const CodeInfo* stock = book_->First(); stock != nullptr; stock = stock->next) list += stock->key.code + std::string("()\r\n");
  testing::WriteBytes(path_, list + "\r\n");
  AdvanceMinutes(6 * 60 + 10);  // 15:10, after the close
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  const char* code = book_->First()->key.code;
  CChartWnd chart(book_.get(), indexes_);
  chart.showStock(QString::fromLatin1(code));
  const chart::Bar tuesday = chart.Data().bars.back();
  ASSERT_EQ(tuesday.date, 20261208);
  StocGate gate;
  const auto expectRowsAsTheServer = [&](const char* when) {
    int moved = 0;
    for (const WatchRow& row : board.Model().Rows()) {
      NowPrice now{};
      EXPECT_EQ(gate.FetchNowPrice(&now, row.code.c_str()), 1);
      EXPECT_EQ(row.price, now.bar.close) << row.code << " " << when;
      EXPECT_EQ(row.change, now.bar.change) << row.code << " " << when;
      EXPECT_EQ(row.volume, static_cast<uint32_t>(now.bar.volume)) << row.code << " " << when;
      moved += row.change != 0 ? 1 : 0;
    }
    return moved;
  };
  ASSERT_GT(expectRowsAsTheServer("15:10"), 0) << "rows off their previous close, so the next day differs";

  AdvanceMinutes(15 * 60 + 50);  // 07:00 the next day, before the pre-open's first expected price
  ASSERT_EQ(exchange_.Clock().Date(), 20261209);
  EXPECT_EQ(expectRowsAsTheServer("07:00"), 0);
  for (const WatchRow& row : board.Model().Rows()) EXPECT_EQ(row.volume, 0) << row.code << " 07:00";

  AdvanceMinutes(90);  // 08:30, in the pre-open auction
  EXPECT_EQ(expectRowsAsTheServer("08:30"), 0);
  for (int r = 0; r < board.Model().rowCount(); ++r)
    EXPECT_EQ(board.Model().Cell(r, WatchModel::kRate).toStdString(), "0.00%") << r;

  AdvanceMinutes(60);  // 09:30
  expectRowsAsTheServer("09:30");
  NowPrice now{};
  ASSERT_EQ(gate.FetchNowPrice(&now, code), 1);
  ASSERT_GE(chart.Data().bars.size(), 2u);
  const chart::Bar& today = chart.Data().bars.back();
  const chart::Bar& yesterday = chart.Data().bars[chart.Data().bars.size() - 2];
  EXPECT_EQ(today.date, 20261209);
  EXPECT_EQ(today.open, now.bar.open);
  EXPECT_EQ(today.high, now.bar.high);
  EXPECT_EQ(today.low, now.bar.low);
  EXPECT_EQ(today.close, now.bar.close);
  EXPECT_EQ(today.volume, static_cast<uint32_t>(now.bar.volume));
  EXPECT_EQ(today.previousClose, now.bar.close - now.bar.change);
  EXPECT_EQ(yesterday.date, tuesday.date);
  EXPECT_EQ(yesterday.close, tuesday.close);
  EXPECT_EQ(yesterday.volume, tuesday.volume);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(HomeBoard, TheUsersEditsAreKeptAndADoubleClickTellsTheStock) {
  const CodeInfo* a = book_->First();
  const CodeInfo* b = a->next;
  testing::WriteBytes(path_, "//w\r\n[w]\r\n" + std::string(a->key.code) + "()\r\nA999999(gone)\r\n\r\n");
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  board.resize(700, 500);
  board.show();
  std::vector<QString> chosen;
  QObject::connect(&board, &CHomeBoard::stockChosen, [&](const QString& code) { chosen.push_back(code); });

  // The stock the book does not list is said, not dropped silently.
  ASSERT_EQ(recording_.sink.Texts(),
            std::vector<std::string>{"관심종목 파일(" + path_ +
                                     ")의 다음 종목은 종목 목록에 없어 보이지 않습니다. 파일에는 그대로 남겨 둡니다: "
                                     "A999999(gone)"});
  recording_.sink.Clear();
  EXPECT_EQ(board.AddStock(b->key.code), 1);
  EXPECT_EQ(board.AddStock(b->key.code), 0);
  ASSERT_EQ(recording_.sink.Texts().size(), 1u);
  EXPECT_EQ(recording_.sink.Texts()[0], "이미 관심종목에 있는 종목입니다.");
  EXPECT_GT(board.Model().Rows()[1].price, 0);
  // The unlisted stock stays in the file after the user's edits.
  std::vector<WatchEntry> saved = ParseInterestText(testing::ReadBytes(path_));
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].code, a->key.code);
  EXPECT_EQ(saved[1].code, b->key.code);
  EXPECT_EQ(saved[2].code, "A999999");

  auto* table = board.findChild<QTableView*>("watchlist");
  const QRect cell = table->visualRect(board.Model().index(1, 0));
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonPress, cell.center());
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonRelease, cell.center(), Qt::NoButton);
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonDblClick, cell.center());
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonRelease, cell.center(), Qt::NoButton);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], QString::fromLatin1(b->key.code));

  // "추가" takes the finder's choice.
  const CodeInfo* c = b->next;
  testing::WhenShown("dialog135", [&](QWidget& finder) {
    testing::TypeText(*finder.findChild<SimpleComboBox*>("combo1179")->Edit(), FromCp949(c->key.name.get()));
    finder.findChild<QPushButton*>("button1")->click();
  });
  board.findChild<QPushButton*>("watchAdd")->click();
  ASSERT_EQ(Codes(board), (std::vector<std::string>{a->key.code, b->key.code, c->key.code}));
  board.RemoveRow(2);

  board.findChild<QPushButton*>("watchRemove")->click();  // the clicked row
  EXPECT_EQ(Codes(board), std::vector<std::string>{a->key.code});
  saved = ParseInterestText(testing::ReadBytes(path_));
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[1].code, "A999999");
}

TEST_F(HomeBoard, AWatchlistFileThatCannotBeReadIsNeverOverwrittenByAnEdit) {
  // Larger than any watchlist: refused when read, so the board starts empty.
  std::string text = "//w\r\n[w]\r\n";
  while (text.size() <= (1u << 20)) text += std::string(book_->First()->key.code) + "(x)\r\n";
  testing::WriteBytes(path_, text);
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  ASSERT_EQ(recording_.sink.Texts(), std::vector<std::string>{"관심종목 파일을 읽지 못했습니다: " + path_});
  EXPECT_TRUE(board.Model().Rows().empty());

  // The edit shows, and is told unsaved: the file the user has to mend keeps every byte.
  const CodeInfo* b = book_->First()->next;
  board.AddStock(b->key.code);
  EXPECT_EQ(Codes(board), std::vector<std::string>{b->key.code});
  board.RemoveRow(0);
  const std::string unsaved = "관심종목 파일을 읽지 못해 바꾼 내용을 저장하지 않았습니다. 파일은 그대로 두었습니다: " + path_;
  EXPECT_EQ(recording_.sink.Texts(), (std::vector<std::string>{recording_.sink.Texts()[0], unsaved, unsaved}));
  EXPECT_EQ(testing::ReadBytes(path_), text);
}

TEST_F(HomeBoard, TheAccountLineShowsAfterALogin) {
  testing::WriteBytes(path_, "//w\r\n");
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  board.show();
  auto* line = board.findChild<QLabel*>("accountLine");
  EXPECT_FALSE(line->isVisible());
  board.findChild<QPushButton*>("boardLogin")->click();
  EXPECT_TRUE(line->isVisible());
  const std::string text = line->text().toStdString();
  EXPECT_NE(text.find("로그인됨"), std::string::npos) << text;
  EXPECT_NE(text.find("예수금 " + Grouped(sim::PaperOptions{}.startingCash)), std::string::npos) << text;
  EXPECT_NE(text.find("평가금액 0"), std::string::npos) << text;
  EXPECT_NE(text.find("미체결 0건"), std::string::npos) << text;

  // Ten shares bought at the market: worth ten times the price now, less what they cost.
  StocGate gate;
  std::string account;
  ASSERT_EQ(gate.TradeLogin(), 1);
  ASSERT_EQ(gate.AccountNumberText(&account), 1);
  const char* code = book_->First()->key.code;
  std::string failure;
  ASSERT_EQ(gate.SendOrder(*book_, account.c_str(), kOrderSideBuy, code, kOrderTypeMarket, 0, 10, &failure), 1)
      << failure;
  exchange_.Advance(60'000);
  std::unique_ptr<TrdRunList> holdings = gate.DownloadHoldings(account.c_str());
  ASSERT_NE(holdings, nullptr);
  ASSERT_EQ(holdings->Count(), 1);
  ASSERT_EQ(holdings->First()->quantity, 10);
  // The price moves away from what was paid, so that value and cost differ.
  NowPrice now{};
  for (int minute = 0; minute < 60 && (now.bar.close == 0 || now.bar.close == holdings->First()->purchasePrice);
       ++minute) {
    exchange_.Advance(60'000);
    ASSERT_EQ(gate.FetchNowPrice(&now, code), 1);
  }
  ASSERT_NE(now.bar.close, holdings->First()->purchasePrice);
  board.Refresh();
  const int64_t value = 10 * int64_t{now.bar.close};
  // Selling there: the commission and tax come off the value, each rounded down; the cost to the won.
  const int64_t profit =
      value - value * 150 / 1'000'000 - value * 2000 / 1'000'000 - std::llround(10 * holdings->First()->costPerShare);
  const std::string bought = line->text().toStdString();
  EXPECT_NE(bought.find("평가금액 " + Grouped(value) + " "), std::string::npos) << bought;
  EXPECT_NE(bought.find(Grouped(profit) + (profit != 0 ? "</span>" : "")), std::string::npos) << bought;
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();

  // "다음에도 로그인": off until the user ticks it, then kept for the next start's board.
  ASSERT_FALSE(LoginRemembered());
  board.findChild<QCheckBox*>("rememberLogin")->click();
  EXPECT_TRUE(LoginRemembered());
  CHomeBoard next(book_.get(), session_, indexes_, nullptr, path_);
  EXPECT_TRUE(next.findChild<QCheckBox*>("rememberLogin")->isChecked());
  SetLoginRemembered(false);
}


// The board's strip and two daily charts of the first index ask the server once a beat for each
// index: a third request in a beat would fail.
TEST_F(HomeBoard, TheStripAndIndexChartsShareOnePollOfTheIndexes) {
  testing::WriteBytes(path_, "//w\r\n");
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  CChartWnd first(book_.get(), indexes_);
  CChartWnd second(book_.get(), indexes_);
  for (CChartWnd* chart : {&first, &second}) chart->showStock(QStringLiteral("U001"));
  exchange_.Advance(10 * 60'000);
  recording_.sink.Clear();
  exchange_.Faults().FailCall(broker::clsid::kDayChart, sim::Method::kRequest, broker::kEFail, 2);
  EXPECT_TRUE(indexes_.Refresh());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  exchange_.Faults().Clear();
  StocGate gate;
  const std::unique_ptr<DaySeries> index = gate.DownloadBarsNew("U001", "x", 1, 1, 'D', 0, 0, 1);
  ASSERT_NE(index, nullptr);
  for (CChartWnd* chart : {&first, &second}) EXPECT_EQ(chart->Data().bars.back().close, index->Newest()->price.close);
}

// A server that stops answering while the board refreshes by itself: one message, not a box every
// few seconds; the tries back off, and the indexes come back once it answers again.
TEST_F(HomeBoard, ARefreshThatKeepsFailingIsToldOnce) {
  testing::WriteBytes(path_, "//w\r\n");
  CHomeBoard board(book_.get(), session_, indexes_, nullptr, path_);
  recording_.sink.Clear();
  exchange_.Faults().Refuse(broker::clsid::kDayChart, sim::MakeRefusal(sim::RefusalKind::kMarketClosed));
  int tries = 0;
  for (int beat = 0; beat < 40; ++beat) {
    const int failures = indexes_.Refreshing().FailuresInARow();
    indexes_.Beat();
    tries += indexes_.Refreshing().FailuresInARow() != failures;
  }
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_GE(tries, 4);
  EXPECT_LT(tries, 10);
  exchange_.Faults().Clear();
  for (int beat = 0; beat <= BackgroundRefresh::kMaxWait; ++beat) indexes_.Beat();
  EXPECT_EQ(indexes_.Refreshing().FailuresInARow(), 0);
  EXPECT_NE(board.findChild<QLabel*>("indexU001")->text().indexOf(QLatin1Char('%')), -1);
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
}

}  // namespace
}  // namespace ostrada
