// Loads arbitrary bytes as a contract tape file. Every input must be accepted or rejected with a
// report, never read out of bounds or allocate by an untrusted count. A loaded tape must save and
// reload to the same number of contracts, and its text dump must be written.
#include <cstdlib>

#include "basesrc/coninfo.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("tape_in.bin");
  static const std::string again = ostrada::fuzz::ScratchFile("tape_again.bin");
  static const std::string text = ostrada::fuzz::ScratchFile("tape.txt");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  ostrada::ContractTape tape;
  if (tape.Load(input.c_str(), 0) != 1) return 0;
  if (tape.Save(again.c_str()) != 1 || tape.SaveText(text.c_str()) != 1) std::abort();
  ostrada::ContractTape reloaded;
  if (reloaded.Load(again.c_str(), 0) != 1 || reloaded.Count() != tape.Count()) std::abort();
  return 0;
}
