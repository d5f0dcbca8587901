// Loads arbitrary bytes as a bar series file. Every input must be accepted or rejected with a report,
// never read out of bounds or allocate by an untrusted count. A loaded one must save and reload to
// the same count.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "basesrc/daygate.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("series_load_in.bin");
  static const std::string again = ostrada::fuzz::ScratchFile("series_load_again.bin");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  ostrada::DaySeries list;
  if (list.Load(input.c_str(), 0) != 1) return 0;
  if (list.Save(again.c_str()) != 1) std::abort();
  ostrada::DaySeries reloaded;
  if (reloaded.Load(again.c_str(), 0) != 1 || reloaded.Count() != list.Count()) std::abort();
  return 0;
}
