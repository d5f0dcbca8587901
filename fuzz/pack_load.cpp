// Loads arbitrary bytes as a pattern pack file. Every input must be accepted or rejected with a
// report, never read out of bounds or allocate by an untrusted count. A loaded pack must save and
// reload to the same groups and stocks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "basesrc/foundation/uisink.h"
#include "basesrc/nowpack.h"

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

int32_t Stocks(const ostrada::NowPack& pack) {
  int32_t stocks = 0;
  for (const ostrada::NowGate* group = pack.First(); group != nullptr; group = group->next) stocks += group->Count();
  return stocks;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static SilentSink sink;
  static ostrada::ScopedUiSink scope(sink);
  static const std::string input = TempFile("pack_in.bin");
  static const std::string again = TempFile("pack_again.bin");

  FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  ostrada::NowPack pack;
  if (pack.Load(input.c_str()) != 1) return 0;
  if (pack.Save(again.c_str()) != 1) std::abort();
  ostrada::NowPack reloaded;
  if (reloaded.Load(again.c_str()) != 1 || reloaded.GroupCount() != pack.GroupCount() ||
      Stocks(reloaded) != Stocks(pack)) {
    std::abort();
  }
  return 0;
}
