// ostrada-cli codes download | load: the code book from the embedded exchange or from its file.
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
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

int Fail(const std::string& message) {
  std::fprintf(stderr, "ostrada-cli codes: %s\n", message.c_str());
  return kExitFailure;
}

void PrintSummary(const CodeInfoList& book) {
  const CodeCounters& c = book.Counters();
  std::printf("stocks: %d\n", book.Count());
  std::printf("market 1: %d\n", c.market1);
  std::printf("market 2: %d\n", c.market2);
  std::printf("market 3/4: %d\n", c.market34);
  std::printf("class1 1-4: %d\n", c.class1);
  std::printf("class4 1: %d\n", c.class4);
  std::printf("class5 1: %d\n", c.class5);
  std::printf("class2 1/2/3: %d/%d/%d\n", c.class2One, c.class2Two, c.class2Three);
  std::printf("preferred: %d\n", book.CountPreferred());
}

// Writes what the options ask for, then the summary.
int Finish(CodeInfoList& book, const CodesOptions& options) {
  if (!options.saveFile.empty() && !book.Save(options.saveFile.c_str()))
    return Fail("could not save the code book to " + options.saveFile);
  if (!options.textFile.empty() && !book.ExportText(options.textFile.c_str(), options.codesOnly ? 1 : 0))
    return Fail("could not write the code list to " + options.textFile);
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
  if (!book) return Fail(Cp949ToUtf8(Text(Txt::kCodeListDownloadFailed)));
  return Finish(*book, options);
}

int RunLoad(const CodesOptions& options) {
  CodeInfoList book;
  if (!book.Load(options.bookFile.c_str(), options.sortKind, options.dropMarket3 ? 1 : 0))
    return Fail("could not load the code book " + options.bookFile);
  return Finish(book, options);
}

void AddCommonOptions(CLI::App& command, CodesOptions& options) {
  command.add_option("--sort", options.sortKind, "list order: name (default) or code")
      ->transform(CLI::CheckedTransformer(kSortNames, CLI::ignore_case));
  command.add_option("--text", options.textFile, "export the list as text, one stock a line");
  command.add_flag("--codes-only", options.codesOnly, "text export without the names");
}

void Register(CLI::App& app) {
  auto options = std::make_shared<CodesOptions>();
  CLI::App* codes = app.add_subcommand("codes", "the stock code book");
  codes->require_subcommand(1);

  CLI::App* download = codes->add_subcommand("download", "download the code book from the embedded exchange");
  AddCommonOptions(*download, *options);
  download->add_flag("--keep-market3", options->keepMarket3, "keep the stocks of market kind 3");
  download->add_option("--save", options->saveFile, "save the book to this file");
  download->add_option("--seed", options->seed, "seed of the embedded exchange's listing");
  download->add_option("--stocks", options->stocks, "number of listed stocks (0: the default listing)")
      ->check(NotNegative());
  download->callback([options] { SetExitCode(RunDownload(*options)); });

  CLI::App* load = codes->add_subcommand("load", "load a saved code book");
  load->add_option("FILE", options->bookFile, "code book file")->required();
  AddCommonOptions(*load, *options);
  load->add_flag("--drop-market3", options->dropMarket3, "remove the stocks of market kind 3");
  load->callback([options] { SetExitCode(RunLoad(*options)); });
}

const bool kRegistered = RegisterCommand(Register);

}  // namespace
}  // namespace ostrada::cli
