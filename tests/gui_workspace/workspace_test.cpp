// The workspace driven as a user drives it: the menu opens working windows side by side, a stock
// typed or picked in one linked window switches the others, closing a window ends its feeds, and the
// layout left at quit comes back at the next start.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <limits>
#include <map>
#include <memory>
#include <set>

#include "app/callfrm.h"
#include "app/chartwnd.h"
#include "app/calltbl.h"
#include "app/confrm.h"
#include "app/contbl.h"
#include "app/homeboard.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/simplecombo.h"
#include "app/stocklink.h"
#include "app/trdbuycallfrm.h"
#include "app/trdbuytbl.h"
#include "app/windowmessages.h"
#include "app/workwindows.h"
#include "broker/sim/exchange.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_chart/chart_fixture.h"
#include "tests/gui_trading/click.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

// Records the top-level window of every receiver of a live server event.
class EventWatch : public QObject {
 public:
  EventWatch() { QCoreApplication::instance()->installEventFilter(this); }
  ~EventWatch() override { QCoreApplication::instance()->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (AsWindowMessage(event, WM_EVENT_RECEIVED) != nullptr ||
        AsWindowMessage(event, WM_CONTRACT_FORWARD) != nullptr) {
      if (auto* widget = qobject_cast<QWidget*>(watched)) ++received[widget->window()];
    }
    return false;
  }
  std::map<const QWidget*, int> received;
};

class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    Start(false);
  }
  void Start(bool clean) {
    frame_ = nullptr;
    app_.reset();
    StartOptions options;
    options.exchange.seed = 17;
    options.exchange.stocks = 40;
    options.rememberLayout = true;
    options.layoutFile = folder_.filePath(QStringLiteral("layout.ini"));
    options.cleanLayout = clean;
    app_ = std::make_unique<CostradaApp>(options);
    ASSERT_EQ(app_->InitInstance(), 1);
    frame_ = app_->MainFrame();
  }
  // The window the menu command opens, as a user opens it.
  WorkWindow* Open(int command) {
    const int before = static_cast<int>(frame_->Workspace().Windows().size());
    frame_->findChild<QAction*>(QStringLiteral("action%1").arg(command))->trigger();
    const QList<WorkWindow*> windows = frame_->Workspace().Windows();
    return windows.size() == before + 1 ? windows.back() : nullptr;
  }
  // The k-th stock of the book, CP949 name and code.
  const CodeInfo& Stock(int k) const { return *app_->AllCodes()->GetAt(k); }
  // Types the name into the window's stock box and presses Enter.
  static void TypeStock(QWidget& window, const QString& name) {
    auto* combo = window.findChild<QComboBox*>(QStringLiteral("combo9014"));
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(combo->isEditable());
    combo->lineEdit()->clear();
    testing::TypeText(*combo->lineEdit(), name);
    testing::PressKey(*combo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
  }
  static void DeleteClosed() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

  testing::RecordingScope recording_;
  QTemporaryDir folder_;
  std::unique_ptr<CostradaApp> app_;
  CMainFrame* frame_ = nullptr;
};

TEST_F(WorkspaceTest, MenuOpensAnyNumberOfWindowsBesideTheFrameWithoutBlocking) {
  const int commands[] = {kCmdQuote10, kCmdQuote5, kCmdContract, kCmdOrder, kCmdQuoteOrder};
  std::set<QWidget*> opened;
  for (int round = 0; round < 2; ++round) {
    for (int command : commands) {
      // The trigger returns at once: the window is open and the frame goes on.
      WorkWindow* window = Open(command);
      ASSERT_NE(window, nullptr) << command;
      EXPECT_TRUE(window->Window().isVisible());
      EXPECT_EQ(window->Window().windowModality(), Qt::NonModal);
      EXPECT_TRUE(window->Window().isWindow());
      EXPECT_TRUE(window->Toggle().Linked()) << "linked by default";
      opened.insert(&window->Window());
    }
  }
  EXPECT_EQ(opened.size(), 10u);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_TRUE(frame_->isEnabled());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
  const std::map<int, const char*> names = {{kCmdQuote10, "dialog146"},
                                            {kCmdQuote5, "dialog146"},
                                            {kCmdContract, "dialog149"},
                                            {kCmdOrder, "dialog145"},
                                            {kCmdQuoteOrder, "dialog151"}};
  for (WorkWindow* window : frame_->Workspace().Windows()) {
    EXPECT_EQ(window->Window().objectName().toStdString(), names.at(window->Command()));
  }
}

