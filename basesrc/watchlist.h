#pragma once
// The home board's watchlist (관심종목): the user's own stocks, kept in the data folder as an
// interest-group text file, so the report of a screen loads as a watchlist and the watchlist opens
// wherever an interest group does.
#include <string>
#include <string_view>
#include <vector>

namespace ostrada {

struct WatchEntry {
  std::string code;  // CP949, as the code book holds it
  std::string name;
  friend bool operator==(const WatchEntry&, const WatchEntry&) = default;
};

// "<data folder>watchlist.txt".
std::string WatchlistFileName();

// Every "code(name)" line of every group, in the file's order, each code once; the title ("//...")
// and group ("[...]") lines and empty lines are skipped, as is any line without a code.
std::vector<WatchEntry> ParseInterestText(std::string_view text);
// One group named `title` in the interest-group text format: "//title", "[title]", one
// "code(name)" line a stock, an empty line; lines end with CR LF.
std::string InterestText(const std::vector<WatchEntry>& entries, const std::string& title);

// Reads the file into entries. 1 when read (entries replaced), 0 when it does not exist (entries
// untouched), -1 when it exists but cannot be read, is too large to be a watchlist or is no text
// (shown, naming the file; the caller leaves it as it is).
int LoadWatchlist(const std::string& path, std::vector<WatchEntry>* entries);
// What the user is told of the file's stocks the code book does not list: kept, but not shown.
std::string UnlistedText(const std::vector<WatchEntry>& unlisted, const std::string& path);
// Writes the entries through the foundation's replacing file, so a failed write leaves the previous
// list whole and a link or the file's permissions stay. 1, or 0 after the message.
int SaveWatchlist(const std::string& path, const std::vector<WatchEntry>& entries, const std::string& title);

}  // namespace ostrada
