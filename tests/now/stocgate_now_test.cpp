#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/faults.h"
#include "tests/now/same_records.h"
#include "tests/support/recording_sink.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

using broker::clsid::kMultiPrice;
using broker::clsid::kStockState;

sim::ExchangeOptions Listing(int stocks) {
  sim::ExchangeOptions options;
  options.stocks = stocks;
  return options;
}

class StocGateNowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    book = gate.DownloadCodes(kSortByCode, 0);
    ASSERT_NE(book, nullptr);
    ASSERT_EQ(book->Count(), 250);
    recording.sink.Clear();
  }

  // The first n codes of the book, joined.
  std::string FirstCodes(int n) {
    int taken = 0;
    HeapText codes = book->JoinCodes(0, n, &taken);
    return codes ? std::string(codes.get()) : std::string();
  }
  const char* CodeAt(int position) { return book->GetAt(position)->key.code; }
  std::vector<std::string> Messages() const { return recording.sink.Texts(); }
  sim::FaultPlan& Faults() { return exchange.Faults(); }

  testing::RecordingScope recording;
  sim::Exchange exchange{Listing(250)};
  broker::ScopedServer server{exchange};
  StocGate gate;
  std::unique_ptr<CodeInfoList> book;
};

TEST_F(StocGateNowTest, BookOf250StocksIsFetchedInThreeRequests) {
  // A fourth request would fail: exactly three are made (110, 110 and 30 codes).
  Faults().FailCall(kMultiPrice, sim::Method::kRequest, broker::kEFail, 3);
  std::unique_ptr<NowGate> group = gate.DownloadNowBook(*book, kNowKeyArrival);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Count(), 250);
  EXPECT_EQ(group->CodeAttrFlag(), 1);
  EXPECT_TRUE(Messages().empty());
  // Arrival order is the book's order, and each row carries its own stock's attributes.
  const CodeInfo* entry = book->First();
  for (const NowInfo* record = group->First(); record != nullptr; record = record->next, entry = entry->next) {
    ASSERT_STREQ(record->key.code, entry->key.code);
    ASSERT_STREQ(record->key.name.get(), entry->key.name.get());
    ASSERT_EQ(std::memcmp(&record->price.attr, &entry->attr, sizeof(CodeAttr)), 0);
  }
}

TEST_F(StocGateNowTest, FailedBatchInTheMiddleDestroysTheGroup) {
  Faults().FailCall(kMultiPrice, sim::Method::kRequest, broker::kEFail, 1);
  EXPECT_EQ(gate.DownloadNowBook(*book, kNowKeyRateDown), nullptr);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].text, broker::ComErrorText(broker::kEFail));
}

TEST_F(StocGateNowTest, RowsAreStoredInTheOrderOfTheRequestedCodes) {
  const std::string codes = std::string(CodeAt(7)) + "," + CodeAt(2) + "," + CodeAt(5);
  std::unique_ptr<NowGate> group = gate.DownloadNowCodes(codes.c_str(), kNowKeyArrival);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->CodeAttrFlag(), 0);
  std::vector<std::string> stored;
  for (const NowInfo* record = group->First(); record != nullptr; record = record->next) {
    stored.push_back(record->key.code);
    EXPECT_GT(record->price.bar.close, 0);
    EXPECT_GT(record->price.basePrice, 0);
    EXPECT_FLOAT_EQ(record->price.bar.rate, Percent(record->price.basePrice, record->price.bar.change));
  }
  EXPECT_EQ(stored, (std::vector<std::string>{CodeAt(7), CodeAt(2), CodeAt(5)}));
}

TEST_F(StocGateNowTest, MoreThan110CodesAreNotRequested) {
  Faults().FailCreation(kMultiPrice, broker::kEFail);  // a request would show this instead
  int taken = 0;
  HeapText first = book->JoinCodes(0, 110, &taken);
  const std::string codes = std::string(first.get()) + "," + CodeAt(110);
  NowGate group;
  EXPECT_EQ(gate.DownloadNowBatch(&group, codes.c_str(), 0, nullptr), -1);
  EXPECT_EQ(Messages(), std::vector<std::string>{"다종목 시세 함수 - 최대값 초과 지정(110개)"});
  EXPECT_EQ(group.Count(), 0);
}

