#pragma once
// The program's sink: real message boxes, beeps and the wait cursor. The only place that opens a
// QMessageBox; everything else goes through ShowMessage/ReportFailure so tests can record instead.
#include "basesrc/foundation/uisink.h"

namespace ostrada {

class QtUiSink : public UiSink {
 public:
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void Beep() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
};

}  // namespace ostrada
