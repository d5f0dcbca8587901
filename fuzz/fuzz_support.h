#pragma once
// What every file-reader target needs: a sink that answers every box silently, and the input
// bytes written to a file of the process's own, since the readers read files.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "basesrc/foundation/uisink.h"

namespace ostrada::fuzz {

class SilentSink : public UiSink {
 public:
  int ShowMessageBox(const std::string&, const std::string&, unsigned) override { return kIdOk; }
  void Beep() override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
};

// Installs the silent sink once for the whole run.
inline void SilenceMessages() {
  static SilentSink sink;
  static ScopedUiSink scope(sink);
}

inline std::string TempFile(const char* leaf) {
  return std::string("/tmp/ostrada_fuzz_") + std::to_string(getpid()) + "_" + leaf;
}

// The path the bytes were written to, or empty.
inline std::string WriteInput(const uint8_t* data, size_t size) {
  static const std::string input = TempFile("in.bin");
  FILE* file = std::fopen(input.c_str(), "wb");
  if (file == nullptr) return {};
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return input;
}

}  // namespace ostrada::fuzz
