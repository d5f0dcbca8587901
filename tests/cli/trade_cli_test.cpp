// ostrada-cli order and account: an order sent by one run fills as the market runs, and a later run
// reads it back from the paper account in the data folder; a bad argument (a mistyped date too) is
// told in Korean and sends nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "basesrc/nowfxin.h"
#include "basesrc/priceinfo.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/interfaces.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "tests/support/cli.h"
#include "tests/support/common_share.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stopped_exchange.h"

namespace ostrada {
namespace {

using testing::RunCli;

class TradeCli : public ::testing::Test {
 protected:
  // The exchange every run of a case shares.
  std::string Market(const char* at) const {
    return std::string(" --seed 7 --stocks 40 --date 20261208 --at ") + at;
  }
  testing::ScratchFolder scratch;
  std::string folder = scratch.Path() + "/";
  // The runs keep their paper account where the program keeps it: in the data folder.
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", folder.c_str()};
  std::string code = testing::FirstCommonShare(7, 40);
};

TEST_F(TradeCli, ABuyRunsToItsFillAndALaterAccountShowsTheHolding) {
  const auto bought = RunCli("order buy " + code + " 10 --market --run 20" + Market("10:00:00"));
  ASSERT_EQ(bought.exitCode, 0) << bought.output;
  EXPECT_NE(bought.output.find("주문번호 : "), std::string::npos) << bought.output;
  EXPECT_NE(bought.output.find("(매수) 명령 접수 [ "), std::string::npos) << bought.output;
  EXPECT_NE(bought.output.find("매수 체결 : [ "), std::string::npos) << bought.output;

  // The account as its clock stands: where the run left it.
  const auto account = RunCli("account --json --seed 7 --stocks 40");
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("\"clock\":\"2026-12-08 10:00:20\""), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"code\":\"" + code + "\""), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"quantity\":10,"), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("\"unfilled\":[]"), std::string::npos) << account.output;
}

TEST_F(TradeCli, TheAccountShowsCashAboveFourBytesAndAQuantityOnlyForAStock) {
  // 5,000,000,000 won does not fit four bytes: it is shown whole, never clamped to 2,147,483,647.
  const auto account = RunCli("account --cash 5000000000" + Market("10:00:00"));
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("총 예수금: 5,000,000,000\n"), std::string::npos) << account.output;
  EXPECT_NE(account.output.find("가능 금액: 5,000,000,000\n"), std::string::npos) << account.output;
  // No stock, no buyable quantity (it was printed as 0).
  EXPECT_EQ(account.output.find("가능 수량"), std::string::npos) << account.output;
  // A view writes nothing: the account nobody opened yet is shown as it would start, every time.
  const auto json = RunCli("account --json --cash 5000000000" + Market("10:00:00"));
  EXPECT_FALSE(std::filesystem::exists(folder + "paper.sqlite"));
  ASSERT_EQ(json.exitCode, 0) << json.output;
  EXPECT_NE(json.output.find("\"totalDeposit\":5000000000,\"availableAmount\":5000000000,"), std::string::npos)
      << json.output;
  EXPECT_EQ(json.output.find("availableQuantity"), std::string::npos) << json.output;

  // With a stock, the quantity buyable at its current price.
  const auto withCode = RunCli("account --code " + code + Market("10:00:00"));
  ASSERT_EQ(withCode.exitCode, 0) << withCode.output;
  const std::string label = "가능 수량: ";
  const size_t at = withCode.output.find(label);
  ASSERT_NE(at, std::string::npos) << withCode.output;
  std::string digits;
  for (size_t i = at + label.size(); i < withCode.output.size() && withCode.output[i] != ' '; ++i) {
    if (withCode.output[i] != ',') digits += withCode.output[i];
  }
  const long long quantity = std::stoll(digits);
  EXPECT_GT(quantity, 0);
  EXPECT_NE(withCode.output.find("(" + code + ")"), std::string::npos) << withCode.output;
}

