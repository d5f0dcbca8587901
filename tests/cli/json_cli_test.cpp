// ostrada-cli --json: each document parses with the JSON library, and its figures are the ones the
// text view of the same run prints and the ones the same market gives through the data layer or by
// arithmetic of their own (two views reading one wrong field would agree with each other).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "basesrc/coninfo.h"
#include "basesrc/daygate.h"
#include "basesrc/nowfxin.h"
#include "basesrc/priceinfo.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/listing.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/paper_ledger.h"
#include "broker/sim/paper/paper_options.h"
#include "tests/support/cli.h"
#include "tests/support/common_share.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stopped_exchange.h"

namespace ostrada {
namespace {

using nlohmann::json;
using testing::RunCli;

// The whole numbers of a text line in order, read as a person reads them ("1,234" is 1234).
std::vector<long long> NumbersIn(const std::string& line) {
  std::vector<long long> numbers;
  static const std::regex number("[-+]?[0-9][0-9,]*");
  for (auto it = std::sregex_iterator(line.begin(), line.end(), number); it != std::sregex_iterator(); ++it) {
    std::string digits;
    for (const char c : it->str()) {
      if (c != ',' && c != '+') digits += c;
    }
    numbers.push_back(std::stoll(digits));
  }
  return numbers;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) lines.push_back(text.substr(at, end - at));
  return lines;
}

// What a command tells as text, a line each, and as the document it prints with --json put after
// `arguments` (and before `options`); both runs must succeed.
struct TwoViews {
  std::string text;
  std::vector<std::string> lines;
  json document;
};
void RunBoth(const std::string& arguments, TwoViews& views, const std::string& options = {}) {
  const auto text = RunCli(arguments + options);
  const auto document = RunCli(arguments + " --json" + options);
  ASSERT_EQ(text.exitCode, 0) << text.output;
  ASSERT_EQ(document.exitCode, 0) << document.output;
  views.text = text.output;
  views.lines = Lines(text.output);
  views.document = json::parse(document.output);
}

const char kExchange[] = " --seed 7 --stocks 40 --date 20261208 --at 10:15:00";

TEST(JsonCli, MarketDocumentHoldsTheFiguresOfTheTextView) {
  const std::string code = testing::FirstCommonShare(7, 40);
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth("market " + code + " --contracts 5", views, kExchange));
  const json& market = views.document;
  const std::vector<std::string>& lines = views.lines;
  ASSERT_GE(lines.size(), 3u);

  EXPECT_EQ(market.at("code"), code);
  // "CODE NAME  HHMM", "현재가 P  전일대비 C (R%)  거래량 V", "시가 O  고가 H  저가 L  기준가 B  상한가 U  하한가 D  체결강도 S"
  EXPECT_EQ(NumbersIn(lines[0]).back(), market.at("time").get<long long>());
  const auto second = NumbersIn(lines[1]);
  ASSERT_GE(second.size(), 4u);
  EXPECT_EQ(second[0], market.at("price").get<long long>());
  EXPECT_EQ(second[1], market.at("change").get<long long>());
  EXPECT_EQ(second.back(), market.at("volume").get<long long>());
  const auto third = NumbersIn(lines[2]);
  ASSERT_GE(third.size(), 6u);
  const char* fields[] = {"open", "high", "low", "basePrice", "upperLimit", "lowerLimit"};
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(third[i], market.at(fields[i]).get<long long>()) << fields[i];
  // The rate from its own parts, to the hundredth the text shows.
  const double rate = market.at("change").get<double>() * 100.0 / market.at("basePrice").get<double>();
  EXPECT_NEAR(market.at("rate").get<double>(), rate, 0.006);

