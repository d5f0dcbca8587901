// The quote windows driven headless: through the embedded exchange for the road a user takes, and
// through a hand-moved feed where a test needs one exact book.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTimer>
#include <memory>
#include <set>
#include <utility>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "app/findcode.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_quote/quote_feed.h"
#include "tests/support/busiest_stock.h"
#include "tests/support/palette.h"
#include "tests/support/recording_sink.h"
#include "tests/support/served_exchange.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

using testing::QuoteFeed;
using testing::RecordingScope;

// The window the form reports to: it keeps every message it was sent.
class Parent : public QWidget {
 public:
  bool event(QEvent* event) override {
    for (uint32_t message : {WM_STOCK_CHANGED, WM_PRICE_PICKED}) {
      if (auto* sent = AsWindowMessage(event, message)) {
        messages.push_back({message, sent->WParam()});
        return true;
      }
    }
    return QWidget::event(event);
  }
  struct Sent {
    uint32_t message;
    uintptr_t wParam;
  };
  std::vector<Sent> messages;
};

// The user closes the stock choice's list; the form reads the choice once the close is done.
void CloseUp(QComboBox& combo) {
  combo.hidePopup();
  QCoreApplication::processEvents();
}

QString Label(QWidget& root, const char* name) {
  auto* label = root.findChild<QLabel*>(QString::fromLatin1(name));
  return label != nullptr ? label->text() : QStringLiteral("<missing>");
}

bool AllBlank(QuoteLadderModel& model) {
  for (int row = 0; row < model.rowCount(); ++row) {
    for (int column = 0; column < model.columnCount(); ++column) {
      if (!model.Cell(row, column).isEmpty()) return false;
    }
  }
  return true;
}

QString Number(int32_t value) {
  return QString::fromLatin1(FormatNumber(int64_t{value}, ZeroShown::kBlank));
}

// The ladder's cells say what the record says.
void ExpectShows(CCallTbl& table, const CallInfo& record) {
  const int n = table.Levels();
  for (int i = 0; i < n; ++i) {
    const CallLevel& level = record.levels[i];
    EXPECT_EQ(table.UpperModel().Cell(n - i, 1), Number(level.sellPrice)) << i;
    EXPECT_EQ(table.UpperModel().Cell(n - i, 2), Number(level.sellQuantity)) << i;
    EXPECT_EQ(table.UpperModel().Cell(n - i, 3), Number(level.sellChange)) << i;
    EXPECT_EQ(table.LowerModel().Cell(i, 1), Number(level.buyPrice)) << i;
    EXPECT_EQ(table.LowerModel().Cell(i, 2), Number(level.buyQuantity)) << i;
    EXPECT_EQ(table.LowerModel().Cell(i, 3), Number(level.buyChange)) << i;
  }
  EXPECT_EQ(table.UpperModel().Cell(0, 2), Number(record.totalSell));
  EXPECT_EQ(table.UpperModel().Cell(0, 3), Number(record.totalSellChange));
  EXPECT_EQ(table.LowerModel().Cell(n, 2), Number(record.totalBuy));
  EXPECT_EQ(table.LowerModel().Cell(n, 3), Number(record.totalBuyChange));
}

// ---- Through the embedded exchange ----

class QuoteWindowOnExchange : public testing::ServedExchangeTest {
 protected:
  QuoteWindowOnExchange() : ServedExchangeTest(Options()) {}
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.stocks = 60;
    return options;
  }
  // The k-th stock of the book in name order, CP949.
  std::string NameAt(int k) {
    const CodeInfo* stock = book_->First();
    for (int i = 0; i < k; ++i) stock = stock->next;
    return stock->key.name.get();
  }
  // The first stock whose quotes move within a minute of exchange time.
  std::string LiveStockName(CCallFrm& form) {
    for (int k = 0; k < 20; ++k) {
      const std::string name = NameAt(k);
      form.SetStock(name, {});
      const int64_t before = form.Table().EventsShown();
      exchange_.Advance(60'000);
      if (form.Table().EventsShown() > before) return name;
    }
    return {};
  }
};