TEST_F(WorkspaceTest, TheFinderOfAWindowBlocksThatWindowOnly) {
  WorkWindow* quotes = Open(kCmdQuote10);
  Open(kCmdContract);
  Qt::WindowModality modality = Qt::NonModal;
  QWidget* owner = nullptr;
  testing::WhenShown("dialog135", [&](QWidget& finder) {
    modality = finder.windowModality();
    owner = finder.parentWidget()->window();
    finder.findChild<QPushButton*>("button2")->click();
  });
  quotes->Window().findChild<QPushButton*>("button9034")->click();
  EXPECT_EQ(modality, Qt::WindowModal);
  EXPECT_EQ(owner, &quotes->Window());
}

TEST_F(WorkspaceTest, AStockTypedInALinkedWindowSwitchesEveryOtherLinkedWindow) {
  WorkWindow* quotes = Open(kCmdQuote10);
  WorkWindow* five = Open(kCmdQuote5);
  WorkWindow* contracts = Open(kCmdContract);
  WorkWindow* order = Open(kCmdOrder);
  WorkWindow* quoteOrder = Open(kCmdQuoteOrder);
  // The user unlinks the 5-level window with its toggle.
  testing::Click(five->Toggle());
  ASSERT_FALSE(five->Toggle().Linked());

  const CodeInfo& stock = Stock(5);
  TypeStock(quotes->Window(), FromCp949(stock.key.name.get()));
  const std::string code = stock.key.code;
  EXPECT_EQ(quotes->Code(), code);
  EXPECT_EQ(contracts->Code(), code);
  EXPECT_EQ(order->Code(), code);
  EXPECT_EQ(quoteOrder->Code(), code);
  EXPECT_TRUE(five->Code().empty());
  // Every panel of the quote-click window follows, and the contract window shows the stock's list.
  auto& frame = static_cast<CTrdCallDlg&>(quoteOrder->Window()).Frame();
  EXPECT_EQ(frame.Quote().Code(), code);
  EXPECT_EQ(static_cast<CConDlg&>(contracts->Window()).Frame()->Table()->Code(), code);

  // A choice in the contract window, through its finder, travels the other way.
  const CodeInfo& other = Stock(9);
  testing::WhenShown("dialog135", [&](QWidget& finder) {
    testing::TypeText(*finder.findChild<SimpleComboBox*>("combo1179")->Edit(), FromCp949(other.key.name.get()));
    finder.findChild<QPushButton*>("button1")->click();
  });
  contracts->Window().findChild<QPushButton*>("button9034")->click();
  EXPECT_EQ(contracts->Code(), other.key.code);
  EXPECT_EQ(quotes->Code(), other.key.code);
  EXPECT_EQ(order->Code(), other.key.code);
  EXPECT_EQ(frame.Quote().Code(), other.key.code);
  EXPECT_TRUE(five->Code().empty());

  // Either panel of the quote-click window tells the others: a name typed in the quote panel's box,
  // then one chosen again from the names the order form's box keeps.
  const auto expectEveryLinkedWindowOn = [&](const CodeInfo& expected) {
    const std::string chosen = expected.key.code;
    EXPECT_EQ(quoteOrder->Code(), chosen);
    EXPECT_EQ(frame.Quote().Code(), chosen);
    EXPECT_EQ(quotes->Code(), chosen);
    EXPECT_EQ(contracts->Code(), chosen);
    EXPECT_EQ(order->Code(), chosen);
    EXPECT_TRUE(five->Code().empty());
  };
  TypeStock(frame.Quote(), FromCp949(Stock(11).key.name.get()));
  expectEveryLinkedWindowOn(Stock(11));
  auto* formBox = frame.Form().findChild<QComboBox*>(QStringLiteral("combo9014"));
  ASSERT_NE(formBox, nullptr);
  const int keptRow = formBox->findText(FromCp949(stock.key.name.get()));
  ASSERT_GE(keptRow, 0);
  testing::ChooseFromList(*formBox, keptRow);
  expectEveryLinkedWindowOn(stock);

  // An unlinked window's own choice stays its own.
  TypeStock(five->Window(), FromCp949(Stock(2).key.name.get()));
  EXPECT_EQ(five->Code(), Stock(2).key.code);
  EXPECT_EQ(quotes->Code(), stock.key.code);

  // A window opened now starts on the linked stock, not on the unlinked window's.
  WorkWindow* chart = Open(kCmdChart);
  EXPECT_EQ(chart->Code(), stock.key.code);
  WorkWindow* moreContracts = Open(kCmdContract);
  EXPECT_EQ(static_cast<CConDlg&>(moreContracts->Window()).Frame()->Table()->Code(), stock.key.code);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(WorkspaceTest, TheChartAndTheBoardTakePartInTheLink) {
  WorkWindow* chart = Open(kCmdChart);
  ASSERT_NE(chart, nullptr);
  WorkWindow* contracts = Open(kCmdContract);
  auto& chartWindow = static_cast<CChartWnd&>(chart->Window());
  EXPECT_EQ(&chart->Toggle(), &chartWindow.LinkToggle());

  // A name typed in the chart's stock box switches the linked contract window.
  const CodeInfo& stock = Stock(4);
  auto* box = chartWindow.findChild<QLineEdit*>();
  ASSERT_NE(box, nullptr);
  box->clear();
  testing::TypeText(*box, FromCp949(stock.key.name.get()));
  testing::PressKey(*box, Qt::Key_Return);
  EXPECT_EQ(chart->Code(), stock.key.code);
  EXPECT_EQ(contracts->Code(), stock.key.code);

  // A double-click on a board row switches both and, with no 10-level window open, opens one.
  auto* board = frame_->findChild<CHomeBoard*>(QStringLiteral("homeBoard"));
  ASSERT_NE(board, nullptr);
  ASSERT_GE(board->Model().rowCount(), 1);
  const std::string rowCode = board->Model().Rows()[0].code;
  auto* table = board->findChild<QTableView*>(QStringLiteral("watchlist"));
  const QPoint cell = table->visualRect(board->Model().index(0, 0)).center();
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonPress, cell);
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonRelease, cell, Qt::NoButton);
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonDblClick, cell);
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonRelease, cell, Qt::NoButton);
  const QList<WorkWindow*> windows = frame_->Workspace().Windows();
  ASSERT_EQ(windows.size(), 3);
  EXPECT_EQ(windows.back()->Command(), kCmdQuote10);
  EXPECT_EQ(windows.back()->Code(), rowCode);
  EXPECT_EQ(chart->Code(), rowCode);
  EXPECT_EQ(contracts->Code(), rowCode);

  // A second double-click uses the 10-level window already open.
  testing::SendMouse(*table->viewport(), QEvent::MouseButtonDblClick, cell);
  EXPECT_EQ(frame_->Workspace().Windows().size(), 3);
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

