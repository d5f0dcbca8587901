// ostrada-cli snapshot download | load, and ostrada-cli price CODE: current prices from the embedded
// exchange, snapshot group files, and one stock's current state for a person to read.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/report.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowgate.h"
#include "basesrc/numberformat.h"
#include "basesrc/spotrecorder.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

struct SnapshotOptions {
  int32_t key = 0;
  std::string groupFile;
  std::string saveFile;
  std::string textFile;
  uint64_t seed = sim::ExchangeOptions{}.seed;
  CLI::Option* seedOption = nullptr;  // the running command's --seed
  int stocks = 0;
  std::string code;
  // price: the opening unless --at (or --date) says another moment.
  ExchangeSetup priceMoment{.at = "09:00:00"};
  bool json = false;
  int everyMinutes = 1;
  int forMinutes = 0;
  std::string from = "09:00";
};

std::string Signed(int64_t value) {
  return (value > 0 ? "+" : "") + FormatNumber(value);
}

std::string Rate(float rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%+.2f%%", static_cast<double>(rate));
  return text;
}

void PrintRecord(const NowInfo& record) {
  const PriceBar& bar = record.price.bar;
  const char* name = record.key.name.get();
  std::printf("%-8s %s  %s  %s  %s  %s\n", record.key.code, Cp949ToUtf8(name ? name : "").c_str(),
              FormatNumber(int64_t{bar.close}).c_str(), Signed(bar.change).c_str(), Rate(bar.rate).c_str(),
              FormatNumber(int64_t{bar.volume}).c_str());
}

void PrintSummary(const NowGate& group) {
  Say(Txt::kSnapshotCliSummary, group.Count(), group.Key(), group.LatestTime());
}

// Writes the files the options ask for.
int WriteFiles(NowGate& group, const SnapshotOptions& options) {
  if (!options.saveFile.empty() && !group.Save(options.saveFile.c_str(), 0, 0))
    return Fail(Txt::kCliCannotSave, options.saveFile);
  if (!options.textFile.empty() && !group.Save(options.textFile.c_str(), 1, 1))
    return Fail(Txt::kCliCannotWrite, options.textFile);
  return kExitOk;
}

// The market at the opening, or without --seed the paper account's market no later than its clock.
std::unique_ptr<sim::Exchange> ExchangeFor(const SnapshotOptions& options) {
  return StartExchange({.seed = options.seed, .stocks = options.stocks, .at = "09:00:00",
                        .seedOption = options.seedOption});
}

int RunDownload(const SnapshotOptions& options) {
  const std::unique_ptr<sim::Exchange> exchange = ExchangeFor(options);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return Fail(Txt::kCliNoStocks);
  std::unique_ptr<NowGate> group = gate.DownloadNowBook(*book, options.key);
  if (!group) return Fail(Txt::kCliNoPrices);
  PrintSummary(*group);
  return WriteFiles(*group, options);
}

int RunLoad(const SnapshotOptions& options) {
  StocGate gate;
  FileReading reading(options.groupFile);
  std::unique_ptr<NowGate> group = gate.LoadNowGroup(options.groupFile.c_str(), options.key);
  if (!reading.Done(group != nullptr)) return kExitFailure;
  Say(Txt::kSnapshotCliName, Cp949ToUtf8(group->Name()));
  PrintSummary(*group);
  for (const NowInfo* record = group->First(); record != nullptr; record = record->next) PrintRecord(*record);
  return WriteFiles(*group, options);
}

