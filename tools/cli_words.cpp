#include "tools/cli_words.h"

#include <cstdio>
#include <regex>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"

namespace ostrada::cli {
namespace {

std::string Words(Txt id) {
  return Cp949ToUtf8(Text(id));
}

// A catalogue format filled with UTF-8 arguments, as UTF-8.
template <typename... Args>
std::string Filled(Txt format, const Args&... args) {
  char text[1024];
  std::snprintf(text, sizeof text, TextC(format), Utf8ToCp949(args).c_str()...);
  return Cp949ToUtf8(text);
}

void UseKoreanGroups(CLI::App& command) {
  for (CLI::Option* option : command.get_options()) {
    if (option->get_group() == "Options") option->group(Words(Txt::kCliOptions));
  }
  if (CLI::Option* help = command.get_help_ptr()) help->description(Words(Txt::kCliHelpFlag));
  for (CLI::App* sub : command.get_subcommands({})) {
    if (sub->get_group() == "Subcommands") sub->group(Words(Txt::kCliSubcommands));
    UseKoreanGroups(*sub);
  }
}

// The part of CLI11's message after "name: ", or the whole message.
std::string After(const std::string& message, const std::string& separator) {
  const size_t at = message.find(separator);
  return at == std::string::npos ? message : message.substr(at + separator.size());
}

}  // namespace

void UseKoreanWords(CLI::App& app) {
  const std::shared_ptr<CLI::FormatterBase> formatter = app.get_formatter();
  formatter->label("Usage", Words(Txt::kCliUsage));
  formatter->label("OPTIONS", Words(Txt::kCliOptions));
  formatter->label("SUBCOMMAND", Words(Txt::kCliSubcommands));
  formatter->label("SUBCOMMANDS", Words(Txt::kCliSubcommands));
  formatter->label("Positionals", Words(Txt::kCliPositionals));
  formatter->label("REQUIRED", Words(Txt::kCliRequired));
  UseKoreanGroups(app);
}

std::string KoreanParseError(const CLI::ParseError& error) {
  const std::string message = error.what();
  const std::string kind = error.get_name();
  std::smatch parts;
  std::string said;
  if (kind == "RequiredError") {
    // "A subcommand is required", "Requires at least 1 subcommands", or "--checks is required".
    static const std::regex option("(-[^ ]+|[A-Z_]+) is required");
    said = std::regex_match(message, parts, option) ? Filled(Txt::kCliMissing, parts[1].str())
                                                    : Words(Txt::kCliMissingCommand);
  } else if (kind == "ExtrasError" || message.find("not expected: ") != std::string::npos) {
    said = Filled(Txt::kCliUnexpected, After(message, "not expected: "));
  } else if (kind == "ArgumentMismatch") {
    static const std::regex option("([^:]+): .*missing");
    said = std::regex_search(message, parts, option) ? Filled(Txt::kCliNoValue, parts[1].str())
                                                     : Filled(Txt::kCliBadCommandLine, message);
  } else if (kind == "ValidationError" || kind == "ConversionError") {
    static const std::regex range("([^:]+): Value (.+) not in range (.+) to (.+)");
    static const std::regex conversion("The value (.+) is not an allowed value for (.+)");
    static const std::regex named("([^:]+): (.+)");
    if (std::regex_match(message, parts, range)) {
      said = Filled(Txt::kCliOutOfRange, parts[1].str(), parts[2].str(), parts[3].str(), parts[4].str());
    } else if (std::regex_match(message, parts, conversion)) {
      said = Filled(Txt::kCliBadValue, parts[2].str(), parts[1].str());
    } else if (std::regex_match(message, parts, named)) {
      said = Filled(Txt::kCliBadValue, parts[1].str(), parts[2].str());
    } else {
      said = Filled(Txt::kCliBadCommandLine, message);
    }
  } else {
    said = Filled(Txt::kCliBadCommandLine, message);
  }
  return said + "\n" + Words(Txt::kCliSeeHelp);
}

}  // namespace ostrada::cli