TEST_F(QuoteWindowOnExchange, TheWindowsOpenWithTheirCaptionsAndLabels) {
  ASSERT_NE(book_, nullptr);
  CCallDlg five(book_.get(), 1);
  EXPECT_EQ(five.windowTitle(), QString::fromUtf8("5호가창"));
  CCallTbl& table5 = five.Form().Table();
  EXPECT_EQ(table5.UpperModel().rowCount(), 6);
  EXPECT_EQ(table5.LowerModel().rowCount(), 6);
  EXPECT_EQ(table5.UpperModel().columnCount(), 4);
  EXPECT_EQ(table5.UpperModel().Cell(0, 0), QString::fromUtf8("잔량"));
  EXPECT_EQ(table5.UpperModel().Cell(1, 0), QStringLiteral("5"));
  EXPECT_EQ(table5.UpperModel().Cell(5, 0), QStringLiteral("1"));
  EXPECT_EQ(table5.LowerModel().Cell(0, 0), QStringLiteral("1"));
  EXPECT_EQ(table5.LowerModel().Cell(5, 0), QString::fromUtf8("잔량"));
  CCallDlg ten(book_.get(), 0);
  EXPECT_EQ(ten.windowTitle(), QString::fromUtf8("10호가창"));
  EXPECT_EQ(ten.Form().Table().UpperModel().rowCount(), 11);
  EXPECT_EQ(ten.Form().Table().UpperModel().Cell(1, 0), QStringLiteral("10"));
  EXPECT_NE(ten.findChild<QComboBox*>(QStringLiteral("combo9014")), nullptr);
  EXPECT_NE(ten.findChild<QTableView*>(QStringLiteral("list1383")), nullptr);
  EXPECT_NE(ten.findChild<QTableView*>(QStringLiteral("list1384")), nullptr);
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(QuoteWindowOnExchange, AStockShowsItsPriceAndItsLadderMovesWithTheExchange) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  CCallFrm& form = window.Form();
  const std::string name = LiveStockName(form);
  ASSERT_FALSE(name.empty());
  EXPECT_EQ(Label(window, "static9028"), FromCp949(form.Code()));
  EXPECT_FALSE(Label(window, "static9029").isEmpty());
  EXPECT_FALSE(Label(window, "static9031").isEmpty());
  EXPECT_EQ(form.findChild<QComboBox*>(QStringLiteral("combo9014"))->currentText(), FromCp949(name));
  EXPECT_GT(form.Table().EventsShown(), 0);
  ExpectShows(form.Table(), form.Table().Current());
  EXPECT_STREQ(form.Table().Current().code, form.Code().c_str());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteWindowOnExchange, BothWindowsRenderAtTheCloseOnTheBusiestStock) {
  ASSERT_NE(book_, nullptr);
  exchange_.Advance(testing::kFromOpeningToAfterTheClose);
  for (const auto& [mode, file] : {std::pair{0, "quote_window_10.png"}, std::pair{1, "quote_window_5.png"}}) {
    CCallDlg window(book_.get(), mode);
    ASSERT_EQ(window.Form().SetStock(testing::BusiestName(*book_), {}), 1);
    ExpectShows(window.Form().Table(), window.Form().Table().Current());
    window.show();
    EXPECT_FALSE(testing::RenderToPng(window, file).isEmpty());
  }
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(QuoteWindowOnExchange, TheHeaderShowsARiseInRedAndAFallInBlue) {
  ASSERT_NE(book_, nullptr);
  exchange_.Advance(3'600'000);
  CCallDlg window(book_.get(), 1);
  const QColor plain = window.palette().color(QPalette::WindowText);
  std::set<QRgb> seen;
  for (int k = 0; k < 30; ++k) {
    ASSERT_EQ(window.Form().SetStock(NameAt(k), {}), 1);
    const QString change = Label(window, "static9030");
    const QColor expected = change.startsWith('-') ? testing::kFallBlue : change == "0" ? plain : testing::kRiseRed;
    for (const char* name : {"static9029", "static9030", "static9031"}) {
      EXPECT_EQ(window.findChild<QLabel*>(name)->palette().color(QPalette::WindowText), expected) << name << k;
    }
    EXPECT_EQ(window.findChild<QLabel*>("static9032")->palette().color(QPalette::WindowText), plain);
    seen.insert(expected.rgb());
  }
  EXPECT_EQ(seen.count(testing::kRiseRed.rgb()) + seen.count(testing::kFallBlue.rgb()), 2u);
}

TEST_F(QuoteWindowOnExchange, AnUnknownNameLeavesHeaderAndLadderBlank) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  CCallFrm& form = window.Form();
  ASSERT_EQ(form.SetStock(NameAt(0), {}), 1);
  recording_.sink.Clear();
  EXPECT_EQ(form.SetStock(Utf8ToCp949("없는 종목"), {}), 0);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "종목을 찾을 수 없습니다.");
  for (const char* name : {"static9028", "static9029", "static9030", "static9031", "static9032"}) {
    EXPECT_TRUE(Label(window, name).isEmpty()) << name;
  }
  EXPECT_TRUE(AllBlank(form.Table().UpperModel()));
  EXPECT_TRUE(AllBlank(form.Table().LowerModel()));
  // A blank ladder stays blank while the market moves.
  exchange_.Advance(60'000);
  EXPECT_TRUE(AllBlank(form.Table().UpperModel()));
}