TEST_F(WorkspaceTest, NoEventReachesAClosedWindow) {
  WorkWindow* quotes = Open(kCmdQuote10);
  WorkWindow* contracts = Open(kCmdContract);
  WorkWindow* stays = Open(kCmdQuote5);
  testing::Click(stays->Toggle());
  // The busiest stocks of the listing come first in its codes; any live one will do.
  TypeStock(quotes->Window(), FromCp949(Stock(0).key.name.get()));
  TypeStock(stays->Window(), FromCp949(Stock(0).key.name.get()));
  EventWatch watch;
  app_->Exchange()->Advance(120'000);
  const QWidget* closedQuotes = &quotes->Window();
  const QWidget* closedContracts = &contracts->Window();
  ASSERT_GT(watch.received[closedQuotes], 0) << "the stock must be live for the test to mean anything";
  ASSERT_GT(watch.received[closedContracts], 0);

  // One closes with Escape, the other with its close button (a close event).
  QPointer<QWidget> quotesAlive(&quotes->Window()), contractsAlive(&contracts->Window());
  testing::PressKey(quotes->Window(), Qt::Key_Escape);
  contracts->Window().close();
  DeleteClosed();
  EXPECT_TRUE(quotesAlive.isNull());
  EXPECT_TRUE(contractsAlive.isNull());
  EXPECT_EQ(frame_->Workspace().Windows().size(), 1);

  watch.received.clear();
  app_->Exchange()->Advance(120'000);
  EXPECT_EQ(watch.received.count(closedQuotes), 0u);
  EXPECT_EQ(watch.received.count(closedContracts), 0u);
  EXPECT_GT(watch.received[&stays->Window()], 0) << "the window left open still follows its stock";
}

TEST_F(WorkspaceTest, TheLayoutLeftAtQuitComesBackAndACleanStartHasNone) {
  WorkWindow* quotes = Open(kCmdQuote10);
  WorkWindow* contracts = Open(kCmdContract);
  WorkWindow* order = Open(kCmdOrder);
  WorkWindow* five = Open(kCmdQuote5);
  WorkWindow* quoteOrder = Open(kCmdQuoteOrder);
  TypeStock(quotes->Window(), FromCp949(Stock(3).key.name.get()));
  testing::Click(five->Toggle());
  TypeStock(five->Window(), FromCp949(Stock(7).key.name.get()));
  contracts->Window().move(410, 130);
  contracts->Window().resize(contracts->Window().width(), contracts->Window().height() + 60);
  frame_->setGeometry(frame_->geometry().translated(35, 25));
  const QRect frameGeometry = frame_->geometry();
  // A window closed just before the quit, still waiting for its deletion, is gone from the layout.
  Open(kCmdContract)->Window().close();
  struct Expected {
    int command;
    std::string code;
    bool linked;
    QRect geometry;
  };
  std::vector<Expected> expected;
  for (WorkWindow* window : {quotes, contracts, order, five, quoteOrder}) {
    expected.push_back({window->Command(), window->Code(), window->Toggle().Linked(), window->Window().geometry()});
  }
  ASSERT_EQ(expected[2].code, Stock(3).key.code);

  frame_->findChild<QAction*>(QStringLiteral("action%1").arg(kCmdExit))->trigger();
  DeleteClosed();
  Start(false);
  const QList<WorkWindow*> restored = frame_->Workspace().Windows();
  ASSERT_EQ(restored.size(), static_cast<int>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const WorkWindow& window = *restored[static_cast<int>(i)];
    EXPECT_EQ(window.Command(), expected[i].command) << i;
    EXPECT_EQ(window.Code(), expected[i].code) << i;
    EXPECT_EQ(window.Toggle().Linked(), expected[i].linked) << i;
    EXPECT_EQ(window.Window().geometry(), expected[i].geometry) << i;
    EXPECT_TRUE(window.Window().isVisible()) << i;
  }
  // The restored quote window shows its stock's price, not only the stock's name.
  EXPECT_FALSE(restored[0]->Window().findChild<QLabel*>("static9029")->text().isEmpty());
  // The quote-click order window brings its quote panel and contract list to its stock.
  CTrdBuyCallFrm& panels = static_cast<CTrdCallDlg&>(restored[4]->Window()).Frame();
  EXPECT_EQ(panels.Quote().Code(), Stock(3).key.code);
  ASSERT_NE(panels.Contracts(), nullptr);
  EXPECT_EQ(panels.Contracts()->Code(), Stock(3).key.code);
  EXPECT_EQ(frame_->geometry(), frameGeometry);

  frame_->close();
  DeleteClosed();
  Start(true);
  EXPECT_TRUE(frame_->Workspace().Windows().isEmpty());
}

TEST_F(WorkspaceTest, ALayoutThatCannotBeSavedAtTheQuitIsTold) {
  Open(kCmdQuote10);
  const QString path = folder_.filePath(QStringLiteral("layout.ini"));
  ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("layout.ini")));  // a folder where the file goes
  frame_->close();
  DeleteClosed();
  EXPECT_EQ(recording_.sink.Texts(), std::vector<std::string>{"창 배치를 저장하지 못했습니다: " + path.toStdString()});
}

