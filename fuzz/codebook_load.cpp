// Loads arbitrary bytes as a code-book file. Every input must be accepted or rejected with a report,
// never read out of bounds or allocate by an untrusted count. A loaded book must save and reload to
// the same number of stocks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/uisink.h"

namespace {

class SilentSink : public ostrada::UiSink {
 public:
  int ShowMessageBox(const std::string&, const std::string&, unsigned) override { return ostrada::kIdOk; }
  void Beep() override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

std::string TempFile(const char* leaf) {
  return std::string("/tmp/ostrada_fuzz_") + std::to_string(getpid()) + "_" + leaf;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SilentSink sink;
  static ostrada::ScopedUiSink scope(sink);
  static const std::string input = TempFile("in.bin");
  static const std::string again = TempFile("again.bin");

  FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  ostrada::CodeInfoList book;
  if (book.Load(input.c_str(), ostrada::kSortByName, 0) != 1) return 0;
  if (book.Save(again.c_str()) != 1) std::abort();
  ostrada::CodeInfoList reloaded;
  if (reloaded.Load(again.c_str(), ostrada::kSortByName, 0) != 1 || reloaded.Count() != book.Count()) std::abort();
  return 0;
}
