// The contract window on the embedded exchange: history pages, continuation, live contracts, and
// every failure the window meets, reached by the exchange's fault injection.
#include <gtest/gtest.h>

#include <QPushButton>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "app/confrm.h"
#include "app/contbl.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/sim/exchange.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/market/faults.h"
#include "broker/sim/market/listing.h"
#include "tests/support/busiest_stock.h"
#include "tests/support/recording_sink.h"
#include "tests/support/render.h"

namespace ostrada {
namespace {

using broker::clsid::kContractHistory;
using broker::clsid::kContractsLive;

// One history record as the exchange serves it, for comparing with what the window shows.
struct Served {
  int32_t timeHHMMSS;
  char phase;
  int32_t price, change, tickVolume;
  char side;
};

class ContractExchangeTest : public ::testing::Test {
 protected:
  ContractExchangeTest() : exchange_(Options()), serverScope_(exchange_), clockScope_(exchange_.Time()) {
    book_ = StocGate().DownloadCodes(kSortByName, 1);
    for (const sim::ListedStock& stock : exchange_.Stocks().All()) {
      if (!stock.IsSuspended() && stock.liquidity >= 6 && book_->FindByCode(stock.code.c_str()) != nullptr) {
        code_ = stock.code;
        break;
      }
    }
  }

  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.seed = 11;
    options.stocks = 40;
    options.tradingDate = 20261208;
    return options;
  }

