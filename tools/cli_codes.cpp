// ostrada-cli codes download | load: the code book from the embedded exchange or from its file.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "basesrc/foundation/report.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tools/cli_words.h"
#include "tools/command.h"

namespace ostrada::cli {
namespace {

struct CodesOptions {
  int sortKind = kSortByName;
  bool keepMarket3 = false;
  bool dropMarket3 = false;
  std::string bookFile;
  std::string saveFile;
  std::string textFile;
  bool codesOnly = false;
  uint64_t seed = sim::ExchangeOptions{}.seed;
  int stocks = 0;
};

const std::map<std::string, int> kSortNames = {{"code", kSortByCode}, {"name", kSortByName}};

void PrintSummary(const CodeInfoList& book) {
  const CodeCounters& c = book.Counters();
  Say(Txt::kCodesCliSummary, book.Count(), c.market1, c.market2, c.market34, c.class1, c.class4, c.class5, c.class2One,
      c.class2Two, c.class2Three, book.CountPreferred());
}

// Writes what the options ask for, then the summary.
int Finish(CodeInfoList& book, const CodesOptions& options) {
  if (!options.saveFile.empty() && !book.Save(options.saveFile.c_str()))
    return Fail(Txt::kCliCannotSave, options.saveFile);
  if (!options.textFile.empty() && !book.ExportText(options.textFile.c_str(), options.codesOnly ? 1 : 0))
    return Fail(Txt::kCliCannotWrite, options.textFile);
  PrintSummary(book);
  return kExitOk;
}

int RunDownload(const CodesOptions& options) {
  sim::ExchangeOptions exchangeOptions;
  exchangeOptions.seed = options.seed;
  exchangeOptions.stocks = options.stocks;
  sim::Exchange exchange(exchangeOptions);
  broker::ScopedServer server(exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(options.sortKind, options.keepMarket3 ? 0 : 1);
  if (!book) return Fail(Txt::kCodeListDownloadFailed);
  return Finish(*book, options);
}

int RunLoad(const CodesOptions& options) {
  CodeInfoList book;
  FileReading reading(options.bookFile);
  if (!reading.Done(book.Load(options.bookFile.c_str(), options.sortKind, options.dropMarket3 ? 1 : 0) != 0))
    return kExitFailure;
  return Finish(book, options);
}

void AddCommonOptions(CLI::App& command, CodesOptions& options) {
  command.add_option("--sort", options.sortKind, Words(Txt::kCliOptCodesSort))
      ->transform(CLI::CheckedTransformer(kSortNames, CLI::ignore_case));
  command.add_option("--text", options.textFile, Words(Txt::kCliOptCodesText));
  command.add_flag("--codes-only", options.codesOnly, Words(Txt::kCliOptCodesOnly));
}

void Register(CLI::App& app) {
  auto options = std::make_shared<CodesOptions>();
  CLI::App* codes = app.add_subcommand("codes", Words(Txt::kCliHelpCodes));
  codes->require_subcommand(1);

  CLI::App* download = codes->add_subcommand("download", Words(Txt::kCliHelpCodesDownload));
  AddCommonOptions(*download, *options);
  download->add_flag("--keep-market3", options->keepMarket3, Words(Txt::kCliOptKeepMarket3));
  download->add_option("--save", options->saveFile, Words(Txt::kCliOptCodesSave));
  download->add_option("--seed", options->seed, Words(Txt::kCliOptListingSeed));
  download->add_option("--stocks", options->stocks, Words(Txt::kCliOptListedStocks))
      ->check(NotNegative());
  download->callback([options] { SetExitCode(RunDownload(*options)); });

  CLI::App* load = codes->add_subcommand("load", Words(Txt::kCliHelpCodesLoad));
  load->add_option("FILE", options->bookFile, Words(Txt::kCliOptCodeBookFile))->required();
  AddCommonOptions(*load, *options);
  load->add_flag("--drop-market3", options->dropMarket3, Words(Txt::kCliOptDropMarket3));
  load->callback([options] { SetExitCode(RunLoad(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
