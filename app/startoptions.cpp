#include "app/startoptions.h"

#include <QCommandLineParser>

#include "app/aboutdlg.h"

namespace ostrada {
namespace {

bool ApplySeed(const QString& value, StartOptions& options) {
  bool ok = false;
  const qulonglong seed = value.toULongLong(&ok);
  if (!ok) return false;
  // A named market: a new paper account keeps it, and an account of another market will not trade.
  options.exchange.seed = seed;
  options.exchange.paper.drawSeed = false;
  return true;
}

bool ApplyStocks(const QString& value, StartOptions& options) {
  bool ok = false;
  const int stocks = value.toInt(&ok);
  if (!ok || stocks < 0) return false;
  options.exchange.stocks = stocks;
  // A named size: a new paper account keeps it, and an account of another size will not trade.
  options.exchange.paper.followListing = false;
  return true;
}

bool ApplyClock(const QString& value, StartOptions& options) {
  if (value == QLatin1String("session")) {
    options.exchange.clock = sim::ClockMode::kSession;
  } else if (value == QLatin1String("live")) {
    options.exchange.clock = sim::ClockMode::kLive;
  } else {
    return false;
  }
  return true;
}

bool ApplySpeed(const QString& value, StartOptions& options) {
  constexpr double kFastest = 3600.0;  // an hour of session per second is already beyond reading
  bool ok = false;
  const double speed = value.toDouble(&ok);
  if (!ok || !(speed > 0) || speed > kFastest) return false;
  options.exchange.speed = speed;
  options.speedChosen = true;
  return true;
}

bool ApplyFault(const QString& value, StartOptions& options) {
  if (value == QLatin1String("none")) {
    options.fault = StartFault::kNone;
  } else if (value == QLatin1String("no-listing")) {
    options.fault = StartFault::kNoListing;
  } else if (value == QLatin1String("no-server")) {
    options.fault = StartFault::kNoServer;
  } else {
    return false;
  }
  return true;
}

bool ApplyCash(const QString& value, StartOptions& options) {
  bool ok = false;
  const qlonglong cash = value.toLongLong(&ok);
  if (!ok || cash < 0) return false;
  options.exchange.paper.startingCash = cash;
  return true;
}

bool ApplyLedger(const QString& value, StartOptions& options) {
  options.exchange.paper.ledgerPath = value.toStdString();
  return true;
}

bool ApplyLayout(const QString& value, StartOptions& options) {
  if (value == QLatin1String("restore")) {
    options.cleanLayout = false;
  } else if (value == QLatin1String("clean")) {
    options.cleanLayout = true;
  } else {
    return false;
  }
  return true;
}

struct OptionDefinition {
  const char* name;
  const char* variable;
  const char* valueName;
  const char* description;
  bool (*apply)(const QString& value, StartOptions& options);
};

constexpr OptionDefinition kOptionDefinitions[] = {
    {"seed", "OSTRADA_SEED", "N", "Seed of the embedded exchange (default: the paper account's own market).",
     ApplySeed},
    {"stocks", "OSTRADA_STOCKS", "N", "Number of listed stocks (0: the full market).", ApplyStocks},
    {"clock", "OSTRADA_CLOCK", "session|live", "session: a trading day from 09:00; live: the wall clock in Korea.",
     ApplyClock},
    {"speed", "OSTRADA_SPEED", "X", "Session time per real time (at most 3600).", ApplySpeed},
    {"fault", "OSTRADA_FAULT", "none|no-listing|no-server",
     "Start-up fault: the code list cannot be downloaded, or the server cannot be reached.", ApplyFault},
    {"cash", "OSTRADA_CASH", "N", "Cash a new paper account starts with, in won.", ApplyCash},
    {"ledger", "OSTRADA_LEDGER", "PATH", "The paper account's ledger file (default: paper.sqlite in the data folder).",
     ApplyLedger},
    {"layout", "OSTRADA_LAYOUT", "restore|clean",
     "restore: open the windows left open at the last quit; clean: start with none.", ApplyLayout},
};

QCommandLineOption MakeOption(const OptionDefinition& option) {
  return QCommandLineOption(QString::fromLatin1(option.name),
                            QString::fromLatin1(option.description) + QStringLiteral(" [%1]").arg(option.variable),
                            QString::fromLatin1(option.valueName));
}

// The command line's value, else the environment's; empty when neither gives one.
QString ValueOf(const QCommandLineParser& parser, const QProcessEnvironment& environment,
                const OptionDefinition& option) {
  if (parser.isSet(QString::fromLatin1(option.name))) return parser.value(QString::fromLatin1(option.name));
  return environment.value(QString::fromLatin1(option.variable)).trimmed();
}

QString Invalid(const OptionDefinition& option, const QString& value) {
  return QStringLiteral("invalid value for --%1 (%2): \"%3\"").arg(option.name, option.variable, value);
}

}  // namespace

ParseResult ParseStartOptions(const QStringList& arguments, const QProcessEnvironment& environment,
                              StartOptions& options, QString& message) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("ostrada: trading on the Korean stock market."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  for (const OptionDefinition& option : kOptionDefinitions) parser.addOption(MakeOption(option));
  if (!parser.parse(arguments)) {
    message = parser.errorText();
    return ParseResult::kError;
  }
  if (parser.isSet(help)) {
    message = parser.helpText();
    return ParseResult::kHelp;
  }
  if (parser.isSet(version)) {
    message = QStringLiteral("ostrada %1\n").arg(QLatin1String(kProgramVersion));
    return ParseResult::kHelp;
  }
  if (!parser.positionalArguments().isEmpty()) {
    message = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
    return ParseResult::kError;
  }
  // Without a seed the program runs the paper account's own market (a new account draws one), and
  // without a size the account's own listing.
  options.exchange.paper.drawSeed = true;
  options.exchange.paper.followListing = true;
  for (const OptionDefinition& option : kOptionDefinitions) {
    const QString value = ValueOf(parser, environment, option);
    if (value.isEmpty()) continue;
    if (!option.apply(value, options)) {
      message = Invalid(option, value);
      return ParseResult::kError;
    }
  }
  return ParseResult::kRun;
}

}  // namespace ostrada
