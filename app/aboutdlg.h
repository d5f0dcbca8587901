#pragma once
// The about box (template 100): the program's icon, its name and version, and an OK button.
#include <QDialog>

namespace ostrada {

// The program's version, as the about box and --version both say it: the project's (CMakeLists.txt).
inline constexpr char kProgramVersion[] = OSTRADA_VERSION;

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace ostrada
