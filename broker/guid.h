#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace ostrada::broker {

// A CLSID or IID, parsed at compile time from its registry form "{xxxxxxxx-xxxx-...}".
struct Guid {
  std::array<uint8_t, 16> bytes{};
  friend constexpr bool operator==(const Guid&, const Guid&) = default;
  friend constexpr auto operator<=>(const Guid&, const Guid&) = default;
};

namespace detail {
constexpr uint8_t HexNibble(char c) {
  return c >= '0' && c <= '9'   ? static_cast<uint8_t>(c - '0')
         : c >= 'a' && c <= 'f' ? static_cast<uint8_t>(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? static_cast<uint8_t>(c - 'A' + 10)
                                : throw "bad hex digit in GUID";
}
}  // namespace detail

constexpr Guid ParseGuid(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') throw "GUID must be {8-4-4-4-12}";
  Guid guid;
  size_t out = 0;
  for (size_t i = 1; i + 1 < text.size();) {
    if (text[i] == '-') {
      ++i;
      continue;
    }
    guid.bytes[out++] = static_cast<uint8_t>(detail::HexNibble(text[i]) << 4 | detail::HexNibble(text[i + 1]));
    i += 2;
  }
  if (out != 16) throw "GUID must hold 16 bytes";
  return guid;
}

}  // namespace ostrada::broker
