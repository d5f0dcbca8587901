#include "tools/cli_words.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "tools/command.h"

namespace ostrada::cli {
namespace {

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

// "code->1,name->2" (a transformer's table) as "code, name".
std::string Choices(const std::string& table) {
  std::string names;
  for (size_t at = 0; at < table.size();) {
    const size_t end = std::min(table.find(',', at), table.size());
    const std::string entry = table.substr(at, end - at);
    names += (names.empty() ? "" : ", ") + entry.substr(0, entry.find("->"));
    at = end + 1;
  }
  return names;
}

}  // namespace

std::string Words(Txt id) {
  return Cp949ToUtf8(Text(id));
}

std::string words_detail::Formatted(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return Cp949ToUtf8(text);
}

std::string Column(const std::string& utf8, int width) {
  int columns = 0;
  for (const unsigned char byte : utf8) {
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    columns += byte >= 0xE1 ? 2 : 1;      // three-byte sequences from U+1000 on: Hangul and the other wide scripts
  }
  const std::string padding(columns < std::abs(width) ? std::abs(width) - columns : 0, ' ');
  return width < 0 ? utf8 + padding : padding + utf8;
}

int Fail(const std::string& utf8) {
  std::fprintf(stderr, "ostrada-cli: %s\n", utf8.c_str());
  return kExitFailure;
}

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

std::string KoreanParseError(const CLI::ParseError& error, const std::vector<std::string>& unparsed) {
  const std::string message = error.what();
  const std::string kind = error.get_name();
  std::smatch parts;
  std::string said;
  if (kind == "RequiredError") {
    // "A subcommand is required", "Requires at least 1 subcommands", or "--checks is required".
    static const std::regex option("(-[^ ]+|[A-Z_]+) is required");
    // A word where a command was due is a command mistyped, not one left out.
    const auto word = std::find_if(unparsed.begin(), unparsed.end(), [](const std::string& w) { return w.rfind('-', 0) != 0; });
    if (std::regex_match(message, parts, option)) {
      said = Said(Txt::kCliMissing, parts[1].str());
    } else if (word != unparsed.end()) {
      said = Said(Txt::kCliUnknownCommand, *word);
    } else {
      said = unparsed.empty() ? Words(Txt::kCliMissingCommand) : Said(Txt::kCliUnexpected, unparsed.front());
    }
  } else if (kind == "ExtrasError" || message.find("not expected: ") != std::string::npos) {
    said = Said(Txt::kCliUnexpected, After(message, "not expected: "));
  } else if (kind == "ArgumentMismatch") {
    static const std::regex option("([^:]+): .*missing");
    said = std::regex_search(message, parts, option) ? Said(Txt::kCliNoValue, parts[1].str())
                                                     : Said(Txt::kCliBadCommandLine, message);
  } else if (kind == "ValidationError" || kind == "ConversionError") {
    static const std::regex range("([^:]+): Value (.+) not in range (.+) to (.+)");
    static const std::regex conversion("The value (.+) is not an allowed value for (.+)");
    static const std::regex choice("([^:]+): Check (.+) value in \\{([^}]*)\\}.* FAILED");
    static const std::regex named("([^:]+): (.+)");
    if (std::regex_match(message, parts, range)) {
      said = Said(Txt::kCliOutOfRange, parts[1].str(), parts[2].str(), parts[3].str(), parts[4].str());
    } else if (std::regex_match(message, parts, conversion)) {
      said = Said(Txt::kCliBadValue, parts[2].str(), parts[1].str());
    } else if (std::regex_match(message, parts, choice)) {
      said = Said(Txt::kCliChooseOne, parts[1].str(), parts[2].str(), Choices(parts[3].str()));
    } else if (std::regex_match(message, parts, named)) {
      said = Said(Txt::kCliBadValue, parts[1].str(), parts[2].str());
    } else {
      said = Said(Txt::kCliBadCommandLine, message);
    }
  } else {
    said = Said(Txt::kCliBadCommandLine, message);
  }
  return said + "\n" + Words(Txt::kCliSeeHelp);
}

}  // namespace ostrada::cli
