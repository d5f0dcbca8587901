// The README's tour of ostrada-cli runs as written: every command of its script block, in its order,
// on a fresh data folder, with codes that the default listing holds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "broker/sim/exchange.h"
#include "broker/sim/market/listing.h"
#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

// The "ostrada-cli …" lines of the README's shell blocks, without the command's name and comments.
std::vector<std::string> TourCommands() {
  std::ifstream readme(OSTRADA_README);
  std::vector<std::string> commands;
  bool inShell = false;
  const std::string program = "ostrada-cli ";
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("```", 0) == 0) {
      inShell = line == "```sh";
      continue;
    }
    if (!inShell || line.rfind(program, 0) != 0) continue;
    std::string command = line.substr(program.size(), line.find('#') - program.size());
    command.erase(command.find_last_not_of(' ') + 1);
    commands.push_back(command);
  }
  return commands;
}

TEST(ReadmeTour, EveryCommandRunsAsWrittenWithCodesThatAreListed) {
  const std::vector<std::string> commands = TourCommands();
  ASSERT_GE(commands.size(), 5u) << OSTRADA_README;
  const sim::Listing listing = sim::Listing::Build(sim::ExchangeOptions{}.seed, 0);
  const std::regex codePattern("A[0-9]{6}");
  const testing::ScratchFolder scratch;
  const std::string folder = scratch.Path() + "/";
  const testing::ScopedEnv dataFolder("OSTRADA_DATA_DIR", folder.c_str());
  for (const std::string& command : commands) {
    for (auto code = std::sregex_iterator(command.begin(), command.end(), codePattern); code != std::sregex_iterator();
         ++code) {
      EXPECT_NE(listing.Find(code->str()), nullptr) << code->str() << " in: " << command;
    }
    // Run from the data folder, so that the files a command names land where its reader would look.
    const testing::CliRun run = testing::RunCli(command, folder);
    EXPECT_EQ(run.exitCode, 0) << command << "\n" << run.output;
  }
  // The files that the tour names were written.
  EXPECT_TRUE(std::filesystem::exists(folder + "chart.svg"));
  EXPECT_TRUE(std::filesystem::exists(folder + "now.txt"));
}

}  // namespace
}  // namespace ostrada
