// ostrada-cli journal on an account that traded over two days through ostrada-cli order: the JSON and
// the CSV carry the same figures, the days add up, and a range without trades or an export path that
// cannot be written is told in Korean with nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/listing.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

const std::string kListing = " --seed 7 --stocks 40";

std::string At(const char* date, const char* at) {
  return kListing + " --date " + date + " --at " + at;
}

std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  return cells;
}

class JournalCli : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = new testing::ScratchFolder;
    folder_ = scratch_->Path() + "/";
    ::setenv("OSTRADA_DATA_DIR", folder_.c_str(), 1);
    const sim::Listing listing = sim::Listing::Build(7, 40);
    std::vector<std::string> codes;
    for (const sim::ListedStock& stock : listing.All())
      if (stock.class5 != '1' && stock.commonCode.empty() && codes.size() < 2) codes.push_back(stock.code);
    // Day one: two stocks bought; day two: part of one sold, the other sold whole.
    for (const std::string& command :
         {"order buy " + codes[0] + " 30 --market --run 5" + At("20261208", "10:00:00"),
          "order buy " + codes[1] + " 20 --market --run 5" + At("20261208", "10:01:00"),
          "order sell " + codes[0] + " 10 --market --run 5" + At("20261209", "10:00:00"),
          "order sell " + codes[1] + " 20 --market --run 5" + At("20261209", "10:01:00")}) {
      const testing::CliRun run = RunCli(command);
      ASSERT_EQ(run.exitCode, 0) << command << "\n" << run.output;
    }
  }
  static void TearDownTestSuite() {
    ::unsetenv("OSTRADA_DATA_DIR");
    delete scratch_;
  }
  static testing::ScratchFolder* scratch_;
  static std::string folder_;
};
testing::ScratchFolder* JournalCli::scratch_ = nullptr;
std::string JournalCli::folder_;

TEST_F(JournalCli, JsonAndCsvCarryTheSameFiguresAndTheDaysAddUp) {
  for (const char* by : {"day", "stock", "fill", "order"}) {
    SCOPED_TRACE(by);
    const std::string csv = folder_ + "journal_" + by + ".csv";
    const testing::CliRun run = RunCli(std::string("journal --json --by ") + by + " --csv " + csv + kListing);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const nlohmann::ordered_json document = nlohmann::ordered_json::parse(run.output);
    EXPECT_EQ(document["profitRule"], "afterSellCosts");
    std::ifstream in(csv, std::ios::binary);
    std::string line;
    std::getline(in, line);  // the titles
    for (const nlohmann::ordered_json& row : document["rows"]) {
      ASSERT_TRUE(std::getline(in, line));
      line.pop_back();  // CR
      const std::vector<std::string> cells = CsvCells(Cp949ToUtf8(line));
      ASSERT_EQ(cells.size(), row.size());
      size_t i = 0;
      for (const auto& [key, value] : row.items()) {
        EXPECT_EQ(cells[i++], value.is_string() ? value.get<std::string>() : value.dump()) << key;
      }
    }
    EXPECT_FALSE(std::getline(in, line));
  }
  const testing::CliRun run = RunCli("journal --json" + kListing);
  const nlohmann::ordered_json document = nlohmann::ordered_json::parse(run.output);
  const nlohmann::ordered_json& days = document["rows"];
  ASSERT_EQ(days.size(), 2u);
  int64_t equity = document["totals"]["startEquity"];
  int64_t unrealised = 0;
  int64_t realised = 0;
  for (const nlohmann::ordered_json& day : days) {
    EXPECT_EQ(day["equity"].get<int64_t>(), day["cash"].get<int64_t>() + day["holdingValue"].get<int64_t>());
    EXPECT_EQ(day["realised"].get<int64_t>() + day["unrealised"].get<int64_t>() - unrealised,
              day["equity"].get<int64_t>() - equity);
    equity = day["equity"];
    unrealised = day["unrealised"];
    realised += day["realised"].get<int64_t>();
  }
  EXPECT_EQ(document["totals"]["realised"], realised);
  EXPECT_EQ(document["totals"]["trades"], 2);
  EXPECT_EQ(document["totals"]["fills"], 4);
}

TEST_F(JournalCli, AnEmptyRangeOrAnUnwritablePathIsToldAndNothingIsWritten) {
  const std::string csv = folder_ + "empty.csv";
  testing::CliRun run = RunCli("journal --from 20261201 --to 20261207 --csv " + csv + kListing);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("기간 안에 거래가 없습니다"), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(csv));

  // A path whose folder is missing, and one that is a folder: the folder is left as it was.
  run = RunCli("journal --csv " + folder_ + "missing/x.csv" + kListing);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("내보내기 파일을 쓸 수 없습니다"), std::string::npos) << run.output;
  std::filesystem::create_directory(folder_ + "taken.svg");
  run = RunCli("journal --svg " + folder_ + "taken.svg" + kListing);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ + "taken.svg"));

  run = RunCli("journal --ledger " + folder_ + "nothing.sqlite" + kListing);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("모의투자 원장 파일이 없습니다"), std::string::npos) << run.output;
  EXPECT_FALSE(std::filesystem::exists(folder_ + "nothing.sqlite"));
}

TEST_F(JournalCli, TheEquityCurveIsDrawn) {
  const std::string svg = folder_ + "equity.svg";
  ASSERT_EQ(RunCli("journal --svg " + svg + kListing).exitCode, 0);
  std::ifstream in(svg);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(text.rfind("<svg", 0), 0u);
  EXPECT_NE(text.find("자산추이"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 7), "</svg>\n");
}

}  // namespace
}  // namespace ostrada
