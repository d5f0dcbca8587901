// The views (account, market) read the paper ledger and never write it: they work on a read-only
// file and folder, on a full disk and beside a process that writes; a process that holds the file
// whole is told after a short wait, and a file of no bytes is refused, never made a new account.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "broker/sim/exchange.h"
#include "broker/sim/paper/sqlite_db.h"
#include "tests/support/cli.h"
#include "tests/support/common_share.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::RunCli;

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

enum class Fault { kReadOnly, kDiskFull, kHeldWhole, kEmptyFile };

struct ViewCase {
  const char* name;
  Fault fault;
  bool shown;            // the views answer (else they refuse with `message` and exit non-zero)
  const char* message;
};

class ViewsCli : public ::testing::TestWithParam<ViewCase> {
 protected:
  void SetUp() override {
    // The account's own market, which the views show without --seed.
    code = testing::FirstCommonShare(sim::ExchangeOptions{}.seed, 40);
    const auto bought = RunCli("order buy " + code + " 10 --market --stocks 40 --date 20261208 --at 10:00:00");
    ASSERT_EQ(bought.exitCode, 0) << bought.output;
  }
  testing::ScratchFolder scratch;
  std::string ledger = scratch.File("paper.sqlite");
  testing::ScopedEnv dataFolder{"OSTRADA_DATA_DIR", (scratch.Path() + "/").c_str()};
  std::string code;
};

TEST_P(ViewsCli, ReadTheLedgerAndNeverWriteIt) {
  namespace fs = std::filesystem;
  const ViewCase& c = GetParam();
  std::string shell, prefix;
  std::unique_ptr<sim::SqliteDb> holder;
  switch (c.fault) {
    case Fault::kReadOnly:
      fs::permissions(ledger, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      fs::permissions(scratch.Path(), fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
      // Permissions do not stop the superuser: the views then run as nobody.
      if (::geteuid() == 0) {
        if (!fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "running as root without setpriv";
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
      }
      break;
    case Fault::kDiskFull:
      // No file may grow by a byte; the signal is ignored so that writes fail as on a full disk.
      shell = "trap '' XFSZ; ulimit -f 0; ";
      break;
    case Fault::kHeldWhole:
      break;
    case Fault::kEmptyFile:
      fs::resize_file(ledger, 0);
      fs::last_write_time(ledger, fs::file_time_type::clock::now() - std::chrono::hours(1));
      break;
  }
  const std::string before = Bytes(ledger);
  // Taken after reading the bytes: closing any descriptor of the file drops this process's locks on it.
  if (c.fault == Fault::kHeldWhole) {
    holder = std::make_unique<sim::SqliteDb>(ledger, false);
    holder->Execute("PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE; UPDATE accounts SET cash = cash");
  }
  // The account's own market (no --seed): the data command reads the ledger too.
  const auto account = RunCli("account --json --stocks 40", {}, shell, prefix);
  const auto market = RunCli("market --stocks 40 " + code, {}, shell, prefix);
  holder.reset();
  fs::permissions(scratch.Path(), fs::perms::owner_all, fs::perm_options::add);
  EXPECT_EQ(Bytes(ledger), before) << "a view writes nothing";
  if (c.shown) {
    EXPECT_EQ(account.exitCode, 0) << account.output;
    // 10 shares bought: the cash is what the fill took, read back from the ledger.
    EXPECT_NE(account.output.find("\"quantity\":10,"), std::string::npos) << account.output;
    EXPECT_EQ(market.exitCode, 0) << market.output;
    EXPECT_NE(market.output.find(code), std::string::npos) << market.output;
  } else {
    EXPECT_NE(account.exitCode, 0);
    EXPECT_NE(account.output.find(c.message), std::string::npos) << account.output;
    EXPECT_NE(market.exitCode, 0);
    EXPECT_NE(market.output.find(c.message), std::string::npos) << market.output;
  }
  if (c.fault == Fault::kEmptyFile) {
    // Trading on it is refused alike: the file is never made a new account.
    const auto order = RunCli("order buy " + code + " 1 --market --stocks 40");
    EXPECT_NE(order.exitCode, 0);
    EXPECT_NE(order.output.find(c.message), std::string::npos) << order.output;
    EXPECT_EQ(fs::file_size(ledger), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ViewsCli,
    ::testing::Values(ViewCase{"ReadOnlyFileAndFolder", Fault::kReadOnly, true, ""},
                      ViewCase{"FullDisk", Fault::kDiskFull, true, ""},
                      ViewCase{"HeldWholeByAnother", Fault::kHeldWhole, false, "다른 프로그램이 원장을 쓰고 있습니다"},
                      ViewCase{"EmptyFile", Fault::kEmptyFile, false, "모의투자 원장 파일이 손상되었거나"}),
    [](const ::testing::TestParamInfo<ViewCase>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ostrada
