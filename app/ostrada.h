#pragma once
// The application object: it prepares the runtime in a fixed order, connects to the server,
// downloads the list of all stocks into the two code books it keeps for the whole run, reads the
// market times and opens the main frame. Every window reaches the full code book through it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/indexbars.h"
#include "app/serverlink.h"
#include "app/startoptions.h"
#include "broker/sim/paper/practice_ledgers.h"
#include "basesrc/codeinfo.h"
#include "basesrc/spotrecorder.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"

namespace ostrada {

class CMainFrame;

// The steps of start-up, in the order they run.
enum class StartStep {
  kCommonControls,
  kSockets,
  kOle,
  kSettingsKey,
  kCodeBooks,
  kMarketTimes,
  kCommandLine,
  kMainFrame,
};

class CostradaApp : public SpotHost {
 public:
  explicit CostradaApp(const StartOptions& options = {});
  ~CostradaApp() override;
  CostradaApp(const CostradaApp&) = delete;
  CostradaApp& operator=(const CostradaApp&) = delete;

  // Nonzero when the application runs (the main frame is shown), 0 when it must end at once.
  int InitInstance();
  // (Re)builds both code books; 0 after telling the user, the books then missing.
  int BuildCodeBooks();
  // The gateway's download of the code list, under the wait cursor; null after telling the user.
  std::unique_ptr<CodeInfoList> DownloadCodeList(int sortKind, int dropMarket3);
  // Always 1: a time the server cannot give stays 0.
  int ReadMarketTimes();
  void OnAppAbout();
  // "새 연습 계좌": the picker, then, once the event loop is back, StartPractice with the choice.
  void OnNewPractice();
  // Keeps the current ledger under its dates, starts a new practice account in its place and opens
  // the session again on it (the server restarts at the new account's clock). A refusal is told and
  // the session opens again on the ledger as it was. 0 when refused.
  int StartPractice(const sim::PracticeStart& start);
  // "연습 계좌 열기": the picker of the kept ledgers, then, once the event loop is back, ReopenPractice.
  void OnReopenPractice();
  // Makes the kept ledger `chosen` the current one, the current one kept under its dates, and opens
  // the session again on it, as StartPractice does. 0 when refused.
  int ReopenPractice(const std::string& chosen);

  // The full code book (null while no stocks were received); never freed by a window.
  const CodeInfoList* AllCodes() const override { return allCodes_.get(); }
  // The copy without preferred shares.
  const CodeInfoList* CommonCodes() const override { return commonCodes_.get(); }
  // Saves a snapshot recorder's group as "_nowspot_" file of this moment in the data folder.
  int WriteSnapshotFile(NowGate& snapshot) override { return SaveSnapshotFile(snapshot) != 0 ? 1 : 0; }
  // HHMMSS.
  int MarketTime1() const { return marketTime1_; }
  int MarketTime2() const { return marketTime2_; }

  CMainFrame* MainFrame() const { return mainFrame_.get(); }
  // The process's one trading login, shared by the home board and every order window.
  TradingSession& Session() { return session_; }
  // The process's one poll of the indexes' newest bars, for the home board and every index chart.
  IndexBars& Indexes() { return indexes_; }
  const StartOptions& Options() const { return options_; }
  // The embedded exchange the program runs on (null before the server connection starts).
  sim::Exchange* Exchange() const { return server_.Exchange(); }
  // The start-up steps taken so far, for tests of the order.
  const std::vector<StartStep>& StepsTaken() const { return steps_; }

 private:
  void Step(StartStep step) { steps_.push_back(step); }
  void SetSettingsKey();
  // The main frame on the running server, shown, with the session logged in when `logIn`.
  void OpenFrame(bool logIn);
  // Ends the session, makes `change` to the ledger with the server stopped (nothing in this process
  // holds it then) and opens the session again on whatever account the ledger then is, with the
  // windows that were open in their places, each showing that account. 0 when `change` refused.
  int SwitchLedger(const std::function<sim::PracticeResult()>& change);
  static void CarryOldSettingsOver();

  StocGate gate_;
  std::unique_ptr<CodeInfoList> allCodes_;
  std::unique_ptr<CodeInfoList> commonCodes_;
  int marketTime1_ = 0;
  int marketTime2_ = 0;

  StartOptions options_;
  ServerLink server_;
  // After the server (its objects go before it), before the frame (whose windows use it).
  TradingSession session_;
  IndexBars indexes_;
  std::unique_ptr<CMainFrame> mainFrame_;
  std::vector<StartStep> steps_;
};

}  // namespace ostrada
