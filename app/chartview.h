#pragma once
// CChartView: paints a chart model's layout with QPainter and lets the user move through it: the
// wheel zooms around the bar under the mouse, a drag scrolls, and the crosshair follows the mouse with
// the bar's date, prices, volume and averages. All arithmetic is the model's; this only draws.
#include <QWidget>

#include "basesrc/chartmodel.h"

namespace ostrada {

// The crosshair's readout as its rows: the date, open, high, low, close and volume, then one row per
// average line ("-" where the line has no value).
QStringList CrosshairRows(const chart::BarReadout& readout);

class CChartView : public QWidget {
  Q_OBJECT
 public:
  // Bars shown when a series is first set.
  static constexpr int kInitialBars = 120;

  explicit CChartView(QWidget* parent = nullptr);

  // The data to draw; null draws an empty chart. REQUIRES: data outlives its use here (the window
  // that owns it sets null before it goes).
  void SetData(const chart::ChartData* chartData);
  // The data changed (a live contract): a view that showed the newest bar keeps showing it, and one
  // that showed every bar of a short series widens with it up to kInitialBars.
  void DataChanged(int oldTotal);

  const chart::View& View() const { return view_; }
  // The layout of the current size and view (computed on demand, as the painter does).
  chart::ChartLayout Layout() const;
  // The bar under the crosshair, or -1.
  int CrosshairBar() const { return crosshairBar_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int Total() const;
  void PaintCrosshair(QPainter& painter, const chart::ChartLayout& layout);

  const chart::ChartData* data_ = nullptr;
  chart::View view_;
  int crosshairBar_ = -1;
  QPointF mouse_;
  int wheelRemainder_ = 0;
  bool dragging_ = false;
  double dragStartX_ = 0;
  chart::View dragStartView_;
};

}  // namespace ostrada
