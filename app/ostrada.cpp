#include "app/ostrada.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

#include "app/aboutdlg.h"
#include "app/journalwnd.h"
#include "app/loginmemory.h"
#include "app/mainfrm.h"
#include "app/practicedlg.h"
#include "app/reopendlg.h"
#include "app/workspacelayout.h"
#include "app/workwindows.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada {
namespace {

// The program's settings live under its own name (~/.config/ostrada/ostrada.conf); earlier versions
// kept them under this long key, whose file is carried over once.
constexpr char kSettingsName[] = "ostrada";
constexpr char kOldSettingsKey[] = "로컬 응용 프로그램 마법사에서 생성된 응용 프로그램";
constexpr int kHhmmToHhmmss = 100;

// The common-share book: a copy by name without the preferred shares; null when either step failed
// (the failure was reported where it happened).
std::unique_ptr<CodeInfoList> CopyWithoutPreferred(const CodeInfoList& allCodes) {
  auto common = std::make_unique<CodeInfoList>(allCodes, kSortByName);
  if (common->Count() != allCodes.Count() || !common->RemovePreferred()) return nullptr;
  return common;
}

}  // namespace

CostradaApp::CostradaApp(const StartOptions& options) : options_(options) {}

CostradaApp::~CostradaApp() {
  mainFrame_.reset();
  allCodes_.reset();
  commonCodes_.reset();
}

int CostradaApp::InitInstance() {
  // The widget library is ready once the QApplication exists; nothing else to prepare.
  Step(StartStep::kCommonControls);

  // Sockets need no start-up on this platform, so this step cannot fail here.
  Step(StartStep::kSockets);

  Step(StartStep::kOle);
  if (!server_.Start(options_)) {
    ShowMessage(Text(Txt::kOleFailed));
    return 0;
  }

  Step(StartStep::kSettingsKey);
  SetSettingsKey();

  Step(StartStep::kCodeBooks);
  BuildCodeBooks();  // a failure was shown; the program runs on without code books

  Step(StartStep::kMarketTimes);
  ReadMarketTimes();

  // The options were read before the server started; no document is opened from the command line.
  Step(StartStep::kCommandLine);

  Step(StartStep::kMainFrame);
  // The user asked to stay logged in: the windows find the session as they left it.
  OpenFrame(LoginRemembered());
  if (options_.rememberLayout) mainFrame_->RememberLayout(options_.layoutFile, !options_.cleanLayout);
  return 1;
}

void CostradaApp::OpenFrame(bool logIn) {
  mainFrame_ = std::make_unique<CMainFrame>(*this);
  mainFrame_->Workspace().SetJournalPlace(JournalPlaceOf(options_.exchange));
  mainFrame_->show();
  if (logIn) session_.LogIn();
}

void CostradaApp::OnNewPractice() {
  if (options_.exchange.paper.ledgerPath.empty()) {
    ShowMessage(Text(Txt::kPracticeNoLedger));
    return;
  }
  const int64_t now = options_.exchange.wallClock ? options_.exchange.wallClock() : sim::SystemMilliseconds();
  CPracticeDlg picker(sim::DefaultTradingDate(now), options_.exchange.paper.startingCash, mainFrame_.get());
  if (picker.exec() != QDialog::Accepted) return;
  // The frame whose menu asked goes with the session: not before its command has returned.
  QTimer::singleShot(0, qApp, [this, start = picker.Start()] { StartPractice(start); });
}

int CostradaApp::StartPractice(const sim::PracticeStart& start) {
  return SwitchLedger([this, &start] {
    const int64_t now = options_.exchange.wallClock ? options_.exchange.wallClock() : sim::SystemMilliseconds();
    return sim::StartPracticeAccount(options_.exchange.paper.ledgerPath, start, sim::DefaultTradingDate(now),
                                     sim::FeeRatesOf(options_.exchange.paper));
  });
}