TEST_F(TradeCli, BadArgumentsAreToldInKoreanAndSendNothing) {
  struct Case {
    std::string arguments;
    const char* message;
    const char* at = "10:00:00";
  };
  const Case cases[] = {
      {"order buy " + code + " 0 --market", "수량 지정이 정확하지 않습니다."},
      {"order buy " + code + " 10", "--price 와 --market 중 하나만 지정하십시오."},
      {"order buy " + code + " 10 --price 0", "가격 지정이 정확하지 않습니다."},
      {"order sell " + code + " ten --market", "숫자가 정확하지 않습니다: ten"},
      {"order buy " + code + " 1,0 --market", "숫자가 정확하지 않습니다: 1,0"},
      {"order buy " + code + " 1,0000 --market", "숫자가 정확하지 않습니다: 1,0000"},
      {"order buy " + code + " ,100 --market", "숫자가 정확하지 않습니다: ,100"},
      {"order buy " + code + " 1000,000 --market", "숫자가 정확하지 않습니다: 1000,000"},
      {"order modify 0 " + code + " 10 5000", "원주문번호[원번] 값이 정확하지 않습니다."},
      {"order cancel 5 " + code, "주문은 buy|sell"},
      {"order buy " + code + " 10 20 --market", "주문은 buy|sell"},
      {"order buy " + code + " 10 --market --run 100000", "실행 시간(초)은"},
      {"account --cash 99999999999999999999",
       "--cash 의 값 99999999999999999999 은(는) 0 부터 9223372036854775807 사이여야 합니다."},
      {"order buy A999999 10 --market", "A999999 - 선택한 종목을 찾을 수 없습니다."},
      {"order buy " + code + " 10 --market", "--at 시각은 HH:MM:SS 로 지정하십시오: 25:00:00", "25:00:00"},
      {"order buy " + code + " 10 --market", "--at 시각은 HH:MM:SS 로 지정하십시오: 10:60", "10:60"},
      {"order buy " + code + " 10 --market", "--at 시각은 HH:MM:SS 로 지정하십시오: 10:00:00x", "10:00:00x"},
      {"order buy " + code + " 10 --market", "--at 시각은 HH:MM:SS 로 지정하십시오: 10:00:", "10:00:"},
  };
  for (const Case& c : cases) {
    const auto run = RunCli(c.arguments + Market(c.at));
    EXPECT_EQ(run.exitCode, 1) << c.arguments;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
  }
  // A mistyped date is no other day: 2026-13-32 would trade on 2027-02-01 and move the account's clock
  // there for good.
  const std::string listing = " --seed 7 --stocks 40 --at 10:00:00";
  for (const std::string date : {"20261332", "20270229", "-5", "0", "2026120x", "99999999999"}) {
    for (const std::string& command : {"order buy " + code + " 1 --market --date ", "history " + code + " --from "}) {
      const auto run = RunCli(command + date + listing);
      EXPECT_EQ(run.exitCode, 1) << command << date;
      EXPECT_NE(run.output.find("날짜가 정확하지 않습니다. YYYYMMDD 로 지정하십시오: " + date), std::string::npos)
          << command << date << "\n" << run.output;
    }
  }
  const auto account = RunCli("account --json" + Market("10:00:00"));
  ASSERT_EQ(account.exitCode, 0) << account.output;
  EXPECT_NE(account.output.find("\"holdings\":[],\"unfilled\":[]"), std::string::npos) << account.output;
}

