#pragma once
// A refresh that nobody asked for (a timer's, a notice's) must not bury the user under boxes: its
// first failure is told, the ones after it are kept quiet, and the timer's tries back off (1, 2, 4,
// ... up to kMaxWait beats) until one works again.
#include <cstdint>
#include <functional>

namespace ostrada {

class BackgroundRefresh {
 public:
  static constexpr int kMaxWait = 32;

  // Runs the refresh under the tell-once rule; true when it worked.
  bool Run(const std::function<bool()>& refresh);
  // A timer's beat: true when the refresh is due now (else one beat of the wait passes).
  bool Due();

  int FailuresInARow() const { return failures_; }
  // Beats left before the next try.
  int Wait() const { return wait_; }

 private:
  int failures_ = 0;
  int wait_ = 0;
};

}  // namespace ostrada
