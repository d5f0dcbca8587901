#pragma once
// CSpotWnd: a child window without content that records whole-market snapshots. Each tick of its
// timer downloads the prices of every stock and writes them to a "_nowspot_" file in the data folder,
// then tells its parent with WM_SPOT_TICK. A window that wants periodic snapshots creates one as its
// child and calls ToggleTimer. The period is program time (the clock the file names are read from,
// which the exchange may run faster than real time): a short real-time timer watches that clock.
#include <QWidget>

#include "basesrc/spotrecorder.h"

namespace ostrada {

class CSpotWnd : public QWidget, private SpotTimer {
 public:
  explicit CSpotWnd(SpotHost& app);
  ~CSpotWnd() override;
  CSpotWnd(const CSpotWnd&) = delete;
  CSpotWnd& operator=(const CSpotWnd&) = delete;

  // Makes the recorder a visible child of the parent at (0, 0, 100, 100) with the child identifier.
  int Create(QWidget* parent, int id);
  // Starts recording every `minutes` minutes, or stops a recording in progress.
  void ToggleTimer(int minutes) { recorder_.ToggleTimer(minutes); }
  int TakeSnapshot() { return recorder_.TakeSnapshot(); }
  std::unique_ptr<NowGate> DownloadSnapshot(const CodeInfoList* book) { return recorder_.DownloadSnapshot(book); }

  const SpotRecorder& Recorder() const { return recorder_; }

 protected:
  void timerEvent(QTimerEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  int StartTimer(int id, int64_t periodMilliseconds) override;
  void KillTimer(int timerId) override;

  SpotRecorder recorder_;
  int watchId_ = 0;      // the real-time timer that watches the program clock; 0 when none runs
  int64_t period_ = 0;   // program milliseconds between ticks
  int64_t nextTick_ = 0;  // program time of the next tick, milliseconds since the epoch
};

}  // namespace ostrada
