#include "app/aboutdlg.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "app/dialogunits.h"
#include "app/toolbaricons.h"

namespace ostrada {
namespace {

constexpr int kIconSizeUnits = 20;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("dialog100");
  setWindowTitle(QStringLiteral("ostrada 정보"));
  setFont(TemplateFont());
  const DialogUnits units(font());
  setFixedSize(units.Size(235, 55));

  auto* icon = new QLabel(this);
  icon->setObjectName("icon128");
  const QRect iconRect = units.Rect(11, 17, kIconSizeUnits, kIconSizeUnits);
  const int side = std::min(iconRect.width(), iconRect.height());
  icon->setGeometry(iconRect.x(), iconRect.y(), side, side);
  icon->setPixmap(ProgramIcon().pixmap(side, side));

  // The same number as --version prints.
  auto* version = new QLabel(QStringLiteral("ostrada 버전 %1").arg(QLatin1String(kProgramVersion)), this);
  version->setObjectName("static65535");
  units.Place(*version, 40, 10, 119, 8);

  auto* ok = new QPushButton(QStringLiteral("확인"), this);
  ok->setObjectName("button1");
  ok->setDefault(true);
  units.Place(*ok, 178, 7, 50, 16);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace ostrada
