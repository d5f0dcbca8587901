// ostrada-cli journal: the paper account's record read from its ledger without writing to it: each
// day, stock, fill or order with the profit it realised, the totals a trader judges a record by, and
// the exports a spreadsheet (CSV) and a browser (SVG of the equity curve) open.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/files.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_journal_market.h"
#include "broker/sim/paper/paper_journal_table.h"
#include "tools/cli_paper.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"
#include "tools/svg_chart.h"

namespace ostrada::cli {
namespace {

struct JournalOptions {
  std::string ledger;
  std::string account = sim::PaperAccountNumbers().back();  // the one the login gives
  // The listing the account traded on; its market is the ledger's own.
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;
  int32_t from = 0;
  int32_t to = 0;
  std::string by = "day";
  bool json = false;
  std::string csvFile;
  std::string svgFile;
};

std::string Utf8(const std::string& cp949) {
  return Cp949ToUtf8(cp949);
}
std::string DateText(int32_t date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
  return text;
}

sim::JournalView ViewOf(const std::string& by) {
  return by == "stock" ? sim::JournalView::kStock
         : by == "fill" ? sim::JournalView::kFill
         : by == "order" ? sim::JournalView::kOrder
                         : sim::JournalView::kDay;
}

JsonDocument Ratio(const std::optional<int64_t>& hundredths) {
  return hundredths ? JsonDocument(std::stod(sim::HundredthsText(*hundredths))) : JsonDocument();
}

JsonDocument TotalsJson(const sim::JournalTotals& t) {
  return {{"fills", t.fills},
          {"trades", t.trades},
          {"wins", t.wins},
          {"losses", t.losses},
          {"winRatio", Ratio(t.WinRatioBasisPoints())},
          {"averageWin", t.AverageWin()},
          {"averageLoss", t.AverageLoss()},
          {"largestWin", t.largestWin},
          {"largestLoss", t.largestLoss},
          {"grossWin", t.grossWin},
          {"grossLoss", t.grossLoss},
          {"profitFactor", Ratio(t.ProfitFactorHundredths())},
          {"realised", t.realised},
          {"commission", t.commission},
          {"tax", t.tax},
          {"payout", t.payout},
          {"buyAmount", t.buyAmount},
          {"sellAmount", t.sellAmount},
          {"startEquity", t.startEquity},
          {"endEquity", t.endEquity},
          {"maxDrawdown", t.maxDrawdown},
          {"maxDrawdownRate", Ratio(t.DrawdownBasisPoints())},
          {"drawdownPeak", t.drawdownPeak > 0 ? JsonDocument(DateText(t.drawdownPeak)) : JsonDocument()},
          {"drawdownTrough", t.drawdownTrough > 0 ? JsonDocument(DateText(t.drawdownTrough)) : JsonDocument()}};
}

void PrintJson(const sim::Journal& journal, const sim::JournalTable& table, const std::string& by) {
  JsonDocument rows = JsonDocument::array();
  for (const std::vector<sim::JournalCell>& row : table.rows) {
    JsonDocument object = JsonDocument::object();
    for (size_t i = 0; i < row.size(); ++i)
      object[table.columns[i].key] = row[i].isNumber ? JsonDocument(row[i].number) : JsonDocument(Utf8(row[i].text));
    rows.push_back(std::move(object));
  }
  const JsonDocument document = {{"account", journal.account},
                                 {"from", DateText(journal.from)},
                                 {"to", DateText(journal.to)},
                                 {"by", by},
                                 {"costRule", "movingAverage"},
                                 {"profitRule", "afterSellCosts"},
                                 {"totals", TotalsJson(journal.totals)},
                                 {"rows", std::move(rows)}};
  std::printf("%s\n", JsonDump(document).c_str());
}

// Columns a UTF-8 text takes on a terminal: a Hangul (or other wide) character two.
size_t TerminalWidth(const std::string& utf8) {
  size_t width = 0;
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;
    width += byte >= 0xE0 ? 2 : 1;
  }
  return width;
}

void PrintLine(Txt label, const std::string& value) {
  std::printf("%s: %s\n", Words(label).c_str(), value.c_str());
}

void PrintText(const sim::Journal& journal, const sim::JournalTable& table) {
  const sim::JournalTotals& t = journal.totals;
  const auto won = [](int64_t value) { return FormatNumber(value); };
  const auto ratio = [](const std::optional<int64_t>& hundredths) { return hundredths ? sim::HundredthsText(*hundredths) : "-"; };
  PrintLine(Txt::kJournalAccount, journal.account);
  PrintLine(Txt::kJournalPeriod, DateText(journal.from) + " ~ " + DateText(journal.to));
  PrintLine(Txt::kJournalRealised, won(t.realised));
  PrintLine(Txt::kJournalCommission, won(t.commission));
  PrintLine(Txt::kJournalTax, won(t.tax));
  PrintLine(Txt::kJournalStartEquity, won(t.startEquity));
  PrintLine(Txt::kJournalEquity, won(t.endEquity));
  PrintLine(Txt::kJournalTrades, std::to_string(t.trades) + " (" + Words(Txt::kJournalWins) + " " +
                                     std::to_string(t.wins) + ", " + Words(Txt::kJournalLosses) + " " +
                                     std::to_string(t.losses) + ")");
  PrintLine(Txt::kJournalWinRatio, ratio(t.WinRatioBasisPoints()) + "%");
  PrintLine(Txt::kJournalAverageWin, won(t.AverageWin()));
  PrintLine(Txt::kJournalAverageLoss, won(t.AverageLoss()));
  PrintLine(Txt::kJournalLargestWin, won(t.largestWin));
  PrintLine(Txt::kJournalLargestLoss, won(t.largestLoss));
  PrintLine(Txt::kJournalProfitFactor, ratio(t.ProfitFactorHundredths()));
  PrintLine(Txt::kJournalMaxDrawdown, won(t.maxDrawdown) + " (" + sim::HundredthsText(t.DrawdownBasisPoints()) + "%)");
  std::printf("(%s)\n\n", Words(Txt::kJournalRule).c_str());
  // Columns as wide as their widest cell, numbers to the right, as a terminal shows them.
  std::vector<std::vector<std::string>> cells(1);
  for (const sim::JournalColumn& column : table.columns) cells[0].push_back(Words(column.title));
  for (const std::vector<sim::JournalCell>& row : table.rows) {
    cells.emplace_back();
    for (const sim::JournalCell& cell : row)
      cells.back().push_back(cell.isNumber ? FormatNumber(cell.number) : Utf8(cell.text));
  }
  std::vector<size_t> widths(table.columns.size(), 0);
  for (const std::vector<std::string>& row : cells)
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], TerminalWidth(row[i]));
  for (const std::vector<std::string>& row : cells) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) line += "  ";
      line += std::string(widths[i] - TerminalWidth(row[i]), ' ') + row[i];
    }
    std::printf("%s\n", line.c_str());
  }
}

