#include "app/dialogbuttons.h"

#include <QDialog>
#include <QPushButton>

#include "app/qtext.h"

namespace ostrada {

QDialogButtonBox* OkCancelButtons(QDialog& dialog, Txt okText, const char* okName) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(FromCp949(Text(okText)));
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QLatin1String(okName));
  buttons->button(QDialogButtonBox::Cancel)->setText(FromCp949(Text(Txt::kTrdCancel)));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

}  // namespace ostrada
