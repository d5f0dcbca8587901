// ostrada-cli market [--seed N] [--at HH:MM:SS] CODE: one stock of the embedded exchange as a person
// reads it: its current price row, its ten-level book and its last contracts, asked through the
// server's objects as the program asks them.
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/numberformat.h"
#include "basesrc/statustext.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"

namespace ostrada::cli {
namespace {

using broker::Variant;

struct MarketOptions {
  ExchangeSetup setup{.at = "10:30:00"};
  int contracts = 20;
  std::string code;
  bool json = false;
};

std::string Number(int64_t value) {
  return FormatNumber(value);
}
std::string Signed(int64_t value) {
  return (value > 0 ? "+" : "") + FormatNumber(value);
}
std::string Text(const Variant& value) {
  return Cp949ToUtf8(value.ToText());
}

char CharOf(const Variant& value) {
  return static_cast<char>(value.ToUI1());
}

// The request's refusal in the words the program shows it.
bool Refused(broker::IMarketRequest& object) {
  if (object.Status() == 0) return false;
  std::fprintf(stderr, "ostrada-cli: %s\n", Cp949ToUtf8(RefusalText(object)).c_str());
  return true;
}

// ---- What the server answers ----

struct PriceView {
  std::string code;
  std::string name;
  int32_t time = 0;  // HHMM
  int32_t price = 0;
  int32_t change = 0;
  double rate = 0.0;
  int32_t volume = 0;
  int32_t open = 0;
  int32_t high = 0;
  int32_t low = 0;
  int32_t base = 0;
  int32_t upperLimit = 0;
  int32_t lowerLimit = 0;
  double strength = 0.0;
  bool halted = false;  // no trading today
  // The board's breaker, once it has tripped today: when trading stopped and when it resumes (HHMM).
  int32_t breakerStop = 0;
  int32_t breakerResume = 0;
  bool paused = false;  // trading stands still now
};

struct BookLevel {
  int32_t price;
  int32_t quantity;
};
struct BookView {
  std::vector<BookLevel> asks;  // lowest first
  std::vector<BookLevel> bids;  // highest first
  int32_t totalAsk = 0;
  int32_t totalBid = 0;
};

struct ContractView {
  int32_t hhmmss;
  int32_t price;
  int32_t change;
  int32_t quantity;  // negative for a contract at the bid
  int32_t volume;
  char session;
};

std::optional<PriceView> FetchPrice(const std::string& code) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
  object->SetInput(0, Variant::Text(code));
  object->Request();
  if (Refused(*object)) return std::nullopt;
  if (object->HeaderValue(0).ToI4() != 1) {
    Fail(Txt::kCliNoSuchStock, code);
    return std::nullopt;
  }
  PriceView view;
  view.code = Text(object->DataValue(0, 0));
  view.name = Text(object->DataValue(1, 0));
  view.time = object->DataValue(2, 0).ToI4();
  view.price = object->DataValue(3, 0).ToI4();
  view.change = object->DataValue(4, 0).ToI4();
  view.base = object->DataValue(19, 0).ToI4();
  view.rate = view.base > 0 ? view.change * 100.0 / view.base : 0.0;
  view.volume = object->DataValue(11, 0).ToI4();
  view.open = object->DataValue(6, 0).ToI4();
  view.high = object->DataValue(7, 0).ToI4();
  view.low = object->DataValue(8, 0).ToI4();
  view.upperLimit = object->DataValue(18, 0).ToI4();
  view.lowerLimit = object->DataValue(22, 0).ToI4();
  view.strength = static_cast<double>(object->DataValue(21, 0).ToR4());
  // A stock that cannot open today has no opening reference.
  view.halted = object->DataValue(26, 0).ToI4() == 0;
  return view;
}

// The stock's trading state, with its board's breaker.
bool FetchState(const std::string& code, PriceView& view) {
  constexpr int32_t kStateHeader = 32;
  constexpr int16_t kPaused = 3;
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kStockState);
  object->SetInput(0, Variant::Text(code));
  object->Request();
  if (Refused(*object)) return false;
  view.paused = object->HeaderValue(kStateHeader).ToI2() == kPaused;
  view.breakerStop = object->HeaderValue(kStateHeader + 1).ToI4();
  view.breakerResume = object->HeaderValue(kStateHeader + 2).ToI4();
  return true;
}

