#include "basesrc/movepair.h"

#include <gtest/gtest.h>

#include <climits>

#include "basesrc/foundation/infofile.h"
#include "tests/history/history_fixture.h"

namespace ostrada {
namespace {

using namespace testing;

// The per-entry walk every line is defined by: n bars from the bar towards older ones.
MovingAverageEntry SlowEntry(const DayBar* bar, int sums) {
  MovingAverageEntry entry{};
  for (int line = 0; line < kAverageLines; ++line) {
    const int32_t n = kAverageLengths[line] - (sums == 1 ? 1 : 0);
    entry.lines[line] = sums == 1 ? DaySum(bar, n, BarValue::kClose) : DayAverage(bar, n, BarValue::kClose);
  }
  return entry;
}

TEST(MovingAverage, BuildMatchesTheWalkOfEveryBarOnRandomSeries) {
  RecordingScope scope;
  uint32_t seed = 7;
  for (char kind : {'D', 'W', 'M', 'B'}) {
    for (int sums : {0, 1}) {
      for (int n : {1, 19, 20, 481, 700}) {
        auto series = RandomSeries(kind, n, ++seed);
        MovingAverageList list;
        ASSERT_TRUE(list.Build(*series, sums));
        ASSERT_EQ(list.Count(), series->Count());
        const MovingAverageEntry* entry = list.Oldest();
        for (const DayBar* bar = series->Oldest(); bar != nullptr; bar = bar->newer, entry = entry->newer) {
          const MovingAverageEntry slow = SlowEntry(bar, sums);
          ASSERT_EQ(entry->key, bar->Key());
          ASSERT_EQ(entry->date, kind == 'B' ? bar->Date() : 0);
          for (int line = 0; line < kAverageLines; ++line)
            ASSERT_EQ(entry->lines[line], slow.lines[line]) << kind << sums << " n=" << n << " line " << line;
        }
      }
    }
  }
  EXPECT_TRUE(scope.sink.messages.empty());
}

TEST(MovingAverage, AveragesRoundHalfUpAndLiveCompletionFinishesSums) {
  DaySeries series;
  series.Create("A000001", "X");
  for (int32_t close : {100, 101, 101, 101, 101}) series.Add(MakeBar(NthDate(series.Count()), close));
  EXPECT_EQ(DayAverage(series.Newest(), 5, BarValue::kClose), 101);  // 100.8
  series.Clear(1);
  for (int32_t close : {102, 100, 100, 100, 100}) series.Add(MakeBar(NthDate(series.Count()), close));
  EXPECT_EQ(DayAverage(series.Newest(), 5, BarValue::kClose), 100);  // 100.4

  MovingAverageEntry entry{};
  entry.lines[0] = 400;
  CompleteAverageEntry(&entry, 101);
  EXPECT_EQ(entry.lines[0], 100);  // 501 / 5 = 100.2
  EXPECT_EQ(entry.lines[1], 0);    // a line without enough bars stays 0
}

TEST(MovingAverage, ShortSeriesHasNoLongLinesAndNoCrossing) {
  auto series = RandomSeries('D', 19, 3);
  MovingAverageList list;
  ASSERT_TRUE(list.Build(*series, 0));
  for (const MovingAverageEntry* e = list.Oldest(); e != nullptr; e = e->newer) EXPECT_EQ(e->Line20(), 0);
  EXPECT_EQ(list.FindCrossing(list.Newest(), nullptr, 1), nullptr);
}

// Entries with chosen 5- and 20-bar lines, keyed 1..n.
void Fill(MovingAverageList& list, std::initializer_list<std::pair<int32_t, int32_t>> lines) {
  int32_t key = 0;
  for (auto [five, twenty] : lines) {
    MovingAverageEntry e{};
    e.key = ++key;
    e.lines[0] = five;
    e.lines[1] = twenty;
    ASSERT_TRUE(list.Append(e));
  }
}

TEST(MovingAverage, CrossingAndTurningPoints) {
  MovingAverageList list;
  // Oldest to newest: the 5-bar line under the 20-bar line until key 3, above it from key 4.
  Fill(list, {{0, 0}, {90, 100}, {95, 100}, {101, 100}, {108, 100}, {104, 100}});
  // From the newest backwards the anchor (key 6) is above; the first entry with 20 >= 5 is key 3.
  EXPECT_EQ(list.FindCrossing(list.Newest(), nullptr, 1)->key, 3);
  // From the oldest forwards: anchor key 2 is below; key 4 comes up through.
  EXPECT_EQ(list.FindCrossing(list.Oldest(), nullptr, 0)->key, 4);
  // Towards older entries from key 6 the line rises to key 5 and then falls.
  EXPECT_EQ(MovingAverageList::TurningPoint(list.Newest(), 1, 1)->key, 5);
  EXPECT_EQ(MovingAverageList::PeakThenTrough(list.Newest(), 1)->key, 2);
  EXPECT_EQ(MovingAverageList::TurningPoint(list.Newest(), 0, 1), nullptr);
  // The 5-bar line reaching the 20-bar one is a crossing already.
  MovingAverageList reaching;
  Fill(reaching, {{90, 100}, {100, 100}, {101, 100}});
  EXPECT_EQ(reaching.FindCrossing(reaching.Oldest(), nullptr, 0)->key, 2);

  MovingAverageEntry equal{};
  equal.key = 6;
  RecordingScope scope;
  EXPECT_FALSE(list.Append(equal));  // an equal key is refused
  EXPECT_EQ(list.Count(), 6);
}

// A list built from a random series and saved in a folder of the test's own.
class MovingAverageFile : public ::testing::Test {
 protected:
  void BuildAndSave(char kind, int bars, int seed, int sumsFlag) {
    auto series = RandomSeries(kind, bars, seed);
    ASSERT_TRUE(list.Build(*series, sumsFlag));
    ASSERT_TRUE(list.Save(path.c_str()));
    image = ReadBytes(path);
  }
  ScratchFolder folder;
  const std::string path = folder.File("list.bin");
  MovingAverageList list;
  std::string image;  // the saved file's bytes
};

TEST_F(MovingAverageFile, LayoutAndRoundTrip) {
  ASSERT_NO_FATAL_FAILURE(BuildAndSave('D', 30, 11, 1));
  const uint8_t* b = Bytes(image);
  const size_t nameLength = 6;  // "Sample"
  ASSERT_EQ(image.size(), 360 + 4 + nameLength + 30 * 32);
  EXPECT_TRUE(CheckInfoFileHeader(b, 0xF2897037));
  EXPECT_EQ(GetText(b, 68, 16), "A005930");
  EXPECT_EQ(GetI32(b, 84), 0);
  EXPECT_EQ(GetI32(b, 88), 1);
  EXPECT_EQ(GetI32(b, 92), 30);
  EXPECT_EQ(GetI32(b, 96), static_cast<int32_t>(364 + nameLength));
  EXPECT_EQ(GetI32(b, 100), static_cast<int32_t>(image.size()));
  EXPECT_EQ(GetI32(b, 104), 'D');
  EXPECT_EQ(GetU32(b, 360), nameLength);
  EXPECT_EQ(image.substr(364, nameLength), "Sample");
  const size_t newest = image.size() - 32;  // oldest first, so the newest entry ends the file
  EXPECT_EQ(GetI32(b, newest), list.Newest()->key);
  EXPECT_EQ(GetI32(b, newest + 8), list.Newest()->Line5());

  MovingAverageList loaded;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  EXPECT_EQ(loaded.Count(), 30);
  EXPECT_STREQ(loaded.Name(), "Sample");
  EXPECT_EQ(loaded.SumsFlag(), 1);
  EXPECT_EQ(loaded.Newest()->Line20(), list.Newest()->Line20());
}

TEST_F(MovingAverageFile, CraftedFilesAreRejectedBeforeAnythingIsAllocated) {
  ASSERT_NO_FATAL_FAILURE(BuildAndSave('D', 10, 5, 0));
  const std::string good = image;
  auto expectRejected = [&](size_t offset, uint32_t value) {
    std::string bad = good;
    PutU32(Bytes(bad), offset, value);
    WriteBytes(path, bad);
    RecordingScope scope;
    MovingAverageList loaded;
    EXPECT_FALSE(loaded.Load(path.c_str())) << offset;
    EXPECT_EQ(scope.sink.messages.size(), 1u);
    return loaded.Count();
  };
  EXPECT_EQ(expectRejected(64, 0xF2190725), 0);   // another file's magic
  EXPECT_EQ(expectRejected(0, 0x20202020), 0);    // check text
  EXPECT_EQ(expectRejected(92, 0x7FFFFFFF), 0);   // more entries than the file holds
  EXPECT_EQ(expectRejected(360, 0xFFFFFFF0), 0);  // a name longer than the file
  // Two entries out of order: the one before stays.
  std::string swapped = good;
  const size_t entries = 360 + 4 + 6;
  PutI32(Bytes(swapped), entries + 32, GetI32(Bytes(swapped), entries));
  WriteBytes(path, swapped);
  RecordingScope scope;
  MovingAverageList loaded;
  EXPECT_FALSE(loaded.Load(path.c_str()));
  EXPECT_EQ(loaded.Count(), 1);
}

TEST_F(MovingAverageFile, MinuteEntriesOrderByDateThenTimeWhateverTheWords) {
  // A file may hold any date word: the order must come from comparing the words, not from one number
  // made of both, which overflows at the extremes.
  ASSERT_NO_FATAL_FAILURE(BuildAndSave('B', 3, 11, 0));
  const size_t entries = 360 + 4 + 6;                                             // header, name length, "Sample"
  const int32_t words[3][2] = {{INT32_MIN, -1}, {INT32_MIN, 0}, {0, INT32_MIN}};  // (date, end time)
  for (size_t i = 0; i < 3; ++i) {
    PutI32(Bytes(image), entries + 32 * i, words[i][1]);
    PutI32(Bytes(image), entries + 32 * i + 4, words[i][0]);
  }
  WriteBytes(path, image);
  MovingAverageList loaded;
  ASSERT_TRUE(loaded.Load(path.c_str()));
  ASSERT_EQ(loaded.Count(), 3);
  const MovingAverageEntry* entry = loaded.Oldest();
  for (const auto& word : words) {
    EXPECT_EQ(entry->date, word[0]);
    EXPECT_EQ(entry->key, word[1]);
    entry = entry->newer;
  }
}

}  // namespace
}  // namespace ostrada
