#pragma once
// The main frame: an MDI-style frame with menu 129, toolbar 128 (the working windows and the about
// box: an editing toolbar would have nothing to edit), a status bar showing "준비" and the
// CAP, NUM and SCRL indicators, and the home board as its client area. Each working-window command
// opens a new window beside the frame without blocking it; the frame keeps them as its workspace,
// which it can remember in the settings and bring back at the next start.
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <memory>

class QLabel;
class QMenuBar;
class QSettings;

namespace ostrada {

class CHomeBoard;
class CostradaApp;
class WorkWindows;

// Framework command identifiers used by the frame.
enum FrameCommandId : int {
  kCmdAbout = 57664,
  kCmdExit = 57665,
  kCmdViewToolbar = 59392,
  kCmdViewStatusBar = 59393,
  kCmdPractice = 32810,  // "새 연습 계좌"
  kCmdReopen = 32812,    // "연습 계좌 열기"
};

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CostradaApp& app);

  // Command 32792: the stock finder, then the choice (or that there is none) in a message box.
  void OnFindCode();

  WorkWindows& Workspace() { return *workspace_; }
  // From now on the layout is saved in the settings file (the program's own settings when empty) on
  // close; with `restore` the layout saved last time is opened at once.
  void RememberLayout(const QString& settingsFile, bool restore);
  // A stock chosen outside the working windows (the home board): every linked window switches to it,
  // and a 10-level quote window opens with it when none is open.
  void ShowChosenStock(const QString& code, const QObject* origin);

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  std::unique_ptr<QSettings> LayoutSettings() const;
  // "끝내기" with open orders asks first; true when the program is to end.
  bool MayEnd();

  void CreateMenu();
  void CreateToolbar();
  void CreateStatusBar();
  // The clock bar, on a session of the embedded exchange; the catch-up after another process's jump.
  void CreateClock();
  // The paper account's conditions for the windows, and what an alert does, on the embedded exchange.
  void CreateWatches();
  // After a jump of the clock (the bar's or another process's) every window shows what a window
  // opened now shows.
  void CatchUp();
  QAction* AddCommand(QWidget& owner, const QString& text, int id);
  void UpdateIndicators();

  CostradaApp& app_;
  std::array<QLabel*, 3> indicators_{};
  QTimer indicatorTimer_;
  WorkWindows* workspace_;
  CHomeBoard* board_;
  bool layoutRemembered_ = false;
  QString layoutFile_;
};

}  // namespace ostrada