  void AdvanceMinutes(int minutes) { exchange_.Advance(minutes * 60'000LL); }

  void Open() {
    dialog_ = std::make_unique<CConDlg>(book_.get());
    frame_ = dialog_->Frame();
  }

  // Every record of the stock's history as of now, page by page, newest first.
  std::vector<std::vector<Served>> ServedPages() {
    auto history = broker::CreateAs<broker::IMarketRequest>(kContractHistory);
    history->SetInput(0, broker::Variant::Text(code_));
    history->SetInput(1, broker::Variant::I4(0));
    history->SetInput(2, broker::Variant::I2(80));
    std::vector<std::vector<Served>> pages;
    do {
      history->Request();
      std::vector<Served> page;
      const int32_t rows = history->HeaderValue(2).ToI4();
      for (int32_t i = 0; i < rows; ++i) {
        page.push_back({history->DataValue(9, i).ToI4(), static_cast<char>(history->DataValue(10, i).ToUI1()),
                        history->DataValue(4, i).ToI4(), history->DataValue(1, i).ToI4(),
                        history->DataValue(6, i).ToI4(), static_cast<char>(history->DataValue(7, i).ToUI1())});
      }
      pages.push_back(page);
    } while (history->MoreData() != 0);
    return pages;
  }

  static int RegularRows(const std::vector<Served>& page) {
    int rows = 0;
    for (const Served& record : page) rows += record.phase == '2' ? 1 : 0;
    return rows;
  }

  ContractListModel& Model() { return frame_->Table()->Model(); }
  int Rows() { return Model().rowCount(); }
  QPushButton* Button(int id) { return frame_->findChild<QPushButton*>(QStringLiteral("button%1").arg(id)); }
  std::vector<std::string> Messages() { return recorder_.sink.Texts(); }

  // The time column as HHMMSS numbers, top first.
  std::vector<int32_t> Times() {
    std::vector<int32_t> times;
    for (int row = 0; row < Rows(); ++row) {
      const std::string text = Model().CellText(row, ContractListModel::kTime);
      times.push_back(std::stoi(text.substr(0, 2)) * 10000 + std::stoi(text.substr(3, 2)) * 100 +
                      std::stoi(text.substr(6, 2)));
    }
    return times;
  }
  static bool NewestFirst(const std::vector<int32_t>& times) { return std::is_sorted(times.rbegin(), times.rend()); }

  testing::RecordingScope recorder_;
  sim::Exchange exchange_;
  broker::ScopedServer serverScope_;
  ScopedTimeSource clockScope_;
  std::unique_ptr<CodeInfoList> book_;
  std::string code_;
  std::unique_ptr<CConDlg> dialog_;
  CConFrm* frame_ = nullptr;
};

TEST_F(ContractExchangeTest, FirstPageThenLiveContractsAtTheTop) {
  ASSERT_FALSE(code_.empty());
  AdvanceMinutes(90);
  Open();
  const std::vector<std::vector<Served>> pages = ServedPages();
  ASSERT_GT(pages.size(), 1u);
  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  EXPECT_EQ(Rows(), RegularRows(pages[0]));
  EXPECT_TRUE(NewestFirst(Times()));
  EXPECT_EQ(Times().front(), pages[0].front().timeHHMMSS);

  const int before = Rows();
  AdvanceMinutes(5);
  EXPECT_GT(Rows(), before);
  EXPECT_TRUE(NewestFirst(Times()));
  EXPECT_GE(Times().front(), 103000);
  // Each live row says what the history now tells of the same contract: a seller's amount negative.
  std::vector<Served> regular;
  for (const std::vector<Served>& page : ServedPages()) {
    for (const Served& record : page) {
      if (record.phase == '2') regular.push_back(record);
    }
  }
  ASSERT_GE(regular.size(), static_cast<size_t>(Rows() - before));
  for (int row = 0; row < Rows() - before; ++row) {
    const ContractRow& shown = Model().Row(row);
    const Served& served = regular[static_cast<size_t>(row)];
    EXPECT_EQ(shown.timeHHMMSS, served.timeHHMMSS) << row;
    EXPECT_EQ(shown.price, served.price) << row;
    EXPECT_EQ(shown.change, served.change) << row;
    EXPECT_EQ(shown.amount, served.side == '2' ? -served.tickVolume : served.tickVolume) << row;
  }
  EXPECT_TRUE(Messages().empty());
}

// Left open overnight, the list holds the new day's contracts only, as a fresh load does: yesterday's
// leave at the day's start, long before today's first contract, and no price of yesterday's stands
// below today's.
TEST_F(ContractExchangeTest, OvernightTheListHoldsTheNewDayOnly) {
  ASSERT_FALSE(code_.empty());
  AdvanceMinutes(6 * 60 + 10);  // 15:10, after the close
  Open();
  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  ASSERT_GT(Rows(), 0);

  AdvanceMinutes(16 * 60);  // 07:10 the next day
  ASSERT_EQ(exchange_.Clock().Date(), 20261209);
  int served = 0;
  for (const std::vector<Served>& page : ServedPages()) served += RegularRows(page);
  ASSERT_EQ(served, 0);
  EXPECT_EQ(Rows(), 0);

  AdvanceMinutes(140);  // 09:30
  std::vector<Served> regular;
  for (const std::vector<Served>& page : ServedPages()) {
    for (const Served& record : page) {
      if (record.phase == '2') regular.push_back(record);
    }
  }
  ASSERT_GT(regular.size(), 1u);
  ASSERT_EQ(Rows(), static_cast<int>(regular.size()));
  EXPECT_EQ(Times().back(), 90000);
  for (int row = 0; row < Rows(); ++row) {
    const ContractRow& shown = Model().Row(row);
    const Served& record = regular[static_cast<size_t>(row)];
    EXPECT_EQ(shown.timeHHMMSS, record.timeHHMMSS) << row;
    EXPECT_EQ(shown.price, record.price) << row;
    EXPECT_EQ(shown.change, record.change) << row;
  }
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractExchangeTest, AllPagesShowsTheWholeDayNewestFirst) {
  AdvanceMinutes(120);
  Open();
  const std::vector<std::vector<Served>> pages = ServedPages();
  ASSERT_GT(pages.size(), 2u);
  int regular = 0;
  for (const auto& page : pages) regular += RegularRows(page);

  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  Button(1387)->click();
  EXPECT_EQ(Rows(), regular);
  EXPECT_TRUE(NewestFirst(Times()));
  EXPECT_EQ(Times().back(), 90000);
  EXPECT_TRUE(frame_->Feed().Subscribed());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractExchangeTest, NextPageOfCallAuctionRecordsAddsNoRow) {
  Open();  // the session opens at 09:00:00: before it lies the pre-open auction
  const std::vector<std::vector<Served>> pages = ServedPages();
  ASSERT_GT(pages.size(), 1u);
  ASSERT_EQ(RegularRows(pages[1]), 0);
  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  EXPECT_EQ(Rows(), RegularRows(pages[0]));
  const int before = Rows();
  Button(1388)->click();
  EXPECT_EQ(Rows(), before);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(ContractExchangeTest, NextPageBeepsBeforeAnyStockAndAfterARefusal) {
  Open();
  Button(1388)->click();
  EXPECT_EQ(recorder_.sink.beeps, 1);

  sim::Refusal refusal{12, "\xC1\xB6\xC8\xB8 \xBA\xD2\xB0\xA1", "(12)"};  // "조회 불가"
  exchange_.Faults().Refuse(kContractHistory, refusal);
  EXPECT_EQ(frame_->SelectStock(code_.c_str(), 0), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  // Both texts in one box, in order, without the blanks the server leaves at the end.
  EXPECT_EQ(messages[0].rfind("조회 불가", 0), 0u);
  EXPECT_EQ(messages[0].substr(messages[0].size() - 4), "(12)");
  EXPECT_NE(messages[1].find("app/contbl"), std::string::npos);
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(frame_->Feed().Subscribed());

  const int beeps = recorder_.sink.beeps;
  Button(1388)->click();
  EXPECT_EQ(recorder_.sink.beeps, beeps + 1);
  EXPECT_EQ(Messages().size(), 2u);
}

TEST_F(ContractExchangeTest, FailedCreationOfTheHistoryObjectIsShown) {
  Open();
  exchange_.Faults().FailCreation(kContractHistory, broker::kEOutOfMemory);
  EXPECT_EQ(frame_->SelectStock(code_.c_str(), 0), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], Cp949ToUtf8(broker::ComError(broker::kEOutOfMemory).Description()));
  EXPECT_NE(messages[1].find("app/contbl"), std::string::npos);
  EXPECT_FALSE(frame_->Feed().Subscribed());
}

TEST_F(ContractExchangeTest, FailedPageDuringAllPagesKeepsTheRowsShown) {
  AdvanceMinutes(120);
  Open();
  const std::vector<std::vector<Served>> pages = ServedPages();
  ASSERT_GT(pages.size(), 2u);
  exchange_.Faults().FailPage(kContractHistory, 3, broker::kServerUnavailable);
  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  Button(1387)->click();
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], Cp949ToUtf8(broker::ComError(broker::kServerUnavailable).Description()));
  EXPECT_NE(messages[1].find("app/contbl"), std::string::npos);
  EXPECT_EQ(Rows(), RegularRows(pages[0]) + RegularRows(pages[1]));
  EXPECT_FALSE(frame_->Feed().Subscribed());
}

TEST_F(ContractExchangeTest, FailedReadOfARowIsShown) {
  AdvanceMinutes(30);
  Open();
  exchange_.Faults().FailCall(kContractHistory, sim::Method::kDataValue, broker::kTypeMismatch, 5);
  EXPECT_EQ(frame_->SelectStock(code_.c_str(), 0), 0);
  const std::vector<std::string> messages = Messages();
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0], Cp949ToUtf8(broker::ComError(broker::kTypeMismatch).Description()));
  EXPECT_EQ(Rows(), 0);
}

