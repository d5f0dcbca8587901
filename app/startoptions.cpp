#include "app/startoptions.h"

#include <QCommandLineParser>

#include "app/aboutdlg.h"
#include "app/qtext.h"
#include "basesrc/foundation/texts.h"

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
  Txt description;
  bool (*apply)(const QString& value, StartOptions& options);
};

constexpr OptionDefinition kOptionDefinitions[] = {
    {"seed", "OSTRADA_SEED", "N", Txt::kStartSeed, ApplySeed},
    {"stocks", "OSTRADA_STOCKS", "N", Txt::kStartStocks, ApplyStocks},
    {"clock", "OSTRADA_CLOCK", "session|live", Txt::kStartClock, ApplyClock},
    {"speed", "OSTRADA_SPEED", "X", Txt::kStartSpeed, ApplySpeed},
    {"fault", "OSTRADA_FAULT", "none|no-listing|no-server", Txt::kStartFault, ApplyFault},
    {"cash", "OSTRADA_CASH", "N", Txt::kStartCash, ApplyCash},
    {"ledger", "OSTRADA_LEDGER", "PATH", Txt::kStartLedger, ApplyLedger},
    {"layout", "OSTRADA_LAYOUT", "restore|clean", Txt::kStartLayout, ApplyLayout},
};

QString Words(Txt text) {
  return FromCp949(Text(text));
}

QCommandLineOption MakeOption(const OptionDefinition& option) {
  return QCommandLineOption(QString::fromLatin1(option.name),
                            Words(option.description) + QStringLiteral(" [%1]").arg(option.variable),
                            QString::fromLatin1(option.valueName));
}

// A catalogue format with one text in it, from a QString.
QString Filled(Txt format, const QString& text) {
  return Words(format).replace(QStringLiteral("%s"), text);
}

// Qt words its help's two headings itself, in English: the program's are Korean.
QString KoreanHelp(const QCommandLineParser& parser) {
  QString text = parser.helpText();
  text.replace(text.indexOf(QStringLiteral("Usage:")), 6, Words(Txt::kStartUsage));
  text.replace(QStringLiteral("[options]"), QStringLiteral("[%1]").arg(Words(Txt::kStartOptions).chopped(1)));
  const int options = text.indexOf(QStringLiteral("\nOptions:\n"));
  if (options >= 0) text.replace(options + 1, 8, Words(Txt::kStartOptions));
  return text;
}

// The command line's value, else the environment's; empty when neither gives one.
QString ValueOf(const QCommandLineParser& parser, const QProcessEnvironment& environment,
                const OptionDefinition& option) {
  if (parser.isSet(QString::fromLatin1(option.name))) return parser.value(QString::fromLatin1(option.name));
  return environment.value(QString::fromLatin1(option.variable)).trimmed();
}

QString Invalid(const OptionDefinition& option, const QString& value) {
  QString text = Words(Txt::kStartBadValue);
  for (const QString& part : {QString::fromLatin1(option.name), QString::fromLatin1(option.variable), value}) {
    text.replace(text.indexOf(QStringLiteral("%s")), 2, part);
  }
  return text;
}

}  // namespace

ParseResult ParseStartOptions(const QStringList& arguments, const QProcessEnvironment& environment,
                              StartOptions& options, QString& message) {
  QCommandLineParser parser;
  parser.setApplicationDescription(Words(Txt::kStartDescription));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, Words(Txt::kStartHelp));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, Words(Txt::kStartVersion));
  parser.addOption(help);
  parser.addOption(version);
  for (const OptionDefinition& option : kOptionDefinitions) parser.addOption(MakeOption(option));
  if (!parser.parse(arguments)) {
    message = parser.unknownOptionNames().isEmpty() ? Filled(Txt::kStartBadCommandLine, parser.errorText())
                                                    : Filled(Txt::kStartUnknownOption, parser.unknownOptionNames().first());
    return ParseResult::kError;
  }
  if (parser.isSet(help)) {
    message = KoreanHelp(parser);
    return ParseResult::kHelp;
  }
  if (parser.isSet(version)) {
    message = QStringLiteral("ostrada %1\n").arg(QLatin1String(kProgramVersion));
    return ParseResult::kHelp;
  }
  if (!parser.positionalArguments().isEmpty()) {
    message = Filled(Txt::kStartUnexpected, parser.positionalArguments().first());
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