  // The book: each ask and bid row of the text, and the totals line.
  const json& book = market.at("book");
  std::vector<long long> askPrices;
  for (const json& level : book.at("asks")) askPrices.push_back(level.at("price"));
  for (size_t i = 1; i < askPrices.size(); ++i) EXPECT_LT(askPrices[i - 1], askPrices[i]) << "lowest ask first";
  size_t line = 5;  // after the blank line and the book's heading
  for (auto ask = book.at("asks").rbegin(); ask != book.at("asks").rend(); ++ask, ++line) {
    const auto row = NumbersIn(lines.at(line));
    ASSERT_EQ(row.size(), 2u) << lines.at(line);
    EXPECT_EQ(row[0], ask->at("quantity").get<long long>());
    EXPECT_EQ(row[1], ask->at("price").get<long long>());
  }
  for (const json& bid : book.at("bids")) {
    const auto row = NumbersIn(lines.at(line++));
    ASSERT_EQ(row.size(), 2u);
    EXPECT_EQ(row[0], bid.at("price").get<long long>());
    EXPECT_EQ(row[1], bid.at("quantity").get<long long>());
  }
  const auto totals = NumbersIn(lines.at(line));
  ASSERT_EQ(totals.size(), 2u);
  EXPECT_EQ(totals[0], book.at("totalAsk").get<long long>());
  EXPECT_EQ(totals[1], book.at("totalBid").get<long long>());

  // The contracts, newest first, after a blank line and their heading.
  line += 3;
  ASSERT_FALSE(market.at("contracts").empty());
  for (const json& contract : market.at("contracts")) {
    const auto row = NumbersIn(lines.at(line++));
    ASSERT_GE(row.size(), 7u);
    EXPECT_EQ(row[3], contract.at("price").get<long long>());
    EXPECT_EQ(row[4], contract.at("change").get<long long>());
    EXPECT_EQ(row[5], contract.at("quantity").get<long long>());
    EXPECT_EQ(row[6], contract.at("volume").get<long long>());
    EXPECT_EQ(contract.at("time").get<std::string>().size(), 8u);
  }

  // The same figures against arithmetic of their own: the totals are the levels' sums, the best ask
  // is above the best bid, the newest contract is the price row's, and each contract's quantity is
  // the step of the cumulative volume, negative where the day's tape says a seller took the bid.
  long long asks = 0, bids = 0;
  for (const json& level : book.at("asks")) asks += level.at("quantity").get<long long>();
  for (const json& level : book.at("bids")) bids += level.at("quantity").get<long long>();
  EXPECT_EQ(book.at("totalAsk").get<long long>(), asks);
  EXPECT_EQ(book.at("totalBid").get<long long>(), bids);
  ASSERT_FALSE(book.at("bids").empty());
  EXPECT_LT(book.at("bids")[0].at("price").get<long long>(), askPrices.front());
  const json& contracts = market.at("contracts");
  EXPECT_EQ(contracts[0].at("price"), market.at("price"));
  EXPECT_EQ(contracts[0].at("change"), market.at("change"));
  EXPECT_EQ(contracts[0].at("volume"), market.at("volume"));
  testing::StoppedExchange exchange(7, 40, 20261208, 101500);
  StocGate gate;
  const std::unique_ptr<ContractTape> tape = gate.DownloadAllContracts(code.c_str(), "x");
  ASSERT_NE(tape, nullptr);
  std::map<long long, const ContractRecord*> byVolume;
  for (const ContractNode* node = tape->Head(); node != nullptr; node = node->next)
    byVolume[node->record.volume] = &node->record;
  for (size_t i = 0; i < contracts.size(); ++i) {
    SCOPED_TRACE(contracts[i].dump());
    const long long quantity = contracts[i].at("quantity");
    const long long volume = contracts[i].at("volume");
    if (i + 1 < contracts.size()) {
      EXPECT_EQ(std::llabs(quantity), volume - contracts[i + 1].at("volume").get<long long>());
    }
    const auto taped = byVolume.find(volume);
    ASSERT_NE(taped, byVolume.end());
    EXPECT_EQ(std::llabs(quantity), taped->second->tickVolume);
    EXPECT_EQ(quantity < 0, taped->second->side == '2');
  }
}

