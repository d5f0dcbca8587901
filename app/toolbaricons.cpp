#include "app/toolbaricons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace ostrada {
namespace {

// Toolbar buttons are 16 x 15; drawings are made at four times that size and scaled down.
constexpr int kScale = 4;
constexpr int kButtonWidth = 16;
constexpr int kButtonHeight = 15;

const QColor kAccent(0, 90, 170);

void DrawAbout(QPainter& painter) {
  painter.setPen(QPen(kAccent, 1));
  painter.setBrush(QColor(230, 240, 255));
  painter.drawEllipse(QRectF(1.5, 0.5, 13, 13));
  QFont font = painter.font();
  font.setBold(true);
  font.setPixelSize(11);
  painter.setFont(font);
  painter.drawText(QRectF(1.5, 0.5, 13, 13), Qt::AlignCenter, QStringLiteral("?"));
}

QPixmap Draw(ToolbarPicture picture) {
  QPixmap pixmap(kButtonWidth * kScale, kButtonHeight * kScale);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(kScale, kScale);
  switch (picture) {
    case ToolbarPicture::kAbout:
      DrawAbout(painter);
      break;
  }
  return pixmap;
}

const char* ThemeName(ToolbarPicture picture) {
  switch (picture) {
    case ToolbarPicture::kAbout:
      return "help-about";
  }
  return "";
}

}  // namespace

QIcon ToolbarIcon(ToolbarPicture picture) {
  return QIcon::fromTheme(QString::fromLatin1(ThemeName(picture)), QIcon(Draw(picture)));
}

QIcon ProgramIcon() {
  // A rising price line over a bar chart: what the program is for.
  constexpr int kSize = 64;
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kAccent.darker(), 2));
  painter.setBrush(QColor(240, 246, 255));
  painter.drawRoundedRect(QRectF(2, 2, 60, 60), 10, 10);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(200, 40, 40));
  const int heights[] = {14, 22, 18, 30, 38};
  for (int i = 0; i < 5; ++i) painter.drawRect(QRectF(10 + i * 9, 54 - heights[i], 6, heights[i]));
  QPainterPath line;
  line.moveTo(8, 40);
  line.lineTo(22, 32);
  line.lineTo(32, 36);
  line.lineTo(54, 12);
  painter.setPen(QPen(kAccent, 3));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(line);
  return QIcon(pixmap);
}

}  // namespace ostrada