// An order filled in part: the account holds what was filled and lists what is left of the order.
TEST_F(TradeCli, APartlyFilledOrderShowsItsRemainder) {
  testing::StoppedExchange exchange(7, 40, 20261208, 100000);
  StocGate gate;
  NowPrice now{};
  ASSERT_TRUE(gate.FetchNowPrice(&now, code.c_str()));
  const int32_t upper = now.basePrice + PriceLimitChange(now.basePrice, 1);
  // More than the ten levels the book shows, and cash enough for all of it.
  constexpr int32_t kQuantity = 2'000'000;
  const auto sent = RunCli("order buy " + code + " " + std::to_string(kQuantity) + " --price " + std::to_string(upper) +
                           " --run 3 --cash 100000000000000" + Market("10:00:00"));
  ASSERT_EQ(sent.exitCode, 0) << sent.output;
  int32_t number = 0;
  ASSERT_EQ(std::sscanf(sent.output.c_str(), "주문번호 : %d", &number), 1) << sent.output;
  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                       problem);
  ASSERT_TRUE(ledger) << problem;
  const int32_t filled = ledger->Order(20261208, number)->filled;
  ledger.reset();
  ASSERT_GT(filled, 0) << "nothing filled: no remainder to tell from the quantity";
  ASSERT_LT(filled, kQuantity) << "all filled: no remainder to tell from the quantity";

  const auto account = RunCli("account --json --seed 7 --stocks 40");
  ASSERT_EQ(account.exitCode, 0) << account.output;
  const nlohmann::json document = nlohmann::json::parse(account.output);
  ASSERT_EQ(document.at("holdings").size(), 1u);
  EXPECT_EQ(document.at("holdings")[0].at("quantity"), filled);
  ASSERT_EQ(document.at("unfilled").size(), 1u);
  const nlohmann::json& order = document.at("unfilled")[0];
  EXPECT_EQ(order.at("orderNumber"), number);
  EXPECT_EQ(order.at("price"), upper);
  EXPECT_EQ(order.at("unfilled"), kQuantity - filled);
}

// One clock per account: trading starts at it and only moves it forward, reading never moves it, and
// the account's market cannot be looked at beyond it.
TEST_F(TradeCli, TheAccountKeepsOneClockThatOnlyTradingMovesForward) {
  const std::string listing = " --seed 7 --stocks 40";
  auto clockOf = [&] {
    const auto account = RunCli("account" + listing);
    EXPECT_EQ(account.exitCode, 0) << account.output;
    const size_t at = account.output.find("계좌 시각: ");
    return at == std::string::npos ? std::string() : account.output.substr(at + 15, 19);
  };
  ASSERT_EQ(RunCli("order buy " + code + " 1 --market" + Market("10:00:00")).exitCode, 0);
  EXPECT_EQ(clockOf(), "2026-12-08 10:00:00");
  EXPECT_EQ(clockOf(), "2026-12-08 10:00:00") << "reading the account never moves its clock";

  // Earlier than the clock: refused, in Korean, and nothing is sent.
  for (const std::string& when : {Market("09:59:59"), listing + " --date 20261207"}) {
    const auto early = RunCli("order buy " + code + " 1 --market" + when);
    EXPECT_EQ(early.exitCode, 1) << when;
    EXPECT_NE(early.output.find("모의투자 계좌의 시각은 2026-12-08 10:00:00 입니다. 그보다 이른 시각으로는 거래할 수 "
                                "없습니다."),
              std::string::npos)
        << early.output;
  }
  // A look at the account beyond its clock would be a look into its future.
  const auto ahead = RunCli("account" + Market("10:05:00"));
  EXPECT_EQ(ahead.exitCode, 1);
  EXPECT_NE(ahead.output.find("계좌 시각(2026-12-08 10:00:00)까지만"), std::string::npos) << ahead.output;

  // Without --at a trade starts at the clock, and its run moves the clock on.
  const auto run = RunCli("order buy " + code + " 1 --market --run 30" + listing);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_EQ(clockOf(), "2026-12-08 10:00:30");
  // A refused order leaves the clock where it was.
  EXPECT_EQ(RunCli("order buy A999999 10 --price 1600" + listing + " --at 11:00").exitCode, 1);
  EXPECT_EQ(clockOf(), "2026-12-08 10:00:30");
  ASSERT_EQ(RunCli("order buy " + code + " 1 --market" + listing + " --at 11:00").exitCode, 0);
  EXPECT_EQ(clockOf(), "2026-12-08 11:00:00");

  // Another market cannot trade on this account.
  const auto other = RunCli("order buy " + code + " 1 --market --seed 8 --stocks 40");
  EXPECT_EQ(other.exitCode, 1);
  EXPECT_NE(other.output.find("다른 시드(--seed)로는 주문할 수 없습니다."), std::string::npos) << other.output;
  // Nor the same seed with another listing size; without --stocks the account's own is used.
  const auto otherSize = RunCli("order buy " + code + " 1 --market --seed 7 --stocks 41");
  EXPECT_EQ(otherSize.exitCode, 1);
  EXPECT_NE(otherSize.output.find("이 모의투자 계좌의 시장은 40종목입니다."), std::string::npos) << otherSize.output;
  EXPECT_EQ(RunCli("order buy " + code + " 1 --market --seed 7").exitCode, 0);
  EXPECT_EQ(RunCli("account --json --seed 7").output.find("\"quantity\":4,") != std::string::npos, true)
      << "four shares bought, none by the refused commands";
}

