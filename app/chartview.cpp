#include "app/chartview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/qtext.h"
#include "app/risefall.h"

namespace ostrada {
namespace {

QColor Colour(const char* hex) {
  return QColor(QString::fromLatin1(hex));
}

QString Label(const std::string& ascii) {
  return QString::fromStdString(ascii);
}

const QColor kGrid(0xe4, 0xe4, 0xe4);
const QColor kFrameLine(0x99, 0x99, 0x99);
constexpr int kWheelStep = 120;     // one notch of a mouse wheel
constexpr double kSmoothPitch = 4;  // bars at least this wide get smoothed average lines

}  // namespace

QStringList CrosshairRows(const chart::BarReadout& readout) {
  QStringList rows = {Label(readout.date),
                      QStringLiteral("시가  ") + Label(readout.open),
                      QStringLiteral("고가  ") + Label(readout.high),
                      QStringLiteral("저가  ") + Label(readout.low),
                      QStringLiteral("종가  ") + Label(readout.close),
                      QStringLiteral("거래량  ") + Label(readout.volume)};
  for (size_t line = 0; line < chart::kLines; ++line)
    rows << QStringLiteral("%1  %2")
                .arg(chart::kLineLengths[line])
                .arg(readout.averages[line].empty() ? QStringLiteral("-") : Label(readout.averages[line]));
  return rows;
}

CChartView::CChartView(QWidget* parent) : QWidget(parent) {
  setObjectName("chartView");
  setMouseTracking(true);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Base, Qt::white);
  setPalette(palette);
  setMinimumSize(480, 320);
}

void CChartView::SetData(const chart::ChartData* chartData) {
  data_ = chartData;
  view_ = chart::NewestView(Total(), kInitialBars);
  crosshairBar_ = -1;
  update();
}

void CChartView::DataChanged(int oldTotal) {
  const int total = Total();
  if (chart::ShowsNewest(view_, oldTotal)) {
    // A view that held every bar because there were fewer than a chart starts with (none, before
    // the day's first contract) grows with the new bars up to that many; a narrower one keeps its width.
    const bool heldEveryBar = view_.first == 0 && view_.count == oldTotal;
    const int count = heldEveryBar ? std::max(view_.count, std::min(total, kInitialBars)) : view_.count;
    view_ = chart::NewestView(total, count);
  }
  update();
}

int CChartView::Total() const {
  return data_ != nullptr ? static_cast<int>(data_->bars.size()) : 0;
}

chart::ChartLayout CChartView::Layout() const {
  chart::Frame frame;
  frame.width = width();
  frame.height = height();
  static const chart::ChartData kEmpty;
  return chart::Lay(data_ != nullptr ? *data_ : kEmpty, view_, frame);
}

void CChartView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const chart::ChartLayout layout = Layout();
  const QRectF price(layout.price.left, layout.price.top, layout.price.width, layout.price.height);
  const QRectF volume(layout.volume.left, layout.volume.top, layout.volume.width, layout.volume.height);

  // Legend of the average lines.
  for (size_t line = 0; line < chart::kLines; ++line) {
    const chart::Legend& entry = layout.legend[line];
    painter.setPen(QPen(Colour(chart::kLineColours[line]), 2));
    painter.drawLine(QPointF(entry.x, 30), QPointF(entry.x + 18, 30));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(entry.x + 22, 34), QString::number(entry.length));
  }
  painter.setPen(kGrid);
  for (const chart::Tick& tick : layout.priceTicks)
    painter.drawLine(QPointF(price.left(), tick.at), QPointF(price.right(), tick.at));
  for (const chart::Tick& tick : layout.dateTicks)
    painter.drawLine(QPointF(tick.at, price.top()), QPointF(tick.at, volume.bottom()));
  painter.setPen(kFrameLine);
  painter.drawRect(price);
  painter.drawRect(volume);
  painter.setPen(Qt::black);
  for (const chart::Tick& tick : layout.priceTicks)
    painter.drawText(QPointF(price.right() + 6, tick.at + 4), Label(tick.label));
  const QFontMetricsF metrics(font());
  for (const chart::Tick& tick : layout.dateTicks) {
    const QString text = Label(tick.label);
    painter.drawText(QPointF(tick.at - metrics.horizontalAdvance(text) / 2, volume.bottom() + 18), text);
  }
  if (layout.candles.empty()) return;
  painter.drawText(QPointF(volume.right() + 6, layout.volumeTick.at + 10), Label(layout.volumeTick.label));

  for (const chart::Candle& candle : layout.candles) {
    const QColor colour = PaletteColour(candle.direction);
    painter.setPen(colour);
    painter.drawLine(QPointF(candle.x, candle.wickTop), QPointF(candle.x, candle.wickBottom));
    painter.fillRect(QRectF(candle.body.left, candle.body.top, candle.body.width, candle.body.height), colour);
    QColor faded = colour;
    faded.setAlphaF(0.75);
    painter.fillRect(QRectF(candle.volume.left, candle.volume.top, candle.volume.width, candle.volume.height), faded);
  }
  // Smoothing costs most of a redraw when hundreds of bars are shown, where it can hardly be seen.
  const bool smooth = layout.pitch >= kSmoothPitch;
  painter.setRenderHint(QPainter::Antialiasing, smooth);
  QPolygonF polyline;
  for (size_t line = 0; line < chart::kLines; ++line) {
    const std::vector<chart::Point>& points = layout.lines[line].points;
    polyline.resize(static_cast<qsizetype>(points.size()));
    for (size_t k = 0; k < points.size(); ++k) polyline[static_cast<qsizetype>(k)] = QPointF(points[k].x, points[k].y);
    painter.setPen(QPen(Colour(chart::kLineColours[line]), smooth ? 1.4 : 1));
    painter.drawPolyline(polyline);
  }
  painter.setRenderHint(QPainter::Antialiasing, false);

  // The high and low of the view, and the last price on the axis.
  const auto mark = [&](const chart::Mark& at, const QColor& colour, double dy) {
    const QString text = Label(at.label);
    double x = at.at.x - metrics.horizontalAdvance(text) / 2;
    x = std::clamp(x, price.left() + 2, price.right() - metrics.horizontalAdvance(text) - 2);
    painter.setPen(colour);
    painter.drawText(QPointF(x, at.at.y + dy), text);
  };
  mark(layout.highMark, PaletteColour(RiseFall::kRise), -4);
  mark(layout.lowMark, PaletteColour(RiseFall::kFall), metrics.ascent() + 2);
  const QRectF lastBox(price.right() + 2, layout.last.at - 9, layout.frame.rightAxis - 4, 18);
  painter.fillRect(lastBox, PaletteColour(layout.lastDirection));
  painter.setPen(Qt::white);
  painter.drawText(lastBox.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, Label(layout.last.label));

  PaintCrosshair(painter, layout);
}

