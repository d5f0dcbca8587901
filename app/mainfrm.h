#pragma once
// The main frame: menu 129, toolbar 128, a status bar showing "준비" and the CAP, NUM and SCRL
// indicators, and the home board as its client area. Each menu command opens a working window.
#include <QMainWindow>
#include <QTimer>
#include <array>

class QLabel;
class QMenuBar;

namespace ostrada {

class CostradaApp;

// Framework command identifiers used by the frame.
enum FrameCommandId : int {
  kCmdPrint = 57607,
  kCmdCopy = 57634,
  kCmdCut = 57635,
  kCmdPaste = 57637,
  kCmdAbout = 57664,
  kCmdExit = 57665,
  kCmdViewToolbar = 59392,
  kCmdViewStatusBar = 59393,
};

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CostradaApp& app);

  // Command 32792: the stock finder, then the choice (or that there is none) in a message box.
  void OnFindCode();

 private:
  void CreateMenu();
  void CreateToolbar();
  void CreateStatusBar();
  QAction* AddCommand(QWidget& owner, const QString& text, int id);
  void UpdateIndicators();

  CostradaApp& app_;
  std::array<QLabel*, 3> indicators_{};
  QTimer indicatorTimer_;
};

}  // namespace ostrada
