#pragma once
// The number edits of the order windows: they take digits, the "," of grouped numbers and a
// leading "-", and are read by dropping every "," before the decimal conversion.
#include <QString>
#include <cstdint>

class QLineEdit;

namespace ostrada {

// Limits what can be typed into the edit to a number.
void MakeNumberEdit(QLineEdit& edit);

// "12,500" gives 12500, an empty text 0. A text that is not a number, or one beyond the 32-bit range,
// gives -1, which every caller refuses as it refuses a negative number.
int32_t ReadNumber(const QString& text);
int32_t ReadNumber(const QLineEdit& edit);

// "%d" of the value, or an empty text when it is 0 or less.
QString PositiveText(int32_t value);

}  // namespace ostrada
