#include "app/dialogunits.h"

#include <QFontMetrics>
#include <QWidget>

#include "basesrc/codeinfo.h"

namespace ostrada {
namespace {

constexpr int kTemplatePointSize = 9;
// The average width is taken over the Latin alphabet, as the dialog base units are defined.
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kAlphabetLength = sizeof(kAlphabet) - 1;

}  // namespace

QFont TemplateFont() {
  QFont font(QStringLiteral("NanumGothic"), kTemplatePointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

int CodeLabelWidth(const QFont& font) {
  return QFontMetrics(font).horizontalAdvance(QString(static_cast<int>(kCodeSize) - 1, QLatin1Char('W')));
}

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  charWidth_ = (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) + kAlphabetLength / 2) / kAlphabetLength;
  charHeight_ = metrics.height();
}

int DialogUnits::X(int units) const {
  return units * charWidth_ / 4;
}

int DialogUnits::Y(int units) const {
  return units * charHeight_ / 8;
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  return QRect(X(x), Y(y), X(width), Y(height));
}

QSize DialogUnits::Size(int width, int height) const {
  return QSize(X(width), Y(height));
}

void DialogUnits::Place(QWidget& widget, int x, int y, int width, int height) const {
  widget.setGeometry(Rect(x, y, width, height));
}

}  // namespace ostrada