int RunPrice(const SnapshotOptions& options) {
  const std::unique_ptr<sim::Exchange> exchange = StartExchange(options.priceMoment);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  NowPrice block;
  if (!gate.FetchNowPrice(&block, Utf8ToCp949(options.code).c_str())) return Fail(Txt::kCliNoPrice, options.code);
  const PriceBar& bar = block.bar;
  if (options.json) {
    JsonDocument document = {{"code", options.code},
                             {"time", bar.time},
                             {"price", bar.close},
                             {"change", bar.change},
                             {"rate", std::round(static_cast<double>(bar.rate) * 100.0) / 100.0},
                             {"previous", block.basePrice},
                             {"open", bar.open},
                             {"high", bar.high},
                             {"low", bar.low},
                             {"volume", bar.volume}};
    const int64_t base = block.basePrice;
    // Limits only exist where there is a previous price, as in the text view.
    document["upperLimit"] = base > 0 ? JsonDocument(base + PriceLimitChange(block.basePrice, 1)) : JsonDocument();
    document["lowerLimit"] = base > 0 ? JsonDocument(base + PriceLimitChange(block.basePrice, 0)) : JsonDocument();
    document["strength"] = std::round(static_cast<double>(block.strength) * 100.0) / 100.0;
    std::printf("%s\n", JsonDump(document).c_str());
    return kExitOk;
  }
  char strength[32];
  std::snprintf(strength, sizeof strength, "%.2f%%", static_cast<double>(block.strength));
  const int64_t base = block.basePrice;
  std::vector<std::pair<Txt, std::string>> lines = {
      {Txt::kNowCliCode, options.code},
      {Txt::kNowCliTime, std::to_string(bar.time)},
      {Txt::kNowCliPrice, FormatNumber(int64_t{bar.close})},
      {Txt::kNowCliChange, Signed(bar.change) + " (" + Rate(bar.rate) + ")"},
      {Txt::kNowCliBase, FormatNumber(base)},
      {Txt::kNowCliOpen, FormatNumber(int64_t{bar.open})},
      {Txt::kNowCliHigh, FormatNumber(int64_t{bar.high})},
      {Txt::kNowCliLow, FormatNumber(int64_t{bar.low})},
      {Txt::kNowCliVolume, FormatNumber(int64_t{bar.volume})}};
  // Limits only exist where there is a previous price.
  if (base > 0) {
    lines.emplace_back(Txt::kNowCliUpperLimit, FormatNumber(base + PriceLimitChange(block.basePrice, 1)));
    lines.emplace_back(Txt::kNowCliLowerLimit, FormatNumber(base + PriceLimitChange(block.basePrice, 0)));
  }
  lines.emplace_back(Txt::kNowCliStrength, strength);
  for (const auto& line : lines) std::printf("%s: %s\n", Cp949ToUtf8(Text(line.first)).c_str(), line.second.c_str());
  return kExitOk;
}

// The recorder's host in the terminal: the code book of the exchange, and each file named as written.
class TerminalHost : public SpotHost {
 public:
  const CodeInfoList* AllCodes() const override { return book.get(); }
  const CodeInfoList* CommonCodes() const override { return book.get(); }
  int WriteSnapshotFile(NowGate& snapshot) override {
    std::string path;
    const int saved = SaveSnapshotFile(snapshot, &path);
    if (saved <= 0) return saved == 0 ? 0 : 1;  // an earlier file of the same second is kept
    Say(Txt::kSnapshotCliFile, path, snapshot.Count(), snapshot.LatestTime());
    ++written;
    return 1;
  }
  std::unique_ptr<CodeInfoList> book;
  int written = 0;
};

// The recorder's timer in the terminal: the exchange's clock, moved one period at a time.
class ExchangeTimer : public SpotTimer {
 public:
  int StartTimer(int id, int64_t milliseconds) override {
    period = milliseconds;
    return id;
  }
  void KillTimer(int /*timerId*/) override { period = 0; }
  int64_t period = 0;
};

