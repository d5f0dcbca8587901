#include "basesrc/statustext.h"

namespace ostrada {

std::string JoinStatusTexts(const std::string& text1, const std::string& text2) {
  std::string text = text1 + text2;
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.pop_back();
  }
  return text;
}

}  // namespace ostrada
