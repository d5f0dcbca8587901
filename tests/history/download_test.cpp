#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>

#include "basesrc/coninfo.h"
#include "basesrc/daygate.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/faults.h"
#include "tests/exchange_market/market_fixture.h"
#include "tests/history/history_fixture.h"

namespace ostrada {
namespace {

using sim::testing::LiveAt;
using sim::testing::MarketTest;

class DownloadTest : public MarketTest {
 protected:
  DownloadTest() : MarketTest(LiveAt(11, 0)) {}

  std::unique_ptr<DaySeries> Daily(int32_t count, int32_t from = 0, int32_t to = 0) {
    return gate_.DownloadBarsNew(code_.c_str(), "Stock", count, 1, 'D', from, to, 0);
  }
  // The server's own answer of the newest `count` 5-minute bars, with their running volumes.
  std::shared_ptr<broker::IMarketRequest> FiveMinuteRows(int16_t count) {
    auto chart = Create(broker::clsid::kMinuteChart);
    chart->SetInput(0, broker::Variant::Text(code_));
    chart->SetInput(1, broker::Variant::UI1('M'));
    chart->SetInput(2, broker::Variant::I2(5));
    chart->SetInput(3, broker::Variant::I2(count));
    chart->Request();
    return chart;
  }

  std::string code_ = LiquidCode();
  StocGate gate_;
};

TEST_F(DownloadTest, DailyBarsComeOldestFirstWithinTheDates) {
  auto all = Daily(30);
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->Count(), 30);
  EXPECT_EQ(all->Newest()->Key(), sim::testing::kTradingDate);
  for (const DayBar* bar = all->Oldest()->newer; bar != nullptr; bar = bar->newer) {
    ASSERT_LT(bar->older->Key(), bar->Key());
    ASSERT_EQ(bar->price.change, bar->price.close - bar->older->price.close) << bar->Key();
    const int32_t previous = bar->older->price.close;
    ASSERT_FLOAT_EQ(bar->price.rate, static_cast<float>((bar->price.close - previous) * 100.0 / previous));
  }
  const int32_t from = all->At(10)->Key();
  const int32_t to = all->At(19)->Key();
  DaySeries window;
  EXPECT_EQ(gate_.DownloadBarsFor(&window, code_.c_str(), "Stock", 30, 1, 'D', from, to, 0), 10);
  EXPECT_EQ(window.Oldest()->Key(), from);
  EXPECT_EQ(window.Newest()->Key(), to);