int RunRecord(const SnapshotOptions& options) {
  // The recorder runs its market forward, so it records a named market (the default one's unless
  // --seed), never the paper account's, whose future must not be seen.
  // The first snapshot comes one period after the start: a shorter recording would take none.
  if (options.forMinutes > 0 && options.forMinutes < options.everyMinutes)
    return Fail(Txt::kSnapshotCliTooShort, options.forMinutes, options.everyMinutes);
  std::unique_ptr<sim::Exchange> exchange = StartExchange({options.seed, options.stocks, 0, options.from});
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  ScopedTimeSource time(exchange->Time());
  TerminalHost host;
  StocGate gate;
  host.book = gate.DownloadCodes(kSortByCode, 0);
  if (!host.book) return Fail(Txt::kCliNoStocks);
  ExchangeTimer timer;
  SpotRecorder recorder(host, timer);
  recorder.ToggleTimer(options.everyMinutes);
  const int64_t total = int64_t{options.forMinutes > 0 ? options.forMinutes : options.everyMinutes} * 60'000;
  for (int64_t elapsed = timer.period; elapsed <= total; elapsed += timer.period) {
    exchange->Advance(timer.period);
    recorder.OnTimer(recorder.TimerId());
  }
  Say(Txt::kSnapshotCliCount, host.written);
  return host.written > 0 ? kExitOk : kExitFailure;
}

void AddOutputOptions(CLI::App& command, SnapshotOptions& options) {
  // A key the group would refuse stops the command before it starts, with the keys it takes.
  command.add_option("--key", options.key, Words(Txt::kCliOptSnapshotKey))
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            int32_t key = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), key);
            if (error == std::errc() && end == text.data() + text.size() && AcceptedGroupKey(key)) return {};
            char message[512];
            std::snprintf(message, sizeof message, TextC(Txt::kSnapshotCliBadKey), Utf8ToCp949(text).c_str());
            return Cp949ToUtf8(message);
          },
          "KEY"));
  command.add_option("--text", options.textFile, Words(Txt::kCliOptSnapshotText));
}

// The command's --seed option.
CLI::Option* AddExchangeOptions(CLI::App& command, SnapshotOptions& options) {
  CLI::Option* seed = command.add_option("--seed", options.seed, Words(Txt::kCliOptMarketSeed));
  command.add_option("--stocks", options.stocks, Words(Txt::kCliOptListedStocks))
      ->check(NotNegative());
  return seed;
}

void Register(CLI::App& app) {
  auto options = std::make_shared<SnapshotOptions>();
  CLI::App* snapshot = app.add_subcommand("snapshot", Words(Txt::kCliHelpSnapshot));
  snapshot->require_subcommand(1);

  CLI::App* download = snapshot->add_subcommand("download", Words(Txt::kCliHelpSnapshotDownload));
  AddOutputOptions(*download, *options);
  CLI::Option* downloadSeed = AddExchangeOptions(*download, *options);
  download->add_option("--save", options->saveFile, Words(Txt::kCliOptSnapshotSave));
  download->callback([options, downloadSeed] {
    options->seedOption = downloadSeed;
    SetExitCode(RunDownload(*options));
  });

  CLI::App* load = snapshot->add_subcommand("load", Words(Txt::kCliHelpSnapshotLoad));
  load->add_option("FILE", options->groupFile, Words(Txt::kCliOptSnapshotFile))->required();
  AddOutputOptions(*load, *options);
  load->callback([options] { SetExitCode(RunLoad(*options)); });

  CLI::App* record = snapshot->add_subcommand("record", Words(Txt::kCliHelpSnapshotRecord));
  record->add_option("--every", options->everyMinutes, Words(Txt::kCliOptEvery))
      ->required()
      ->check(CLI::Range(1, 600));
  record->add_option("--for", options->forMinutes, Words(Txt::kCliOptRecordFor))
      ->check(CLI::Range(0, 1440));
  record->add_option("--from", options->from, Words(Txt::kCliOptRecordFrom))->capture_default_str();
  AddExchangeOptions(*record, *options);
  record->callback([options] { SetExitCode(RunRecord(*options)); });

  CLI::App* price = app.add_subcommand("price", Words(Txt::kCliHelpPrice));
  price->add_option("CODE", options->code, Words(Txt::kCliOptStockCode))->required();
  price->add_flag("--json", options->json, Words(Txt::kCliOptJsonDocument));
  AddExchangeSetupOptions(*price, options->priceMoment);
  price->callback([options] { SetExitCode(RunPrice(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
