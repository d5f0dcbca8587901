#include "broker/sim/paper/practice_ledgers.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <system_error>
#include <tuple>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/market_calendar.h"
#include "broker/sim/market/market_process.h"
#include "broker/sim/paper/paper_account.h"

namespace ostrada::sim {
namespace {

namespace fs = std::filesystem;

std::string DateText(int32_t date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
  return text;
}

// "paper-20250303-20250314.sqlite", or with "-2", "-3", ... where that name is taken.
fs::path FreeName(const fs::path& ledger, int32_t first, int32_t last) {
  char dates[32];
  std::snprintf(dates, sizeof dates, "-%08d-%08d", first, last);
  const std::string stem = ledger.stem().string() + dates;
  fs::path name = ledger.parent_path() / (stem + ledger.extension().string());
  for (int suffix = 2; fs::exists(name); ++suffix)
    name = ledger.parent_path() / (stem + "-" + std::to_string(suffix) + ledger.extension().string());
  return name;
}

PracticeResult Refused(std::string why) {
  return PracticeResult{std::move(why), {}};
}

// A ledger made ready to be moved as one file, with the dates it spans; or why it cannot be.
struct Movable {
  std::optional<std::string> refused;
  std::pair<int32_t, int32_t> span;
};

// Brings the ledger to this version and out of WAL, so that the file alone is the whole ledger.
Movable MakeMovable(const std::string& path, const FeeRates& fees) {
  std::string problem;
  // The file exists, so it holds its accounts: no starting cash is ever given here.
  auto ledger = PaperLedger::Open(path, PaperAccountNumbers(), 0, fees, problem);
  if (!ledger) return {problem, {}};
  try {
    const std::pair<int32_t, int32_t> span = ledger->Span();
    if (!ledger->LeaveWal()) return {Text(Txt::kPracticeLedgerInUse), {}};
    return {std::nullopt, span};
  } catch (const SqliteError& failure) {
    return {Text(Txt::kPaperLedgerReadFailed) + " " + failure.what(), {}};
  }
}

// Renames the current ledger, made movable, under the dates it spans; with none there is nothing to keep.
PracticeResult KeepCurrentAside(const fs::path& path, const FeeRates& fees) {
  if (!fs::exists(path)) return {};
  const Movable current = MakeMovable(path.string(), fees);
  if (current.refused) return Refused(*current.refused);
  const fs::path kept = FreeName(path, current.span.first, current.span.second);
  std::error_code error;
  fs::rename(path, kept, error);
  if (error) return Refused(TextWithPath(Txt::kPracticeKeepFailed, Utf8ToCp949(kept.string())));
  return PracticeResult{std::nullopt, kept.string()};
}

}  // namespace

bool IsPracticeDate(int32_t date, int32_t today) {
  return date >= kProcessStart && date <= today && IsTradingDay(date);
}

std::optional<std::string> PracticeDateRefusal(int32_t date, int32_t today) {
  if (IsPracticeDate(date, today)) return std::nullopt;
  char message[512];
  std::snprintf(message, sizeof message, TextC(Txt::kPracticeDateOutside), DateText(kProcessStart).c_str(),
                DateText(TradingDayAtOrBefore(today)).c_str(), DateText(date).c_str());
  return message;
}

PracticeResult StartPracticeAccount(const std::string& ledgerPath, const PracticeStart& start, int32_t today,
                                    const FeeRates& fees) {
  if (std::optional<std::string> refused = PracticeDateRefusal(start.date, today)) return Refused(*refused);
  PracticeResult result = KeepCurrentAside(ledgerPath, fees);
  if (result.refused) return result;
  std::string problem;
  auto fresh = PaperLedger::Open(ledgerPath, PaperAccountNumbers(), start.cash, fees, problem);
  try {
    if (fresh) {
      fresh->See(start.date, start.timeMs);
      if (start.seed) fresh->KeepMarketSeed(*start.seed);
      return result;
    }
  } catch (const SqliteError& failure) {
    problem = Text(Txt::kPaperLedgerWriteFailed) + " " + failure.what();
  }
  // The earlier account goes back where it was: a start that failed changes nothing.
  fresh.reset();
  std::error_code error;
  fs::remove(ledgerPath, error);
  if (!result.keptAs.empty()) fs::rename(result.keptAs, ledgerPath, error);
  return Refused(problem);
}

PracticeResult ReopenPracticeAccount(const std::string& ledgerPath, const std::string& chosen, const FeeRates& fees) {
  std::error_code error;
  if (fs::equivalent(ledgerPath, chosen, error)) return {};
  std::string problem;
  // Read first: a damaged or newer file is refused before opening it to write changes a byte of it.
  if (!PaperLedger::OpenToRead(chosen, fees, problem)) return Refused(problem);
  if (const Movable ready = MakeMovable(chosen, fees); ready.refused) return Refused(*ready.refused);
  PracticeResult result = KeepCurrentAside(ledgerPath, fees);
  if (result.refused) return result;
  fs::rename(chosen, ledgerPath, error);
  if (!error) return result;
  if (!result.keptAs.empty()) fs::rename(result.keptAs, ledgerPath, error);
  return Refused(TextWithPath(Txt::kPracticeReopenFailed, Utf8ToCp949(chosen)));
}

std::optional<LedgerFacts> ReadLedgerFacts(const std::string& path, const FeeRates& fees) {
  std::string problem;
  const std::unique_ptr<PaperLedger> ledger = PaperLedger::OpenToRead(path, fees, problem);
  if (!ledger) return std::nullopt;
  try {
    const std::string& account = PaperAccountNumbers().front();
    return LedgerFacts{ledger->HasAccount(account) ? ledger->Cash(account) : 0, ledger->LastSeen()};
  } catch (const SqliteError&) {
    return std::nullopt;
  }
}

std::vector<KeptLedger> KeptLedgers(const std::string& ledgerPath) {
  const fs::path ledger(ledgerPath);
  const std::string head = ledger.stem().string() + "-";
  const std::string tail = ledger.extension().string();
  static const std::regex dates(R"((\d{8})-(\d{8})(-\d+)?)");
  std::vector<KeptLedger> kept;
  std::error_code error;
  const fs::path folder = ledger.parent_path().empty() ? fs::path(".") : ledger.parent_path();
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const std::string file = entry.path().filename().string();
    if (file.size() <= head.size() + tail.size() || file.compare(0, head.size(), head) != 0 ||
        file.compare(file.size() - tail.size(), tail.size(), tail) != 0)
      continue;
    std::smatch parts;
    const std::string middle = file.substr(head.size(), file.size() - head.size() - tail.size());
    if (!std::regex_match(middle, parts, dates)) continue;
    kept.push_back({entry.path().string(), std::stoi(parts[1].str()), std::stoi(parts[2].str())});
  }
  std::sort(kept.begin(), kept.end(), [](const KeptLedger& a, const KeptLedger& b) {
    return std::tie(a.first, a.last, a.path) < std::tie(b.first, b.last, b.path);
  });
  return kept;
}

}  // namespace ostrada::sim
