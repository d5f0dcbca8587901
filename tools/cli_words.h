#pragma once
// ostrada-cli speaks Korean through and through: the headings of CLI11's help and its own words for a
// command line it cannot take are the program's, not the library's English.
#include <CLI/CLI.hpp>
#include <string>

namespace ostrada::cli {

// Headings, help flags and groups of the app and every command registered in it.
void UseKoreanWords(CLI::App& app);

// What to print (UTF-8, without the program's name) for a command line CLI11 refused.
std::string KoreanParseError(const CLI::ParseError& error);

}  // namespace ostrada::cli
