// ostrada-cli patterns (over a predata build), pack load, scan and snapshot record: the screening commands on
// a small market, their files, and the plain messages of what they refuse.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "basesrc/nowgate.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/cli.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using testing::RunCli;

class ScreeningCli : public ::testing::Test {
 protected:
  std::string File(const char* name) const { return folder.File(name); }
  testing::ScratchFolder folder;
  testing::ScopedEnv dataDir{"OSTRADA_DATA_DIR", folder.Path().c_str()};
};

TEST_F(ScreeningCli, PatternsOverTheLastInfoFileWriteTheirPacksAndInterestGroups) {
  const auto missing = RunCli("patterns --stocks 40");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("선행자료: " + folder.Path() + "/_lastinfo."), std::string::npos)
      << missing.output;
  EXPECT_NE(missing.output.find("선행자료 파일이 없습니다"), std::string::npos) << missing.output;

  const auto built = RunCli("predata build --stocks 40");
  ASSERT_EQ(built.exitCode, 0) << built.output;
  EXPECT_NE(built.output.find("저장: " + folder.Path() + "/_lastinfo."), std::string::npos) << built.output;
  const std::string pack = File("market.pack");
  const std::string reportPack = File("report.pack");
  const auto patterns = RunCli("patterns --stocks 40 --pack " + pack + " --interest " + File("interest.txt") +
                               " --report-pack " + reportPack);
  ASSERT_EQ(patterns.exitCode, 0) << patterns.output;
  EXPECT_NE(patterns.output.find("종목 수: 40"), std::string::npos) << patterns.output;
  EXPECT_NE(patterns.output.find("상승율 높은 것  40"), std::string::npos) << patterns.output;
  EXPECT_EQ(Cp949ToUtf8(testing::ReadBytes(File("interest.txt"))).rfind("// 관심그룹입니다.\r\n[", 0), 0u);

  const auto loaded = RunCli("pack load " + pack);
  ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
  EXPECT_EQ(loaded.output.rfind("그룹 수: 1  키: 921  센 종목 수: 40", 0), 0u) << loaded.output;
  EXPECT_NE(loaded.output.find("나타난 패턴: "), std::string::npos) << loaded.output;
  // The report pack holds the pattern groups but was never counted: it claims no pattern missing.
  const auto report = RunCli("pack load " + reportPack);
  ASSERT_EQ(report.exitCode, 0) << report.output;
  EXPECT_NE(report.output.find("센 종목 수: 0"), std::string::npos) << report.output;
  EXPECT_NE(report.output.find("패턴: 이 묶음에서는 세지 않았습니다"), std::string::npos) << report.output;
  EXPECT_EQ(report.output.find("나타나지 않은 패턴"), std::string::npos) << report.output;
  EXPECT_NE(report.output.find("상승율 높은 것  40"), std::string::npos) << report.output;
  testing::WriteBytes(pack, "not a pack");
  EXPECT_EQ(RunCli("pack load " + pack).exitCode, 1);
}

TEST_F(ScreeningCli, ScanReportsTheMoversAndRefusesIntervalsItDoesNotKnow) {
  const auto refused = RunCli("scan --stocks 60 --checks 6 --every 5 --interval 4 --threshold 2");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("--interval 은 1, 2, 3, 5, 10, 15, 20, 30, 60 중 하나로 지정하십시오."), std::string::npos);
  // A move over three checks needs a fourth to start from.
  const auto tooFew = RunCli("scan --stocks 60 --checks 3 --every 5 --interval 3 --threshold 2");
  EXPECT_EQ(tooFew.exitCode, 1);
  EXPECT_NE(tooFew.output.find("--checks 는 --interval 보다 커야 합니다."), std::string::npos) << tooFew.output;
  // Checks that would run into the next day (14:00, 19:00, 24:00) are refused before any is taken.
  const auto pastMidnight = RunCli("scan --stocks 60 --checks 3 --every 300 --from 14:00 --interval 2 --threshold 1");
  EXPECT_EQ(pastMidnight.exitCode, 1);
  EXPECT_NE(pastMidnight.output.find("마지막 확인 시각이 자정을 넘습니다."), std::string::npos) << pastMidnight.output;
  EXPECT_EQ(pastMidnight.output.find("확인 1 ("), std::string::npos) << pastMidnight.output;
  EXPECT_EQ(RunCli("scan --stocks 60 --checks 3 --every 299 --from 14:00 --interval 2 --threshold 1").exitCode, 0);
  const std::string report = File("scan.txt");
  const auto scan =
      RunCli("scan --stocks 200 --checks 4 --every 10 --from 10:00 --interval 3 --threshold 1 --report " + report);
  ASSERT_EQ(scan.exitCode, 0) << scan.output;
  EXPECT_NE(scan.output.find("확인 4 (1030)"), std::string::npos) << scan.output;
  EXPECT_NE(scan.output.find("확인시간: 10 시 30분 - 10 시 0분 (30 간격)"), std::string::npos) << scan.output;
  EXPECT_EQ(Cp949ToUtf8(testing::ReadBytes(report)).rfind(std::string(52, '=') + "\r\n분 석 키: 종목코드", 0), 0u);
}

