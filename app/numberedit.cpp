#include "app/numberedit.h"

#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <limits>

namespace ostrada {
namespace {

// Eleven digits with their commas hold every 32-bit number, grouped or not.
constexpr int kLongestNumber = 15;

}  // namespace

void MakeNumberEdit(QLineEdit& edit) {
  edit.setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9,]*")), &edit));
  edit.setMaxLength(kLongestNumber);
  edit.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

int32_t ReadNumber(const QString& text) {
  QString digits = text;
  digits.remove(QLatin1Char(','));
  digits = digits.trimmed();
  if (digits.isEmpty()) return 0;
  bool ok = false;
  const qlonglong value = digits.toLongLong(&ok);
  if (!ok || value > std::numeric_limits<int32_t>::max() || value < std::numeric_limits<int32_t>::min()) return -1;
  return static_cast<int32_t>(value);
}

int32_t ReadNumber(const QLineEdit& edit) {
  return ReadNumber(edit.text());
}

QString PositiveText(int32_t value) {
  return value > 0 ? QString::number(value) : QString();
}

}  // namespace ostrada