// Every stock of the market: the limits are the base price's, and the rate is rounded to the
// hundredth, not cut.
TEST(JsonCli, MarketLimitsAndRatesOfEveryStock) {
  const sim::Listing listing = sim::Listing::Build(7, 40);
  int rounded = 0;
  for (const sim::ListedStock& stock : listing.All()) {
    SCOPED_TRACE(stock.code);
    const auto run = RunCli("market " + stock.code + " --contracts 1 --json" + std::string(kExchange));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const json market = json::parse(run.output);
    const int32_t base = market.at("basePrice");
    ASSERT_GT(base, 0);
    EXPECT_EQ(market.at("upperLimit").get<int32_t>(), base + PriceLimitChange(base, 1));
    EXPECT_EQ(market.at("lowerLimit").get<int32_t>(), base + PriceLimitChange(base, 0));
    const double rate = market.at("change").get<int32_t>() * 100.0 / base;
    EXPECT_DOUBLE_EQ(market.at("rate").get<double>(), std::round(rate * 100.0) / 100.0);
    rounded += std::round(rate * 100.0) != std::trunc(rate * 100.0) ? 1 : 0;
  }
  EXPECT_GT(rounded, 0) << "no rate where rounding and cutting differ";
}

TEST(JsonCli, PriceDocumentHoldsTheFiguresOfTheTextView) {
  const std::string code = testing::FirstCommonShare(7, 40);
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth("price " + code + " --seed 7 --stocks 40", views));
  const json& price = views.document;
  EXPECT_EQ(price.at("code"), code);
  // Each text line is "label: value"; the fields follow the lines' order.
  const std::pair<const char*, const char*> rows[] = {
      {"시각:", "time"}, {"현재가:", "price"}, {"전일대비:", "change"}, {"기준가:", "previous"},
      {"시가:", "open"}, {"고가:", "high"},    {"저가:", "low"},        {"거래량:", "volume"},
      {"상한가:", "upperLimit"},               {"하한가:", "lowerLimit"}};
  for (const auto& [label, field] : rows) {
    SCOPED_TRACE(label);
    const size_t at = views.text.find(label);
    ASSERT_NE(at, std::string::npos) << views.text;
    const std::string line = views.text.substr(at, views.text.find('\n', at) - at);
    EXPECT_EQ(NumbersIn(line).front(), price.at(field).get<long long>());
  }
  const double rate = price.at("change").get<double>() * 100.0 / price.at("previous").get<double>();
  EXPECT_NEAR(price.at("rate").get<double>(), rate, 0.006);
}

TEST(JsonCli, ScanDocumentHoldsTheFiguresOfTheTextReport) {
  const std::string run = "scan --stocks 200 --checks 4 --every 10 --from 10:00 --interval 3 --threshold 1";
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth(run, views));
  const json& scan = views.document;
  EXPECT_EQ(scan.at("interval"), 3);
  EXPECT_EQ(scan.at("threshold"), 1.0);
  ASSERT_EQ(scan.at("checks").size(), 4u);
  EXPECT_EQ(scan.at("checks")[3].at("time"), 1030);
  EXPECT_EQ(scan.at("checks")[3].at("stocks"), 200);
  // "[n] NAME r%   [시간차 변동: c%]  (시가대비: o%, 저가대비: l%, 고가대비: h%)"
  static const std::regex row(R"(\[(\d+)\] (.+) (-?[0-9.]+)%   \[.*: (-?[0-9.]+)%\]  \(.*: (-?[0-9.]+)%, .*: (-?[0-9.]+)%, .*: (-?[0-9.]+)%\))");
  size_t matched = 0;
  for (const std::string& line : views.lines) {
    std::smatch parts;
    if (!std::regex_search(line, parts, row)) continue;
    const json& stock = scan.at("stocks").at(matched++);
    SCOPED_TRACE(line);
    EXPECT_EQ(stock.at("name").get<std::string>(), parts[2].str());
    const char* fields[] = {"rate", "rateChange", "fromOpen", "fromLow", "fromHigh"};
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(stock.at(fields[i]).get<double>(), std::stod(parts[3 + i].str()), 0.0051);
  }
  EXPECT_GT(matched, 0u);
  EXPECT_EQ(matched, scan.at("stocks").size());
}

