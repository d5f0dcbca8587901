#pragma once
// What every file-reader target shares: a sink that answers every message quietly, and scratch files
// in memory (one set per process, so parallel fuzzers never share one).
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

// Installs the silent sink for the whole run; call at the top of LLVMFuzzerTestOneInput.
inline void Quiet() {
  static SilentSink sink;
  static ScopedUiSink scope(sink);
}

inline std::string ScratchFile(const char* leaf) {
  const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  return std::string(folder) + "/ostrada_fuzz_" + std::to_string(getpid()) + "_" + leaf;
}

// Writes the input to the path; false when the file cannot be written.
inline bool WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace ostrada::fuzz
