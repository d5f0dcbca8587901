#pragma once
// The snapshot recorder without its window: on each tick of its timer it downloads a price snapshot
// of the whole market and writes it to a time-stamped "_nowspot_" file in the data folder. The
// recorder window drives it from its timer; the terminal drives it from the exchange's clock.
#include <cstdint>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/localtime.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"

namespace ostrada {

// What the recorder asks of the application: its code books and the writing of a snapshot file.
class SpotHost {
 public:
  virtual ~SpotHost() = default;
  virtual const CodeInfoList* AllCodes() const = 0;
  virtual const CodeInfoList* CommonCodes() const = 0;
  // 1 when the snapshot was written or an earlier file of that second was kept (the user is told),
  // else 0 (reported).
  virtual int WriteSnapshotFile(NowGate& snapshot) = 0;
};

// The periodic timer the recorder runs on.
class SpotTimer {
 public:
  virtual ~SpotTimer() = default;
  // Starts a timer with the period; its identifier (never 0), or 0 when none could start.
  virtual int StartTimer(int id, int64_t periodMilliseconds) = 0;
  virtual void KillTimer(int timerId) = 0;
};

class SpotRecorder {
 public:
  static constexpr int kTimerId = 1131;

  SpotRecorder(SpotHost& host, SpotTimer& timer) : host_(host), timer_(timer) {}
  ~SpotRecorder() { Stop(); }
  SpotRecorder(const SpotRecorder&) = delete;
  SpotRecorder& operator=(const SpotRecorder&) = delete;

  // Stops a running timer whatever the argument; otherwise starts one of the given minutes (the last
  // period set, one minute at first, when minutes <= 0).
  void ToggleTimer(int minutes);
  // Kills the timer if one runs.
  void Stop();
  // A tick of the timer with the identifier: one snapshot when it is the recorder's timer and no
  // snapshot is being taken anywhere. The caller tells its parent afterwards, whatever happened.
  void OnTimer(int timerId);
  // Drops a held snapshot from an earlier minute and downloads a new one when none is held. Always 1.
  int TakeSnapshot();
  // The whole market of the book (the full book when null) as a code-ordered group, written to its
  // file when writing is on; null after telling the user.
  std::unique_ptr<NowGate> DownloadSnapshot(const CodeInfoList* book);

  int TimerId() const { return timerId_; }
  int PeriodUnit() const { return periodUnit_; }
  const NowGate* Snapshot() const { return snapshot_.get(); }
  void SetWriteFile(int flag) { writeFile_ = flag; }

 private:
  SpotHost& host_;
  SpotTimer& timer_;
  StocGate gate_;
  std::unique_ptr<NowGate> snapshot_;
  int writeFile_ = 1;
  int timerId_ = 0;
  int periodUnit_ = 1000;  // milliseconds per period step; a minute is 60 steps
};

// The snapshot file name of the moment: data folder, "_nowspot_", month, day, hour, minute, second
// (two digits each) and ".stn"; empty when the clock or the data folder cannot be read.
std::string SnapshotFileName(const std::string& folder, const uint8_t* localTimeFields);
// Saves the group under the file name of the current local time in the data folder, whose name goes
// to `path` when given. 1 written; -1 when a file of that name exists already: it is kept and the
// user is told; 0 (reported) on failure.
int SaveSnapshotFile(NowGate& snapshot, std::string* path = nullptr);

}  // namespace ostrada
