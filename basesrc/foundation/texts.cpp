#include "basesrc/foundation/texts.h"

#include <array>

#include "basesrc/foundation/cp949.h"

namespace ostrada {
namespace {

constexpr std::array<const char*, static_cast<size_t>(Txt::kCount)> kUtf8Texts = {
// clang-format off: the enum and the table must list the areas in one order.
#define OSTRADA_TEXT(id, utf8) utf8,
#include "basesrc/texts/all.inc"
#undef OSTRADA_TEXT
    // clang-format on
};

struct Catalogue {
  std::array<std::string, kUtf8Texts.size()> cp949;
  Catalogue() {
    for (size_t i = 0; i < kUtf8Texts.size(); ++i) cp949[i] = Utf8ToCp949(kUtf8Texts[i]);
  }
};

}  // namespace

const std::string& Text(Txt id) {
  static const Catalogue catalogue;
  return catalogue.cp949[static_cast<size_t>(id)];
}

std::string TextWithPath(Txt format, const std::string& path) {
  std::string text = Text(format);
  const size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, path);
  return text;
}

}  // namespace ostrada