TEST(JsonCli, HistoryDocumentHoldsTheFiguresOfTheSummary) {
  const std::string code = testing::FirstCommonShare(7, 40);
  const std::string run = "history " + code + " --count 30 --seed 7 --stocks 40 --date 20261208";
  const auto text = RunCli(run);
  // Saving the series adds nothing to the document.
  const testing::ScratchFolder scratch;
  const auto document = RunCli(run + " --json --save " + scratch.File("s.std"));
  ASSERT_EQ(text.exitCode, 0) << text.output;
  ASSERT_EQ(document.exitCode, 0) << document.output;
  EXPECT_TRUE(std::filesystem::exists(scratch.File("s.std")));
  ASSERT_TRUE(json::accept(document.output)) << document.output;
  const json history = json::parse(document.output);
  const std::vector<std::string> lines = Lines(text.output);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(history.at("code"), code);
  EXPECT_EQ(NumbersIn(lines[1]).back(), history.at("count").get<long long>());
  const json& bars = history.at("bars");
  ASSERT_EQ(bars.size(), history.at("count").get<size_t>());
  // "처음   YYYY-MM-DD  P": the date and the price of each point, against the bars themselves.
  const char* points[] = {"first", "last", "high", "low"};
  long long highest = 0;
  long long lowest = LLONG_MAX;
  for (const json& bar : bars) {
    highest = std::max(highest, bar.at("high").get<long long>());
    lowest = std::min(lowest, bar.at("low").get<long long>());
  }
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(points[i]);
    const json& point = history.at(points[i]);
    EXPECT_NE(lines[2 + i].find(point.at("date").get<std::string>()), std::string::npos) << lines[2 + i];
    EXPECT_EQ(NumbersIn(lines[2 + i]).back(), point.at("price").get<long long>());
  }
  EXPECT_EQ(history.at("first").at("price"), bars.front().at("close"));
  EXPECT_EQ(history.at("last").at("price"), bars.back().at("close"));
  EXPECT_EQ(history.at("high").at("price").get<long long>(), highest);
  EXPECT_EQ(history.at("low").at("price").get<long long>(), lowest);
  EXPECT_TRUE(history.at("interval").is_null()) << "daily bars have no minutes";
  // "급변 점검: 이상 없음" (or the words of a jump, or "해당 없음").
  const std::string jump = lines.at(6).substr(lines.at(6).find(": ") + 2);
  EXPECT_EQ(history.at("jumpCheck"), jump == "이상 없음" ? "clean" : jump == "해당 없음" ? "n/a" : "jump") << lines.at(6);
}

// The index in points with two decimals, and minute bars at their interval, against the bars the
// data layer downloads from the same market.
TEST(JsonCli, HistoryOfTheIndexAndOfMinuteBars) {
  const std::string market = " --seed 7 --stocks 40 --date 20261208";
  const auto index = RunCli("history U001 --count 5 --json" + market);
  const auto indexText = RunCli("history U001 --count 5" + market);
  const std::string code = testing::FirstCommonShare(7, 40);
  const auto minutes = RunCli("history " + code + " --kind B --interval 5 --count 6 --json" + market);
  ASSERT_EQ(index.exitCode, 0) << index.output;
  ASSERT_EQ(indexText.exitCode, 0) << indexText.output;
  ASSERT_EQ(minutes.exitCode, 0) << minutes.output;

  testing::StoppedExchange exchange(7, 40, 20261208, 154000);
  StocGate gate;
  const std::unique_ptr<DaySeries> points = gate.DownloadBarsNew("U001", "U001", 5, 1, 'D', 0, 0, 1);
  ASSERT_NE(points, nullptr);
  const json indexBars = json::parse(index.output).at("bars");
  ASSERT_EQ(indexBars.size(), 5u);
  size_t i = 0;
  for (const DayBar* bar = points->Oldest(); bar != nullptr; bar = bar->newer, ++i) {
    EXPECT_DOUBLE_EQ(indexBars.at(i).at("close").get<double>(), bar->price.close / 100.0);
    EXPECT_DOUBLE_EQ(indexBars.at(i).at("high").get<double>(), bar->price.high / 100.0);
  }
  char last[32];
  std::snprintf(last, sizeof last, "%.2f\n", points->Newest()->price.close / 100.0);
  EXPECT_NE(indexText.output.find(last), std::string::npos) << indexText.output;

  const std::unique_ptr<DaySeries> fives = gate.DownloadMinuteBarsNew(code.c_str(), "x", 5, 6, 0);
  ASSERT_NE(fives, nullptr);
  const json series = json::parse(minutes.output);
  EXPECT_EQ(series.at("kind"), "B");
  EXPECT_EQ(series.at("interval"), 5);
  const json& bars = series.at("bars");
  ASSERT_EQ(bars.size(), static_cast<size_t>(fives->Count()));
  i = 0;
  for (const DayBar* bar = fives->Oldest(); bar != nullptr; bar = bar->newer, ++i) {
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", bar->price.time / 100, bar->price.time % 100);
    EXPECT_EQ(bars.at(i).at("date"), time);
    EXPECT_EQ(bars.at(i).at("close"), bar->price.close);
    EXPECT_EQ(bars.at(i).at("volume"), bar->price.volume);
  }
  EXPECT_TRUE(exchange.sink().messages.empty());
}