std::string Hhmm(int32_t hhmm) {
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", hhmm / 100 % 100, hhmm % 100);
  return text;
}

std::optional<BookView> FetchBook(const std::string& code) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
  object->SetInput(0, Variant::Text(code));
  object->Request();
  if (Refused(*object)) return std::nullopt;
  BookView view;
  for (int level = 0; level < 10; ++level) {
    const int32_t ask = object->DataValue(0, level).ToI4();
    if (ask > 0) view.asks.push_back({ask, object->DataValue(2, level).ToI4()});
    const int32_t bid = object->DataValue(1, level).ToI4();
    if (bid > 0) view.bids.push_back({bid, object->DataValue(3, level).ToI4()});
  }
  view.totalAsk = object->HeaderValue(4).ToI4();
  view.totalBid = object->HeaderValue(6).ToI4();
  return view;
}

std::optional<std::vector<ContractView>> FetchContracts(const std::string& code, int count) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractHistory);
  object->SetInput(0, Variant::Text(code));
  object->SetInput(1, Variant::I4(0));
  object->SetInput(2, Variant::I2(static_cast<int16_t>(count)));
  object->Request();
  if (Refused(*object)) return std::nullopt;
  std::vector<ContractView> rows;
  const int32_t count_ = object->HeaderValue(2).ToI4();
  for (int32_t row = 0; row < count_; ++row) {
    const int32_t quantity = object->DataValue(6, row).ToI4();
    rows.push_back({object->DataValue(9, row).ToI4(), object->DataValue(4, row).ToI4(),
                    object->DataValue(1, row).ToI4(), CharOf(object->DataValue(7, row)) == '2' ? -quantity : quantity,
                    object->DataValue(5, row).ToI4(), CharOf(object->DataValue(10, row))});
  }
  return rows;
}

// ---- Text ----

void PrintPrice(const PriceView& v) {
  std::printf("%s %s  %04d%s\n", v.code.c_str(), v.name.c_str(), v.time,
              v.halted ? ("  " + Cp949ToUtf8(ostrada::Text(Txt::kQuoteHalted))).c_str() : "");
  std::printf("현재가 %s  전일대비 %s (%+.2f%%)  거래량 %s\n", Number(v.price).c_str(), Signed(v.change).c_str(), v.rate,
              Number(v.volume).c_str());
  std::printf("시가 %s  고가 %s  저가 %s  기준가 %s  상한가 %s  하한가 %s  체결강도 %.2f\n", Number(v.open).c_str(),
              Number(v.high).c_str(), Number(v.low).c_str(), Number(v.base).c_str(), Number(v.upperLimit).c_str(),
              Number(v.lowerLimit).c_str(), v.strength);
  if (v.breakerStop == 0) return;
  char line[256];
  std::snprintf(line, sizeof line, TextC(Txt::kQuoteBreaker), v.breakerStop / 100, v.breakerStop % 100,
                v.breakerResume / 100, v.breakerResume % 100);
  std::printf("%s%s\n", Cp949ToUtf8(line).c_str(),
              v.paused ? ("  " + Cp949ToUtf8(ostrada::Text(Txt::kQuotePaused))).c_str() : "");
}

void PrintBook(const BookView& v) {
  std::printf("\n%s %s %s\n", Column("매도잔량", 12).c_str(), Column("호가", 12).c_str(),
              Column("매수잔량", 12).c_str());
  for (auto ask = v.asks.rbegin(); ask != v.asks.rend(); ++ask)
    std::printf("%12s %12s\n", Number(ask->quantity).c_str(), Number(ask->price).c_str());
  for (const BookLevel& bid : v.bids)
    std::printf("%12s %12s %12s\n", "", Number(bid.price).c_str(), Number(bid.quantity).c_str());
  std::printf("%12s %s %12s\n", Number(v.totalAsk).c_str(), Column("잔량", 12).c_str(), Number(v.totalBid).c_str());
}

