// ostrada-cli codes: a book downloaded and saved by one run is read back by another with the same
// summary; every failure is a plain message and exit 1, with nothing written in place of the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/listing.h"
#include "tests/support/cli.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using testing::ReadBytes;
using testing::RunCli;
using testing::WriteBytes;

class CodesCli : public ::testing::Test {
 protected:
  testing::ScratchFolder folder;
  std::string book = folder.File("book.inf");
  std::string text = folder.File("book.txt");
};

TEST_F(CodesCli, ASavedBookLoadsBackWithTheSameCounters) {
  const auto downloaded = RunCli("codes download --seed 11 --stocks 300 --save " + book + " --text " + text);
  ASSERT_EQ(downloaded.exitCode, 0) << downloaded.output;
  EXPECT_NE(downloaded.output.find("stocks: "), std::string::npos);

  const auto loaded = RunCli("codes load " + book);
  ASSERT_EQ(loaded.exitCode, 0) << loaded.output;
  EXPECT_EQ(loaded.output, downloaded.output);

  // One CP949 line per stock: code(name).
  const std::string lines = Cp949ToUtf8(ReadBytes(text));
  const size_t first = lines.find("\r\n");
  ASSERT_NE(first, std::string::npos);
  EXPECT_EQ(lines.substr(0, 1), "A");
  EXPECT_EQ(lines.substr(first - 1, 1), ")");
}

// The summary's counters against the listing the exchange serves: the third market is left out
// unless kept, and a kept book drops it on load when asked.
TEST_F(CodesCli, TheSummaryCountsTheListingAndMarketThreeIsDroppedUnlessKept) {
  const sim::Listing listing = sim::Listing::Build(11, 300);
  auto expected = [&listing](bool keepThird) {
    int stocks = 0, m1 = 0, m2 = 0, m34 = 0, class1 = 0, class4 = 0, class5 = 0, preferred = 0, class2[4] = {};
    for (const sim::ListedStock& stock : listing.All()) {
      if (stock.market == '3' && !keepThird) continue;
      ++stocks;
      m1 += stock.market == '1';
      m2 += stock.market == '2';
      m34 += stock.market == '3' || stock.market == '4';
      class1 += stock.class1 >= '1' && stock.class1 <= '4';
      class4 += stock.class4 == '1';
      class5 += stock.class5 == '1';
      preferred += stock.IsPreferred();
      ++class2[stock.class2 - '0'];
    }
    char summary[512];
    std::snprintf(summary, sizeof summary,
                  "stocks: %d\nmarket 1: %d\nmarket 2: %d\nmarket 3/4: %d\nclass1 1-4: %d\nclass4 1: %d\n"
                  "class5 1: %d\nclass2 1/2/3: %d/%d/%d\npreferred: %d\n",
                  stocks, m1, m2, m34, class1, class4, class5, class2[1], class2[2], class2[3], preferred);
    return std::string(summary);
  };
  ASSERT_NE(expected(true), expected(false)) << "the listing has no stock of the third market to drop";
  const auto dropped = RunCli("codes download --seed 11 --stocks 300");
  const auto kept = RunCli("codes download --seed 11 --stocks 300 --keep-market3 --save " + book);
  ASSERT_EQ(dropped.exitCode, 0) << dropped.output;
  ASSERT_EQ(kept.exitCode, 0) << kept.output;
  EXPECT_EQ(dropped.output, expected(false));
  EXPECT_EQ(kept.output, expected(true));
  const auto reloaded = RunCli("codes load --drop-market3 " + book);
  ASSERT_EQ(reloaded.exitCode, 0) << reloaded.output;
  EXPECT_EQ(reloaded.output, expected(false));
}

TEST_F(CodesCli, CodesOnlyTextHasNoNames) {
  ASSERT_EQ(RunCli("codes download --stocks 40 --codes-only --text " + text).exitCode, 0);
  const std::string lines = ReadBytes(text);
  EXPECT_EQ(lines.find('('), std::string::npos);
  EXPECT_EQ(lines.substr(0, 1), "A");
}

TEST_F(CodesCli, AMissingOrDamagedFileIsAPlainFailure) {
  const auto missing = RunCli("codes load " + book);
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.output.find("could not load the code book"), std::string::npos) << missing.output;

  ASSERT_EQ(RunCli("codes download --stocks 40 --save " + book).exitCode, 0);
  std::string bytes = ReadBytes(book);
  bytes[64] ^= 0x01;  // the kind number
  WriteBytes(book, bytes);
  const auto damaged = RunCli("codes load " + book);
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_NE(damaged.output.find("basesrc/codeinfo"), std::string::npos) << damaged.output;
}

// A code is taken as the program's stock boxes take it: its six digits alone, or its letter in either case.
TEST_F(CodesCli, EveryCommandTakesACodeWithoutItsLetter) {
  const std::string code = sim::Listing::Build(7, 40).All().front().code;
  ASSERT_EQ(code.size(), 7u);
  const std::string digits = code.substr(1);
  const std::string lower = "a" + digits;
  const std::string tape = folder.File("tape.stc");
  const char* const commands[] = {"price %s --seed 7 --stocks 40", "market %s --contracts 2 --seed 7 --stocks 40",
                                  "history %s --count 3 --seed 7 --stocks 40",
                                  "history contracts %s --seed 7 --stocks 40 --at 09:10:00 --save %s"};
  for (const char* command : commands) {
    auto run = [command, &tape](const std::string& typed) {
      char line[512];
      std::snprintf(line, sizeof line, command, typed.c_str(), tape.c_str());
      return RunCli(line);
    };
    const auto lettered = run(code);
    ASSERT_EQ(lettered.exitCode, 0) << command << lettered.output;
    EXPECT_NE(lettered.output.find(code), std::string::npos) << lettered.output;
    for (const std::string& typed : {digits, lower}) {
      const auto other = run(typed);
      EXPECT_EQ(other.exitCode, 0) << command << " " << typed << other.output;
      EXPECT_EQ(other.output, lettered.output) << command << " " << typed;
    }
  }
}

TEST_F(CodesCli, ABadCommandLineExitsOne) {
  EXPECT_EQ(RunCli("codes load --sort sideways " + book).exitCode, 1);
  EXPECT_EQ(RunCli("no-such-command").exitCode, 1);
  EXPECT_EQ(RunCli("--help").exitCode, 0);
}

}  // namespace
}  // namespace ostrada
