#pragma once
// ostrada-cli speaks Korean through and through: the headings of CLI11's help and its own words for a
// command line it cannot take are the program's, not the library's English, and every summary and
// message a command prints comes from the text catalogue.
#include <CLI/CLI.hpp>
#include <string>
#include <type_traits>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"

namespace ostrada::cli {

// Headings, help flags and groups of the app and every command registered in it.
void UseKoreanWords(CLI::App& app);

// What to print (UTF-8, without the program's name) for a command line CLI11 refused; `unparsed` holds
// the words it took for no command or option (CLI::App::remaining).
std::string KoreanParseError(const CLI::ParseError& error, const std::vector<std::string>& unparsed);

// A catalogue text as the terminal shows it (UTF-8).
std::string Words(Txt id);

namespace words_detail {
// The catalogue's formats are CP949: a text argument is converted to it before it is filled in, a number
// goes in as it is.
inline std::string Held(const std::string& utf8) {
  return Utf8ToCp949(utf8);
}
inline std::string Held(const char* utf8) {
  return Utf8ToCp949(utf8);
}
template <typename T>
  requires std::is_arithmetic_v<T>
T Held(T value) {
  return value;
}
inline const char* Raw(const std::string& cp949) {
  return cp949.c_str();
}
template <typename T>
  requires std::is_arithmetic_v<T>
T Raw(T value) {
  return value;
}
// printf's formatting of a CP949 format, returned as UTF-8.
std::string Formatted(const char* format, ...);
template <typename... Held>
std::string FilledHeld(Txt format, const Held&... held) {
  return Formatted(TextC(format), Raw(held)...);
}
}  // namespace words_detail

// A catalogue format filled with its arguments (texts in UTF-8, numbers), as UTF-8.
template <typename... Args>
std::string Said(Txt format, const Args&... args) {
  return words_detail::FilledHeld(format, words_detail::Held(args)...);
}

// Prints the filled text as one line of the command's output.
template <typename... Args>
void Say(Txt format, const Args&... args) {
  std::printf("%s\n", Said(format, args...).c_str());
}

// A UTF-8 text padded to `width` terminal columns, right-aligned (a negative width: left-aligned, as
// printf's). Hangul takes two columns, so printf's byte counts would leave Korean columns short.
std::string Column(const std::string& utf8, int width);

// Tells stderr what went wrong ("ostrada-cli: ...") and returns the failure's exit code.
int Fail(const std::string& utf8);
template <typename... Args>
int Fail(Txt format, const Args&... args) {
  return Fail(Said(format, args...));
}

}  // namespace ostrada::cli
