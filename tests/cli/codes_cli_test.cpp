// ostrada-cli codes: a book downloaded and saved by one run is read back by another with the same
// summary; every failure is a plain message and exit 1, with nothing written in place of the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "basesrc/foundation/cp949.h"
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

TEST_F(CodesCli, ABadCommandLineExitsOne) {
  EXPECT_EQ(RunCli("codes load --sort sideways " + book).exitCode, 1);
  EXPECT_EQ(RunCli("no-such-command").exitCode, 1);
  EXPECT_EQ(RunCli("--help").exitCode, 0);
}

}  // namespace
}  // namespace ostrada