// One long run, and a short command followed by one that jumps the account's clock, give a resting
// order the same fills: the jump follows the market's path, so the order meets every contract on the way.
TEST_F(TradeCli, ShortCommandsFillARestingOrderAsOneLongRunDoes) {
  // A buy at the best bid of a stock that trades below it by 10:30: it walks nothing, so each
  // process's book of the stock is the market's own, and the market reaches it within the run. The
  // market went below the bid when it stands below it at 10:30 or made a new low since 10:00 (the
  // bid stands no more than a tick under the day's low).
  const sim::Listing listing = sim::Listing::Build(7, 40);
  struct AtTen {
    int32_t bid, low;
  };
  std::map<std::string, AtTen> atTen;
  {
    testing::StoppedExchange exchange(7, 40, 20261208, 100000);
    StocGate gate;
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.IsSuspended() || stock.class5 == '1' || !stock.commonCode.empty()) continue;
      auto book = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
      book->SetInput(0, broker::Variant::Text(stock.code));
      book->Request();
      NowPrice now{};
      if (gate.FetchNowPrice(&now, stock.code.c_str())) atTen[stock.code] = {book->DataValue(1, 0).ToI4(), now.bar.low};
    }
  }
  std::string traded, other;
  int32_t bid = 0;
  {
    testing::StoppedExchange exchange(7, 40, 20261208, 103000);
    StocGate gate;
    for (const auto& [candidate, ten] : atTen) {
      NowPrice now{};
      if (!traded.empty() || !gate.FetchNowPrice(&now, candidate.c_str()) ||
          (now.bar.close >= ten.bid && now.bar.low >= ten.low)) {
        other = candidate;  // the jumps trade another stock, so the first one's book goes as in the long run
        continue;
      }
      traded = candidate;
      bid = ten.bid;
    }
  }
  ASSERT_FALSE(traded.empty());
  ASSERT_FALSE(other.empty());
  const std::string buy = "order buy " + traded + " 3000 --price " + std::to_string(bid);
  auto fillsIn = [&](const std::string& ledgerFolder) {
    std::string problem;
    auto ledger = sim::PaperLedger::Open(ledgerFolder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                         problem);
    EXPECT_TRUE(ledger) << problem;
    std::vector<std::pair<int32_t, int32_t>> fills;  // price, quantity of order 1
    for (const sim::PaperFill& fill : ledger ? ledger->Fills() : std::vector<sim::PaperFill>{}) {
      EXPECT_GE(fill.timeMs, 36'000'000) << "no fill before the order's entry";
      if (fill.number == 1) fills.emplace_back(fill.price, fill.quantity);
    }
    return fills;
  };
  // What still waits, with the shares ahead of it, as the account's view shows it at the end.
  auto waiting = [] {
    const auto account = RunCli("account --json --seed 7 --stocks 40");
    EXPECT_EQ(account.exitCode, 0) << account.output;
    return nlohmann::json::parse(account.output).at("unfilled").dump();
  };
  const auto run = RunCli(buy + " --run 1800" + Market("10:00:00"));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const auto longRun = fillsIn(folder);
  ASSERT_FALSE(longRun.empty()) << "the market trades through the order within half an hour";
  const std::string longWaiting = waiting();

  // Each short process resumes where the one before left the account: the order keeps its place.
  testing::ScratchFolder shortScratch;
  const std::string shortFolder = shortScratch.Path() + "/";
  testing::ScopedEnv shortData{"OSTRADA_DATA_DIR", shortFolder.c_str()};
  ASSERT_EQ(RunCli(buy + Market("10:00:00")).exitCode, 0);
  for (const char* at : {"10:10:00", "10:20:00", "10:30:00"})
    ASSERT_EQ(RunCli("order buy " + other + " 1 --market" + Market(at)).exitCode, 0);
  EXPECT_EQ(fillsIn(shortFolder), longRun);
  EXPECT_EQ(waiting(), longWaiting);
}

