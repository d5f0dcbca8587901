#include "app/indexbars.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

#include "app/sessionpace.h"
#include "basesrc/daygate.h"

namespace ostrada {

IndexBars::IndexBars(QObject* parent)
    : QObject(parent), beat_(new SessionPace(kBeatMs, [this] { Beat(); }, this)) {
  beat_->Stop();
}

int IndexBars::Watch(const std::string& code, char kind, Listener listener) {
  const int id = nextId_++;
  watchers_.push_back({id, code, kind, std::move(listener)});
  refresh_.Run([&] { return Ask([id](const Watcher& watcher) { return watcher.id == id; }); });
  if (!beat_->IsActive()) beat_->Start();
  return id;
}

void IndexBars::Unwatch(int id) {
  std::erase_if(watchers_, [id](const Watcher& watcher) { return watcher.id == id; });
  if (watchers_.empty()) beat_->Stop();
}

bool IndexBars::Refresh() {
  return refresh_.Run([this] { return Ask([](const Watcher&) { return true; }); });
}

void IndexBars::Beat() {
  if (refresh_.Due()) Refresh();
}

bool IndexBars::Ask(const std::function<bool(const Watcher&)>& chosen) {
  std::map<std::pair<std::string, char>, std::unique_ptr<DaySeries>> asked;
  bool all = true;
  // A listener may end its own or another's watch; it is told from a copy of who follows now.
  const std::vector<Watcher> watchers = watchers_;
  for (const Watcher& watcher : watchers) {
    if (!chosen(watcher)) continue;
    const auto key = std::make_pair(watcher.code, watcher.kind);
    auto found = asked.find(key);
    if (found == asked.end()) {
      std::unique_ptr<DaySeries> newest =
          gate_.DownloadBarsNew(watcher.code.c_str(), watcher.code.c_str(), 1, 1, watcher.kind, 0, 0, 1);
      if (newest != nullptr && newest->Newest() == nullptr) newest.reset();
      all = all && newest != nullptr;
      found = asked.emplace(key, std::move(newest)).first;
    }
    const bool stillWatching = std::any_of(watchers_.begin(), watchers_.end(),
                                           [&](const Watcher& current) { return current.id == watcher.id; });
    if (stillWatching) watcher.listener(found->second.get());
  }
  return all;
}

}  // namespace ostrada