TEST_F(StocGateNowTest, RefusalShowsTheServersTwoTexts) {
  Faults().Refuse(kMultiPrice, {-1, "[40001]", Utf8ToCp949("조회 한도를 초과했습니다.")});
  NowGate group;
  EXPECT_EQ(gate.DownloadNowBatch(&group, FirstCodes(10).c_str(), 0, nullptr), -1);
  EXPECT_EQ(Messages(), std::vector<std::string>{"[40001]  조회 한도를 초과했습니다."});
  EXPECT_EQ(group.Count(), 0);
  EXPECT_EQ(gate.DownloadNowCodes(FirstCodes(10).c_str(), kNowKeyArrival), nullptr);
}

TEST_F(StocGateNowTest, ShortAnswerIsShownAndTheRowsReceivedAreKept) {
  Faults().ShortAnswer(kMultiPrice, 4);
  NowGate group(kNowKeyArrival);
  EXPECT_EQ(gate.DownloadNowBatch(&group, FirstCodes(10).c_str(), 0, book->First()), 4);
  EXPECT_EQ(Messages(), std::vector<std::string>{"[10]개를 지정했지만 [4]개만 받았습니다."});
  EXPECT_EQ(group.Count(), 4);
  EXPECT_STREQ(group.First()->key.code, CodeAt(0));
}

TEST_F(StocGateNowTest, ComErrorWhileReadingKeepsTheRowsStored) {
  // 30 values are read a row: the fault strikes in the fourth row.
  Faults().FailCall(kMultiPrice, sim::Method::kDataValue, broker::kTypeMismatch, 3 * 30 + 5);
  NowGate group(kNowKeyArrival);
  EXPECT_EQ(gate.DownloadNowBatch(&group, FirstCodes(10).c_str(), 0, nullptr), 3);
  EXPECT_EQ(group.Count(), 3);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].text, broker::ComErrorText(broker::kTypeMismatch));
}

TEST_F(StocGateNowTest, ComErrorWithTheServersDescriptionShowsIt) {
  Faults().FailCall(kMultiPrice, sim::Method::kRequest, broker::kServerUnavailable, 0, Utf8ToCp949("연결 끊김"));
  NowGate group;
  EXPECT_EQ(gate.DownloadNowBatch(&group, FirstCodes(3).c_str(), 0, nullptr), 0);
  EXPECT_EQ(Messages(), std::vector<std::string>{"연결 끊김"});
}