// An order entered for an auction takes the auction's price at the auction's moment, though no process
// ran then: the next command follows the account's clock through it (the opening at 09:00, the close
// at 15:00, which would otherwise end the order unfilled).
TEST_F(TradeCli, AnAuctionOrderTakesTheAuctionsPriceThoughNoProcessRanThen) {
  NowPrice opened{}, closed{};
  {
    testing::StoppedExchange exchange(7, 40, 20261208, 93000);
    ASSERT_TRUE(StocGate().FetchNowPrice(&opened, code.c_str()));
  }
  {
    testing::StoppedExchange exchange(7, 40, 20261208, 153000);
    ASSERT_TRUE(StocGate().FetchNowPrice(&closed, code.c_str()));
  }
  const int32_t upper = opened.basePrice + PriceLimitChange(opened.basePrice, 1);
  ASSERT_LT(opened.bar.open, upper) << "the order's own limit must differ from the auction's price";
  ASSERT_LT(closed.bar.close, upper);
  std::string other;
  const sim::Listing listing = sim::Listing::Build(7, 40);
  for (const sim::ListedStock& stock : listing.All()) {
    if (stock.code != code && !stock.IsSuspended() && stock.class5 != '1' && stock.commonCode.empty()) other = stock.code;
  }
  struct Auction {
    const char* entered;
    std::string next;  // the command after it
    int32_t price, timeMs;
  };
  for (const Auction& auction : {Auction{"08:30:00", "order buy " + other + " 1 --market" + Market("09:30:00"),
                                         opened.bar.open, 9 * 3'600'000},
                                 Auction{"14:55:00", "clock advance --to 15:20 --seed 7 --stocks 40",
                                         closed.bar.close, 15 * 3'600'000}}) {
    SCOPED_TRACE(auction.entered);
    const auto entered = RunCli("order buy " + code + " 10 --price " + std::to_string(upper) + Market(auction.entered));
    int32_t number = 0;
    ASSERT_EQ(std::sscanf(entered.output.c_str(), "주문번호 : %d", &number), 1) << entered.output;
    const auto next = RunCli(auction.next);
    ASSERT_EQ(next.exitCode, 0) << next.output;
    std::string problem;
    auto ledger =
        sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{}, problem);
    ASSERT_TRUE(ledger) << problem;
    int32_t filled = 0;
    for (const sim::PaperFill& fill : ledger->Fills()) {
      if (fill.number != number) continue;
      EXPECT_EQ(fill.price, auction.price);
      EXPECT_EQ(fill.timeMs, auction.timeMs);
      filled += fill.quantity;
    }
    EXPECT_EQ(filled, 10);
  }
}

