#pragma once
// The message for a refused server request: status text 1 followed by status text 2, with trailing
// white space removed, as the user sees it in one box.
#include <string>

namespace ostrada {

std::string JoinStatusTexts(const std::string& text1, const std::string& text2);

// For any request object (market or trade) that carries the two status texts.
template <class Request>
std::string RefusalText(Request& object) {
  const std::string text1 = object.StatusText1();
  return JoinStatusTexts(text1, object.StatusText2());
}

}  // namespace ostrada
