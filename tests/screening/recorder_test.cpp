#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "basesrc/foundation/coding.h"
#include "basesrc/foundation/infofile.h"
#include "basesrc/spotrecorder.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/file_bytes.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int64_t kMinute = 60'000;

sim::ExchangeOptions SmallMarket() {
  sim::ExchangeOptions options;
  options.stocks = 120;  // two requests a snapshot
  options.tradingDate = 20260105;
  return options;
}

// The application's side: the code books and the file writer, which may tick the recorder again
// while a snapshot is being taken.
class TestHost : public SpotHost {
 public:
  const CodeInfoList* AllCodes() const override { return all.get(); }
  const CodeInfoList* CommonCodes() const override { return common ? all.get() : nullptr; }
  int WriteSnapshotFile(NowGate& snapshot) override {
    if (onWrite) onWrite();
    return SaveSnapshotFile(snapshot);
  }
  std::unique_ptr<CodeInfoList> all;
  bool common = true;
  std::function<void()> onWrite;
};

// A timer that only remembers its period: the test ticks it as the exchange's clock passes.
class TestTimer : public SpotTimer {
 public:
  int StartTimer(int id, int64_t milliseconds) override {
    period = milliseconds;
    return id + 7;
  }
  void KillTimer(int) override { period = 0; }
  int64_t period = 0;
};

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.all = gate.DownloadCodes(kSortByCode, 0);
    ASSERT_NE(host.all, nullptr);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(data.Path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Moves the market on and ticks the recorder as its timer would.
  void Tick(int64_t milliseconds) {
    exchange.Advance(milliseconds);
    recorder.OnTimer(recorder.TimerId());
  }

  testing::RecordingScope ui;
  testing::ScratchFolder data;
  testing::ScopedEnv dataDir{"OSTRADA_DATA_DIR", data.Path().c_str()};
  sim::Exchange exchange{SmallMarket()};
  broker::ScopedServer server{exchange};
  ScopedTimeSource time{exchange.Time()};
  StocGate gate;
  TestHost host;
  TestTimer timer;
  SpotRecorder recorder{host, timer};
};