// A new account's market is drawn at random: without --seed the data commands show it (and only up to
// the account's clock), and it is not the default market anyone can look up.
TEST_F(TradeCli, ANewAccountTradesOnAMarketOfItsOwn) {
  const sim::Listing listing = sim::Listing::Build(sim::ExchangeOptions{}.seed, 40);
  // The market is drawn at the first order, so a stock may turn out halted in it: the next is tried.
  std::string tradable;
  for (const sim::ListedStock& stock : listing.All()) {
    if (stock.class5 == '1' || !stock.commonCode.empty()) continue;
    const auto bought = RunCli("order buy " + stock.code + " 1 --market --stocks 40 --date 20261208 --at 10:00");
    if (bought.exitCode == 0) {
      tradable = stock.code;
      break;
    }
    ASSERT_NE(bought.output.find("거래가 정지된 종목입니다"), std::string::npos) << stock.code << ": " << bought.output;
  }
  ASSERT_FALSE(tradable.empty());
  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                       problem);
  ASSERT_TRUE(ledger) << problem;
  ASSERT_TRUE(ledger->MarketSeed().has_value());
  EXPECT_NE(*ledger->MarketSeed(), sim::ExchangeOptions{}.seed);
  ledger.reset();

  const auto own = RunCli("market " + tradable + " --stocks 40");
  const auto standard = RunCli("market " + tradable + " --stocks 40 --date 20261208 --at 10:00 --seed " +
                               std::to_string(sim::ExchangeOptions{}.seed));
  ASSERT_EQ(own.exitCode, 0) << own.output;
  ASSERT_EQ(standard.exitCode, 0) << standard.output;
  EXPECT_NE(own.output, standard.output) << "the account's market is its own";
  const auto later = RunCli("market " + tradable + " --stocks 40 --at 10:00:01");
  EXPECT_EQ(later.exitCode, 1);
  EXPECT_NE(later.output.find("까지만 볼 수 있습니다"), std::string::npos) << later.output;
  const auto atClock = RunCli("market " + tradable + " --stocks 40 --at 10:00:00");
  EXPECT_EQ(atClock.exitCode, 0) << "the clock's own second is in the past: " << atClock.output;
  const auto named = RunCli("market " + tradable + " --stocks 40 --at 15:00 --seed " +
                            std::to_string(sim::ExchangeOptions{}.seed));
  EXPECT_EQ(named.exitCode, 0) << "a market named by its seed is free: " << named.output;
}

// A script that runs an order into a pipe and is killed while the market runs has the order's number:
// the line reaches the pipe as it is printed, before the order is routed.
TEST_F(TradeCli, AKilledRunHasPrintedTheNumberOfEveryOrderTheLedgerHolds) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const std::string cli = testing::CliPath();
  const std::string seed = "7", stocks = "40", date = "20261208", at = "10:00:00";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], STDOUT_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    close(out[0]);
    execl(cli.c_str(), cli.c_str(), "order", "buy", code.c_str(), "10", "--market", "--run", "86400", "--seed",
          seed.c_str(), "--stocks", stocks.c_str(), "--date", date.c_str(), "--at", at.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  FILE* in = fdopen(out[0], "r");
  char line[256] = {};
  const bool got = std::fgets(line, sizeof line, in) != nullptr;
  int status = 0;
  const pid_t ended = waitpid(child, &status, WNOHANG);
  kill(child, SIGKILL);
  if (ended == 0) waitpid(child, &status, 0);
  std::fclose(in);
  ASSERT_TRUE(got);
  EXPECT_EQ(ended, 0) << "the first line came only when the run was over";
  int32_t number = 0;
  ASSERT_EQ(std::sscanf(line, "주문번호 : %d", &number), 1) << line;

  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                       problem);
  ASSERT_TRUE(ledger) << problem;
  EXPECT_TRUE(ledger->Order(20261208, number).has_value());
  EXPECT_FALSE(ledger->Order(20261208, number + 1).has_value()) << "an order whose number was never printed";
}

