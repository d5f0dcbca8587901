#include "app/spotwnd.h"

#include <gtest/gtest.h>

#include <QTimerEvent>
#include <filesystem>

#include "app/windowmessages.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

class BookHost : public SpotHost {
 public:
  const CodeInfoList* AllCodes() const override { return book.get(); }
  const CodeInfoList* CommonCodes() const override { return book.get(); }
  int WriteSnapshotFile(NowGate& snapshot) override { return SaveSnapshotFile(snapshot); }
  std::unique_ptr<CodeInfoList> book;
};

// The parent counts the recorder's ticks and keeps their values.
class TickParent : public QWidget {
 public:
  bool event(QEvent* e) override {
    if (WindowMessageEvent* message = AsWindowMessage(e, WM_SPOT_TICK)) {
      ++ticks;
      values = {message->WParam(), message->LParam()};
      return true;
    }
    return QWidget::event(e);
  }
  int ticks = 0;
  std::pair<uintptr_t, intptr_t> values;
};

// A recorder on a 60-stock market of 2026-03-03 at its open, writing into a data folder of its own.
class SpotWndTest : public ::testing::Test {
 protected:
  static sim::ExchangeOptions SmallMarket() {
    sim::ExchangeOptions options;
    options.stocks = 60;
    options.tradingDate = 20260303;
    return options;
  }
  void SetUp() override {
    host.book = StocGate().DownloadCodes(kSortByCode, 0);
    ASSERT_NE(host.book, nullptr);
    ASSERT_TRUE(recorder.Create(&parent, 4711));
  }

  testing::RecordingScope ui;
  testing::ScratchFolder data;
  testing::ScopedEnv dataDir{"OSTRADA_DATA_DIR", data.Path().c_str()};
  sim::Exchange exchange{SmallMarket()};
  broker::ScopedServer server{exchange};
  ScopedTimeSource time{exchange.Time()};
  BookHost host;
  TickParent parent;
  CSpotWnd recorder{host};
};

TEST_F(SpotWndTest, ItsTimerTicksRecordTheMarketAndTellTheParent) {
  EXPECT_EQ(recorder.geometry(), QRect(0, 0, 100, 100));
  recorder.ToggleTimer(2);
  const int timerId = recorder.Recorder().TimerId();
  ASSERT_NE(timerId, 0);

  exchange.Advance(2 * 60'000);  // 09:02:00
  QTimerEvent tick(timerId);
  QCoreApplication::sendEvent(&recorder, &tick);
  QTimerEvent stranger(timerId + 1);
  QCoreApplication::sendEvent(&recorder, &stranger);
  EXPECT_EQ(parent.ticks, 2) << "every timer message is passed on";
  EXPECT_EQ(parent.values, (std::pair<uintptr_t, intptr_t>{1, 2}));
  EXPECT_TRUE(std::filesystem::exists(data.File("_nowspot_0303090200.stn")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(data.Path()), {}), 1);

  recorder.close();
  EXPECT_EQ(recorder.Recorder().TimerId(), 0) << "closing kills the timer";
  EXPECT_TRUE(ui.sink.messages.empty());
}

TEST_F(SpotWndTest, ThePeriodRunsOnTheProgramClock) {
  recorder.ToggleTimer(2);
  const int timerId = recorder.Recorder().TimerId();
  ASSERT_NE(timerId, 0);
  auto tick = [&] {
    QTimerEvent event(timerId);
    QCoreApplication::sendEvent(&recorder, &event);
  };
  // However often the real-time timer fires, nothing happens until two minutes of program time passed.
  exchange.Advance(60'000);  // 09:01:00
  tick();
  exchange.Advance(59'999);
  tick();
  EXPECT_EQ(parent.ticks, 0);
  EXPECT_TRUE(std::filesystem::is_empty(data.Path()));
  exchange.Advance(1);  // 09:02:00
  tick();
  tick();
  EXPECT_EQ(parent.ticks, 1);
  EXPECT_TRUE(std::filesystem::exists(data.File("_nowspot_0303090200.stn")));
  exchange.Advance(2 * 60'000);  // 09:04:00, the next period
  tick();
  EXPECT_EQ(parent.ticks, 2);
  EXPECT_TRUE(std::filesystem::exists(data.File("_nowspot_0303090400.stn")));
  EXPECT_TRUE(ui.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
