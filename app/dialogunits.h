#pragma once
// Lays windows out after their dialog templates: template positions are dialog units, which the
// dialog font's metrics turn into pixels (x * average character width / 4, y * height / 8).
#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

namespace ostrada {

// The Korean-capable font that stands in for the templates' 9-point font.
QFont TemplateFont();

// The width in pixels of the widest stock code the code field holds, in the font: a label that
// shows a code is at least this wide.
int CodeLabelWidth(const QFont& font);

class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(int width, int height) const;

  // Places the widget at the template rectangle.
  void Place(QWidget& widget, int x, int y, int width, int height) const;

 private:
  int charWidth_;
  int charHeight_;
};

}  // namespace ostrada
