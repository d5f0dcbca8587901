#pragma once
// What every window benchmark needs: one headless application for the process, and a message sink
// that counts instead of waiting for a person in the middle of a measurement.
#include <QApplication>
#include <string>

#include "basesrc/foundation/uisink.h"

namespace ostrada::bench {

inline QApplication& HeadlessApplication() {
  static int argc = 1;
  static char name[] = "ostrada-bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Never destroyed: at exit it would outlive the Qt statics its destructor still uses.
  static auto* application = new QApplication(argc, argv);
  return *application;
}

class CountingSink : public UiSink {
 public:
  int ShowMessageBox(const std::string&, const std::string&, unsigned) override {
    ++messages;
    return kIdOk;
  }
  void Beep() override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  int messages = 0;
};

}  // namespace ostrada::bench
