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

const QColor kInk(32, 32, 32);
const QColor kPaper(255, 255, 255);
const QColor kAccent(0, 90, 170);

void DrawPage(QPainter& painter, QRectF page) {
  painter.setBrush(kPaper);
  painter.drawRect(page);
  painter.setPen(QPen(QColor(120, 120, 120), 0.6));
  for (double y = page.top() + 3; y < page.bottom() - 1.5; y += 2.5) {
    painter.drawLine(QPointF(page.left() + 2, y), QPointF(page.right() - 2, y));
  }
  painter.setPen(QPen(kInk, 1));
}

void DrawCut(QPainter& painter) {
  painter.setPen(QPen(kInk, 1.2));
  painter.drawLine(QPointF(5, 1), QPointF(10, 10));
  painter.drawLine(QPointF(11, 1), QPointF(6, 10));
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kAccent, 1.4));
  painter.drawEllipse(QPointF(4.5, 11.5), 2.2, 2.2);
  painter.drawEllipse(QPointF(11.5, 11.5), 2.2, 2.2);
}

void DrawCopy(QPainter& painter) {
  painter.setPen(QPen(kInk, 1));
  DrawPage(painter, QRectF(1.5, 1.5, 8, 10));
  DrawPage(painter, QRectF(6.5, 4.5, 8, 10));
}

void DrawPaste(QPainter& painter) {
  painter.setPen(QPen(kInk, 1));
  painter.setBrush(QColor(170, 120, 60));
  painter.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1, 1);
  painter.setBrush(QColor(200, 200, 200));
  painter.drawRect(QRectF(4.5, 1.0, 4, 3));
  DrawPage(painter, QRectF(6.5, 5.5, 8, 9));
}

void DrawPrint(QPainter& painter) {
  painter.setPen(QPen(kInk, 1));
  DrawPage(painter, QRectF(4.5, 0.5, 7, 6));
  painter.setBrush(QColor(190, 190, 190));
  painter.drawRoundedRect(QRectF(0.5, 6.5, 15, 6), 1, 1);
  painter.setBrush(kPaper);
  painter.drawRect(QRectF(3.5, 10.5, 9, 4));
  painter.setPen(QPen(QColor(40, 160, 60), 1.2));
  painter.drawPoint(QPointF(13, 8.5));
}

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
    case ToolbarPicture::kCut:
      DrawCut(painter);
      break;
    case ToolbarPicture::kCopy:
      DrawCopy(painter);
      break;
    case ToolbarPicture::kPaste:
      DrawPaste(painter);
      break;
    case ToolbarPicture::kPrint:
      DrawPrint(painter);
      break;
    case ToolbarPicture::kAbout:
      DrawAbout(painter);
      break;
  }
  return pixmap;
}

const char* ThemeName(ToolbarPicture picture) {
  switch (picture) {
    case ToolbarPicture::kCut:
      return "edit-cut";
    case ToolbarPicture::kCopy:
      return "edit-copy";
    case ToolbarPicture::kPaste:
      return "edit-paste";
    case ToolbarPicture::kPrint:
      return "document-print";
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
