#include "basesrc/foundation/localtime.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr LocalClock kFriday2009{2009, 3, 13, 14, 5, 59, 250, 5, 71};

std::array<uint8_t, kLocalTimeRecordSize> Record() {
  std::array<uint8_t, kLocalTimeRecordSize> record{};
  EXPECT_EQ(GetLocalTimeFields(record.data()), 1);
  return record;
}

class LocalTimeTest : public ::testing::Test {
 protected:
  testing::RecordingScope recording;
};

TEST_F(LocalTimeTest, RecordHoldsEveryFieldOfTheInstalledClock) {
  FixedTimeSource clock(kFriday2009);
  ScopedTimeSource scope(clock);
  EXPECT_EQ(Record(), (std::array<uint8_t, 10>{20, 9, 3, 13, 14, 5, 59, 6, 0, 71}));
}

TEST_F(LocalTimeTest, CenturyWeekdayAndDayOfYearAtTheirEdges) {
  FixedTimeSource clock({1999, 12, 31, 23, 59, 59, 0, 5, 364});
  ScopedTimeSource scope(clock);
  EXPECT_EQ(Record(), (std::array<uint8_t, 10>{19, 99, 12, 31, 23, 59, 59, 6, 3, 64}));
  clock.Set({2000, 1, 2, 0, 0, 0, 0, 0, 1});
  EXPECT_EQ(Record(), (std::array<uint8_t, 10>{20, 0, 1, 2, 0, 0, 0, 1, 0, 1}));
  clock.Set({2024, 12, 31, 0, 0, 0, 0, 2, 365});
  const auto record = Record();
  EXPECT_EQ(record[8], 3);
  EXPECT_EQ(record[9], 65);
}

TEST_F(LocalTimeTest, ScopedSourcesNestAndRestore) {
  const TimeSource* system = &CurrentTimeSource();
  FixedTimeSource outer(kFriday2009);
  {
    ScopedTimeSource outerScope(outer);
    FixedTimeSource inner({2026, 1, 5, 9, 0, 0, 0, 1, 4});
    {
      ScopedTimeSource innerScope(inner);
      EXPECT_EQ(NowLocal().year, 2026);
    }
    EXPECT_EQ(NowLocal().year, 2009);
  }
  EXPECT_EQ(&CurrentTimeSource(), system);
}

TEST_F(LocalTimeTest, SystemClockGivesAPlausibleRecord) {
  const auto record = Record();
  EXPECT_GE(record[0], 20);
  EXPECT_GE(record[2], 1);
  EXPECT_LE(record[2], 12);
  EXPECT_GE(record[7], 1);
  EXPECT_LE(record[7], 7);
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST_F(LocalTimeTest, MissingRecordOrUnreadableClockIsReported) {
  EXPECT_EQ(GetLocalTimeFields(nullptr), 0);
  FixedTimeSource broken(LocalClock{});
  ScopedTimeSource scope(broken);
  std::array<uint8_t, kLocalTimeRecordSize> record{};
  record.fill(0xAA);
  EXPECT_EQ(GetLocalTimeFields(record.data()), 0);
  EXPECT_EQ(record[0], 0xAA);
  ASSERT_EQ(recording.sink.messages.size(), 2u);
  for (const auto& message : recording.sink.messages) {
    EXPECT_NE(message.Utf8().find("] - basesrc/foundation 에서"), std::string::npos);
  }
}

}  // namespace
}  // namespace ostrada