void CostradaApp::OnReopenPractice() {
  if (options_.exchange.paper.ledgerPath.empty()) {
    ShowMessage(Text(Txt::kPracticeNoLedger));
    return;
  }
  CReopenDlg picker(options_.exchange.paper.ledgerPath, sim::FeeRatesOf(options_.exchange.paper), mainFrame_.get());
  if (picker.Offered() == 0) {
    ShowMessage(Text(Txt::kPracticeNoKeptLedgers));
    return;
  }
  if (picker.exec() != QDialog::Accepted) return;
  QTimer::singleShot(0, qApp, [this, chosen = picker.Chosen()] { ReopenPractice(chosen); });
}

int CostradaApp::ReopenPractice(const std::string& chosen) {
  return SwitchLedger([this, &chosen] {
    return sim::ReopenPracticeAccount(options_.exchange.paper.ledgerPath, chosen,
                                      sim::FeeRatesOf(options_.exchange.paper));
  });
}

int CostradaApp::SwitchLedger(const std::function<sim::PracticeResult()>& change) {
  const bool loggedIn = session_.LoggedIn();
  WorkspacePlaces places;
  if (mainFrame_) places = TakeLayout(mainFrame_->Workspace(), *mainFrame_);
  // Every server object goes before the server, and the server closes the ledger before it moves.
  if (mainFrame_) mainFrame_->Workspace().CloseAll();
  mainFrame_.reset();
  session_.LogOut();
  server_.Stop();
  const sim::PracticeResult result = change();
  // The session resumes at the ledger's clock and on its market (a seed or a size given at start is
  // the first account's): the new account's, or where the one kept stood.
  options_.exchange.tradingDate = 0;
  options_.exchange.paper.drawSeed = true;
  options_.exchange.paper.followListing = true;
  if (!server_.Start(options_)) {
    ShowMessage(Text(Txt::kOleFailed));
    return 0;
  }
  OpenFrame(loggedIn);
  // Opened now, the windows ask the account they show afresh.
  if (options_.rememberLayout) mainFrame_->RememberLayout(options_.layoutFile, false);
  OpenLayout(mainFrame_->Workspace(), *mainFrame_, places);
  if (result.refused) {
    ShowMessage(*result.refused);
    return 0;
  }
  return 1;
}

void CostradaApp::SetSettingsKey() {
  QCoreApplication::setOrganizationName(QString::fromLatin1(kSettingsName));
  QCoreApplication::setApplicationName(QString::fromLatin1(kSettingsName));
  CarryOldSettingsOver();
}

void CostradaApp::CarryOldSettingsOver() {
  const QString settings = QSettings().fileName();
  const QString old = QSettings(QString::fromUtf8(kOldSettingsKey), QString::fromLatin1(kSettingsName)).fileName();
  if (QFileInfo::exists(settings) || !QFileInfo::exists(old)) return;
  // A file that cannot be moved stays where it was, and the program starts from its defaults.
  if (QDir().mkpath(QFileInfo(settings).absolutePath()) && QFile::rename(old, settings))
    QDir().rmdir(QFileInfo(old).absolutePath());
}

int CostradaApp::BuildCodeBooks() {
  allCodes_.reset();
  commonCodes_.reset();
  {
    WaitCursor wait;
    allCodes_ = DownloadCodeList(kSortByName, 1);
    if (allCodes_) commonCodes_ = CopyWithoutPreferred(*allCodes_);
  }
  if (!allCodes_) {
    ShowMessage(Text(Txt::kCodeListDownloadFailed));
    return 0;
  }
  if (!commonCodes_) {
    ShowMessage(Text(Txt::kCommonBookFailed));
    return 0;
  }
  return 1;
}

std::unique_ptr<CodeInfoList> CostradaApp::DownloadCodeList(int sortKind, int dropMarket3) {
  std::unique_ptr<CodeInfoList> book;
  {
    WaitCursor wait;
    book = gate_.DownloadCodes(sortKind, dropMarket3);
  }
  if (!book) ShowMessage(Text(Txt::kCodeListDownloadFailed));
  return book;
}

int CostradaApp::ReadMarketTimes() {
  marketTime1_ = gate_.MarketTime(1) * kHhmmToHhmmss;
  marketTime2_ = gate_.MarketTime(2) * kHhmmToHhmmss;
  return 1;
}

void CostradaApp::OnAppAbout() {
  CAboutDlg about(mainFrame_.get());
  about.exec();
}

}  // namespace ostrada