// The bytes as the whole file, or the previous file left and a message saying so.
bool Export(const std::string& path, const std::string& bytes) {
  if (ReplaceFileWith(path.c_str(), bytes) == 1) return true;
  ShowMessage(Text(Txt::kJournalExportFailed) + Utf8ToCp949(path));
  return false;
}

int RunJournal(const JournalOptions& options) {
  PaperCliOptions paper;
  paper.ledger = options.ledger;
  const std::string path = PaperOptionsFor(paper).ledgerPath;
  if (options.from > 0 && options.to > 0 && options.from > options.to) {
    ShowMessage(Text(Txt::kJournalBadRange) + std::to_string(options.from) + " > " + std::to_string(options.to));
    return kExitFailure;
  }
  std::string problem;
  const sim::JournalPlace place{path, options.account, options.seed, options.stocks};
  const std::optional<sim::Journal> opened = sim::OpenJournal(place, options.from, options.to, problem);
  if (!opened) {
    ShowMessage(problem);
    return kExitFailure;
  }
  const sim::Journal& journal = *opened;
  if (!journal.HasTrades()) {
    const std::string range = (options.from > 0 ? DateText(options.from) : std::string()) + " ~ " +
                              (options.to > 0 ? DateText(options.to) : std::string());
    ShowMessage(Text(Txt::kJournalNoTrades) + range);
    return kExitFailure;
  }
  if (journal.computedCash != journal.ledgerCash) {
    char message[512];
    std::snprintf(message, sizeof message, TextC(Txt::kJournalCashMismatch), FormatNumber(journal.ledgerCash).c_str(),
                  FormatNumber(journal.computedCash).c_str());
    ShowMessage(message);
  }
  const sim::JournalTable table = sim::TableOf(journal, ViewOf(options.by));
  if (!options.csvFile.empty() && !Export(options.csvFile, sim::JournalCsv(table))) return kExitFailure;
  if (!options.svgFile.empty()) {
    bool thousands = false;
    const chart::ChartData data = sim::EquityChart(journal, &thousands);
    std::string title = journal.account + "  " + Utf8(data.name) + "  " + DateText(journal.from) + " ~ " +
                        DateText(journal.to) + (thousands ? "  (1,000)" : "");
    if (!Export(options.svgFile, ChartDataSvg(data, title))) return kExitFailure;
  }
  if (options.json) {
    PrintJson(journal, table, options.by);
  } else {
    PrintText(journal, table);
  }
  return kExitOk;
}

void Register(CLI::App& app) {
  auto options = std::make_shared<JournalOptions>();
  CLI::App* journal = app.add_subcommand("journal", Words(Txt::kCliHelpJournal));
  journal->add_option("--ledger", options->ledger, Words(Txt::kCliOptLedger));
  journal->add_option("--account", options->account, Words(Txt::kCliOptAccount))->capture_default_str();
  journal->add_option("--seed", options->seed, Words(Txt::kCliOptJournalSeed))->capture_default_str();
  journal->add_option("--stocks", options->stocks, Words(Txt::kCliOptJournalStocks))->check(NotNegative());
  journal->add_option("--from", options->from, Words(Txt::kCliOptFirstDate))->check(DateCheck());
  journal->add_option("--to", options->to, Words(Txt::kCliOptLastDate))->check(DateCheck());
  journal->add_option("--by", options->by, Words(Txt::kCliOptJournalBy))
      ->check(CLI::IsMember({"day", "stock", "fill", "order"}))
      ->capture_default_str();
  journal->add_flag("--json", options->json, Words(Txt::kCliOptJournalJson));
  journal->add_option("--csv", options->csvFile, Words(Txt::kCliOptJournalCsv));
  journal->add_option("--svg", options->svgFile, Words(Txt::kCliOptJournalSvg));
  journal->callback([options] { SetExitCode(RunJournal(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
