#include "basesrc/risefall.h"

#include <cstdio>

namespace ostrada {

std::string HexColour(uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

}  // namespace ostrada
