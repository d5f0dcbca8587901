// ostrada-cli codes: a book downloaded and saved by one run is read back by another with the same
// summary; every failure is a plain message and exit 1, with nothing written in place of the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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
  EXPECT_NE(downloaded.output.find("종목 수: "), std::string::npos);

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
                  "종목 수: %d\n시장구분 1: %d\n시장구분 2: %d\n시장구분 3/4: %d\n구분1 1-4: %d\n구분4 1: %d\n"
                  "구분5 1: %d\n구분2 1/2/3: %d/%d/%d\n우선주: %d\n",
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

TEST_F(CodesCli, ADamagedCodeBookIsToldAsTheFilesFault) {
  ASSERT_EQ(RunCli("codes download --stocks 40 --save " + book).exitCode, 0);
  std::string bytes = ReadBytes(book);
  bytes[64] ^= 0x01;  // the kind number
  WriteBytes(book, bytes);
  const auto damaged = RunCli("codes load " + book);
  EXPECT_EQ(damaged.exitCode, 1);
  EXPECT_EQ(damaged.output, "ostrada: 파일을 읽을 수 없습니다: " + book +
                                "\n손상되었거나 다른 종류의 파일입니다. 올바른 파일을 주거나 파일을 다시 만든 뒤 다시 하십시오.\n");
}

// A file the user names in a folder that is not there is the user's to mend: told with the file and
// what to do, never as a failed internal check.
TEST_F(CodesCli, AFileThatCannotBeMadeIsToldWithWhatToDo) {
  const std::string missing = folder.File("no-such-folder/x.txt");
  for (const std::string& command : {"snapshot download --seed 7 --stocks 40 --text " + missing,
                                     "codes download --seed 7 --stocks 40 --save " + missing}) {
    const auto run = RunCli(command);
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_NE(run.output.find("파일을 만들 수 없습니다: " + missing), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("폴더가 있는지, 그 폴더에 쓸 수 있는지 확인한 뒤 다시 하십시오."), std::string::npos);
    EXPECT_EQ(run.output.find("확인:"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(" 에서"), std::string::npos) << run.output;
  }
}

// A file the user names to read that is not there, or that holds no such file, is told the same way,
// once, whichever command reads it.
TEST_F(CodesCli, AFileThatCannotBeReadIsToldOnceWithWhatToDo) {
  const std::string missing = folder.File("no-such-file.bin");
  const std::string damaged = folder.File("notes.bin");
  WriteBytes(damaged, std::string(300, 'x'));
  std::vector<std::pair<std::string, std::string>> runs = {{"patterns --predata ", damaged},
                                                             {"account --ledger ", missing}};
  for (const char* command : {"codes load ", "history load ", "snapshot load ", "predata load ", "pack load "}) {
    runs.insert(runs.end(), {{command, missing}, {command, damaged}});
  }
  for (const auto& [command, file] : runs) {
    const auto run = RunCli(command + file);
    const std::string said = file == missing ? "파일을 열 수 없습니다: " : "파일을 읽을 수 없습니다: ";
    EXPECT_EQ(run.exitCode, 1) << command;
    EXPECT_EQ(run.output.find("ostrada: " + said + file + "\n"), 0u) << command << run.output;
    EXPECT_EQ(run.output.find("다시 하십시오."), run.output.rfind("다시 하십시오.")) << command << run.output;
  }
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

// A bad command line exits 1 and is told in Korean, CLI11's own refusals and help headings included.
TEST_F(CodesCli, ABadCommandLineExitsOneAndIsToldInKorean) {
  const std::pair<std::string, std::string> refused[] = {
      {"codes load --sort sideways " + book, "--sort 의 값이 맞지 않습니다"},
      {"no-such-command", "알 수 없는 명령입니다: no-such-command"},
      {"codes nonsense", "알 수 없는 명령입니다: nonsense"},
      {"price A001340 extra", "알 수 없는 인자입니다: extra"},
      {"scan --every 1 --interval 1 --threshold 1", "--checks 을(를) 주어야 합니다."},
      {"", "명령을 하나 주어야 합니다."},
      {"codes download --stocks -1", "--stocks 의 값 -1 은(는) 0 부터 2147483647 사이여야 합니다."},
      {"price", "CODE 을(를) 주어야 합니다."},
  };
  for (const auto& [arguments, said] : refused) {
    const auto run = RunCli(arguments);
    EXPECT_EQ(run.exitCode, 1) << arguments;
    EXPECT_NE(run.output.find("ostrada-cli: " + said), std::string::npos) << arguments << "\n" << run.output;
    EXPECT_NE(run.output.find("쓰는 법은 --help 로 보십시오."), std::string::npos) << run.output;
  }
  for (const char* help : {"--help", "history --help", "snapshot download --help"}) {
    const auto run = RunCli(help);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.output.find("사용법:"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("이 도움말을 보이고 끝냅니다"), std::string::npos) << run.output;
    for (const char* english : {"Usage", "Options:", "Subcommands:", "Positionals:", "Print this help"})
      EXPECT_EQ(run.output.find(english), std::string::npos) << help << ": " << english << "\n" << run.output;
  }
}

// Without --seed the data commands look at the paper account's market: they read its ledger, and
// refuse with its reason when it cannot be read; with --seed the ledger is not asked.
TEST_F(CodesCli, DataCommandsLookAtTheAccountsMarketUnlessASeedIsGiven) {
  testing::WriteBytes(folder.File("paper.sqlite"), std::string(4096, 'x'));
  const testing::ScopedEnv dataFolder("OSTRADA_DATA_DIR", (folder.Path() + "/").c_str());
  const std::string code = sim::Listing::Build(7, 40).All().front().code;
  const std::string commands[] = {"scan --stocks 40 --checks 2 --every 10 --interval 1 --threshold 1",
                                  "price " + code + " --stocks 40"};
  for (const std::string& command : commands) {
    EXPECT_EQ(RunCli(command).exitCode, 1) << command;
    const auto seeded = RunCli(command + " --seed 7");
    EXPECT_EQ(seeded.exitCode, 0) << command << seeded.output;
  }
}

// price looks at any moment of the day, as the other data commands do.
TEST_F(CodesCli, PriceTakesAMomentOfTheDay) {
  const std::string code = sim::Listing::Build(7, 40).All().front().code;
  const std::string market = " --seed 7 --stocks 40 --date 20261208";
  const auto opening = RunCli("price " + code + market);
  const auto later = RunCli("price " + code + market + " --at 10:30:00");
  const auto book = RunCli("market " + code + market + " --at 10:30:00");
  ASSERT_EQ(later.exitCode, 0) << later.output;
  ASSERT_EQ(book.exitCode, 0) << book.output;
  EXPECT_NE(opening.output.find("시각: 900\n"), std::string::npos) << opening.output;
  // The quote time is the last contract's, as the market view of the same moment shows it.
  const std::string first = book.output.substr(0, book.output.find('\n'));
  const std::string marketTime = first.substr(first.rfind(' ') + 1);
  EXPECT_NE(later.output.find("시각: " + std::to_string(std::stoi(marketTime)) + "\n"), std::string::npos)
      << later.output << book.output;
}

}  // namespace
}  // namespace ostrada
