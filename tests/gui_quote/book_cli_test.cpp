// One book whoever asks: the 10-level quote window, opened at one moment or another, and ostrada-cli
// market run as another process at the same moment show the same twenty prices and quantities.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "app/callfrm.h"
#include "app/calltbl.h"
#include "basesrc/codeinfo.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/market/market_stock.h"
#include "tests/support/cli.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

constexpr uint64_t kSeed = 11;
constexpr int kStocks = 40;
constexpr int32_t kDate = 20261208;

class BookWindowAndCli : public ::testing::Test {
 protected:
  BookWindowAndCli() : exchange_(Options()), server_(exchange_) {
    ::setenv("OSTRADA_DATA_DIR", folder_.Path().c_str(), 1);
    StocGate gate;
    book_ = gate.DownloadCodes(kSortByName, 0);
  }
  // The exchange's clock stands at 09:20 and moves only by Advance, as the command's does at --at.
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.seed = kSeed;
    options.stocks = kStocks;
    options.clock = sim::ClockMode::kLive;
    const int64_t moment = sim::KoreanUnixMilliseconds(kDate, 9 * sim::kMsPerHour + 20 * sim::kMsPerMinute);
    options.wallClock = [moment] { return moment; };
    return options;
  }
  void AdvanceTo(int hh, int mm, int ss) {
    exchange_.Advance(((hh * 60LL + mm) * 60 + ss) * 1000 - exchange_.Clock().TimeOfDay());
  }
  // The ten-level window's ladder against the command's book: twenty prices and quantities.
  static void ExpectSameBook(CCallTbl& table, const nlohmann::json& book) {
    ASSERT_EQ(table.Levels(), 10);
    ASSERT_EQ(book["asks"].size(), 10u);
    ASSERT_EQ(book["bids"].size(), 10u);
    for (int i = 0; i < 10; ++i) {
      SCOPED_TRACE(i);
      const nlohmann::json& ask = book["asks"][static_cast<size_t>(i)];
      const nlohmann::json& bid = book["bids"][static_cast<size_t>(i)];
      EXPECT_EQ(table.UpperModel().Cell(10 - i, 1).toStdString(), FormatNumber(ask["price"].get<int64_t>()));
      EXPECT_EQ(table.UpperModel().Cell(10 - i, 2).toStdString(), FormatNumber(ask["quantity"].get<int64_t>()));
      EXPECT_EQ(table.LowerModel().Cell(i, 1).toStdString(), FormatNumber(bid["price"].get<int64_t>()));
      EXPECT_EQ(table.LowerModel().Cell(i, 2).toStdString(), FormatNumber(bid["quantity"].get<int64_t>()));
    }
  }

  testing::ScratchFolder folder_;
  testing::RecordingScope recording_;
  sim::Exchange exchange_;
  broker::ScopedServer server_;
  std::unique_ptr<CodeInfoList> book_;
};

TEST_F(BookWindowAndCli, WindowsOpenedAtDifferentTimesAndTheCommandShowTheSameBook) {
  ASSERT_NE(book_, nullptr);
  // The busiest stock trades between every look, so a book drawn afresh would differ.
  const CodeInfo* stock = book_->First();
  for (const CodeInfo* at = stock; at != nullptr; at = at->next) {
    if (exchange_.Stocks().Find(at->key.code) != nullptr &&
        exchange_.Stocks().Find(at->key.code)->liquidity > exchange_.Stocks().Find(stock->key.code)->liquidity)
      stock = at;
  }
  CCallDlg early(book_.get(), 0);
  ASSERT_EQ(early.Form().SetStock(stock->key.name.get(), {}), 1);
  AdvanceTo(10, 4, 0);
  CCallDlg late(book_.get(), 0);
  ASSERT_EQ(late.Form().SetStock(stock->key.name.get(), {}), 1);
  for (const char* at : {"10:04:00", "10:17:43", "14:55:10"}) {
    SCOPED_TRACE(at);
    const int hh = std::atoi(at);
    const int mm = std::atoi(at + 3);
    const int ss = std::atoi(at + 6);
    AdvanceTo(hh, mm, ss);
    const testing::CliRun run = testing::RunCli("market " + std::string(stock->key.code) + " --json --seed " +
                                                std::to_string(kSeed) + " --stocks " + std::to_string(kStocks) +
                                                " --date " + std::to_string(kDate) + " --at " + at);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const nlohmann::json document = nlohmann::json::parse(run.output);
    ExpectSameBook(early.Form().Table(), document["book"]);
    ExpectSameBook(late.Form().Table(), document["book"]);
  }
  EXPECT_TRUE(recording_.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
