// The command-line snapshot: a file saved by `ostrada-cli snapshot download` loads back with the
// codes, names and price blocks of the same market fetched here.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

// The CLI of the same build: <build>/tools/ostrada-cli beside <build>/tests/test_now.
std::string CliPath() {
  char self[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) return {};
  std::string path(self, static_cast<size_t>(length));
  path = path.substr(0, path.rfind('/'));
  return path.substr(0, path.rfind('/')) + "/tools/ostrada-cli";
}

class CliSnapshotTest : public ::testing::Test {
 protected:
  void TearDown() override {
    std::remove(saved.c_str());
    std::remove(listed.c_str());
  }
  testing::RecordingScope recording;
  std::string saved = ::testing::TempDir() + "cli_snapshot.stn";
  std::string listed = ::testing::TempDir() + "cli_snapshot.txt";
};

TEST_F(CliSnapshotTest, SavedSnapshotLoadsBackWithTheMarketsRecords) {
  const std::string cli = CliPath();
  if (::access(cli.c_str(), X_OK) != 0) GTEST_SKIP() << "ostrada-cli is not built: " << cli;
  const std::string command =
      cli + " snapshot download --seed 7 --stocks 230 --key 991 --save " + saved + " > " + listed + " 2>&1";
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
  ASSERT_EQ(loaded->Count(), expected->Count());
  const NowInfo* want = expected->First();
  for (const NowInfo* record = loaded->First(); record != nullptr; record = record->next, want = want->next) {
    ASSERT_STREQ(record->key.code, want->key.code);
    ASSERT_STREQ(record->key.name.get(), want->key.name.get());
    ASSERT_EQ(std::memcmp(&record->price, &want->price, sizeof(NowPrice)), 0) << record->key.code;
  }
  EXPECT_TRUE(recording.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
