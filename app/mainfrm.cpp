#include "app/mainfrm.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/chartwnd.h"
#include "app/clockbar.h"
#include "app/clockpanes.h"
#include "app/findcode.h"
#include "app/homeboard.h"
#include "app/lockkeys.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/toolbaricons.h"
#include "app/watchalerts.h"
#include "app/watchdesk.h"
#include "app/workspacelayout.h"
#include "app/workwindows.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

constexpr int kIndicatorCaps = 59137;
constexpr int kIndicatorNum = 59138;
constexpr int kIndicatorScroll = 59139;
constexpr int kIdleMessagePane = 57345;
// The indicators follow the keys while the frame is shown; the keyboard has no change signal.
constexpr int kIndicatorPollMs = 200;
constexpr QSize kButtonImageSize(16, 15);
constexpr QSize kDefaultFrameSize(1024, 720);

QString CommandName(int id) {
  return QStringLiteral("action%1").arg(id);
}

struct WorkingWindowItem {
  int id;
  const char* text;
};

// The working-window items of menu 129 after the finder, left to right.
constexpr WorkingWindowItem kWorkingWindowItems[] = {
    {kCmdQuote5, "&5호가창"}, {kCmdQuote10, "&10 호가창"},      {kCmdContract, "체결창(&N)"},
    {kCmdOrder, "주문(&B)"},  {kCmdQuoteOrder, "호가주문(&C)"},
};

}  // namespace

CMainFrame::CMainFrame(CostradaApp& app)
    : app_(app), workspace_(new WorkWindows(app.AllCodes(), app.Session(), app.Indexes(), this)) {
  setObjectName("frame129");
  setWindowTitle(QStringLiteral("ostrada"));
  setWindowIcon(ProgramIcon());
  resize(kDefaultFrameSize);
  board_ = new CHomeBoard(app_.AllCodes(), app_.Session(), app_.Indexes(), this);
  setCentralWidget(board_);
  connect(board_, &CHomeBoard::stockChosen, this, [this](const QString& code) { ShowChosenStock(code, board_); });
  CreateMenu();
  CreateToolbar();
  CreateStatusBar();
  CreateClock();
  CreateWatches();
}

void CMainFrame::ShowChosenStock(const QString& code, const QObject* origin) {
  const QList<WorkWindow*> open = workspace_->Windows();
  const bool quoteOpen = std::any_of(open.begin(), open.end(), [](WorkWindow* w) { return w->Command() == kCmdQuote10; });
  if (!quoteOpen) {
    if (WorkWindow* quote = workspace_->Open(kCmdQuote10)) quote->ShowStock(code.toStdString());
  }
  workspace_->Link().Choose(code, origin);
}

QAction* CMainFrame::AddCommand(QWidget& owner, const QString& text, int id) {
  auto* action = new QAction(text, this);
  action->setObjectName(CommandName(id));
  owner.addAction(action);
  return action;
}