TEST(JsonCli, PreDataDocumentHoldsTheFiguresOfTheListing) {
  const testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "/";
  ASSERT_EQ(RunCli("predata build --seed 5 --stocks 40 --save " + folder + "x.spd").exitCode, 0);
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth("predata load " + folder + "x.spd --key 11", views));
  const json& list = views.document;
  const std::vector<std::string>& lines = views.lines;
  EXPECT_EQ(list.at("key"), 11);
  ASSERT_EQ(list.at("records").size(), list.at("count").get<size_t>());
  ASSERT_EQ(lines.size(), list.at("count").get<size_t>() + 1);
  for (size_t i = 0; i < list.at("records").size(); ++i) {
    const json& r = list.at("records")[i];
    const std::string& line = lines[i + 1];
    SCOPED_TRACE(line);
    EXPECT_EQ(line.rfind(r.at("code").get<std::string>(), 0), 0u);
    // "CODE NAME\tDATE O H L C +CHG R% 거래량 V\t이평 M5 .. M480\t..."
    const auto numbers = NumbersIn(line.substr(line.find('\t')));
    ASSERT_GE(numbers.size(), 16u);
    EXPECT_EQ(numbers[0], r.at("date").get<long long>());
    const char* prices[] = {"open", "high", "low", "close", "change"};
    for (size_t k = 0; k < 5; ++k) EXPECT_EQ(numbers[1 + k], r.at(prices[k]).get<long long>()) << prices[k];
    const size_t ma = line.find("\t이평 ");
    const auto averages = NumbersIn(line.substr(ma, line.find('\t', ma + 1) - ma));
    ASSERT_EQ(averages.size(), 6u);
    for (size_t k = 0; k < 6; ++k) EXPECT_EQ(averages[k], r.at("averages")[k].get<long long>());
    // "\t교차 K V\t극점 K V\t평균거래량 A5 A20\t상한가 K@V 연속 S\t상승 A/35 B/25 (R%)"
    static const std::regex tail(
        R"(\t교차 (\d+) ([-0-9,]+)\t극점 (\d+) ([-0-9,]+)\t평균거래량 ([0-9,]+) ([0-9,]+)\t상한가 (\d+)@([0-9,]+) )"
        R"(연속 (\d+)\t상승 (\d+)/35 (\d+)/25 \((-?[0-9.]+)%\))");
    std::smatch parts;
    ASSERT_TRUE(std::regex_search(line, parts, tail));
    const std::pair<const char*, const char*> figures[] = {
        {"cross", "key"},       {"cross", "value"},          {"extreme", "key"},         {"extreme", "value"},
        {"averageVolume5", ""}, {"averageVolume20", ""},     {"upperLimit", "key"},      {"upperLimit", "value"},
        {"upperLimitStreak", ""}, {"risingOrEven35", ""},    {"rising25", ""}};
    for (size_t k = 0; k < std::size(figures); ++k) {
      const auto [field, part] = figures[k];
      const json& value = *part == '\0' ? r.at(field) : r.at(field).at(part);
      EXPECT_EQ(NumbersIn(parts[k + 1].str()).at(0), value.get<long long>()) << field << " " << part;
    }
    EXPECT_NEAR(r.at("rateSum25").get<double>(), std::stod(parts[12].str()), 0.051);
    if (i > 0) {
      EXPECT_LE(r.at("rate").get<double>(), list.at("records")[i - 1].at("rate").get<double>()) << "rate descending";
    }
  }
}

