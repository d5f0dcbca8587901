#include "app/sessionpace.h"

#include <chrono>
#include <utility>

#include "app/serverlink.h"
#include "basesrc/foundation/localtime.h"

namespace ostrada {
namespace {

int64_t ProgramClockMs() {
  const LocalClock now = NowLocal();
  using namespace std::chrono;
  const sys_days day{year{now.year} / month{static_cast<unsigned>(now.month)} / static_cast<unsigned>(now.day)};
  return int64_t{day.time_since_epoch().count()} * 86'400'000 + ((now.hour * 60 + now.minute) * 60 + now.second) * 1000 +
         now.millisecond;
}

}  // namespace

SessionPace::SessionPace(int periodMs, std::function<void()> poll, QObject* parent)
    : QObject(parent), period_(periodMs), poll_(std::move(poll)), polledAt_(ProgramClockMs()) {
  beat_.callOnTimeout(this, &SessionPace::Beat);
  Start();
}

void SessionPace::Start() {
  wallSince_ = 0;
  beat_.start(ServerLink::kPumpIntervalMs);
}

void SessionPace::Beat() {
  const int64_t now = ProgramClockMs();
  wallSince_ += ServerLink::kPumpIntervalMs;
  // A clock set back (another day's session) counts as moved.
  if (now - polledAt_ < period_ && now >= polledAt_ && wallSince_ < period_) return;
  polledAt_ = now;
  wallSince_ = 0;
  poll_();
}

}  // namespace ostrada
