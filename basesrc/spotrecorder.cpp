#include "basesrc/spotrecorder.h"

#include <cstdio>

#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/priceinfo.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/spotrecorder";

constexpr int kPeriodStepsPerMinute = 60;

// Shared by every recorder: a tick that arrives while any recorder is downloading is dropped.
int g_snapshotBusy = 0;

}  // namespace

void SpotRecorder::ToggleTimer(int minutes) {
  if (timerId_ != 0) {
    Stop();
    return;
  }
  if (minutes > 0) periodUnit_ = minutes * 1000;
  timerId_ = timer_.StartTimer(kTimerId, int64_t{periodUnit_} * kPeriodStepsPerMinute);
}

void SpotRecorder::Stop() {
  if (timerId_ == 0) return;
  timer_.KillTimer(timerId_);
  timerId_ = 0;
}

void SpotRecorder::OnTimer(int timerId) {
  if (timerId != timerId_ || timerId_ == 0 || g_snapshotBusy != 0) return;
  g_snapshotBusy = 1;
  TakeSnapshot();
  g_snapshotBusy = 0;
}

int SpotRecorder::TakeSnapshot() {
  // The held snapshot is of another minute when its quote time differs from now; compared directly,
  // since 00:00 is the time 0, which the minutes-between helper refuses.
  const int32_t now = NowHHMM();
  if (snapshot_ && snapshot_->LatestTime() != now) snapshot_.reset();
  if (!snapshot_) snapshot_ = DownloadSnapshot(nullptr);
  return 1;
}

std::unique_ptr<NowGate> SpotRecorder::DownloadSnapshot(const CodeInfoList* book) {
  if (host_.CommonCodes() == nullptr) {
    ShowMessage(Text(Txt::kSpotNoCodes));
    return nullptr;
  }
  if (book == nullptr) book = host_.AllCodes();
  std::unique_ptr<NowGate> snapshot;
  if (book != nullptr) {
    WaitCursor wait;
    snapshot = gate_.DownloadNowBook(*book, kNowKeyCode);
  }
  if (!snapshot) {
    ShowMessage(Text(Txt::kSpotDownloadFailed));
    return nullptr;
  }
  if (writeFile_ == 1) OSTRADA_VERIFY(host_.WriteSnapshotFile(*snapshot));
  return snapshot;
}

std::string SnapshotFileName(const std::string& folder, const uint8_t* localTimeFields) {
  if (!OSTRADA_VERIFY(localTimeFields != nullptr && !folder.empty())) return {};
  const uint8_t* t = localTimeFields;
  char name[1024];
  const int length =
      std::snprintf(name, sizeof name, TextC(Txt::kSpotFilePattern), folder.c_str(), TextC(Txt::kSpotFilePrefix), t[2],
                    t[3], t[4], t[5], t[6], TextC(Txt::kSpotFileExtension));
  if (!OSTRADA_VERIFY(length > 0 && static_cast<size_t>(length) < sizeof name)) return {};
  return name;
}

int SaveSnapshotFile(NowGate& snapshot, std::string* path) {
  uint8_t fields[kLocalTimeRecordSize];
  if (!GetLocalTimeFields(fields)) return 0;
  const std::string folder = DataFolder();
  if (folder.empty()) return 0;
  const std::string name = SnapshotFileName(folder, fields);
  if (name.empty()) return 0;
  // A file of the same second is an earlier recording: it is kept, and this snapshot is not written.
  if (FileExists(name.c_str())) {
    char text[1200];
    std::snprintf(text, sizeof text, TextC(Txt::kSpotFileExists), name.c_str());
    ShowMessage(text);
    return -1;
  }
  if (!OSTRADA_VERIFY(snapshot.Save(name.c_str(), 0, 0))) return 0;
  if (path != nullptr) *path = name;
  return 1;
}

}  // namespace ostrada