// A saved snapshot lists each record's price, change, rate and volume, as the group file holds them.
TEST_F(ScreeningCli, SnapshotLoadListsTheFiguresOfEachRecord) {
  const std::string group = File("group.stn");
  ASSERT_EQ(RunCli("snapshot download --seed 7 --stocks 40 --save " + group).exitCode, 0);
  const auto listed = RunCli("snapshot load " + group);
  ASSERT_EQ(listed.exitCode, 0) << listed.output;
  testing::RecordingScope ui;
  StocGate gate;
  const std::unique_ptr<NowGate> records = gate.LoadNowGroup(group.c_str(), 0);
  ASSERT_NE(records, nullptr);
  std::istringstream lines(listed.output);
  std::string line;
  for (int heading = 0; heading < 4; ++heading) std::getline(lines, line);
  int rows = 0;
  for (const NowInfo* record = records->First(); record != nullptr; record = record->next, ++rows) {
    ASSERT_TRUE(std::getline(lines, line));
    const PriceBar& bar = record->price.bar;
    char figures[96];
    std::snprintf(figures, sizeof figures, "  %s  %s%s  %+.2f%%  %s", FormatNumber(int64_t{bar.close}).c_str(),
                  bar.change > 0 ? "+" : "", FormatNumber(int64_t{bar.change}).c_str(), static_cast<double>(bar.rate),
                  FormatNumber(int64_t{bar.volume}).c_str());
    EXPECT_EQ(line.rfind(record->key.code, 0), 0u) << line;
    EXPECT_TRUE(line.ends_with(figures)) << line << " / " << figures;
  }
  EXPECT_EQ(rows, 40);
  EXPECT_FALSE(std::getline(lines, line)) << line;

  // Counts out of their range are told with the range.
  const std::pair<std::string, std::string> refused[] = {
      {"patterns --seed 7 --stocks 40 --rising-days 26", "--rising-days 의 값 26 은(는) 0 부터 25 사이여야 합니다."},
      {"patterns --seed 7 --stocks 40 --show -1", "--show 의 값 -1 은(는) 0 부터 2147483647 사이여야 합니다."},
      {"snapshot download --stocks -1", "--stocks 의 값 -1 은(는) 0 부터 2147483647 사이여야 합니다.\n"},
  };
  for (const auto& [arguments, message] : refused) {
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, 1) << arguments;
    EXPECT_NE(run.output.find(message), std::string::npos) << arguments << "\n" << run.output;
  }
}

TEST_F(ScreeningCli, RecordWritesOneSnapshotFileAPeriodOnTheExchangeClock) {
  const auto recorded = RunCli("snapshot record --stocks 30 --every 5 --for 10 --from 10:00");
  ASSERT_EQ(recorded.exitCode, 0) << recorded.output;
  EXPECT_NE(recorded.output.find("스냅샷: 2"), std::string::npos);
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
    const std::string name = entry.path().filename();
    EXPECT_TRUE(name.find("100500.stn") != std::string::npos || name.find("101000.stn") != std::string::npos) << name;
    EXPECT_EQ(name.rfind("_nowspot_", 0), 0u) << name;
    ++files;
  }
  EXPECT_EQ(files, 2);
}

}  // namespace
}  // namespace ostrada
