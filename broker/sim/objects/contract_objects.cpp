// The contract objects: the contract history (pages of records, newest first, continued through the
// more-data flag) and the real-time contracts of every subscribed stock.
#include <memory>
#include <vector>

#include "broker/clsid.h"
#include "broker/sim/objects/market_objects.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

constexpr int32_t kRowCountHeader = 2;
constexpr int32_t kMostRowsPerPage = 500;

std::vector<Variant> HistoryRow(const Trade& trade, int32_t previousClose) {
  return {Variant::I4(HhmmOf(trade.timeMs)),
          Variant::I4(trade.price - previousClose),
          Variant::I4(trade.ask),
          Variant::I4(trade.bid),
          Variant::I4(trade.price),
          Variant::I4(trade.volume),
          Variant::I4(trade.quantity),
          CharValue(trade.side),
          Variant::R4(ContractStrength(trade.buyVolume, trade.sellVolume)),
          Variant::I4(HhmmssOf(trade.timeMs)),
          CharValue(static_cast<char>(trade.phase))};
}

// Inputs: 0 the code, 1 unused (0), 2 rows per page. The first request after the inputs are set
// answers the newest records up to now; each further request continues with the next older page
// while the more-data flag is set.
class ContractHistoryObject : public CountedRequest {
 public:
  ContractHistoryObject(ExchangeContext& context, SharedMarket market)
      : CountedRequest(context, broker::clsid::kContractHistory, kRowCountHeader), market_(std::move(market)) {}

  void SetInput(int32_t index, const Variant& value) override {
    CountedRequest::SetInput(index, value);
    remaining_ = -1;
  }

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    const int index = StockOfInput(market, Input(0), answer);
    if (index < 0) return;
    const int32_t perPage = CountInput(Input(2), kMostRowsPerPage);
    if (perPage == 0) return answer.Refuse(RefusalKind::kBadCount);
    StockDay& day = market.Day(index);
    if (remaining_ < 0) {
      remaining_ = day.CountAt(market.Now());
      date_ = market.TradingDate();
    } else if (date_ != market.TradingDate()) {
      // The tape this continues was another day's: the new day has nothing older to add to it.
      remaining_ = 0;
    }
    const int32_t rows = std::min(perPage, remaining_);
    std::vector<Trade> records;
    day.Records(remaining_ - rows, rows, records);
    for (auto it = records.rbegin(); it != records.rend(); ++it) answer.AddRow(HistoryRow(*it, day.PreviousClose()));
    remaining_ -= rows;
    answer.SetHeader(0, Variant::Text(market.Stock(index).code));
    answer.SetHeader(1, Variant::Text(market.Stock(index).name));
    answer.SetMoreData(remaining_ > 0);
  }

 private:
  SharedMarket market_;
  int32_t remaining_ = -1;  // records not yet sent, older than the last page; -1: start anew
  int32_t date_ = 0;        // the trading day of those records
};

// Event headers: 0 code, 1 name, 2 change, 3 time HHMM, 4 previous close, 5 cumulative buy volume,
// 6 cumulative sell volume, 7 best ask, 8 best bid, 9 cumulative volume, 13 price, 14 side,
// 16 contract strength, 17 quantity, 18 time HHMMSS, 19 phase.
class ContractLiveObject : public LiveRequest {
 public:
  ContractLiveObject(ExchangeContext& context, SharedMarket market)
      : LiveRequest(context, broker::clsid::kContractsLive, std::move(market)) {}

  void OnMarketEvent(const StockProfile& stock, const MarketEvent& event) override {
    if (event.kind != MarketEvent::Kind::kContract) return;
    const Trade& trade = event.trade;
    const int32_t previousClose = event.previousClose;
    Answer& answer = Current();
    answer.SetHeader(0, Variant::Text(stock.code));
    answer.SetHeader(1, Variant::Text(stock.name));
    answer.SetHeader(2, Variant::I4(trade.price - previousClose));
    answer.SetHeader(3, Variant::I4(HhmmOf(trade.timeMs)));
    answer.SetHeader(4, Variant::I4(previousClose));
    answer.SetHeader(5, Variant::I4(trade.buyVolume));
    answer.SetHeader(6, Variant::I4(trade.sellVolume));
    answer.SetHeader(7, Variant::I4(trade.ask));
    answer.SetHeader(8, Variant::I4(trade.bid));
    answer.SetHeader(9, Variant::I4(trade.volume));
    answer.SetHeader(13, Variant::I4(trade.price));
    answer.SetHeader(14, CharValue(trade.side));
    answer.SetHeader(16, Variant::R4(ContractStrength(trade.buyVolume, trade.sellVolume)));
    answer.SetHeader(17, Variant::I4(trade.quantity));
    answer.SetHeader(18, Variant::I4(HhmmssOf(trade.timeMs)));
    answer.SetHeader(19, CharValue(static_cast<char>(trade.phase)));
    Fire();
  }

 protected:
  // A request on the real-time object answers nothing of its own; the headers are the last event's.
  void Serve(Answer& answer) override { answer = Current(); }
};

}  // namespace

void RegisterContractObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market) {
  registry.Register(broker::clsid::kContractHistory,
                    [&context, market] { return std::make_shared<ContractHistoryObject>(context, market); });
  registry.Register(broker::clsid::kContractsLive,
                    [&context, market] { return std::make_shared<ContractLiveObject>(context, market); });
}

}  // namespace ostrada::sim
