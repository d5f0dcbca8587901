#include "basesrc/foundation/files.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "tests/support/file_bytes.h"
#include "tests/support/file_size_limit.h"

#include "tests/support/scratch_folder.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class FilesTest : public ::testing::Test {
 protected:
  size_t Reports() const {
    size_t reports = 0;
    for (const auto& message : recording.sink.messages) {
      if (message.Utf8().find("] - basesrc/foundation 에서") != std::string::npos) ++reports;
    }
    return reports;
  }
  testing::RecordingScope recording;
  testing::ScratchFolder folder;
};

TEST_F(FilesTest, WriteSeekAndReadBack) {
  const std::string path = folder.File("tape.bin");
  {
    FileCloser file(FileCreate(path.c_str(), 0));
    ASSERT_NE(file.get(), kInvalidHandle);
    EXPECT_EQ(FileWrite(file.get(), "0123456789", 10), 10);
    EXPECT_EQ(FileSeek(file.get(), 0, kSeekCur), 10);
    EXPECT_EQ(FileSeek(file.get(), 2, kSeekSet), 2);
    EXPECT_EQ(FileWrite(file.get(), "ab", 2), 2);
    EXPECT_EQ(FileSeek(file.get(), 0, kSeekCur), 4);
    EXPECT_EQ(FileSeek(file.get(), 0, kSeekEnd), 10);
  }
  FileCloser file(FileOpen(path.c_str(), 0));
  ASSERT_NE(file.get(), kInvalidHandle);
  char buffer[16] = {};
  EXPECT_EQ(FileSeek(file.get(), -4, kSeekEnd), 6);
  EXPECT_EQ(FileRead(file.get(), buffer, 16), 4);
  EXPECT_STREQ(buffer, "6789");
  EXPECT_EQ(FileSeek(file.get(), 0, kSeekSet), 0);
  EXPECT_EQ(FileRead(file.get(), buffer, 6), 6);
  EXPECT_EQ(std::memcmp(buffer, "01ab45", 6), 0);
  EXPECT_EQ(FileRead(file.get(), buffer, 0), 0);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(FilesTest, CreateTruncatesAnExistingFile) {
  const std::string path = folder.File("list.txt");
  {
    FileCloser file(FileCreate(path.c_str(), 0));
    ASSERT_EQ(FileWrite(file.get(), "long content", 12), 12);
  }
  {
    FileCloser file(FileCreate(path.c_str(), 0));
    ASSERT_EQ(FileWrite(file.get(), "x", 1), 1);
  }
  FileCloser file(FileOpen(path.c_str(), 0));
  EXPECT_EQ(FileSeek(file.get(), 0, kSeekEnd), 1);
}

TEST_F(FilesTest, AReplacementCutShortByAFullDiskLeavesThePreviousFile) {
  const std::string path = folder.File("series.std");
  testing::WriteBytes(path, "the previous file");
  ::chmod(path.c_str(), 0640);
  {
    testing::ScopedFileSizeLimit fullAt(8);
    ReplacingFile file(path.c_str());
    ASSERT_NE(file.get(), kInvalidHandle);
    EXPECT_NE(FileWrite(file.get(), "a longer replacement", 20), 20);
    EXPECT_EQ(ReplaceFileWith(path.c_str(), "another longer replacement"), 0);
  }  // not committed
  EXPECT_EQ(testing::ReadBytes(path), "the previous file");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "no new bytes left behind";

  // Committed through a symbolic link: the target takes the bytes and keeps its permissions, the link stays.
  const std::string link = folder.File("link.std");
  std::filesystem::create_symlink(path, link);
  {
    ReplacingFile file(link.c_str());
    ASSERT_EQ(FileWrite(file.get(), "new", 3), 3);
    EXPECT_EQ(file.Commit(), 1);
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadBytes(path), "new");
  EXPECT_EQ(std::filesystem::status(path).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 2);
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(FilesTest, ReadOnlyHandleRefusesWrites) {
  const std::string path = folder.File("ro.bin");
  { FileCloser created(FileCreate(path.c_str(), 0)); }
  FileCloser file(FileOpen(path.c_str(), 0));
  EXPECT_EQ(FileWrite(file.get(), "x", 1), -1);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(FilesTest, OpenOfMissingFileFailsQuietly) {
  EXPECT_EQ(FileOpen(folder.File("absent").c_str(), 0), kInvalidHandle);
  EXPECT_EQ(FileCreate(folder.File("no/such/folder").c_str(), 0), kInvalidHandle);
  EXPECT_TRUE(recording.sink.messages.empty());
}

// A save into a folder that is not there is told to the user, with the file and what to do; no check fails.
TEST_F(FilesTest, AReplacementThatCannotBeMadeIsToldOnce) {
  const std::string path = folder.File("no/such/folder/x.txt");
  {
    ReplacingFile file(path.c_str());
    EXPECT_EQ(file.get(), kInvalidHandle);
  }
  EXPECT_EQ(ReplaceFileWith(path.c_str(), "bytes"), 0);
  const std::string told =
      "파일을 만들 수 없습니다: " + path + "\n폴더가 있는지, 그 폴더에 쓸 수 있는지 확인한 뒤 다시 하십시오.";
  EXPECT_EQ(recording.sink.Texts(), (std::vector<std::string>{told, told}));
  EXPECT_EQ(Reports(), 0u);
}

TEST_F(FilesTest, ExistsOnlyForReadableFiles) {
  const std::string path = folder.File("here.txt");
  EXPECT_EQ(FileExists(path.c_str()), 0);
  { FileCloser file(FileCreate(path.c_str(), 0)); }
  EXPECT_EQ(FileExists(path.c_str()), 1);
  EXPECT_EQ(FileExists(folder.Path().c_str()), 0);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(FilesTest, MissingArgumentsAndInvalidHandleAreReportedAndFail) {
  char buffer[4];
  EXPECT_EQ(FileOpen(nullptr, 0), kInvalidHandle);
  EXPECT_EQ(FileCreate(nullptr, 0), kInvalidHandle);
  EXPECT_EQ(FileExists(nullptr), 0);
  EXPECT_EQ(FileRead(kInvalidHandle, buffer, 4), -1);
  EXPECT_EQ(FileWrite(kInvalidHandle, buffer, 4), -1);
  EXPECT_EQ(FileSeek(kInvalidHandle, 0, kSeekCur), -1);
  FileClose(kInvalidHandle);
  EXPECT_EQ(Reports(), 7u);

  recording.sink.Clear();
  FileCloser file(FileCreate(folder.File("f").c_str(), 0));
  EXPECT_EQ(FileRead(file.get(), nullptr, 4), -1);
  EXPECT_EQ(FileWrite(file.get(), nullptr, 4), -1);
  EXPECT_EQ(FileWrite(file.get(), buffer, -1), -1);
  EXPECT_EQ(Reports(), 3u);
  EXPECT_EQ(FileSeek(file.get(), 0, kSeekEnd), 0);
}

}  // namespace
}  // namespace ostrada
