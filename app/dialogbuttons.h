#pragma once
// The row of Korean confirm and cancel buttons at the foot of a modal dialog.
#include <QDialogButtonBox>

#include "basesrc/foundation/texts.h"

class QDialog;

namespace ostrada {

// A box whose first button, captioned `okText` and named `okName` for the tests, calls the dialog's
// accept (which may refuse and stay open) and whose "취소" rejects it. The caller places the box.
QDialogButtonBox* OkCancelButtons(QDialog& dialog, Txt okText, const char* okName);

}  // namespace ostrada