TEST(JsonCli, PatternsDocumentHoldsTheFiguresOfTheTextReport) {
  const testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "/";
  ASSERT_EQ(RunCli("predata build --seed 5 --stocks 40 --save " + folder + "x.spd").exitCode, 0);
  const std::string run = "patterns --seed 5 --stocks 40 --show 2 --predata " + folder + "x.spd";
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth(run, views));
  const json& report = views.document;
  const std::vector<std::string>& lines = views.lines;
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(NumbersIn(lines[0]).front(), report.at("predataRecords").get<long long>());  // "선행자료 수: N (기준일 D)"
  const auto header = NumbersIn(lines[1]);  // "종목 수: N  최근 시세 시각: T"
  EXPECT_EQ(header[0], report.at("stocks").get<long long>());
  EXPECT_EQ(header[1], report.at("latestTime").get<long long>());
  int occurring = 0;
  for (const json& pattern : report.at("patterns")) occurring += pattern.at("count").get<int>() > 0 ? 1 : 0;
  EXPECT_EQ(NumbersIn(lines[2])[0], occurring);
  // Each group: "NAME  COUNT", then up to two "    CODE NAME  +R%" lines.
  size_t line = lines[3].rfind("나타나지 않은 패턴", 0) == 0 ? 4 : 3;
  ASSERT_FALSE(report.at("groups").empty());
  for (const json& group : report.at("groups")) {
    const std::string& heading = lines.at(line++);
    EXPECT_EQ(heading, group.at("name").get<std::string>() + "  " + std::to_string(group.at("count").get<int>()));
    for (const json& stock : group.at("stocks")) {
      const std::string& row = lines.at(line++);
      EXPECT_NE(row.find(stock.at("code").get<std::string>()), std::string::npos) << row;
      EXPECT_NE(row.find(stock.at("name").get<std::string>()), std::string::npos) << row;
      EXPECT_DOUBLE_EQ(std::stod(row.substr(row.rfind(' ') + 1)), stock.at("rate").get<double>()) << row;
    }
  }
  EXPECT_EQ(line, lines.size());
}

// The buyable quantity as the order form counts it: the most shares whose value and commission
// the money covers.
long long Affordable(long long money, long long price, const sim::FeeRates& fees) {
  long long quantity = money / price;
  while (quantity > 0 && quantity * price + fees.Commission(quantity * price) > money) --quantity;
  return quantity;
}

