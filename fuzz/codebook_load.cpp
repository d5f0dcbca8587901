// Loads arbitrary bytes as a code-book file. Every input must be accepted or rejected with a report,
// never read out of bounds or allocate by an untrusted count. A loaded book must save and reload to
// the same number of stocks.
#include <cstdlib>

#include "basesrc/codeinfo.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  static const std::string input = ostrada::fuzz::ScratchFile("codebook_in.bin");
  static const std::string again = ostrada::fuzz::ScratchFile("codebook_again.bin");
  if (!ostrada::fuzz::WriteInput(input, data, size)) return 0;

  ostrada::CodeInfoList book;
  if (book.Load(input.c_str(), ostrada::kSortByName, 0) != 1) return 0;
  if (book.Save(again.c_str()) != 1) std::abort();
  ostrada::CodeInfoList reloaded;
  if (reloaded.Load(again.c_str(), ostrada::kSortByName, 0) != 1 || reloaded.Count() != book.Count()) std::abort();
  return 0;
}
