// Shared main of every test program. Messages go to a recorder by default, so no test can block on
// a box; GUI suites (folders gui_*) get a QApplication on the offscreen platform and settings of
// their own.
#include <gtest/gtest.h>

#include "basesrc/foundation/uisink.h"
#include "tests/support/recording_sink.h"

#ifdef OSTRADA_GUI_TESTS
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#endif

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ostrada::testing::RecordingSink fallback;
  ostrada::ScopedUiSink scope(fallback);
#ifdef OSTRADA_GUI_TESTS
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  // The program's settings live in a folder of this run's own, never in the user's.
  QTemporaryDir settings;
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, settings.path());
  }
#endif
  return RUN_ALL_TESTS();
}