TEST(JsonCli, AccountDocumentHoldsTheFiguresOfTheTextView) {
  const testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "/";
  const testing::ScopedEnv dataFolder("OSTRADA_DATA_DIR", folder.c_str());
  const std::string code = testing::FirstCommonShare(7, 40);
  const std::string market = " --seed 7 --stocks 40 --date 20261208";
  // Two buys at two moments, so the purchase price is an average; then a buy at the lower limit that
  // stays open, its quantity typed with a thousands separator.
  ASSERT_EQ(RunCli("order buy " + code + " 10 --market --run 20 --at 10:00:00" + market).exitCode, 0);
  ASSERT_EQ(RunCli("order buy " + code + " 3 --market --run 20 --at 11:00:00" + market).exitCode, 0);
  testing::StoppedExchange exchange(7, 40, 20261208, 110020);
  StocGate gate;
  NowPrice now{};
  ASSERT_TRUE(gate.FetchNowPrice(&now, code.c_str()));
  const int32_t lower = now.basePrice + PriceLimitChange(now.basePrice, 0);
  const auto open = RunCli("order buy " + code + " 1,000 --price " + std::to_string(lower) + market);
  ASSERT_EQ(open.exitCode, 0) << open.output;
  int32_t number = 0;
  ASSERT_EQ(std::sscanf(open.output.c_str(), "주문번호 : %d", &number), 1) << open.output;

  // The account is read at its own clock, with the stock whose buyable quantity it shows.
  const std::string accountCommand = "account --seed 7 --stocks 40 --code " + code;
  TwoViews views;
  ASSERT_NO_FATAL_FAILURE(RunBoth(accountCommand, views));
  const json& account = views.document;
  const std::vector<std::string>& lines = views.lines;
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(NumbersIn(lines[0]).back(), std::stoll(account.at("account").get<std::string>()));
  EXPECT_EQ(account.at("clock"), "2026-12-08 11:00:20");
  EXPECT_NE(lines[1].find(account.at("clock").get<std::string>()), std::string::npos) << lines[1];
  EXPECT_EQ(NumbersIn(lines[2]).back(), account.at("totalDeposit").get<long long>());
  EXPECT_EQ(NumbersIn(lines[3]).back(), account.at("availableAmount").get<long long>());
  EXPECT_EQ(NumbersIn(lines[4]).front(), account.at("availableQuantity").get<long long>());
  EXPECT_EQ(account.at("code"), code);

  // The figures from the ledger's fills and the market's price at the clock.
  std::string problem;
  auto ledger = sim::PaperLedger::Open(folder + "paper.sqlite", sim::PaperAccountNumbers(), 0, sim::FeeRates{}, problem);
  ASSERT_TRUE(ledger) << problem;
  const sim::FeeRates fees;
  long long value = 0, cost = 0, bought = 0;
  for (const sim::PaperFill& fill : ledger->Fills()) {
    value += static_cast<long long>(fill.price) * fill.quantity;
    cost += static_cast<long long>(fill.price) * fill.quantity + fill.commission;
    bought += fill.quantity;
  }
  ledger.reset();
  ASSERT_EQ(bought, 13);
  ASSERT_NE(value % 13, 0) << "the purchase price is whole: its rounding would go unchecked";
  const long long cash = sim::PaperOptions{}.startingCash - cost;
  const long long reserved = 1000LL * lower + fees.Commission(1000LL * lower);
  EXPECT_EQ(account.at("totalDeposit").get<long long>(), cash);
  EXPECT_EQ(account.at("availableAmount").get<long long>(), cash - reserved);
  EXPECT_EQ(account.at("availableQuantity").get<long long>(), Affordable(cash - reserved, now.bar.close, fees));
  ASSERT_EQ(account.at("holdings").size(), 1u);
  const json& holding = account.at("holdings")[0];
  EXPECT_EQ(holding.at("code"), code);
  EXPECT_EQ(holding.at("quantity"), 13);
  EXPECT_DOUBLE_EQ(holding.at("purchasePrice").get<double>(), std::round(value * 100.0 / 13) / 100.0);
  EXPECT_EQ(holding.at("currentPrice"), now.bar.close);
  // What selling there would realise: the sale less its commission and tax, less the cost, to the won.
  const long long sale = 13LL * now.bar.close;
  EXPECT_EQ(holding.at("profit").get<long long>(), sale - fees.Commission(sale) - fees.Tax(sale) - cost);
  EXPECT_EQ(account.at("profitRule"), "afterSellCosts");
  ASSERT_EQ(account.at("unfilled").size(), 1u);
  const json& order = account.at("unfilled")[0];
  EXPECT_EQ(order.at("orderNumber"), number);
  EXPECT_EQ(order.at("code"), code);
  EXPECT_EQ(order.at("side"), "buy");
  EXPECT_EQ(order.at("price"), lower);
  EXPECT_EQ(order.at("unfilled"), 1000);

  // The holding's and the order's rows in the text carry the same figures.
  bool holdingFound = false, orderFound = false;
  for (const std::string& row : lines) {
    if (row.find(code) == std::string::npos) continue;
    const auto numbers = NumbersIn(row.substr(row.find(code) + code.size()));
    auto has = [&numbers](long long n) { return std::find(numbers.begin(), numbers.end(), n) != numbers.end(); };
    holdingFound |= has(13) && has(holding.at("profit").get<long long>()) && has(now.bar.close);
    orderFound |= row.find("매수") != std::string::npos && has(lower) && has(1000);
  }
  EXPECT_TRUE(holdingFound) << views.text;
  EXPECT_TRUE(orderFound) << views.text;

  // Cancelled, the order frees its cash.
  ASSERT_EQ(RunCli("order cancel " + std::to_string(number) + " " + code + " 1,000" + market).exitCode, 0);
  const json after = json::parse(RunCli("account --json --seed 7 --stocks 40").output);
  EXPECT_TRUE(after.at("unfilled").empty());
  EXPECT_EQ(after.at("availableAmount").get<long long>(), cash);
}

}  // namespace
}  // namespace ostrada