  // An end date before every row: nothing is added and every row counts as processed.
  DaySeries none;
  none.Create(code_.c_str(), "Stock");
  EXPECT_EQ(gate_.DownloadBars(&none, 30, 0, 20000101, 0), 30);
  EXPECT_EQ(none.Count(), 0);
  // An end date on the oldest row: that row alone.
  DaySeries oldest;
  EXPECT_EQ(gate_.DownloadBarsFor(&oldest, code_.c_str(), "Stock", 30, 1, 'D', 0, all->Oldest()->Key(), 0), 1);
  EXPECT_TRUE(recording_.sink.messages.empty());
}

TEST_F(DownloadTest, TheNewestRowReplacesABarOfTheSameDate) {
  auto series = Daily(5);
  ASSERT_NE(series, nullptr);
  const int32_t morningVolume = series->Newest()->price.volume;
  AdvanceTo(14, 0);
  EXPECT_EQ(gate_.DownloadBars(series.get(), 1, 0, 0, 0), 1);
  EXPECT_EQ(series->Count(), 5);
  EXPECT_GT(series->Newest()->price.volume, morningVolume);
  EXPECT_EQ(series->LastPair().value, series->Newest()->price.close);
}

TEST_F(DownloadTest, WeeklyAndIndexBars) {
  auto weekly = gate_.DownloadBarsNew(code_.c_str(), "Stock", 20, 1, 'W', 0, 0, 0);
  ASSERT_NE(weekly, nullptr);
  for (const DayBar* bar = weekly->Oldest()->newer; bar != nullptr; bar = bar->newer)
    ASSERT_EQ(bar->price.change, bar->price.close - bar->older->price.close);

  auto index = gate_.DownloadBarsNew("U001", "Index", 5, 1, 'D', 0, 0, 1);
  ASSERT_NE(index, nullptr);
  auto chart = Create(broker::clsid::kDayChart);
  chart->SetInput(0, broker::Variant::Text("U001"));
  chart->SetInput(1, broker::Variant::UI1('D'));
  chart->SetInput(3, broker::Variant::I2(1));
  chart->Request();
  const float points = chart->DataValue(4, 0).ToR4();
  EXPECT_EQ(index->Newest()->price.close, static_cast<int32_t>(points * 100.0f));
  EXPECT_NEAR(index->Newest()->price.close / 100.0, points, 0.006);
}

TEST_F(DownloadTest, LastTradingDay) {
  const int32_t newest = gate_.LastTradingDay(0);
  EXPECT_EQ(newest, sim::testing::kTradingDate);
  EXPECT_EQ(gate_.LastTradingDay(1), 20261207);
  exchange_.Faults().ShortAnswer(broker::clsid::kDayChart, 1);
  EXPECT_EQ(gate_.LastTradingDay(1), 0);  // a one-bar series has no day before the newest
}

TEST_F(DownloadTest, MinuteBarsAreMadePerBar) {
  auto series = gate_.DownloadMinuteBarsNew(code_.c_str(), "Stock", 5, 500, 0);
  ASSERT_NE(series, nullptr);
  EXPECT_EQ(series->Kind(), 'B');
  EXPECT_EQ(series->Newest()->Date(), sim::testing::kTradingDate);
  int64_t total = 0;
  for (const DayBar* bar = series->Oldest(); bar != nullptr; bar = bar->newer) {
    ASSERT_GE(bar->price.volume, 0);
    ASSERT_EQ(bar->Key() % 5, 0);
    total += bar->price.volume;
  }
  // The whole day came (fewer rows than asked): the day's first bar keeps its own volume, and the
  // bars add up to the day's volume, the server's running volume at the newest bar.
  auto chart = FiveMinuteRows(500);
  const int32_t rows = chart->HeaderValue(3).ToI4();
  ASSERT_LT(rows, 500);
  EXPECT_EQ(series->Oldest()->Key(), 905);
  EXPECT_EQ(series->Oldest()->price.volume, chart->DataValue(6, rows - 1).ToI4());
  EXPECT_EQ(total, chart->DataValue(6, 0).ToI4());
  EXPECT_EQ(total, Daily(1)->Newest()->price.volume);

  // Exactly the day's bars asked: a full answer, but its oldest bar is the session's first (09:05).
  auto whole = gate_.DownloadMinuteBarsNew(code_.c_str(), "Stock", 5, rows, 0);
  ASSERT_NE(whole, nullptr);
  ASSERT_EQ(whole->Count(), rows);
  EXPECT_EQ(whole->Oldest()->price.volume, chart->DataValue(6, rows - 1).ToI4());

  // Three bars asked: the answer starts after the day's start, yet every bar, the oldest too, has
  // its own volume, the server's running volume at its end less that at the end of the bar before.
  auto cut = gate_.DownloadMinuteBarsNew(code_.c_str(), "Stock", 5, 3, 0);
  ASSERT_NE(cut, nullptr);
  ASSERT_EQ(cut->Count(), 3);
  ASSERT_GT(rows, 4);
  int32_t row = 2;
  for (const DayBar* bar = cut->Oldest(); bar != nullptr; bar = bar->newer, --row) {
    EXPECT_EQ(bar->Key(), chart->DataValue(1, row).ToI4());
    EXPECT_EQ(bar->price.volume, chart->DataValue(6, row).ToI4() - chart->DataValue(6, row + 1).ToI4())
        << "bar " << bar->Key();
  }
  // The bar asked along to measure the oldest leaves no mark on the series' points.
  EXPECT_EQ(cut->FirstPair().key, cut->Oldest()->Key());
  EXPECT_TRUE(recording_.sink.messages.empty());
}

// One bar asked: the newest alone, with its own volume, not the day's running volume at its end.
TEST_F(DownloadTest, ALoneNewestMinuteBarHasItsOwnVolume) {
  auto chart = FiveMinuteRows(2);
  ASSERT_EQ(chart->HeaderValue(3).ToI4(), 2);
  const int32_t running = chart->DataValue(6, 0).ToI4(), before = chart->DataValue(6, 1).ToI4();
  ASSERT_GT(before, 0);
  auto lone = gate_.DownloadMinuteBarsNew(code_.c_str(), "Stock", 5, 1, 0);
  ASSERT_NE(lone, nullptr);
  ASSERT_EQ(lone->Count(), 1);
  EXPECT_EQ(lone->Newest()->Key(), chart->DataValue(1, 0).ToI4());
  EXPECT_EQ(lone->Newest()->price.close, chart->DataValue(5, 0).ToI4());
  EXPECT_EQ(lone->Newest()->price.volume, running - before);
  // The bar before it, asked along, leaves no mark on the series' points.
  EXPECT_EQ(lone->HighPair().value, chart->DataValue(3, 0).ToI4());
  EXPECT_EQ(lone->LowPair().value, chart->DataValue(4, 0).ToI4());
  EXPECT_EQ(lone->FirstPair().key, lone->Newest()->Key());
  EXPECT_TRUE(recording_.sink.messages.empty());
}

// A server that passes every call on to the exchange and keeps the inputs set on the chart objects.
class InputRecordingServer : public broker::ComServer {
 public:
  explicit InputRecordingServer(broker::ComServer& inner) : inner_(inner) {}
  std::shared_ptr<broker::IObject> CreateInstance(const broker::Guid& clsid) override {
    auto object = inner_.CreateInstance(clsid);
    auto request = std::dynamic_pointer_cast<broker::IMarketRequest>(object);
    if (!request || !(clsid == broker::clsid::kDayChart)) return object;
    return std::make_shared<Recorder>(request, inputs);
  }
  std::map<int32_t, broker::Variant> inputs;