void CChartView::PaintCrosshair(QPainter& painter, const chart::ChartLayout& layout) {
  if (crosshairBar_ < layout.view.first || crosshairBar_ >= layout.view.first + layout.view.count) return;
  const double x = layout.X(crosshairBar_);
  painter.setPen(QPen(QColor(0x55, 0x55, 0x55), 1, Qt::DashLine));
  painter.drawLine(QPointF(x, layout.price.top), QPointF(x, layout.volume.Bottom()));
  if (mouse_.y() >= layout.price.top && mouse_.y() <= layout.price.Bottom()) {
    painter.drawLine(QPointF(layout.price.left, mouse_.y()), QPointF(layout.price.Right(), mouse_.y()));
    const double value =
        layout.high - (mouse_.y() - layout.price.top) / layout.price.height * (layout.high - layout.low);
    const QRectF box(layout.price.Right() + 2, mouse_.y() - 9, layout.frame.rightAxis - 4, 18);
    painter.fillRect(box, QColor(0x44, 0x44, 0x44));
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     Label(chart::PriceText(value, data_->hundredths)));
  }

  // The readout in the corner away from the mouse.
  const QStringList rows = CrosshairRows(chart::ReadOut(*data_, crosshairBar_));
  const QFontMetricsF metrics(font());
  double widest = 0;
  for (const QString& row : rows) widest = std::max(widest, metrics.horizontalAdvance(row));
  // Hangul may come from a fallback font taller than the widget's own.
  const double lineHeight = std::max(metrics.height(), metrics.boundingRect(QStringLiteral("가")).height()) + 3;
  const double boxWidth = widest + 12;
  const bool left = x > layout.price.left + layout.price.width / 2;
  const QRectF box(left ? layout.price.left + 4 : layout.price.Right() - boxWidth - 4, layout.price.top + 4, boxWidth,
                   lineHeight * rows.size() + 8);
  painter.fillRect(box, QColor(255, 255, 255, 230));
  painter.setPen(kFrameLine);
  painter.drawRect(box);
  for (int row = 0; row < rows.size(); ++row) {
    const size_t line = static_cast<size_t>(row - 6);
    painter.setPen(row >= 6 ? Colour(chart::kLineColours[line]) : QColor(Qt::black));
    painter.drawText(QPointF(box.left() + 6, box.top() + 4 + metrics.ascent() + row * lineHeight), rows[row]);
  }
}

void CChartView::wheelEvent(QWheelEvent* event) {
  // A touchpad sends small parts of a notch; they add up to whole steps.
  wheelRemainder_ += event->angleDelta().y();
  const int steps = wheelRemainder_ / kWheelStep;
  wheelRemainder_ -= steps * kWheelStep;
  event->accept();
  if (steps == 0 || Total() == 0) return;
  const chart::ChartLayout layout = Layout();
  int anchor = chart::BarAt(layout, event->position().x());
  if (anchor < 0) anchor = view_.first + view_.count - 1;
  view_ = chart::Zoom(view_, Total(), steps, anchor);
  update();
}

void CChartView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragStartX_ = event->position().x();
  dragStartView_ = view_;
}

void CChartView::mouseMoveEvent(QMouseEvent* event) {
  mouse_ = event->position();
  const chart::ChartLayout layout = Layout();
  if (dragging_ && layout.pitch > 0) {
    // Dragging to the right brings older bars in.
    const int bars = static_cast<int>(std::lround((dragStartX_ - mouse_.x()) / layout.pitch));
    view_ = chart::Scroll(dragStartView_, Total(), bars);
  }
  crosshairBar_ = chart::BarAt(Layout(), mouse_.x());
  update();
}

void CChartView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
}

void CChartView::leaveEvent(QEvent*) {
  crosshairBar_ = -1;
  update();
}

}  // namespace ostrada