TEST_F(QuoteWindowOnExchange, AnEmptyNameAsksForAStock) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  EXPECT_EQ(window.Form().SetStock({}, {}), 0);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "먼저 종목을 선택하십시오.");
}

TEST_F(QuoteWindowOnExchange, TheStockChoiceBeepsOnTheSameNameAndTellsTheParentOfANewOne) {
  ASSERT_NE(book_, nullptr);
  Parent parent;
  CCallFrm form(book_.get(), 0, &parent);
  auto* combo = form.findChild<QComboBox*>(QStringLiteral("combo9014"));
  CloseUp(*combo);  // an empty choice only beeps
  EXPECT_EQ(recording_.sink.beeps, 1);
  ASSERT_EQ(form.SetStock(NameAt(0), {}), 1);
  ASSERT_EQ(form.SetStock(NameAt(1), {}), 1);
  CloseUp(*combo);  // the shown stock is chosen again
  EXPECT_EQ(recording_.sink.beeps, 2);
  EXPECT_TRUE(parent.messages.empty());

  combo->setCurrentIndex(0);
  CloseUp(*combo);
  ASSERT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(parent.messages[0].message, WM_STOCK_CHANGED);
  EXPECT_EQ(parent.messages[0].wParam, 2u);
  EXPECT_EQ(form.Name(), NameAt(0));
  EXPECT_STREQ(form.Table().Current().code, form.Code().c_str());

  // A typed text that finds no stock selects nothing, and says what the box takes.
  combo->setEditText(QStringLiteral("nothing like it"));
  CloseUp(*combo);
  EXPECT_EQ(recording_.sink.Texts().back(),
            "\"nothing like it\"에 맞는 종목이 없습니다. 종목명(일부도 됩니다)이나 6자리 종목코드를 입력하십시오.");
  // A typed name that is in it chooses that entry, on Enter as on a close-up.
  combo->setEditText(FromCp949(NameAt(1)));
  emit combo->lineEdit()->returnPressed();
  EXPECT_EQ(form.Name(), NameAt(1));
  EXPECT_EQ(parent.messages.size(), 2u);
}

TEST_F(QuoteWindowOnExchange, ClickingAnEntryOfTheOpenListChoosesIt) {
  ASSERT_NE(book_, nullptr);
  Parent parent;
  CCallFrm form(book_.get(), 0, &parent);
  ASSERT_EQ(form.SetStock(NameAt(0), {}), 1);
  ASSERT_EQ(form.SetStock(NameAt(1), {}), 1);
  parent.show();
  auto* combo = form.findChild<QComboBox*>(QStringLiteral("combo9014"));
  testing::ChooseFromList(*combo, 0);
  EXPECT_EQ(form.Name(), NameAt(0));
  EXPECT_EQ(recording_.sink.beeps, 0);
  ASSERT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(parent.messages[0].message, WM_STOCK_CHANGED);
}

// Answers the finder that opens next: picks its k-th entry and presses OK, or cancels (k < 0).
void AnswerFinder(int k) {
  QTimer::singleShot(0, [k] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* finder = qobject_cast<CFindCode*>(top);
      if (finder == nullptr || !finder->isVisible()) continue;
      if (k < 0) {
        finder->reject();
        return;
      }
      finder->findChild<SimpleComboBox*>(QStringLiteral("combo1179"))->SetCurrentIndex(k);
      finder->accept();
    }
  });
}

TEST_F(QuoteWindowOnExchange, TheFinderChoosesTheStockAndTheSameNameOnlyBeeps) {
  ASSERT_NE(book_, nullptr);
  Parent parent;
  CCallFrm form(book_.get(), 1, &parent);
  AnswerFinder(-1);
  form.OnFindButton();
  EXPECT_TRUE(parent.messages.empty());
  AnswerFinder(2);
  form.OnFindButton();
  ASSERT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(parent.messages[0].wParam, 2u);
  EXPECT_EQ(form.Name(), NameAt(2));
  EXPECT_STREQ(form.Table().Current().code, form.Code().c_str());
  AnswerFinder(2);
  form.OnFindButton();
  EXPECT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.beeps, 1);
}

