// Reads arbitrary bytes as a watchlist (interest-group text). Every input must give a list without
// reading out of bounds; written back in the format and read again, it must give the same list.
#include <cstdlib>
#include <string_view>

#include "basesrc/watchlist.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ostrada::fuzz::Quiet();
  const std::vector<ostrada::WatchEntry> entries =
      ostrada::ParseInterestText(std::string_view(reinterpret_cast<const char*>(data), size));
  // A name holding a line end or a parenthesis cannot survive the format; the rest must.
  for (const ostrada::WatchEntry& entry : entries) {
    if (entry.name.find_first_of("()\r\n") != std::string::npos) return 0;
  }
  if (ostrada::ParseInterestText(ostrada::InterestText(entries, "W")) != entries) std::abort();
  return 0;
}
