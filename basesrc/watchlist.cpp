#include "basesrc/watchlist.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "basesrc/foundation/datafolder.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/watchlist";
namespace {

// A watchlist is a few hundred lines; anything far larger is not one.
constexpr std::streamoff kLargestFile = 1 << 20;

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

// A text file has no control bytes but its line ends and tabs; anything else (a NUL above all) is a
// file of another kind saved under the watchlist's name, which a parse would read as garbage codes.
bool IsText(std::string_view bytes) {
  return std::none_of(bytes.begin(), bytes.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
  });
}

}  // namespace

std::string WatchlistFileName() {
  return DataFolder() + "watchlist.txt";
}

std::vector<WatchEntry> ParseInterestText(std::string_view text) {
  std::vector<WatchEntry> entries;
  std::set<std::string> seen;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.substr(0, 2) == "//" || line.front() == '[') continue;
    const size_t open = line.find('(');
    const size_t close = line.rfind(')');
    const std::string_view code = Trimmed(line.substr(0, open));
    if (code.empty() || code.size() > 15 || code.find(' ') != std::string_view::npos) continue;
    WatchEntry entry{std::string(code), {}};
    if (open != std::string_view::npos && close != std::string_view::npos && close > open)
      entry.name = std::string(line.substr(open + 1, close - open - 1));
    if (seen.insert(entry.code).second) entries.push_back(std::move(entry));
  }
  return entries;
}

std::string InterestText(const std::vector<WatchEntry>& entries, const std::string& title) {
  std::string text = "//" + title + "\r\n[" + title + "]\r\n";
  for (const WatchEntry& entry : entries) text += entry.code + "(" + entry.name + ")\r\n";
  return text + "\r\n";
}

int LoadWatchlist(const std::string& path, std::vector<WatchEntry>* entries) {
  if (!OSTRADA_VERIFY(entries != nullptr)) return -1;
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) return 0;
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    ShowMessage(TextWithPath(Txt::kWatchlistReadFailed, path));
    return -1;
  }
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kLargestFile) {
    ShowMessage(TextWithPath(Txt::kWatchlistReadFailed, path));
    return -1;
  }
  in.seekg(0);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    ShowMessage(TextWithPath(Txt::kWatchlistReadFailed, path));
    return -1;
  }
  if (!IsText(text)) {
    ShowMessage(TextWithPath(Txt::kWatchlistNotText, path));
    return -1;
  }
  *entries = ParseInterestText(text);
  return 1;
}

std::string UnlistedText(const std::vector<WatchEntry>& unlisted, const std::string& path) {
  std::string text = TextWithPath(Txt::kWatchlistUnlisted, path);
  for (const WatchEntry& entry : unlisted) text += " " + entry.code + (entry.name.empty() ? "" : "(" + entry.name + ")");
  return text;
}

int SaveWatchlist(const std::string& path, const std::vector<WatchEntry>& entries, const std::string& title) {
  ReplacingFile file(path.c_str());
  if (file.get() == kInvalidHandle) return 0;  // told by the replacing file
  const std::string text = InterestText(entries, title);
  const auto size = static_cast<int32_t>(text.size());
  if (FileWrite(file.get(), text.data(), size) == size && file.Commit()) return 1;
  ShowMessage(TextWithPath(Txt::kWatchlistSaveFailed, path));
  return 0;
}

}  // namespace ostrada
