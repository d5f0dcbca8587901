#include "basesrc/foundation/infofile.h"

#include <cstring>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {

void PutInfoFileHeader(uint8_t* header, uint32_t kind) {
  PutText(header, kInfoCheckTextOffset, TextC(Txt::kCheckText), kInfoCheckTextSize);
  PutU32(header, kInfoKindOffset, kind);
}

int CheckInfoFileHeader(const uint8_t* header, uint32_t kind) {
  const std::string& check = Text(Txt::kCheckText);
  static_assert(kInfoCheckTextSize > 24);  // room for the 24-byte text and its NUL
  if (std::memcmp(header + kInfoCheckTextOffset, check.c_str(), check.size() + 1) != 0) return 0;
  return GetU32(header, kInfoKindOffset) == kind ? 1 : 0;
}

}  // namespace ostrada
