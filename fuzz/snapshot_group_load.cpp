// Loads arbitrary bytes as a snapshot group file, ordered by rate and by code. Every input must be
// accepted or rejected with a report, never read out of bounds or allocate by an untrusted count. A
// loaded group must save and reload to the same records in the same order.
#include <cstdlib>
#include <cstring>

#include "basesrc/nowgate.h"
#include "fuzz/fuzz_support.h"

namespace {

bool SameCodes(const ostrada::NowGate& a, const ostrada::NowGate& b) {
  const ostrada::NowInfo* x = a.First();
  const ostrada::NowInfo* y = b.First();
  for (; x != nullptr && y != nullptr; x = x->next, y = y->next) {
    if (std::strcmp(x->key.code, y->key.code) != 0) return false;
  }
  return x == nullptr && y == nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("group_in.stn");
  static const std::string again = ostrada::fuzz::ScratchFile("group_again.stn");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  // The first byte picks the order the records are loaded into.
  const int32_t key = size > 0 && (data[0] & 1) ? ostrada::kNowKeyCode : ostrada::kNowKeyRateDown;
  ostrada::NowGate group;
  if (group.Load(input.c_str(), key) != 1) return 0;
  if (group.Save(again.c_str(), 0, 0) != 1) std::abort();
  ostrada::NowGate reloaded;
  if (reloaded.Load(again.c_str(), key) != 1 || reloaded.Count() != group.Count()) std::abort();
  if (key == ostrada::kNowKeyCode && !SameCodes(group, reloaded)) std::abort();
  return 0;
}
