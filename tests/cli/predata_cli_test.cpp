// ostrada-cli predata and patterns: the figures of a pre-data listing against arithmetic on the
// exchange's own bars, the base day a list is named after, and the base day patterns insist on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/daygate.h"
#include "basesrc/nowgate.h"
#include "basesrc/predata.h"
#include "basesrc/stocgate.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/stopped_exchange.h"

namespace ostrada {
namespace {

using testing::RunCli;

constexpr char kMarket[] = " --seed 5 --stocks 40";
constexpr int32_t kToday = 20261208;  // a Tuesday; the session before it is Monday 7 December

class PreDataCli : public ::testing::Test {
 protected:
  std::string File(const std::string& name) const { return folder.File(name); }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }
  testing::ScratchFolder folder;
  testing::ScopedEnv dataDir{"OSTRADA_DATA_DIR", folder.Path().c_str()};
};

// "1,234" as 1234.
int64_t Number(std::string text) {
  std::erase(text, ',');
  return std::stoll(text);
}

// The words of a tab-separated column after its label ("ma 1 2 3" gives 1, 2, 3).
std::vector<int64_t> Column(const std::string& column) {
  std::istringstream words(column);
  std::string word;
  words >> word;  // the label
  std::vector<int64_t> values;
  while (words >> word) values.push_back(Number(word));
  return values;
}

std::vector<std::string> Split(const std::string& line, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(line);
  for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
  return parts;
}

// The rounded average of the n values ending at position `end`; 0 when fewer than n exist.
int64_t Average(const std::vector<int64_t>& values, size_t end, size_t n) {
  if (end + 1 < n) return 0;
  int64_t sum = 0;
  for (size_t i = end + 1 - n; i <= end; ++i) sum += values[i];
  const auto whole = static_cast<int64_t>(n);
  return sum / whole + (2 * (sum % whole) >= whole ? 1 : 0);
}

TEST_F(PreDataCli, TheListingShowsTheDatesAveragesAndVolumesOfItsBars) {
  const auto built = RunCli(std::string("predata build") + kMarket + " --trading-date 20261208 --save " + File("x.spd"));
  ASSERT_EQ(built.exitCode, 0) << built.output;
  EXPECT_NE(built.output.find("기준일: 20261207\n"), std::string::npos) << built.output;
  const auto listed = RunCli("predata load " + File("x.spd"));
  ASSERT_EQ(listed.exitCode, 0) << listed.output;

  // The same exchange at the same moment, in this process: its bars, summed here.
  testing::StoppedExchange exchange(5, 40, kToday, 154000);
  StocGate gate;
  int records = 0;
  for (const std::string& line : Split(listed.output, '\n')) {
    if (line.rfind("자료 수:", 0) == 0) continue;
    const std::vector<std::string> columns = Split(line, '\t');
    ASSERT_GE(columns.size(), 6u) << line;
    const std::string code = columns[0].substr(0, columns[0].find(' '));
    const std::unique_ptr<DaySeries> series = gate.DownloadBarsNew(code.c_str(), "x", 600, 1, 'D', 0, 0, 0);
    ASSERT_NE(series, nullptr) << code;
    std::vector<int64_t> closes;
    std::vector<int64_t> volumes;
    for (const DayBar* bar = series->Oldest(); bar != nullptr && bar->Key() <= 20261207; bar = bar->newer) {
      closes.push_back(bar->price.close);
      volumes.push_back(bar->price.volume);
    }
    ASSERT_EQ(Number(Split(columns[1], ' ')[0]), 20261207) << line;
    const size_t date = closes.size() - 1;
    const std::vector<int64_t> lines = Column(columns[2]);
    ASSERT_EQ(lines.size(), 6u) << line;
    const size_t lengths[] = {5, 20, 60, 120, 240, 480};
    for (size_t k = 0; k < 6; ++k) EXPECT_EQ(lines[k], Average(closes, date, lengths[k])) << code << " line " << k;
    ASSERT_EQ(columns[5].rfind("평균거래량", 0), 0u) << line;
    const std::vector<int64_t> averageVolumes = Column(columns[5]);
    EXPECT_EQ(averageVolumes, (std::vector<int64_t>{Average(volumes, date, 5), Average(volumes, date, 20)})) << code;
    ++records;
  }
  EXPECT_GT(records, 30);
  // One record for each stock of the first two markets that traded on the date.
  const std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  ASSERT_NE(book, nullptr);
  int traded = 0;
  for (const CodeInfo* entry = book->First(); entry != nullptr; entry = entry->next) {
    if (entry->attr.market != '1' && entry->attr.market != '2') continue;
    const std::unique_ptr<DaySeries> series = gate.DownloadBarsNew(entry->key.code, "x", 600, 1, 'D', 0, 0, 0);
    ASSERT_NE(series, nullptr) << entry->key.code;
    traded += series->Find(20261207) != nullptr;
  }
  EXPECT_EQ(records, traded);
  EXPECT_TRUE(exchange.sink().messages.empty());
}

TEST_F(PreDataCli, ABuildForADateIsNamedAfterItAndADayWithoutSessionIsRefused) {
  const std::string market = std::string(kMarket) + " --trading-date 20261208";
  const auto weekend = RunCli("predata build" + market + " --date 20261205");
  EXPECT_EQ(weekend.exitCode, 1);
  EXPECT_NE(weekend.output.find("20261205 은(는) 거래일이 아니어서"), std::string::npos) << weekend.output;
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path())) << "nothing written, nothing overwritten";

  const auto friday = RunCli("predata build" + market + " --date 20261204");
  ASSERT_EQ(friday.exitCode, 0) << friday.output;
  EXPECT_TRUE(Exists("_lastinfo.20261204.spd"));
  EXPECT_FALSE(Exists("_lastinfo.20261207.spd")) << "the newest day's file is not the one written";
  PreDataList list;
  ASSERT_TRUE(list.Load(File("_lastinfo.20261204.spd").c_str(), kPreDataKeyCode));
  ASSERT_GT(list.Count(), 30);
  for (const PreDataRecord* record = list.First(); record != nullptr; record = record->next)
    EXPECT_EQ(record->bar.time, 20261204) << record->key.code;

  // Screening Tuesday wants Monday's list: Friday's is refused, by name or given.
  const auto tuesday = RunCli(std::string("patterns") + kMarket + " --date 20261208");
  EXPECT_EQ(tuesday.exitCode, 1);
  EXPECT_NE(tuesday.output.find("선행자료 파일이 없습니다: " + File("_lastinfo.20261207.spd")), std::string::npos)
      << tuesday.output;
  const auto given = RunCli(std::string("patterns") + kMarket + " --date 20261208 --predata " +
                            File("_lastinfo.20261204.spd"));
  EXPECT_EQ(given.exitCode, 1);
  EXPECT_NE(given.output.find("의 20261204 자료가 있지만, 20261208 의 앞 거래일은 20261207 입니다."), std::string::npos)
      << given.output;
  // Screening Monday, the session before is Friday, across the weekend.
  const auto monday = RunCli(std::string("patterns") + kMarket + " --date 20261207");
  ASSERT_EQ(monday.exitCode, 0) << monday.output;
  EXPECT_NE(monday.output.find("(기준일 20261204)"), std::string::npos) << monday.output;
}