// Several command lines trading on one ledger at once, one of them killed while its run goes on:
// every order number any of them printed is in the ledger, no order is filled beyond its quantity,
// and the cash follows from the recorded fills to the won. A run that reaches the next trading day
// takes the account's clock there, and the others' orders with it: an order is looked for on each
// day the account's clock stood at.
TEST_F(TradeCli, SeveralCommandLinesOnOneLedgerWithOneKilledReconcile) {
  const std::string cli = testing::CliPath();
  const char* configured = std::getenv("OSTRADA_CRASH_ROUNDS");
  const int rounds = configured != nullptr ? std::max(1, std::atoi(configured) / 10) : 1;
  std::vector<int32_t> printed;
  std::set<int32_t> days;
  auto noteDay = [&] {
    std::string problem;
    auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                         problem);
    if (ledger) days.insert(ledger->LastSeen().date);
  };
  for (int round = 0; round < rounds; ++round) {
    struct Running {
      pid_t pid;
      FILE* out;
    };
    std::vector<Running> running;
    const std::vector<std::vector<std::string>> commands = {
        {"order", "buy", code, "7", "--market", "--run", "600"},
        {"order", "buy", code, "5", "--market", "--run", "86400"},  // the one killed
        {"order", "buy", code, "3", "--market", "--run", "300"},
    };
    for (const std::vector<std::string>& command : commands) {
      int out[2];
      ASSERT_EQ(pipe(out), 0);
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        std::vector<std::string> words = command;
        for (const char* option : {"--seed", "7", "--stocks", "40"}) words.emplace_back(option);
        std::vector<char*> argv{const_cast<char*>(cli.c_str())};
        for (std::string& word : words) argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(cli.c_str(), argv.data());
        _exit(127);
      }
      close(out[1]);
      running.push_back({child, fdopen(out[0], "r")});
    }
    // The one to kill is read first, so that it dies as soon as it has printed, not after the others.
    for (const size_t i : {1u, 0u, 2u}) {
      char line[512];
      bool killed = false;
      while (std::fgets(line, sizeof line, running[i].out) != nullptr) {
        int32_t number = 0;
        if (std::sscanf(line, "주문번호 : %d", &number) == 1) printed.push_back(number);
        if (i == 1 && !killed) {
          kill(running[i].pid, SIGKILL);
          killed = true;
        }
      }
      std::fclose(running[i].out);
      int status = 0;
      waitpid(running[i].pid, &status, 0);
      if (i == 1) {
        noteDay();  // the day its order went in, before the others' runs can move the clock
      } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "command " << i;
      }
    }
  }
  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{},
                                       problem);
  ASSERT_TRUE(ledger) << problem;
  const sim::PaperLedger::Moment clock = ledger->LastSeen();
  days.insert(clock.date);
  for (const int32_t number : printed) {
    const bool held = std::any_of(days.begin(), days.end(), [&](int32_t day) { return ledger->Order(day, number); });
    ASSERT_TRUE(held) << "printed order " << number << " is not in the ledger";
  }
  EXPECT_GE(printed.size(), static_cast<size_t>(rounds) * 2);
  const sim::FeeRates fees;
  int64_t cash = ledger->StartingCash("5011223302");
  std::map<int32_t, int32_t> filled;
  for (const sim::PaperFill& fill : ledger->Fills()) {
    const int64_t value = static_cast<int64_t>(fill.price) * fill.quantity;
    EXPECT_EQ(fill.commission, fees.Commission(value));
    cash -= value + fill.commission;  // every order here is a buy
    filled[fill.number] += fill.quantity;
  }
  for (const auto& [number, quantity] : filled) {
    const sim::PaperOrder order = *ledger->Order(clock.date, number);
    EXPECT_EQ(order.filled, quantity) << number;
    EXPECT_LE(order.filled, order.quantity) << number;
  }
  EXPECT_EQ(ledger->Cash("5011223302"), cash);
}

}  // namespace
}  // namespace ostrada
