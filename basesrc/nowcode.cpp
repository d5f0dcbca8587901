#include "basesrc/nowcode.h"

#include <new>

#include "basesrc/foundation/report.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/nowcode";

}  // namespace

NowCode::~NowCode() {
  Clear();
}

std::unique_ptr<NowCode> NowCode::Create(const char* code, const char* name) {
  std::unique_ptr<NowCode> series(new (std::nothrow) NowCode());
  if (!OSTRADA_VERIFY(series != nullptr)) return nullptr;
  if (!OSTRADA_VERIFY(CodeKeySet(&series->key_, code, name))) return nullptr;
  return series;
}

const TimedSnapshot* NowCode::Back(int32_t checks) const {
  const TimedSnapshot* snapshot = newest_;
  for (int32_t i = 0; i < checks && snapshot != nullptr; ++i) snapshot = snapshot->older;
  return snapshot;
}

int NowCode::Append(const NowPrice& block) {
  auto* snapshot = new (std::nothrow) TimedSnapshot{block, block.bar.time, nullptr, nullptr};
  if (!OSTRADA_VERIFY(snapshot != nullptr)) return 0;
  // Checks arrive in time order, so the walk from the newest end stops at once.
  TimedSnapshot* before = newest_;
  while (before != nullptr && before->checkTime > snapshot->checkTime) before = before->older;
  snapshot->older = before;
  snapshot->newer = before != nullptr ? before->newer : oldest_;
  if (snapshot->newer != nullptr) {
    snapshot->newer->older = snapshot;
  } else {
    newest_ = snapshot;
  }
  if (before != nullptr) {
    before->newer = snapshot;
  } else {
    oldest_ = snapshot;
  }
  ++count_;
  return 1;
}

void NowCode::Clear() {
  TimedSnapshot* snapshot = oldest_;
  while (snapshot != nullptr) {
    TimedSnapshot* newer = snapshot->newer;
    delete snapshot;
    snapshot = newer;
  }
  oldest_ = newest_ = nullptr;
  count_ = 0;
}

}  // namespace ostrada