TEST_F(RecorderTest, EachTickWritesTheMarketToAFileNamedByTheExchangeClock) {
  recorder.ToggleTimer(5);
  EXPECT_EQ(timer.period, 5 * kMinute);
  EXPECT_EQ(recorder.TimerId(), SpotRecorder::kTimerId + 7);
  Tick(5 * kMinute + 7'000);  // 09:05:07 on 5 January
  Tick(5 * kMinute);          // 09:10:07
  EXPECT_EQ(Files(), (std::vector<std::string>{"_nowspot_0105090507.stn", "_nowspot_0105091007.stn"}));

  const std::string bytes = testing::ReadBytes(data.File("_nowspot_0105091007.stn"));
  ASSERT_GT(bytes.size(), 708u);
  const auto* head = reinterpret_cast<const uint8_t*>(bytes.data());
  EXPECT_TRUE(CheckInfoFileHeader(head, nowfile::kKind));
  EXPECT_EQ(GetI32(head, nowfile::kCountOffset), 120);
  EXPECT_EQ(GetI32(head, nowfile::kKeyOffset), kNowKeyCode);
  EXPECT_EQ(GetI32(head, nowfile::kLatestTimeOffset), 910);
  ASSERT_NE(recorder.Snapshot(), nullptr);
  EXPECT_EQ(recorder.Snapshot()->LatestTime(), 910);
  EXPECT_TRUE(ui.sink.messages.empty());

  // Another timer's tick, or one within the same minute as the held snapshot, takes none.
  exchange.Advance(kMinute);
  recorder.OnTimer(recorder.TimerId() + 1);
  exchange.Advance(10'000);
  recorder.OnTimer(recorder.TimerId());
  recorder.OnTimer(recorder.TimerId());
  EXPECT_EQ(Files().size(), 3u);

  recorder.ToggleTimer(30);  // running: stops whatever the argument
  EXPECT_EQ(recorder.TimerId(), 0);
  EXPECT_EQ(timer.period, 0);
  recorder.ToggleTimer(0);  // the last period stays
  EXPECT_EQ(timer.period, 5 * kMinute);
  recorder.ToggleTimer(0);
  recorder.ToggleTimer(1);
  EXPECT_EQ(timer.period, kMinute);

  // With writing off a tick takes the snapshot and writes no file.
  recorder.SetWriteFile(0);
  Tick(kMinute);
  EXPECT_EQ(Files().size(), 3u);
  ASSERT_NE(recorder.Snapshot(), nullptr);
  EXPECT_EQ(recorder.Snapshot()->LatestTime(), 912);  // 09:12:17
}

TEST_F(RecorderTest, ZeroMinutesOnAFreshRecorderStartsAOneMinuteTimer) {
  recorder.ToggleTimer(0);
  EXPECT_EQ(timer.period, kMinute);
  EXPECT_EQ(recorder.PeriodUnit(), 1000);
}

TEST_F(RecorderTest, ATickWhileASnapshotIsBeingTakenIsDropped) {
  recorder.ToggleTimer(1);
  int nestedTicks = 0;
  host.onWrite = [&] {
    ++nestedTicks;
    exchange.Advance(kMinute);
    recorder.OnTimer(recorder.TimerId());
  };
  Tick(kMinute);
  EXPECT_EQ(nestedTicks, 1) << "the nested tick took no snapshot";
  EXPECT_EQ(Files().size(), 1u);
}

TEST_F(RecorderTest, FailuresAreToldAndTakeNoSnapshot) {
  recorder.ToggleTimer(1);
  host.common = false;
  Tick(kMinute);
  host.common = true;
  exchange.Faults().FailCall(broker::clsid::kMultiPrice, sim::Method::kRequest, broker::kEFail, 1);
  Tick(kMinute);
  EXPECT_EQ(recorder.Snapshot(), nullptr);
  EXPECT_TRUE(Files().empty());
  const std::vector<std::string> texts = ui.sink.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts.front(), "서버에서 코드 정보를 다운로드하지 못한 상태라서 작업을 진행할 수 없습니다.");
  EXPECT_EQ(texts.back(), "서버에서 시세를 다운로드하지 못했습니다.");
}

TEST_F(RecorderTest, AnEarlierFileOfTheSameSecondIsKept) {
  recorder.ToggleTimer(5);
  const std::string path = data.File("_nowspot_0105090500.stn");
  testing::WriteBytes(path, "an earlier recording");
  Tick(5 * kMinute);  // 09:05:00
  EXPECT_EQ(testing::ReadBytes(path), "an earlier recording");
  EXPECT_EQ(Files().size(), 1u);
  const std::vector<std::string> texts = ui.sink.Texts();
  ASSERT_EQ(texts.size(), 1u) << "one message, no failure report";
  EXPECT_EQ(texts[0], "같은 시각의 스냅샷 파일이 이미 있어 덮어쓰지 않았습니다.\n" + path);
  ASSERT_NE(recorder.Snapshot(), nullptr) << "the snapshot itself is held";
  Tick(5 * kMinute);  // 09:10:00: a new name is written as usual
  EXPECT_EQ(Files(), (std::vector<std::string>{"_nowspot_0105090500.stn", "_nowspot_0105091000.stn"}));
}

TEST_F(RecorderTest, TheMidnightTickTakesASnapshot) {
  recorder.ToggleTimer(1);
  Tick(kMinute);  // 09:01:00
  ASSERT_NE(recorder.Snapshot(), nullptr);
  FixedTimeSource midnight({2026, 1, 6, 0, 0, 0, 0, 2, 5});
  ScopedTimeSource atMidnight(midnight);
  recorder.OnTimer(recorder.TimerId());
  EXPECT_TRUE(ui.sink.messages.empty());
  EXPECT_EQ(Files(), (std::vector<std::string>{"_nowspot_0105090100.stn", "_nowspot_0106000000.stn"}));
}

TEST(SnapshotFileNameTest, TenDigitsOfMonthDayAndTime) {
  const uint8_t fields[kLocalTimeRecordSize] = {20, 26, 1, 3, 9, 5, 7, 7, 0, 2};
  EXPECT_EQ(SnapshotFileName("/data/", fields), "/data/_nowspot_0103090507.stn");
}

}  // namespace
}  // namespace ostrada
