#pragma once
// The GUI's one crossing between the core's CP949 bytes and Qt's Unicode strings.
#include <QString>
#include <string>
#include <string_view>

namespace ostrada {

QString FromCp949(std::string_view cp949);
std::string ToCp949(const QString& text);

}  // namespace ostrada
