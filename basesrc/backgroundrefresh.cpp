#include "basesrc/backgroundrefresh.h"

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "basesrc/foundation/uisink.h"

namespace ostrada {
namespace {

// Holds what the refresh would have shown; the wait cursor still shows, as the window waits.
class HeldMessages : public UiSink {
 public:
  explicit HeldMessages(UiSink& outer) : outer_(outer) {}
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    if (!first_) first_ = std::pair{text, caption};
    return (style & kMbYesNo) == kMbYesNo ? kIdNo : kIdCancel;
  }
  void Beep() override {}
  void BeginWaitCursor() override { outer_.BeginWaitCursor(); }
  void EndWaitCursor() override { outer_.EndWaitCursor(); }
  // The first message held, shown where it would have gone.
  void TellFirst() {
    if (first_) outer_.ShowMessageBox(first_->first, first_->second, kMbOk);
  }

 private:
  UiSink& outer_;
  std::optional<std::pair<std::string, std::string>> first_;
};

}  // namespace

bool BackgroundRefresh::Run(const std::function<bool()>& refresh) {
  HeldMessages held(CurrentUiSink());
  bool worked;
  {
    const ScopedUiSink quiet(held);
    worked = refresh();
  }
  if (worked) {
    failures_ = wait_ = 0;
    return true;
  }
  if (failures_ == 0) held.TellFirst();
  wait_ = std::min(kMaxWait, 1 << std::min(failures_, 5));
  ++failures_;
  return false;
}

bool BackgroundRefresh::Due() {
  if (wait_ == 0) return true;
  --wait_;
  return false;
}

}  // namespace ostrada
