// No value label of the quote and contract windows cuts what it shows: the busiest stocks of a whole
// market at the close go through every window, and each label's text must fit its width.
#include <gtest/gtest.h>

#include <QLabel>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "app/callfrm.h"
#include "app/confrm.h"
#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/nowgate.h"
#include "basesrc/stocgate.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

constexpr int32_t kTradingDate = 20261208;

sim::ExchangeOptions AtTheClose() {
  sim::ExchangeOptions options;
  options.tradingDate = kTradingDate;
  options.clock = sim::ClockMode::kLive;
  const int64_t moment = sim::KoreanUnixMilliseconds(kTradingDate, 15 * sim::kMillisecondsPerHour + 1'800'000);
  options.wallClock = [moment] { return moment; };
  return options;
}

// The names of the stocks that hold the largest volume, price, rise and fall of the day.
std::set<std::string> BusiestNames(const NowGate& day) {
  const NowInfo* most[4] = {day.First(), day.First(), day.First(), day.First()};
  for (const NowInfo* stock = day.First(); stock != nullptr; stock = stock->next) {
    const PriceBar& bar = stock->price.bar;
    if (static_cast<uint32_t>(bar.volume) > static_cast<uint32_t>(most[0]->price.bar.volume)) most[0] = stock;
    if (bar.close > most[1]->price.bar.close) most[1] = stock;
    if (bar.change > most[2]->price.bar.change) most[2] = stock;
    if (bar.change < most[3]->price.bar.change) most[3] = stock;
  }
  std::set<std::string> names;
  for (const NowInfo* stock : most) names.insert(stock->key.name.get());
  return names;
}

void ExpectEveryLabelFits(const QWidget& window, const std::string& stock) {
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
        << window.objectName().toStdString() << " " << label->objectName().toStdString() << " \""
        << label->text().toStdString() << "\" of " << Cp949ToUtf8(stock);
  }
}

TEST(LabelsFit, TheBusiestStocksAtTheCloseShowWhole) {
  testing::RecordingScope recording;
  sim::Exchange exchange(AtTheClose());
  broker::ScopedServer server(exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByName, 0);
  ASSERT_NE(book, nullptr);
  std::unique_ptr<NowGate> day = gate.DownloadNowBook(*book, kNowKeyArrival);
  ASSERT_NE(day, nullptr);
  ASSERT_GT(day->Count(), 0);

  for (const std::string& name : BusiestNames(*day)) {
    for (int mode : {1, 0}) {
      CCallDlg quotes(book.get(), mode);
      ASSERT_EQ(quotes.Form().SetStock(name, {}), 1);
      ExpectEveryLabelFits(quotes, name);
    }
    CConDlg contracts(book.get());
    ASSERT_EQ(contracts.Frame()->SelectStock(name.c_str(), 1), 1);
    ExpectEveryLabelFits(contracts, name);
  }
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
