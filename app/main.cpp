// The desktop program: the application object on the embedded exchange, with real message boxes.
#include <QApplication>
#include <QCoreApplication>
#include <QProcessEnvironment>
#include <cstdio>

#include "app/ostrada.h"
#include "app/qtuisink.h"
#include "basesrc/foundation/datafolder.h"

int main(int argc, char** argv) {
  using namespace ostrada;
  StartOptions options;
  options.rememberLayout = true;
  QString message;
  ParseResult parsed;
  {
    // The options are read before any window system is asked for, so that --help and --version
    // answer where there is no display.
    QCoreApplication reader(argc, argv);
    parsed = ParseStartOptions(QCoreApplication::arguments(), QProcessEnvironment::systemEnvironment(), options, message);
  }
  switch (parsed) {
    case ParseResult::kRun:
      break;
    case ParseResult::kHelp:
      std::fputs(message.toUtf8().constData(), stdout);
      return 0;
    case ParseResult::kError:
      std::fprintf(stderr, "ostrada: %s\n", message.toUtf8().constData());
      return 2;
  }

  QApplication application(argc, argv);
  SetProgramPath(QCoreApplication::applicationFilePath().toStdString());
  QtUiSink sink;
  ScopedUiSink scopedSink(sink);
  // The program keeps its paper account in the data folder unless told otherwise.
  if (options.exchange.paper.ledgerPath.empty()) {
    const std::string folder = DataFolder();
    if (!folder.empty()) options.exchange.paper.ledgerPath = folder + sim::kPaperLedgerFileName;
  }
  CostradaApp app(options);
  if (!app.InitInstance()) return 1;
  return QApplication::exec();
}
