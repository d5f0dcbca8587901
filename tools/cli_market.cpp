// ostrada-cli market [--seed N] [--at HH:MM:SS] CODE: one stock of the embedded exchange as a person
// reads it: its current price row, its ten-level book and its last contracts, asked through the
// server's objects as the program asks them.
#include <cstdio>
#include <memory>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "basesrc/numberformat.h"
#include "basesrc/statustext.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"
#include "broker/sim/clock.h"
#include "broker/sim/exchange.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"

namespace ostrada::cli {
namespace {

using broker::Variant;

struct MarketOptions {
  ExchangeSetup setup{.at = "10:30:00"};
  int contracts = 20;
  std::string code;
};

// Right-aligns a UTF-8 heading in `width` terminal columns; Hangul takes two columns, so byte counts
// (printf's padding) would leave Korean headings short.
std::string Column(const char* utf8, int width) {
  int columns = 0;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p != 0; ++p) {
    if ((*p & 0xC0) == 0x80) continue;  // continuation byte
    columns += *p >= 0xE1 ? 2 : 1;      // three-byte sequences from U+1000 on: Hangul and the other wide scripts
  }
  return std::string(columns < width ? width - columns : 0, ' ') + utf8;
}

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

bool PrintPrice(const std::string& code) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kMultiPrice);
  object->SetInput(0, Variant::Text(code));
  object->Request();
  if (Refused(*object)) return false;
  if (object->HeaderValue(0).ToI4() != 1) {
    std::fprintf(stderr, "ostrada-cli: no such stock: %s\n", code.c_str());
    return false;
  }
  const int32_t price = object->DataValue(3, 0).ToI4();
  const int32_t change = object->DataValue(4, 0).ToI4();
  const int32_t base = object->DataValue(19, 0).ToI4();
  const double rate = base > 0 ? change * 100.0 / base : 0.0;
  std::printf("%s %s  %04d\n", Text(object->DataValue(0, 0)).c_str(), Text(object->DataValue(1, 0)).c_str(),
              object->DataValue(2, 0).ToI4());
  std::printf("현재가 %s  전일대비 %s (%+.2f%%)  거래량 %s\n", Number(price).c_str(), Signed(change).c_str(), rate,
              Number(object->DataValue(11, 0).ToI4()).c_str());
  std::printf("시가 %s  고가 %s  저가 %s  기준가 %s  상한가 %s  하한가 %s  체결강도 %.2f\n",
              Number(object->DataValue(6, 0).ToI4()).c_str(), Number(object->DataValue(7, 0).ToI4()).c_str(),
              Number(object->DataValue(8, 0).ToI4()).c_str(), Number(base).c_str(),
              Number(object->DataValue(18, 0).ToI4()).c_str(), Number(object->DataValue(22, 0).ToI4()).c_str(),
              static_cast<double>(object->DataValue(21, 0).ToR4()));
  return true;
}

bool PrintBook(const std::string& code) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
  object->SetInput(0, Variant::Text(code));
  object->Request();
  if (Refused(*object)) return false;
  std::printf("\n%s %s %s\n", Column("매도잔량", 12).c_str(), Column("호가", 12).c_str(),
              Column("매수잔량", 12).c_str());
  for (int level = 9; level >= 0; --level) {
    const int32_t price = object->DataValue(0, level).ToI4();
    if (price > 0)
      std::printf("%12s %12s\n", Number(object->DataValue(2, level).ToI4()).c_str(), Number(price).c_str());
  }
  for (int level = 0; level < 10; ++level) {
    const int32_t price = object->DataValue(1, level).ToI4();
    if (price > 0)
      std::printf("%12s %12s %12s\n", "", Number(price).c_str(), Number(object->DataValue(3, level).ToI4()).c_str());
  }
  std::printf("%12s %s %12s\n", Number(object->HeaderValue(4).ToI4()).c_str(), Column("잔량", 12).c_str(),
              Number(object->HeaderValue(6).ToI4()).c_str());
  return true;
}

bool PrintContracts(const std::string& code, int count) {
  auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kContractHistory);
  object->SetInput(0, Variant::Text(code));
  object->SetInput(1, Variant::I4(0));
  object->SetInput(2, Variant::I2(static_cast<int16_t>(count)));
  object->Request();
  if (Refused(*object)) return false;
  const int32_t rows = object->HeaderValue(2).ToI4();
  std::printf("\n%s %s %s %s %s %2s %s\n", Column("시각", 8).c_str(), Column("현재가", 10).c_str(),
              Column("전일대비", 10).c_str(), Column("체결량", 10).c_str(), Column("거래량", 12).c_str(), "",
              Column("장", 2).c_str());
  for (int32_t row = 0; row < rows; ++row) {
    const int32_t hhmmss = object->DataValue(9, row).ToI4();
    const char side = CharOf(object->DataValue(7, row));
    const int32_t quantity = object->DataValue(6, row).ToI4();
    std::printf("%02d:%02d:%02d %10s %10s %10s %12s %2s %2c\n", hhmmss / 10000, hhmmss / 100 % 100, hhmmss % 100,
                Number(object->DataValue(4, row).ToI4()).c_str(), Signed(object->DataValue(1, row).ToI4()).c_str(),
                Number(side == '2' ? -quantity : quantity).c_str(), Number(object->DataValue(5, row).ToI4()).c_str(),
                side == '1' ? "▲" : "▼", CharOf(object->DataValue(10, row)));
  }
  if (rows == 0) std::printf("(체결 없음)\n");
  return true;
}

int Run(const MarketOptions& options) {
  const std::unique_ptr<sim::Exchange> started = StartExchange(options.setup);
  if (!started) return kExitFailure;
  sim::Exchange& exchange = *started;
  broker::ScopedServer server(exchange);
  try {
    if (!PrintPrice(options.code) || !PrintBook(options.code) || !PrintContracts(options.code, options.contracts)) {
      return kExitFailure;
    }
  } catch (const broker::ComError& error) {
    std::fprintf(stderr, "ostrada-cli: %s\n", Cp949ToUtf8(error.Description()).c_str());
    return kExitFailure;
  }
  return kExitOk;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  auto options = std::make_shared<MarketOptions>();
  CLI::App* command = app.add_subcommand("market", "One stock of the embedded exchange: price, book, contracts");
  AddExchangeSetupOptions(*command, options->setup);
  command->add_option("--contracts", options->contracts, "Contracts to list (1 to 80)")->check(CLI::Range(1, 80));
  command->add_option("CODE", options->code, "Stock code, e.g. A005930")->required();
  command->callback([options] { SetExitCode(Run(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
