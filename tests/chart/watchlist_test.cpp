// The watchlist file: an interest-group text read back code by code, written in the same format,
// and a failed save that leaves the previous list whole.
#include "basesrc/watchlist.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "basesrc/foundation/cp949.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

TEST(Watchlist, AScreensReportReadsAsOneListInItsOrder) {
  // Two groups of a report, a stock in both, a line without a code, LF and CR LF endings mixed.
  const std::string report =
      "//패턴 보고\r\n[상승-1400]\r\nA000020(동화약품)\r\nA005930(삼성전자)\r\n\r\n[눌림목]\n"
      "A005930(삼성전자)\n(이름만)\n  A000660(SK하이닉스) \nU001\n\r\n";
  const std::vector<WatchEntry> entries = ParseInterestText(report);
  const std::vector<WatchEntry> expected = {
      {"A000020", "동화약품"}, {"A005930", "삼성전자"}, {"A000660", "SK하이닉스"}, {"U001", ""}};
  EXPECT_EQ(entries, expected);
}

TEST(Watchlist, WrittenAsAnInterestGroupAndReadBack) {
  const std::vector<WatchEntry> entries = {{"A000020", "a"}, {"A000030", "b"}};
  EXPECT_EQ(InterestText(entries, "W"), "//W\r\n[W]\r\nA000020(a)\r\nA000030(b)\r\n\r\n");
  EXPECT_EQ(InterestText({}, "W"), "//W\r\n[W]\r\n\r\n");

  testing::ScratchFolder folder;
  testing::RecordingScope recording;
  const std::string path = folder.File("watch.txt");
  std::vector<WatchEntry> read = {{"keep", "me"}};
  EXPECT_EQ(LoadWatchlist(path, &read), 0);  // no file yet: nothing changes
  EXPECT_EQ(read.size(), 1u);
  ASSERT_EQ(SaveWatchlist(path, entries, "W"), 1);
  EXPECT_EQ(testing::ReadBytes(path), InterestText(entries, "W"));
  ASSERT_EQ(LoadWatchlist(path, &read), 1);
  EXPECT_EQ(read, entries);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST(Watchlist, AFailedSaveIsToldAndKeepsThePreviousList) {
  testing::ScratchFolder folder;
  testing::RecordingScope recording;
  const std::string path = folder.File("watch.txt");
  ASSERT_EQ(SaveWatchlist(path, {{"A000020", "a"}}, "W"), 1);
  const std::string before = testing::ReadBytes(path);
  {
    // The disk fills before the longer list is written whole.
    testing::ScopedFileSizeLimit full(before.size() + 4);
    EXPECT_EQ(SaveWatchlist(path, {{"A000030", "b"}, {"A000040", "c"}}, "W"), 0);
  }
  ASSERT_FALSE(recording.sink.messages.empty());
  EXPECT_EQ(recording.sink.Texts().back(), "관심종목 파일을 저장하지 못했습니다: " + path);
  EXPECT_EQ(testing::ReadBytes(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1) << "no new file left beside it";
  recording.sink.messages.clear();

  // A folder where the file should be cannot be read: told, and the entries stay.
  std::filesystem::create_directory(folder.File("folder.txt"));
  std::vector<WatchEntry> read = {{"keep", "me"}};
  EXPECT_EQ(LoadWatchlist(folder.File("folder.txt"), &read), -1);
  EXPECT_EQ(read.size(), 1u);
  EXPECT_EQ(recording.sink.messages.size(), 1u);
}

// A file of another kind saved under the watchlist's name is refused as it is, with what to do, and
// never read as a list of garbage codes.
TEST(Watchlist, AFileThatIsNoTextIsRefusedAndKept) {
  testing::ScratchFolder folder;
  testing::RecordingScope recording;
  const std::string path = folder.File("watch.txt");
  const std::string cases[] = {std::string("A000020(a)\r\n\0\x01\x02", 15), "PK\x03\x04" "A000020\n",
                               "A000020(a)\x7F\r\n"};
  for (const std::string& bytes : cases) {
    testing::WriteBytes(path, bytes);
    std::vector<WatchEntry> read = {{"keep", "me"}};
    EXPECT_EQ(LoadWatchlist(path, &read), -1);
    EXPECT_EQ(read, (std::vector<WatchEntry>{{"keep", "me"}}));
    EXPECT_EQ(testing::ReadBytes(path), bytes);
  }
  EXPECT_EQ(recording.sink.Texts(),
            std::vector<std::string>(3, "관심종목 파일이 글로 된 목록이 아니어서 읽지 않았습니다. 파일은 그대로 두었으니 "
                                        "고치거나 다른 곳으로 옮긴 뒤 다시 시작하십시오: " + path));
  // Tabs and both line ends are text.
  testing::WriteBytes(path, "//W\r\n[W]\nA000020(a)\t\r\n");
  std::vector<WatchEntry> read;
  EXPECT_EQ(LoadWatchlist(path, &read), 1);
  EXPECT_EQ(read, (std::vector<WatchEntry>{{"A000020", "a"}}));
}

// A watchlist kept behind a link, with permissions of its own, stays so through a save.
TEST(Watchlist, ASaveKeepsALinkAndThePermissions) {
  testing::ScratchFolder folder;
  testing::RecordingScope recording;
  const std::string target = folder.File("kept.txt");
  const std::string link = folder.File("watch.txt");
  testing::WriteBytes(target, "//W\r\n[W]\r\n\r\n");
  std::filesystem::permissions(target, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::create_symlink(target, link);
  ASSERT_EQ(SaveWatchlist(link, {{"A000020", "a"}}, "W"), 1);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(testing::ReadBytes(target), InterestText({{"A000020", "a"}}, "W"));
  EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST(Watchlist, TheUnlistedStocksAreNamedWithTheFile) {
  EXPECT_EQ(Cp949ToUtf8(UnlistedText({{"A999999", "gone"}, {"U001", ""}}, "/d/watch.txt")),
            "관심종목 파일(/d/watch.txt)의 다음 종목은 종목 목록에 없어 보이지 않습니다. 파일에는 그대로 남겨 둡니다: "
            "A999999(gone) U001");
}

}  // namespace
}  // namespace ostrada