TEST_F(WorkspaceTest, ADamagedLayoutOrOneNamingNoWindowOpensWhatItCan) {
  frame_->close();
  DeleteClosed();
  {
    QSettings settings(folder_.filePath(QStringLiteral("layout.ini")), QSettings::IniFormat);
    settings.beginGroup("workspace");
    settings.beginWriteArray("windows", 3);
    settings.setArrayIndex(0);
    settings.setValue("command", 57665);  // exit: not a window
    settings.setArrayIndex(1);
    settings.setValue("command", kCmdQuote10);
    settings.setValue("code", "NOSUCH");
    settings.setValue("geometry", QByteArray("not a geometry"));
    settings.setArrayIndex(2);
    settings.setValue("command", kCmdContract);
    settings.setValue("code", QString::fromLatin1(Stock(1).key.code));
    settings.setValue("linked", false);
    settings.endArray();
    // A damaged count: the start reads the entries there are, not two billion.
    settings.setValue("windows/size", std::numeric_limits<int>::max());
    settings.endGroup();
  }
  Start(false);
  const QList<WorkWindow*> restored = frame_->Workspace().Windows();
  ASSERT_EQ(restored.size(), 2);
  EXPECT_EQ(restored[0]->Command(), kCmdQuote10);
  EXPECT_TRUE(restored[0]->Code().empty());
  EXPECT_TRUE(restored[0]->Toggle().Linked()) << "a window without its link state is linked, as a new one";
  EXPECT_EQ(restored[1]->Code(), Stock(1).key.code);
  EXPECT_FALSE(restored[1]->Toggle().Linked());
  EXPECT_TRUE(recording_.sink.messages.empty()) << recording_.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