TEST_F(QuoteWindowOnExchange, ARefusedSnapshotIsShownAndLeavesTheTableUnsubscribed) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  CCallFrm& form = window.Form();
  const std::string name = LiveStockName(form);
  ASSERT_FALSE(name.empty());
  recording_.sink.Clear();
  exchange_.Faults().Refuse(broker::clsid::kQuoteBookSnapshot,
                            {-1, Utf8ToCp949("조회 불가 "), Utf8ToCp949("잠시 후 다시 하십시오.  \r\n")});
  const std::string other = name == NameAt(0) ? NameAt(1) : NameAt(0);
  form.SetStock(other, {});
  ASSERT_GE(recording_.sink.messages.size(), 1u);
  // The server's two texts in one box, the first as the server pads it, trailing blanks gone.
  const std::string text = recording_.sink.messages[0].Utf8();
  EXPECT_EQ(text.rfind("조회 불가", 0), 0u) << text;
  const std::string tail = "잠시 후 다시 하십시오.";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
  EXPECT_TRUE(AllBlank(form.Table().UpperModel()));
  const int64_t shown = form.Table().EventsShown();
  exchange_.Advance(120'000);
  EXPECT_EQ(form.Table().EventsShown(), shown);
  EXPECT_TRUE(AllBlank(form.Table().LowerModel()));
}

TEST_F(QuoteWindowOnExchange, ARefusedPriceFetchClearsTheHeader) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  exchange_.Faults().Refuse(broker::clsid::kMultiPrice, {-1, Utf8ToCp949("시세 "), Utf8ToCp949("없음")});
  EXPECT_EQ(window.Form().SetStock(NameAt(0), {}), 0);
  ASSERT_GE(recording_.sink.messages.size(), 1u);
  EXPECT_NE(recording_.sink.messages[0].Utf8().find("없음"), std::string::npos);
  EXPECT_EQ(recording_.sink.messages.back().CaptionUtf8(), "확인");
  EXPECT_TRUE(Label(window, "static9028").isEmpty());
  EXPECT_TRUE(AllBlank(window.Form().Table().UpperModel()));
}

TEST_F(QuoteWindowOnExchange, AComErrorInAnEventIsShownAndChangesNothing) {
  ASSERT_NE(book_, nullptr);
  CCallDlg window(book_.get(), 0);
  const std::string name = LiveStockName(window.Form());
  ASSERT_FALSE(name.empty());
  recording_.sink.Clear();
  CCallTbl& table = window.Form().Table();
  const CallInfo before = table.Current();
  const int64_t shown = table.EventsShown();
  exchange_.Faults().FailCall(broker::clsid::kQuoteBookLive, sim::Method::kHeaderValue, broker::kEFail);
  exchange_.Advance(60'000);
  ASSERT_GE(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].text, broker::ComErrorText(broker::kEFail));
  EXPECT_EQ(table.EventsShown(), shown);
  EXPECT_EQ(std::memcmp(&table.Current(), &before, sizeof before), 0);
}

TEST_F(QuoteWindowOnExchange, AFailedLiveObjectIsShownAndTheSnapshotStillShows) {
  ASSERT_NE(book_, nullptr);
  exchange_.Faults().FailCreation(broker::clsid::kQuoteBookLive, broker::kClassNotRegistered);
  CCallDlg window(book_.get(), 0);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].text, broker::ComErrorText(broker::kClassNotRegistered));
  ASSERT_EQ(window.Form().SetStock(NameAt(0), {}), 1);
  ExpectShows(window.Form().Table(), window.Form().Table().Current());
}

// ---- Through a hand-moved feed ----

class QuoteTableOnFeed : public ::testing::Test {
 protected:
  QuoteTableOnFeed() : server_(feed_) {
    SetCallCode(feed_.book, "005930");
    for (int i = 0; i < kCallLevels; ++i) {
      feed_.book.levels[i] = {50000 + 100 * i, 49900 - 100 * i, 10 + i, 20 + i, 0, 0};
    }
    feed_.book.totalSell = 1000;
    feed_.book.totalBuy = 2000;
  }

  RecordingScope recording_;
  QuoteFeed feed_;
  broker::ScopedServer server_;
};

