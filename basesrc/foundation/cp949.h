#pragma once
// CP949 is the core's text; Unicode exists only at the terminal and Qt boundaries. These two calls
// are that boundary. Bytes that do not convert are replaced ('?' or U+FFFD), never dropped silently.
#include <string>
#include <string_view>

namespace ostrada {

std::string Cp949ToUtf8(std::string_view cp949);
std::string Utf8ToCp949(std::string_view utf8);

}  // namespace ostrada
