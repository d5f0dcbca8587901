#include "app/qtext.h"

#include "basesrc/foundation/cp949.h"

namespace ostrada {

QString FromCp949(std::string_view cp949) {
  return QString::fromStdString(Cp949ToUtf8(cp949));
}

std::string ToCp949(const QString& text) {
  return Utf8ToCp949(text.toStdString());
}

}  // namespace ostrada
