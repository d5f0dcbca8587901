// The watchlist file: an interest-group text read back code by code, written in the same format,
// and a failed save that leaves the previous list whole.
#include "basesrc/watchlist.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scratch_folder.h"
#include "tests/support/file_bytes.h"
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
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
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
  // The new list cannot be written beside the file: a folder stands where it would go.
  std::filesystem::create_directory(path + ".new");
  EXPECT_EQ(SaveWatchlist(path, {{"A000030", "b"}}, "W"), 0);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.Texts()[0], "관심종목 파일을 저장하지 못했습니다: " + path);
  EXPECT_EQ(testing::ReadBytes(path), before);
  EXPECT_TRUE(std::filesystem::is_directory(path + ".new"));  // what stood there is left alone

  // A folder where the file should be cannot be read: told, and the entries stay.
  std::filesystem::create_directory(folder.File("folder.txt"));
  std::vector<WatchEntry> read = {{"keep", "me"}};
  EXPECT_EQ(LoadWatchlist(folder.File("folder.txt"), &read), -1);
  EXPECT_EQ(read.size(), 1u);
  EXPECT_EQ(recording.sink.messages.size(), 2u);
}

}  // namespace
}  // namespace ostrada