void CMainFrame::CreateMenu() {
  QMenuBar* menu = menuBar();
  menu->setObjectName("menu129");

  QAction* exit = AddCommand(*menu, QStringLiteral("끝내기(&X)"), kCmdExit);
  connect(exit, &QAction::triggered, this, &QWidget::close);

  QAction* finder = AddCommand(*menu, QStringLiteral("종목선택창(&S)"), kCmdFindCode);
  connect(finder, &QAction::triggered, this, &CMainFrame::OnFindCode);

  for (const WorkingWindowItem& item : kWorkingWindowItems) {
    QAction* action = AddCommand(*menu, QString::fromUtf8(item.text), item.id);
    connect(action, &QAction::triggered, this, [this, id = item.id] { workspace_->Open(id); });
  }

  QAction* chart = AddCommand(*menu, QStringLiteral("차트(&R)"), kCmdChart);
  connect(chart, &QAction::triggered, this, [this] { workspace_->Open(kCmdChart); });
  QAction* journal = AddCommand(*menu, FromCp949(Text(Txt::kJournalMenuItem)), kCmdJournal);
  connect(journal, &QAction::triggered, this, [this] { workspace_->Open(kCmdJournal); });
  QAction* watches = AddCommand(*menu, FromCp949(Text(Txt::kWatchMenuItem)), kCmdWatches);
  connect(watches, &QAction::triggered, this, [this] { workspace_->Open(kCmdWatches); });
  QAction* practice = AddCommand(*menu, FromCp949(Text(Txt::kPracticeMenuItem)), kCmdPractice);
  connect(practice, &QAction::triggered, this, [this] { app_.OnNewPractice(); });
  QAction* reopen = AddCommand(*menu, FromCp949(Text(Txt::kReopenMenuItem)), kCmdReopen);
  connect(reopen, &QAction::triggered, this, [this] { app_.OnReopenPractice(); });

  QMenu* view = menu->addMenu(QStringLiteral("보기(&V)"));
  view->setObjectName("menuView");
  QMenu* help = menu->addMenu(QStringLiteral("도움말(&H)"));
  help->setObjectName("menuHelp");
  QAction* about = AddCommand(*help, QStringLiteral("ostrada 정보(&A)..."), kCmdAbout);
  connect(about, &QAction::triggered, this, [this] { app_.OnAppAbout(); });
}

void CMainFrame::CreateToolbar() {
  auto* toolbar = new QToolBar(this);
  toolbar->setObjectName("toolbar128");
  toolbar->setIconSize(kButtonImageSize);
  toolbar->setMovable(true);
  toolbar->setFloatable(true);
  toolbar->setAllowedAreas(Qt::AllToolBarAreas);
  addToolBar(Qt::TopToolBarArea, toolbar);

  // The working windows a click away, as the menu opens them.
  toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (int id : {kCmdQuote10, kCmdContract, kCmdOrder, kCmdQuoteOrder, kCmdChart, kCmdJournal}) {
    toolbar->addAction(findChild<QAction*>(CommandName(id)));
  }
  toolbar->addSeparator();
  QAction* about = findChild<QAction*>(CommandName(kCmdAbout));
  about->setIcon(ToolbarIcon(ToolbarPicture::kAbout));
  // The about box keeps its picture among the words.
  toolbar->addAction(about);
  if (auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(about))) {
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  }

  QAction* show = toolbar->toggleViewAction();
  show->setText(QStringLiteral("도구 모음(&T)"));
  show->setObjectName(CommandName(kCmdViewToolbar));
  findChild<QMenu*>("menuView")->addAction(show);
}

void CMainFrame::CreateStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("statusbar%1").arg(kCmdViewStatusBar));
  // A temporary message (a menu item's tip) covers the idle text, which shows again when it ends.
  auto* idle = new QLabel(QStringLiteral("준비"), bar);
  idle->setObjectName(QStringLiteral("pane%1").arg(kIdleMessagePane));
  bar->addWidget(idle, 1);
  // The account's clock stands before the indicators.
  if (app_.Exchange() != nullptr) new ClockPanes(app_.Exchange()->Clock(), *bar);

  const std::array<std::pair<int, const char*>, 3> panes = {
      {{kIndicatorCaps, "CAP"}, {kIndicatorNum, "NUM"}, {kIndicatorScroll, "SCRL"}}};
  for (size_t i = 0; i < panes.size(); ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QStringLiteral("indicator%1").arg(panes[i].first));
    label->setProperty("indicatorText", QString::fromLatin1(panes[i].second));
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral(" SCRL ")));
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->addPermanentWidget(label);
    indicators_[i] = label;
  }

  QAction* show = new QAction(QStringLiteral("상태 표시줄(&S)"), this);
  show->setObjectName(CommandName(kCmdViewStatusBar));
  show->setCheckable(true);
  show->setChecked(true);
  connect(show, &QAction::toggled, bar, &QWidget::setVisible);
  findChild<QMenu*>("menuView")->addAction(show);

  UpdateIndicators();
  indicatorTimer_.callOnTimeout(this, &CMainFrame::UpdateIndicators);
  indicatorTimer_.start(kIndicatorPollMs);
}