TEST_F(QuoteTableOnFeed, FiveLevelsShowTheBestFiveOfTenAndTotalsRowsPickNothing) {
  Parent parent;
  CCallFrm form(nullptr, 1, &parent);
  CCallTbl& table = form.Table();
  table.SetReferencePrice(50000);
  ASSERT_EQ(table.SetStock("005930"), 1);
  feed_.Raise();
  EXPECT_EQ(table.Current().levels[9].sellPrice, 50900);  // ten levels are stored
  EXPECT_EQ(table.UpperModel().Cell(5, 1), QStringLiteral("50,000"));
  EXPECT_EQ(table.UpperModel().Cell(1, 1), QStringLiteral("50,400"));
  EXPECT_EQ(table.LowerModel().Cell(4, 1), QStringLiteral("49,500"));

  table.UpperList().selectRow(0);
  table.LowerList().selectRow(5);
  EXPECT_TRUE(parent.messages.empty());
  table.UpperList().selectRow(1);
  ASSERT_EQ(parent.messages.size(), 1u);
  EXPECT_EQ(parent.messages[0].message, WM_PRICE_PICKED);
  EXPECT_EQ(form.PickedPrice(), 50400);
  table.LowerList().selectRow(0);
  EXPECT_EQ(form.PickedPrice(), 49900);
  EXPECT_EQ(parent.messages.size(), 2u);
}

// Prices above the previous close read red and below it blue, their rates with them; the
// quantities and the previous close itself keep the list's colour.
TEST_F(QuoteTableOnFeed, PricesAboveThePreviousCloseAreRedAndBelowBlue) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  ASSERT_EQ(table.SetStock("005930"), 1);
  auto colour = [](QuoteLadderModel& model, int row, int column) {
    return model.data(model.index(row, column), Qt::ForegroundRole).value<QColor>();
  };
  EXPECT_EQ(table.UpperModel().Cell(9, 1), QStringLiteral("50,100"));
  EXPECT_EQ(colour(table.UpperModel(), 9, 1), testing::kRiseRed);
  EXPECT_EQ(colour(table.UpperModel(), 9, 0), testing::kRiseRed);
  EXPECT_FALSE(colour(table.UpperModel(), 9, 2).isValid());
  EXPECT_EQ(table.UpperModel().Cell(10, 1), QStringLiteral("50,000"));
  EXPECT_FALSE(colour(table.UpperModel(), 10, 1).isValid());
  EXPECT_EQ(colour(table.LowerModel(), 0, 1), testing::kFallBlue);
  EXPECT_EQ(colour(table.LowerModel(), 0, 0), testing::kFallBlue);
}

TEST_F(QuoteTableOnFeed, AMovedLevelKeepsItsChangeAndOnlyChangedCellsRepaint) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  ASSERT_EQ(table.SetStock("005930"), 1);
  feed_.Raise();
  // The best ask is taken: the book moves up one level and 50,100 gains 7 shares.
  CallInfo& book = feed_.book;
  for (int i = 0; i < kCallLevels - 1; ++i)
    book.levels[i].sellPrice = book.levels[i + 1].sellPrice,
    book.levels[i].sellQuantity = book.levels[i + 1].sellQuantity;
  book.levels[0].sellQuantity += 7;
  book.levels[9].sellPrice = 51000;
  book.levels[9].sellQuantity = 5;
  const int64_t before = table.UpperModel().ChangedCells() + table.LowerModel().ChangedCells();
  feed_.Raise();
  EXPECT_EQ(table.UpperModel().Cell(10, 1), QStringLiteral("50,100"));
  EXPECT_EQ(table.UpperModel().Cell(10, 3), QStringLiteral("7"));
  EXPECT_EQ(table.UpperModel().Cell(1, 3), QString());  // a price new in the book has no change
  EXPECT_EQ(table.UpperModel().Cell(9, 3), QString());
  ExpectShows(table, table.Current());
  // Only the ten sell rows moved (rate, price and amount each, one change cell): the buy side and
  // the totals kept their text.
  const int64_t changed = table.UpperModel().ChangedCells() + table.LowerModel().ChangedCells() - before;
  EXPECT_LE(changed, 31);
  EXPECT_GE(changed, 30);
}

