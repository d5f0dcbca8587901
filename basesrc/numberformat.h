#pragma once
// The one number format of every list, header and text file the system writes: no decimals,
// digits grouped by three with ",", a leading "-" for negative values.
#include <cstdint>
#include <string>

namespace ostrada {

enum class ZeroShown { kDigit, kBlank };

// "1,234,567", "-1,500", "0" (or "" with ZeroShown::kBlank).
std::string FormatNumber(int64_t value, ZeroShown zero = ZeroShown::kDigit);
// Rounded to the nearest whole number, halves away from zero, then formatted as above.
std::string FormatNumber(double value, ZeroShown zero = ZeroShown::kDigit);

}  // namespace ostrada