void PrintContracts(const std::vector<ContractView>& rows) {
  std::printf("\n%s %s %s %s %s %2s %s\n", Column("시각", 8).c_str(), Column("현재가", 10).c_str(),
              Column("전일대비", 10).c_str(), Column("체결량", 10).c_str(), Column("거래량", 12).c_str(), "",
              Column("장", 2).c_str());
  for (const ContractView& c : rows) {
    std::printf("%02d:%02d:%02d %10s %10s %10s %12s %2s %2c\n", c.hhmmss / 10000, c.hhmmss / 100 % 100, c.hhmmss % 100,
                Number(c.price).c_str(), Signed(c.change).c_str(), Number(c.quantity).c_str(), Number(c.volume).c_str(),
                c.quantity >= 0 ? "▲" : "▼", c.session);
  }
  if (rows.empty()) std::printf("(체결 없음)\n");
}

// ---- JSON (field names listed in the README) ----

JsonDocument LevelsJson(const std::vector<BookLevel>& levels) {
  JsonDocument out = JsonDocument::array();
  for (const BookLevel& level : levels) out.push_back({{"price", level.price}, {"quantity", level.quantity}});
  return out;
}

void PrintJson(const PriceView& p, const BookView& b, const std::vector<ContractView>& contracts) {
  JsonDocument rows = JsonDocument::array();
  for (const ContractView& c : contracts) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", c.hhmmss / 10000, c.hhmmss / 100 % 100, c.hhmmss % 100);
    rows.push_back({{"time", time},
                    {"price", c.price},
                    {"change", c.change},
                    {"quantity", c.quantity},
                    {"volume", c.volume},
                    {"session", std::string(1, c.session)}});
  }
  const JsonDocument document = {
      {"code", p.code},
      {"name", p.name},
      {"time", p.time},
      {"price", p.price},
      {"change", p.change},
      {"rate", std::round(p.rate * 100.0) / 100.0},
      {"volume", p.volume},
      {"open", p.open},
      {"high", p.high},
      {"low", p.low},
      {"basePrice", p.base},
      {"upperLimit", p.upperLimit},
      {"lowerLimit", p.lowerLimit},
      {"strength", std::round(p.strength * 100.0) / 100.0},
      {"halted", p.halted},
      {"breaker", p.breakerStop == 0 ? JsonDocument(nullptr)
                                     : JsonDocument{{"stop", Hhmm(p.breakerStop)},
                                                    {"resume", Hhmm(p.breakerResume)},
                                                    {"paused", p.paused}}},
      {"book", {{"asks", LevelsJson(b.asks)}, {"bids", LevelsJson(b.bids)}, {"totalAsk", b.totalAsk}, {"totalBid", b.totalBid}}},
      {"contracts", std::move(rows)}};
  std::printf("%s\n", JsonDump(document).c_str());
}

bool Show(const MarketOptions& options) {
  auto price = FetchPrice(options.code);
  if (!price || !FetchState(options.code, *price)) return false;
  const auto book = FetchBook(options.code);
  if (!book) return false;
  const auto contracts = FetchContracts(options.code, options.contracts);
  if (!contracts) return false;
  if (options.json) {
    PrintJson(*price, *book, *contracts);
  } else {
    PrintPrice(*price);
    PrintBook(*book);
    PrintContracts(*contracts);
  }
  return true;
}

int Run(const MarketOptions& options) {
  const std::unique_ptr<sim::Exchange> started = StartExchange(options.setup);
  if (!started) return kExitFailure;
  sim::Exchange& exchange = *started;
  broker::ScopedServer server(exchange);
  try {
    if (!Show(options)) return kExitFailure;
  } catch (const broker::ComError& error) {
    std::fprintf(stderr, "ostrada-cli: %s\n", Cp949ToUtf8(error.Description()).c_str());
    return kExitFailure;
  }
  return kExitOk;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<MarketOptions>();
  CLI::App* command = app.add_subcommand("market", Words(Txt::kCliHelpMarket));
  AddExchangeSetupOptions(*command, options->setup);
  command->add_option("--contracts", options->contracts, Words(Txt::kCliOptMarketContracts))->check(CLI::Range(1, 80));
  command->add_flag("--json", options->json, Words(Txt::kCliOptJsonDocument));
  command->add_option("CODE", options->code, Words(Txt::kCliOptMarketCode))->required();
  command->callback([options] { SetExitCode(Run(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
