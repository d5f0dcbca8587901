// Loads arbitrary bytes as a moving-average list file. Every input must be accepted or rejected with a report,
// never read out of bounds or allocate by an untrusted count. A loaded one must save and reload to
// the same count.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "basesrc/movepair.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::SilenceMessages();
  static const std::string again = ostrada::fuzz::TempFile("again.bin");
  const std::string input = ostrada::fuzz::WriteInput(data, size);
  if (input.empty()) return 0;

  ostrada::MovingAverageList list;
  if (list.Load(input.c_str()) != 1) return 0;
  if (list.Save(again.c_str()) != 1) std::abort();
  ostrada::MovingAverageList reloaded;
  if (reloaded.Load(again.c_str()) != 1 || reloaded.Count() != list.Count()) std::abort();
  return 0;
}