TEST_F(PreDataCli, BeforeTheFirstMinuteBarPatternsStillTakeTheSessionBefore) {
  const auto built = RunCli(std::string("predata build") + kMarket + " --trading-date 20261208");
  ASSERT_EQ(built.exitCode, 0) << built.output;
  ASSERT_TRUE(Exists("_lastinfo.20261207.spd"));
  for (const char* at : {"08:50", "09:00:30", "14:00"}) {
    const auto screened = RunCli(std::string("patterns") + kMarket + " --date 20261208 --at " + at);
    EXPECT_NE(screened.output.find("선행자료: " + File("_lastinfo.20261207.spd")),
              std::string::npos)
        << at << "\n"
        << screened.output;
    EXPECT_NE(screened.output.find("(기준일 20261207)"), std::string::npos) << at << "\n" << screened.output;
  }
}

// The count a report group heads its list with ("name  count"), 0 when the group is missing.
int GroupCount(const std::string& output, const std::string& name) {
  const size_t at = output.find("\n" + name + "  ");
  return at == std::string::npos ? 0 : std::stoi(output.substr(at + 1 + name.size() + 2));
}

TEST_F(PreDataCli, PatternGroupsCountTheStocksOfTheirRates) {
  ASSERT_EQ(RunCli("predata build --seed 5 --stocks 300 --trading-date 20261208").exitCode, 0);
  const auto screened = RunCli("patterns --seed 5 --stocks 300 --date 20261208 --at 14:00 --show 5");
  ASSERT_EQ(screened.exitCode, 0) << screened.output;

  // The same market at 14:00 in this process: its rates, counted and ranked here.
  testing::StoppedExchange exchange(5, 300, kToday, 140000);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  ASSERT_NE(book, nullptr);
  std::unique_ptr<NowGate> market = gate.DownloadNowBook(*book, kNowKeyCode);
  ASSERT_NE(market, nullptr);
  int up5 = 0, up10 = 0, down10 = 0;
  std::vector<float> rates;
  for (const NowInfo* stock = market->First(); stock != nullptr; stock = stock->next) {
    const float rate = stock->price.bar.rate;
    up5 += rate >= 5.0f;  // "or more" and "or less": the boundaries count
    up10 += rate >= 10.0f;
    down10 += rate <= -10.0f;
    rates.push_back(rate);
  }
  ASSERT_GT(up5, 0);
  EXPECT_EQ(GroupCount(screened.output, "고점권"), up10) << screened.output;
  EXPECT_EQ(GroupCount(screened.output, "상승 중간권"), up5) << screened.output;
  EXPECT_EQ(GroupCount(screened.output, "저점권"), down10) << screened.output;
  EXPECT_EQ(GroupCount(screened.output, "상승율 높은 것"), 300);
  // The highest-rate group lists the five highest rates, highest first.
  std::sort(rates.begin(), rates.end(), std::greater<>());
  const size_t top = screened.output.find("\n상승율 높은 것  ");
  ASSERT_NE(top, std::string::npos);
  const std::vector<std::string> lines = Split(screened.output.substr(top + 1), '\n');
  ASSERT_GE(lines.size(), 6u);
  for (size_t i = 0; i < 5; ++i) {
    char shown[16];
    std::snprintf(shown, sizeof shown, "%+.2f%%", static_cast<double>(rates[i]));
    EXPECT_EQ(lines[i + 1].substr(lines[i + 1].rfind(' ') + 1), shown) << lines[i + 1];
  }
  EXPECT_TRUE(exchange.sink().messages.empty());
}

}  // namespace
}  // namespace ostrada
