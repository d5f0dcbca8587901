#pragma once
// IndexBars: the newest bar of every index a window shows, asked of the server once per beat for all
// the windows showing it. An index has no contract stream, so without this the home board's strip
// and each index chart asked the server for the same bar every few seconds. A failing server is told
// once, then the beats back off (BackgroundRefresh).
#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "basesrc/backgroundrefresh.h"
#include "basesrc/stocgate.h"

namespace ostrada {

class SessionPace;

class IndexBars : public QObject {
 public:
  static constexpr int kBeatMs = 3000;  // of the program's clock, or of the wall
  // Told the newest bar of its index, or null when the server gave none.
  using Listener = std::function<void(const DaySeries* newest)>;

  explicit IndexBars(QObject* parent = nullptr);

  // Follows the newest daily, weekly or monthly ('D', 'W', 'M') bar of the index `code` ("U001"),
  // asking for it at once; the id ends it.
  int Watch(const std::string& code, char kind, Listener listener);
  void Unwatch(int id);
  // Asks for each watched bar once, now (a clock that jumped); false when one could not be asked.
  bool Refresh();
  // The timer's work: a refresh when the back-off allows it.
  void Beat();
  const BackgroundRefresh& Refreshing() const { return refresh_; }

 private:
  struct Watcher {
    int id;
    std::string code;
    char kind;
    Listener listener;
  };
  // Asks once for each code and kind among the watchers chosen, telling all who follow it.
  bool Ask(const std::function<bool(const Watcher&)>& chosen);

  StocGate gate_;
  BackgroundRefresh refresh_;
  std::vector<Watcher> watchers_;
  int nextId_ = 1;
  SessionPace* beat_;  // every kBeatMs of the program's clock or the wall, while a window watches
};

}  // namespace ostrada
