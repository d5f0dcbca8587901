#include "basesrc/foundation/datafolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scratch_folder.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class DataFolderTest : public ::testing::Test {
 protected:
  ~DataFolderTest() override { SetProgramPath(""); }
  void ExpectLogicError() {
    ASSERT_EQ(recording.sink.messages.size(), 2u);
    EXPECT_NE(recording.sink.messages[0].Utf8().find("] - basesrc/foundation 에서"), std::string::npos);
    EXPECT_EQ(recording.sink.messages[1].Utf8(), "프로그램 로직 오류");
    EXPECT_EQ(recording.sink.messages[1].CaptionUtf8(), "ostrada");
  }
  testing::RecordingScope recording;
  testing::ScratchFolder scratch;
};

TEST_F(DataFolderTest, ChosenFolderWinsAndIsCreated) {
  const std::string chosen = scratch.File("data/sub");
  testing::ScopedEnv env("OSTRADA_DATA_DIR", chosen.c_str());
  EXPECT_EQ(DataFolder(), chosen + "/");
  EXPECT_TRUE(std::filesystem::is_directory(chosen));
  testing::ScopedEnv withSlash("OSTRADA_DATA_DIR", (chosen + "/").c_str());
  EXPECT_EQ(DataFolder(), chosen + "/");
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(DataFolderTest, WritableProgramFolderComesNext) {
  testing::ScopedEnv env("OSTRADA_DATA_DIR", nullptr);
  SetProgramPath(scratch.File("ostrada"));
  EXPECT_EQ(DataFolder(), scratch.Path() + "/");
  EXPECT_EQ(SettingsFileName(), scratch.Path() + "/ostrada.ini");
}

TEST_F(DataFolderTest, UnusableProgramFolderFallsBackToUserDataFolder) {
  testing::ScopedEnv env("OSTRADA_DATA_DIR", nullptr);
  SetProgramPath("/nonexistent-ostrada-folder/bin/ostrada");
  {
    testing::ScopedEnv xdg("XDG_DATA_HOME", scratch.File("xdg").c_str());
    EXPECT_EQ(DataFolder(), scratch.File("xdg/ostrada/"));
    EXPECT_TRUE(std::filesystem::is_directory(scratch.File("xdg/ostrada")));
  }
  {
    testing::ScopedEnv xdg("XDG_DATA_HOME", nullptr);
    testing::ScopedEnv home("HOME", scratch.File("home").c_str());
    EXPECT_EQ(DataFolder(), scratch.File("home/.local/share/ostrada/"));
    EXPECT_EQ(SettingsFileName(), scratch.File("home/.local/share/ostrada/ostrada.ini"));
  }
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(DataFolderTest, UncreatableChosenFolderIsALogicError) {
  const std::string blocker = scratch.File("file");
  std::FILE* file = std::fopen(blocker.c_str(), "w");
  ASSERT_NE(file, nullptr);
  std::fclose(file);
  testing::ScopedEnv env("OSTRADA_DATA_DIR", (blocker + "/data").c_str());
  EXPECT_EQ(DataFolder(), "");
  ExpectLogicError();
  recording.sink.Clear();
  EXPECT_EQ(SettingsFileName(), "");
  ExpectLogicError();
}

TEST_F(DataFolderTest, PathPartsAndTheirFailures) {
  EXPECT_EQ(FolderOfPath("/opt/ostrada/ostrada"), "/opt/ostrada/");
  EXPECT_EQ(SettingsNameOfPath("/opt/ostrada/ostrada.exe"), "ostrada.ini");
  EXPECT_EQ(SettingsNameOfPath("/opt/ostrada.d/ostrada"), "ostrada.ini");
  EXPECT_TRUE(recording.sink.messages.empty());
  EXPECT_EQ(FolderOfPath("ostrada"), "");
  ExpectLogicError();
}

TEST_F(DataFolderTest, ProgramPathWithoutFolderUsesTheRunningProgram) {
  testing::ScopedEnv env("OSTRADA_DATA_DIR", nullptr);
  SetProgramPath("ostrada");
  const std::string folder = DataFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(recording.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
