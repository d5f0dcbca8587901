// Loads arbitrary bytes as a quote-list info file. Every input must be accepted or rejected with a
// report, never read out of bounds or allocate by an untrusted count. A loaded list must save and
// reload to the same number of records.
#include <cstdlib>

#include "basesrc/callinfo.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("quotes_in.bin");
  static const std::string again = ostrada::fuzz::ScratchFile("quotes_again.bin");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  ostrada::CallInfoList list;
  if (list.LoadFile(input.c_str()) != 1) return 0;
  if (list.SaveFile(again.c_str()) != 1) std::abort();
  ostrada::CallInfoList reloaded;
  if (reloaded.LoadFile(again.c_str()) != 1 || reloaded.Count() != list.Count()) std::abort();
  return 0;
}
