// The command-line snapshot: a file saved by `ostrada-cli snapshot download` loads back with the
// codes, names and price blocks of the same market fetched here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/now/same_records.h"
#include "tests/support/cli.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

class CliSnapshotTest : public ::testing::Test {
 protected:
  testing::RecordingScope recording;
  testing::ScratchFolder folder;
  std::string saved = folder.File("cli_snapshot.stn");
  std::string listed = folder.File("cli_snapshot.txt");
};

TEST_F(CliSnapshotTest, SavedSnapshotLoadsBackWithTheMarketsRecords) {
  const std::string command = testing::CliPath() + " snapshot download --seed 7 --stocks 230 --key 991 --save " +
                              saved + " > " + listed + " 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  sim::ExchangeOptions options;
  options.seed = 7;
  options.stocks = 230;
  sim::Exchange exchange(options);
  broker::ScopedServer server(exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  ASSERT_NE(book, nullptr);
  std::unique_ptr<NowGate> expected = gate.DownloadNowBook(*book, kNowKeyArrival);
  ASSERT_NE(expected, nullptr);

  std::unique_ptr<NowGate> loaded = gate.LoadNowGroup(saved.c_str(), kNowKeyArrival);
  ASSERT_NE(loaded, nullptr);
  ASSERT_NO_FATAL_FAILURE(testing::AssertSameRecords(*loaded, *expected));
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(CliSnapshotTest, ARefusedOrderKeyFailsTheCommand) {
  for (const std::string& arguments :
       {"snapshot download --stocks 20 --key 12 --save " + saved, "snapshot load --key 12 " + saved}) {
    const testing::CliRun run = testing::RunCli(arguments);
    EXPECT_EQ(run.exitCode, 1) << arguments;
    EXPECT_NE(run.output.find("--key 의 값이 맞지 않습니다: 정렬 키가 정확하지 않습니다. 1, 2, 11, 901, 902, 903, 911, 938, 991 중 하나로 "
                              "지정하십시오: 12"),
              std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("종목 수:"), std::string::npos) << run.output;
  }
  EXPECT_TRUE(testing::ReadBytes(saved).empty());  // nothing was saved
}

TEST_F(CliSnapshotTest, ARecordingShorterThanOnePeriodIsRefusedWithItsReason) {
  testing::ScopedEnv dataDir("OSTRADA_DATA_DIR", folder.Path().c_str());
  const testing::CliRun refused = testing::RunCli("snapshot record --stocks 20 --every 7 --for 5");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.output.find("--for 5 분은 한 주기(--every 7 분)보다 짧아 스냅샷을 하나도 찍지 못합니다."),
            std::string::npos)
      << refused.output;
  EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
  // Exactly one period takes one snapshot.
  const testing::CliRun one = testing::RunCli("snapshot record --stocks 20 --every 7 --for 7 --from 10:00");
  ASSERT_EQ(one.exitCode, 0) << one.output;
  EXPECT_NE(one.output.find("스냅샷: 1\n"), std::string::npos) << one.output;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

}  // namespace
}  // namespace ostrada