TEST_F(ContractExchangeTest, LiveObjectThatCannotBeCreatedIsShownAndTheHistoryStillLoads) {
  exchange_.Faults().FailCreation(kContractsLive, broker::kClassNotRegistered);
  AdvanceMinutes(30);
  Open();
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], Cp949ToUtf8(broker::ComError(broker::kClassNotRegistered).Description()));
  recorder_.sink.Clear();
  EXPECT_EQ(frame_->SelectStock(code_.c_str(), 0), 0);  // shown, but never live
  EXPECT_GT(Rows(), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_NE(Messages()[0].find("app/wndconpower"), std::string::npos);
}

TEST_F(ContractExchangeTest, RefusedSubscriptionIsShown) {
  AdvanceMinutes(30);
  Open();
  exchange_.Faults().FailCall(kContractsLive, sim::Method::kSubscribe, broker::kEFail);
  EXPECT_EQ(frame_->SelectStock(code_.c_str(), 0), 0);
  EXPECT_GT(Rows(), 0);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0], Cp949ToUtf8(broker::ComError(broker::kEFail).Description()));
  EXPECT_FALSE(frame_->Feed().Subscribed());
}

TEST_F(ContractExchangeTest, StoppedEventsStopTheRows) {
  AdvanceMinutes(30);
  Open();
  ASSERT_EQ(frame_->SelectStock(code_.c_str(), 0), 1);
  exchange_.Faults().StopEvents(kContractsLive);
  const int before = Rows();
  AdvanceMinutes(5);
  EXPECT_EQ(Rows(), before);
  EXPECT_TRUE(Messages().empty());
}

// A picture for a person to look at, after the close on the day's busiest stock: the closing auction's
// contract on top, the widest quantity of the day.
TEST_F(ContractExchangeTest, RendersAtTheCloseOnTheBusiestStock) {
  exchange_.Advance(testing::kFromOpeningToAfterTheClose);
  Open();
  ASSERT_EQ(frame_->SelectStock(testing::BusiestCode(*book_).c_str(), 0), 1);
  dialog_->show();
  EXPECT_FALSE(testing::RenderToPng(*dialog_, "contract_window.png").isEmpty());
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
}  // namespace ostrada
