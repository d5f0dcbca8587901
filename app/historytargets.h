#pragma once
// The Qt side of the gateway's history targets: a list widget as its log and stock-list box, and
// the open-file dialog of a parent window for the pre-data file.
#include <QListWidget>
#include <QWidget>
#include <string>

#include "basesrc/gatetargets.h"

namespace ostrada {

class QtListBox : public TextListBox {
 public:
  explicit QtListBox(QListWidget* list) : list_(list) {}
  int AddLine(const std::string& text) override;
  void SelectLine(int index) override;
  void RedrawNow() override;

 private:
  QListWidget* list_;
};

// A modal file dialog named "preDataFileDialog", so tests can find and answer it.
class QtOpenFileDialog : public OpenFileDialog {
 public:
  explicit QtOpenFileDialog(QWidget* parent) : parent_(parent) {}
  bool Choose(const std::string& defaultExtension, const std::string& filter, std::string* path) override;

 private:
  QWidget* parent_;
};

// "caption|pattern|caption|pattern||" as Qt's name filters (each caption already shows its pattern).
QStringList NameFiltersOf(const std::string& filter);

}  // namespace ostrada
