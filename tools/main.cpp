#include <cstdio>
#include <vector>

#include "basesrc/codesearch.h"
#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/uisink.h"
#include "tools/cli_words.h"
#include "tools/command.h"

namespace ostrada::cli {
namespace {

std::vector<Registration>& Registrations() {
  static std::vector<Registration> registrations;
  return registrations;
}

int g_exitCode = kExitOk;

// Every command that takes a stock's code takes it as the program's stock boxes do: "001340" as well
// as "A001340".
void AcceptTypedCodes(CLI::App& command) {
  for (CLI::Option* option : command.get_options()) {
    const std::string name = option->get_name();
    if (name == "CODE" || name == "--code") option->transform([](std::string text) { return StockCodeFromTyped(text); });
  }
  for (CLI::App* sub : command.get_subcommands({})) AcceptTypedCodes(*sub);
}

}  // namespace

bool RegisterCommand(Registration registration) {
  Registrations().push_back(std::move(registration));
  return true;
}

void SetExitCode(int code) {
  g_exitCode = code;
}

}  // namespace ostrada::cli

int main(int argc, char** argv) {
  using namespace ostrada;
  SetProgramPath("/proc/self/exe");
  // A script reading a pipe or a file gets every line as it is printed, even if the run is killed.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  StderrSink sink;
  ScopedUiSink scopedSink(sink);

  CLI::App app{cli::Words(Txt::kCliHelpProgram)};
  app.require_subcommand(1);
  for (const auto& registration : cli::Registrations()) registration(app);
  cli::AcceptTypedCodes(app);
  cli::UseKoreanWords(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // Help and version requests are successes; any other bad command line is a plain failure, told in
    // the program's words.
    if (error.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
      app.exit(error);
      return cli::kExitOk;
    }
    std::fprintf(stderr, "ostrada-cli: %s\n", cli::KoreanParseError(error, app.remaining(true)).c_str());
    return cli::kExitFailure;
  }
  // Output that never reached its file (a full disk) makes the run a failure, whatever the command set.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return cli::Fail(Txt::kCliOutputFailed);
  }
  return cli::g_exitCode;
}
