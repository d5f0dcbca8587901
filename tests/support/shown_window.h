#pragma once
// What a window shows, to compare it with another: its visible labels, its visible tables' cells row
// by row, and a chart's bars.
#include <QAbstractItemModel>
#include <QLabel>
#include <QTableView>
#include <string>
#include <utility>
#include <vector>

#include "app/chartwnd.h"

namespace ostrada::testing {

struct Shown {
  std::vector<std::string> labels;
  std::vector<std::pair<std::string, std::vector<std::string>>> tables;  // name, rows
  std::vector<std::string> bars;
};

inline Shown WhatIsShown(QWidget& window) {
  Shown shown;
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    if (label->isVisibleTo(&window)) shown.labels.push_back(label->objectName().toStdString() + "=" + label->text().toStdString());
  }
  for (const QTableView* view : window.findChildren<QTableView*>()) {
    if (!view->isVisibleTo(&window)) continue;
    const QAbstractItemModel& model = *view->model();
    std::vector<std::string> rows;
    for (int row = 0; row < model.rowCount(); ++row) {
      std::string line;
      for (int column = 0; column < model.columnCount(); ++column) {
        line += model.index(row, column).data().toString().toStdString() + "|";
      }
      rows.push_back(line);
    }
    shown.tables.emplace_back(view->objectName().toStdString(), rows);
  }
  if (auto* chart = qobject_cast<CChartWnd*>(&window)) {
    for (const chart::Bar& bar : chart->Data().bars) {
      shown.bars.push_back(std::to_string(bar.date) + " " + std::to_string(bar.time) + " " + std::to_string(bar.open) +
                           " " + std::to_string(bar.high) + " " + std::to_string(bar.low) + " " +
                           std::to_string(bar.close) + " " + std::to_string(bar.volume));
    }
  }
  return shown;
}

}  // namespace ostrada::testing