 private:
  class Recorder : public broker::IMarketRequest {
   public:
    Recorder(std::shared_ptr<broker::IMarketRequest> inner, std::map<int32_t, broker::Variant>& inputs)
        : inner_(std::move(inner)), inputs_(inputs) {}
    void Subscribe() override { inner_->Subscribe(); }
    void Unsubscribe() override { inner_->Unsubscribe(); }
    broker::Variant HeaderValue(int32_t index) override { return inner_->HeaderValue(index); }
    broker::Variant DataValue(int32_t field, int32_t row) override { return inner_->DataValue(field, row); }
    int32_t MoreData() override { return inner_->MoreData(); }
    void SetInput(int32_t index, const broker::Variant& value) override {
      inputs_[index] = value;
      inner_->SetInput(index, value);
    }
    int16_t Status() override { return inner_->Status(); }
    std::string StatusText1() override { return inner_->StatusText1(); }
    std::string StatusText2() override { return inner_->StatusText2(); }
    int16_t Request() override { return inner_->Request(); }
    broker::IConnectionPoint& Events() override { return inner_->Events(); }

   private:
    std::shared_ptr<broker::IMarketRequest> inner_;
    std::map<int32_t, broker::Variant>& inputs_;
  };
  broker::ComServer& inner_;
};

TEST_F(DownloadTest, DailyWeeklyAndMonthlyRequestsSendInputFour) {
  InputRecordingServer recording(exchange_);
  broker::ScopedServer scope(recording);
  for (char kind : {'D', 'W', 'M'}) {
    recording.inputs.clear();
    ASSERT_NE(gate_.DownloadBarsNew(code_.c_str(), "Stock", 3, 1, kind, 0, 0, 0), nullptr) << kind;
    ASSERT_EQ(recording.inputs.count(4), 1u) << kind;
    EXPECT_EQ(recording.inputs[4].ToI4(), '1') << kind;
    EXPECT_EQ(recording.inputs[1].ToI4(), kind);
    EXPECT_EQ(recording.inputs[3].ToI4(), 3);
  }
}

TEST_F(DownloadTest, AllContractsOfTheDayOldestAtTheHead) {
  auto tape = gate_.DownloadAllContracts(code_.c_str(), "Stock");
  ASSERT_NE(tape, nullptr);
  ASSERT_GT(tape->Count(), 80);  // more than one page
  EXPECT_LE(tape->Head()->record.timeHHMMSS, tape->Tail()->record.timeHHMMSS);
  EXPECT_EQ(tape->Tail()->record.volume, Daily(1)->Newest()->price.volume);
  // Nothing lost or repeated at a page boundary: from the opening contract on, each record's volume
  // is the one before it plus its own quantity.
  int32_t volume = 0;
  int regular = 0;
  for (const ContractNode* node = tape->Head(); node != nullptr; node = node->next) {
    if (node->record.phase != '2') continue;
    volume += node->record.tickVolume;
    ASSERT_EQ(node->record.volume, volume) << node->record.timeHHMMSS;
    ++regular;
  }
  EXPECT_GT(regular, 160);
}

TEST_F(DownloadTest, RefusalsAndServerErrorsAreShownAndKeepWhatCame) {
  exchange_.Faults().Refuse(broker::clsid::kDayChart, {7, Utf8ToCp949("조회 불가"), Utf8ToCp949("잠시 후  ")});
  EXPECT_EQ(Daily(10), nullptr);
  ASSERT_EQ(recording_.sink.messages.size(), 1u);
  const std::string shown = recording_.sink.messages[0].Utf8();
  EXPECT_EQ(shown.find("조회 불가"), 0u);
  EXPECT_EQ(shown.substr(shown.size() - 10), "잠시 후");  // trailing blanks cut
  recording_.sink.Clear();

  exchange_.Faults().FailPage(broker::clsid::kContractHistory, 2, broker::kServerUnavailable);
  EXPECT_EQ(gate_.DownloadAllContracts(code_.c_str(), "Stock"), nullptr);
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
  recording_.sink.Clear();

  // Rows are read oldest first: a failing read after 3 rows keeps those 3 bars.
  exchange_.Faults().FailCall(broker::clsid::kMinuteChart, sim::Method::kDataValue, broker::kTypeMismatch, 3 * 7);
  DaySeries minutes;
  minutes.Create(code_.c_str(), "Stock");
  minutes.SetKind('B');
  EXPECT_EQ(gate_.DownloadMinuteBars(&minutes, 100, 0), -1);
  EXPECT_EQ(minutes.Count(), 3);
  EXPECT_EQ(recording_.sink.messages.size(), 1u);
}

}  // namespace
}  // namespace ostrada
