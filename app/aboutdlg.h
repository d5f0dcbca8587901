#pragma once
// The about box (template 100): the program's icon, its name and version, and an OK button.
#include <QDialog>

namespace ostrada {

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace ostrada