TEST_F(QuoteTableOnFeed, ZeroesShowAsEmptyCellsAndRatesArePaddedToSix) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  feed_.book.levels[0] = {50625, 45000, 0, 30, 0, 0};
  feed_.book.levels[9] = {0, 0, 0, 0, 0, 0};
  ASSERT_EQ(table.SetStock("005930"), 1);
  EXPECT_EQ(table.UpperModel().Cell(10, 0), QStringLiteral("  1.25"));
  EXPECT_EQ(table.LowerModel().Cell(0, 0), QStringLiteral("-10.00"));
  EXPECT_EQ(table.UpperModel().Cell(10, 2), QString());  // zero quantity
  EXPECT_EQ(table.UpperModel().Cell(1, 0), QString());   // zero price: no rate
  EXPECT_EQ(table.UpperModel().Cell(1, 1), QString());
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(QuoteTableOnFeed, ChangingTheStockUnsubscribesTheOldCodeFirstAndDestructionOnlyUnadvises) {
  {
    CCallTbl table(0, 1);
    table.SetReferencePrice(50000);
    EXPECT_EQ(feed_.advised, 1);
    ASSERT_EQ(table.SetStock("005930"), 1);
    EXPECT_EQ(feed_.lastSubscribed, "005930");
    SetCallCode(feed_.book, "000660");
    ASSERT_EQ(table.SetStock("000660"), 1);
    EXPECT_EQ(feed_.lastUnsubscribed, "005930");
    EXPECT_EQ(feed_.lastSubscribed, "000660");
    EXPECT_EQ(feed_.subscribed, 1);
  }
  EXPECT_EQ(feed_.advised, 0);
  EXPECT_EQ(feed_.subscribed, 1);  // no unsubscribe at destruction
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(QuoteTableOnFeed, ARefusedSnapshotUnsubscribesTheOldCodeAndSubscribesNothing) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  ASSERT_EQ(table.SetStock("005930"), 1);
  EXPECT_EQ(feed_.subscribed, 1);
  feed_.refuseSnapshot = true;
  feed_.refusal1 = Utf8ToCp949("없는 종목입니다.");
  feed_.refusal2 = Utf8ToCp949(" 확인하십시오. \t\r\n");
  SetCallCode(feed_.book, "000660");
  EXPECT_EQ(table.SetStock("000660"), 0);
  EXPECT_EQ(feed_.lastUnsubscribed, "005930");
  EXPECT_EQ(feed_.subscribed, 0);
  EXPECT_EQ(feed_.lastSubscribed, "005930");
  ASSERT_EQ(recording_.sink.messages.size(), 2u);
  EXPECT_EQ(recording_.sink.messages[0].Utf8(), "없는 종목입니다. 확인하십시오.");
  EXPECT_EQ(recording_.sink.messages[1].CaptionUtf8(), "확인");
  EXPECT_TRUE(AllBlank(table.UpperModel()));
  EXPECT_TRUE(AllBlank(table.LowerModel()));
  // The next stock does not unsubscribe the code that was never subscribed.
  feed_.refuseSnapshot = false;
  SetCallCode(feed_.book, "035420");
  ASSERT_EQ(table.SetStock("035420"), 1);
  EXPECT_EQ(feed_.lastUnsubscribed, "005930");
  EXPECT_EQ(feed_.subscribed, 1);
}

TEST_F(QuoteTableOnFeed, AnEventOfAnotherStockIsReportedAndChangesNothing) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  ASSERT_EQ(table.SetStock("005930"), 1);
  const CallInfo before = table.Current();
  feed_.eventCode = "000660";
  feed_.book.levels[0].sellQuantity = 999;
  feed_.Raise();
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].CaptionUtf8(), "확인");
  EXPECT_EQ(table.EventsShown(), 0);
  EXPECT_EQ(std::memcmp(&table.Current(), &before, sizeof before), 0);
  EXPECT_EQ(table.UpperModel().Cell(10, 2), QStringLiteral("10"));
}

TEST_F(QuoteTableOnFeed, AFailedSubscriptionIsShownAndTheSnapshotStays) {
  CCallTbl table(0, 1);
  table.SetReferencePrice(50000);
  feed_.failSubscribe = true;
  EXPECT_EQ(table.SetStock("005930"), 1);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  EXPECT_EQ(recording_.sink.messages[0].text, broker::ComErrorText(broker::kEFail));
  ExpectShows(table, table.Current());
}

TEST_F(QuoteTableOnFeed, WithoutThePreviousCloseRatesReadZeroAndTheRecordIsReportedOnce) {
  CCallTbl table(0, 1);
  ASSERT_EQ(table.SetStock("005930"), 1);
  EXPECT_EQ(table.UpperModel().Cell(10, 0), QStringLiteral("  0.00"));
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
}

}  // namespace
}  // namespace ostrada