void CMainFrame::CreateClock() {
  sim::Exchange* exchange = app_.Exchange();
  if (exchange == nullptr) return;
  // Another process (a command line) jumped the account's clock, which the exchange followed.
  exchange->OnAccountJump([frame = QPointer<CMainFrame>(this)] {
    if (frame) frame->CatchUp();
  });
  // A live clock is the wall's: nobody runs it faster or jumps it.
  if (app_.Options().exchange.clock != sim::ClockMode::kSession) return;
  auto* bar = new CClockBar(*exchange, !app_.Options().speedChosen, this);
  addToolBarBreak(Qt::TopToolBarArea);
  addToolBar(Qt::TopToolBarArea, bar);
  findChild<QMenu*>("menuView")->addAction(bar->toggleViewAction());
  connect(bar, &CClockBar::jumped, this, &CMainFrame::CatchUp);
  // Queued: the close is passed inside the exchange's step, which the windows must not ask into.
  connect(bar, &CClockBar::sessionClosed, this, &CMainFrame::CatchUp, Qt::QueuedConnection);
}

void CMainFrame::CreateWatches() {
  sim::Exchange* exchange = app_.Exchange();
  if (exchange == nullptr) {
    findChild<QAction*>(CommandName(kCmdWatches))->setEnabled(false);
    return;
  }
  auto* desk = new WatchDesk(*exchange, this);
  workspace_->SetWatchDesk(desk);
  new WatchAlerts(*desk, board_->Model(), this);
}

void CMainFrame::CatchUp() {
  app_.Indexes().Refresh();
  board_->CatchUp();
  workspace_->CatchUp();
}

void CMainFrame::UpdateIndicators() {
  const LockKeys keys = QueryLockKeys();
  const bool on[] = {keys.caps, keys.num, keys.scroll};
  for (size_t i = 0; i < indicators_.size(); ++i) {
    indicators_[i]->setText(on[i] ? indicators_[i]->property("indicatorText").toString() : QString());
  }
}

void CMainFrame::RememberLayout(const QString& settingsFile, bool restore) {
  layoutRemembered_ = true;
  layoutFile_ = settingsFile;
  if (!restore) return;
  const std::unique_ptr<QSettings> settings = LayoutSettings();
  RestoreLayout(*workspace_, *this, *settings);
}

std::unique_ptr<QSettings> CMainFrame::LayoutSettings() const {
  if (layoutFile_.isEmpty()) return std::make_unique<QSettings>();
  return std::make_unique<QSettings>(layoutFile_, QSettings::IniFormat);
}

bool CMainFrame::MayEnd() {
  const std::optional<int32_t> open = app_.Session().LoggedIn() ? app_.Session().Snapshot().OpenOrders() : std::nullopt;
  if (!open || *open == 0) return true;
  char text[256];
  std::snprintf(text, sizeof text, TextC(Txt::kExitWithOpenOrders), static_cast<int>(*open));
  return ShowMessage(text, kMbYesNo | kMbIconQuestion) == kIdYes;
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  // Open orders stay at the exchange; the user is to know before the windows that show them go.
  if (!MayEnd()) {
    event->ignore();
    return;
  }
  if (layoutRemembered_) {
    const std::unique_ptr<QSettings> settings = LayoutSettings();
    SaveLayout(*workspace_, *this, *settings);
  }
  workspace_->CloseAll();
  QMainWindow::closeEvent(event);
}

void CMainFrame::OnFindCode() {
  CFindCode finder(app_.AllCodes());
  finder.exec();
  const std::string& name = finder.ChosenName();
  ShowMessage(name.empty() ? Text(Txt::kNoStockChosen) : name + "(" + finder.ChosenCode() + ")");
}

}  // namespace ostrada
