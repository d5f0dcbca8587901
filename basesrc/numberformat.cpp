#include "basesrc/numberformat.h"

#include <cmath>

namespace ostrada {

std::string FormatNumber(int64_t value, ZeroShown zero) {
  if (value == 0) return zero == ZeroShown::kBlank ? std::string() : std::string("0");
  // The magnitude as unsigned, so the most negative value has one too.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  std::string reversed;
  int digits = 0;
  while (magnitude > 0) {
    if (digits > 0 && digits % 3 == 0) reversed.push_back(',');
    reversed.push_back(static_cast<char>('0' + magnitude % 10));
    magnitude /= 10;
    ++digits;
  }
  if (value < 0) reversed.push_back('-');
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string FormatNumber(double value, ZeroShown zero) {
  // Beyond the range of a 64-bit whole number there is nothing sensible to show.
  if (!std::isfinite(value) || std::fabs(value) >= 9.0e18) return std::string();
  return FormatNumber(static_cast<int64_t>(std::llround(value)), zero);
}

}  // namespace ostrada
