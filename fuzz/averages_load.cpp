// Loads arbitrary bytes as a moving-average list file. Every input must be accepted or rejected with a report,
// never read out of bounds or allocate by an untrusted count. A loaded one must save and reload to
// the same count.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "basesrc/movepair.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("averages_load_in.bin");
  static const std::string again = ostrada::fuzz::ScratchFile("averages_load_again.bin");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  ostrada::MovingAverageList list;
  if (list.Load(input.c_str()) != 1) return 0;
  if (list.Save(again.c_str()) != 1) std::abort();
  ostrada::MovingAverageList reloaded;
  if (reloaded.Load(again.c_str()) != 1 || reloaded.Count() != list.Count()) std::abort();
  return 0;
}