TEST_F(StocGateNowTest, FetchOneStockFillsTheCallersBlock) {
  exchange.Advance(2 * 60 * 60'000);  // 11:00, when most prices have moved
  for (int position = 0; position < 40; ++position) {
    SCOPED_TRACE(CodeAt(position));
    NowPrice block{};
    ASSERT_EQ(gate.FetchNowPrice(&block, CodeAt(position)), 1);
    EXPECT_GT(block.basePrice, 0);
    EXPECT_EQ(block.bar.close - block.bar.change, block.basePrice);
    EXPECT_FLOAT_EQ(block.bar.rate, static_cast<float>(block.bar.change * 100.0 / block.basePrice));
    // Each field where the block keeps it, as the server's row holds it.
    auto row = broker::CreateAs<broker::IMarketRequest>(kMultiPrice);
    row->SetInput(0, broker::Variant::Text(CodeAt(position)));
    row->Request();
    auto field = [&](int32_t n) { return row->DataValue(n, 0).ToI4(); };
    const int32_t stored[] = {block.bar.time,   block.bar.close, block.bar.change, block.state,    block.bar.open,
                              block.bar.high,   block.bar.low,   block.value9,     block.value10,  block.bar.volume,
                              block.value12,    block.value13,   block.value14,    block.value15,  block.value16,
                              block.volumeRef2, block.value18,   block.basePrice,  block.volumeRef};
    for (int32_t n = 2; n <= 20; ++n) EXPECT_EQ(stored[n - 2], field(n)) << n;
    EXPECT_EQ(block.strength, row->DataValue(21, 0).ToR4());
    EXPECT_EQ(block.value22, field(22));
    EXPECT_EQ(block.byte23, row->DataValue(23, 0).ToUI1());
    EXPECT_EQ(block.byte24, row->DataValue(24, 0).ToUI1());
    EXPECT_EQ(block.byte25, row->DataValue(25, 0).ToUI1());
    EXPECT_EQ(block.openingRef, field(26));
    EXPECT_EQ(block.value27, field(27));
    EXPECT_EQ(block.value28, field(28));
    EXPECT_EQ(block.marketNumber, field(29));
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(StocGateNowTest, FetchWithoutARowShowsTheCodeAndLeavesTheBlock) {
  Faults().ShortAnswer(kMultiPrice, 0);
  NowPrice block{};
  block.bar.close = 4321;
  EXPECT_EQ(gate.FetchNowPrice(&block, CodeAt(3)), 0);
  EXPECT_EQ(Messages(),
            std::vector<std::string>{"[" + std::string(CodeAt(3)) + "] - 지정한 종목상태를 얻지 못했습니다."});
  EXPECT_EQ(block.bar.close, 4321);
}

TEST_F(StocGateNowTest, FetchRefusedOrFailedLeavesTheBlock) {
  NowPrice block{};
  block.bar.close = 4321;
  Faults().Refuse(kMultiPrice, {7, "busy", " now"});
  EXPECT_EQ(gate.FetchNowPrice(&block, CodeAt(3)), 0);
  Faults().Clear();
  Faults().FailCall(kMultiPrice, sim::Method::kDataValue, broker::kTypeMismatch, 10);
  EXPECT_EQ(gate.FetchNowPrice(&block, CodeAt(3)), 0);
  EXPECT_EQ(block.bar.close, 4321);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"busy   now", Cp949ToUtf8(broker::ComErrorText(broker::kTypeMismatch))}));
}

TEST_F(StocGateNowTest, StockStateGivesTheValueOrNone) {
  EXPECT_TRUE(gate.StockState(CodeAt(0)).has_value());
  Faults().Refuse(kStockState, {1, "no", " state"});
  EXPECT_FALSE(gate.StockState(CodeAt(0)).has_value());
  Faults().Clear();
  Faults().FailCreation(kStockState, broker::kClassNotRegistered);
  EXPECT_FALSE(gate.StockState(CodeAt(0)).has_value());
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{"no   state", Cp949ToUtf8(broker::ComErrorText(broker::kClassNotRegistered))}));
}

class SnapshotFileTest : public StocGateNowTest {
 protected:
  testing::ScratchFolder folder;
  std::string path = folder.File("snapshot_round_trip.stn");
};

TEST_F(SnapshotFileTest, DownloadedSnapshotLoadsBackIdentical) {
  std::unique_ptr<NowGate> downloaded = gate.DownloadNowBook(*book, kNowKeyRateDown);
  ASSERT_NE(downloaded, nullptr);
  ASSERT_TRUE(downloaded->Save(path.c_str(), 0, 0));
  std::unique_ptr<NowGate> loaded = gate.LoadNowGroup(path.c_str(), kNowKeyRateDown);
  ASSERT_NE(loaded, nullptr);
  ASSERT_NO_FATAL_FAILURE(testing::AssertSameRecords(*loaded, *downloaded));
  EXPECT_EQ(loaded->LatestTime(), downloaded->LatestTime());
  EXPECT_TRUE(Messages().empty());
  EXPECT_EQ(gate.LoadNowGroup((path + ".missing").c_str(), 0), nullptr);
}

}  // namespace
}  // namespace ostrada
