#include "app/startoptions.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace ostrada {
namespace {

ParseResult Parse(const QStringList& arguments, const QProcessEnvironment& environment, StartOptions& options,
                  QString& message) {
  return ParseStartOptions(QStringList{"ostrada"} + arguments, environment, options, message);
}

TEST(StartOptions, DefaultsRunTheFullMarketInASession) {
  StartOptions options;
  QString message;
  ASSERT_EQ(Parse({}, QProcessEnvironment(), options, message), ParseResult::kRun);
  EXPECT_EQ(options.exchange.stocks, 0);
  EXPECT_EQ(options.exchange.clock, sim::ClockMode::kSession);
  EXPECT_EQ(options.fault, StartFault::kNone);
  EXPECT_TRUE(options.exchange.paper.drawSeed) << "the paper account's own market";
}

TEST(StartOptions, TheEnvironmentChoosesAndTheCommandLineWins) {
  QProcessEnvironment environment;
  environment.insert("OSTRADA_SEED", "42");
  environment.insert("OSTRADA_STOCKS", "120");
  environment.insert("OSTRADA_CLOCK", "live");
  environment.insert("OSTRADA_SPEED", "2.5");
  environment.insert("OSTRADA_FAULT", "no-listing");
  environment.insert("OSTRADA_CASH", "5000000");
  environment.insert("OSTRADA_LEDGER", "/tmp/a.sqlite");
  StartOptions options;
  QString message;
  ASSERT_EQ(Parse({"--stocks", "50", "--fault=no-server", "--ledger", "/tmp/b.sqlite"}, environment, options, message),
            ParseResult::kRun);
  EXPECT_EQ(options.exchange.paper.startingCash, 5'000'000);
  EXPECT_EQ(options.exchange.paper.ledgerPath, "/tmp/b.sqlite");
  EXPECT_EQ(options.exchange.seed, 42u);
  EXPECT_FALSE(options.exchange.paper.drawSeed) << "a named market";
  EXPECT_EQ(options.exchange.stocks, 50);
  EXPECT_EQ(options.exchange.clock, sim::ClockMode::kLive);
  EXPECT_DOUBLE_EQ(options.exchange.speed, 2.5);
  EXPECT_EQ(options.fault, StartFault::kNoServer);
}

TEST(StartOptions, BadValuesAreRefusedWithTheirName) {
  const std::pair<QStringList, const char*> cases[] = {
      {{"--stocks", "-3"}, "--stocks (OSTRADA_STOCKS) 의 값이 맞지 않습니다: \"-3\""},
      {{"--seed", "x"}, "--seed"},
      {{"--clock", "night"}, "--clock"},
      {{"--speed", "0"}, "--speed"},
      {{"--fault", "disk"}, "--fault"},
      {{"--cash", "-1"}, "--cash"},
      {{"--colour"}, "알 수 없는 옵션입니다: colour"},
      {{"stray"}, "알 수 없는 인자입니다: stray"},
  };
  for (const auto& [arguments, named] : cases) {
    StartOptions options;
    QString message;
    EXPECT_EQ(Parse(arguments, QProcessEnvironment(), options, message), ParseResult::kError) << named;
    EXPECT_TRUE(message.contains(QString::fromUtf8(named))) << message.toStdString();
  }
  QProcessEnvironment environment;
  environment.insert("OSTRADA_CLOCK", "fast");
  StartOptions options;
  QString message;
  EXPECT_EQ(Parse({}, environment, options, message), ParseResult::kError);
  EXPECT_TRUE(message.contains("OSTRADA_CLOCK"));
}

TEST(StartOptions, HelpListsEveryOption) {
  StartOptions options;
  QString message;
  ASSERT_EQ(Parse({"--help"}, QProcessEnvironment(), options, message), ParseResult::kHelp);
  for (const char* option : {"--seed", "--stocks", "--clock", "--speed", "--fault", "--cash", "--ledger"}) {
    EXPECT_TRUE(message.contains(QString::fromLatin1(option))) << option;
  }
  // In Korean, Qt's own headings and help lines too.
  for (const char* korean : {"사용법:", "옵션:", "이 도움말을 보이고 끝냅니다.", "상장 종목 수 (0: 시장 전체)."}) {
    EXPECT_TRUE(message.contains(QString::fromUtf8(korean))) << korean << message.toStdString();
  }
  for (const char* english : {"Usage", "Options:", "[options]", "Displays", "Number of"}) {
    EXPECT_FALSE(message.contains(QString::fromLatin1(english))) << english;
  }
}

TEST(StartOptions, VersionIsTheProgramsOwn) {
  StartOptions options;
  QString message;
  ASSERT_EQ(Parse({"--version"}, QProcessEnvironment(), options, message), ParseResult::kHelp);
  // The about box says "ostrada 버전 1.0": the program answers with the same number.
  EXPECT_EQ(message, QStringLiteral("ostrada 1.0\n"));
}

// The program of the same build (<build>/app/ostrada beside <build>/tests/test_gui_app).
QString ProgramPath() {
  const QString tests = QFileInfo(QFile::symLinkTarget(QStringLiteral("/proc/self/exe"))).absolutePath();
  return QDir(tests).absoluteFilePath(QStringLiteral("../app/ostrada"));
}

TEST(StartOptions, HelpAndVersionAnswerWithoutADisplay) {
  // The desktop's own platform, with no display to reach: only a program that opens none can answer.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "OSTRADA_SEED"}) environment.remove(QString::fromLatin1(name));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
  const std::pair<const char*, const char*> cases[] = {{"--help", "--ledger"}, {"--version", "ostrada 1.0"}};
  for (const auto& [argument, expected] : cases) {
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(ProgramPath(), {QString::fromLatin1(argument)});
    ASSERT_TRUE(program.waitForFinished(30'000)) << argument;
    const QString output = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << argument;
    EXPECT_EQ(program.exitCode(), 0) << argument << ": " << program.readAllStandardError().toStdString();
    EXPECT_TRUE(output.contains(QString::fromLatin1(expected))) << argument << ": " << output.toStdString();
  }
}

}  // namespace
}  // namespace ostrada

namespace ostrada {
namespace {

TEST(StartOptions, TheLayoutOptionStartsCleanOrRestores) {
  StartOptions options;
  QString message;
  ASSERT_EQ(Parse({}, QProcessEnvironment(), options, message), ParseResult::kRun);
  EXPECT_FALSE(options.cleanLayout);
  ASSERT_EQ(Parse({"--layout", "clean"}, QProcessEnvironment(), options, message), ParseResult::kRun);
  EXPECT_TRUE(options.cleanLayout);
  QProcessEnvironment environment;
  environment.insert("OSTRADA_LAYOUT", "clean");
  StartOptions fromEnvironment;
  ASSERT_EQ(Parse({}, environment, fromEnvironment, message), ParseResult::kRun);
  EXPECT_TRUE(fromEnvironment.cleanLayout);
  ASSERT_EQ(Parse({"--layout=restore"}, environment, fromEnvironment, message), ParseResult::kRun);
  EXPECT_FALSE(fromEnvironment.cleanLayout);
  EXPECT_EQ(Parse({"--layout", "tidy"}, QProcessEnvironment(), options, message), ParseResult::kError);
  EXPECT_TRUE(message.contains(QStringLiteral("--layout"))) << message.toStdString();
}

}  // namespace
}  // namespace ostrada
