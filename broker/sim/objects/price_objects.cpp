// The current-price objects: the multi-stock current price (one row of thirty fields per known code,
// in the order asked) and the stock state.
#include <string_view>
#include <vector>

#include "basesrc/priceinfo.h"
#include "broker/clsid.h"
#include "broker/sim/objects/market_objects.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

constexpr size_t kMostCodes = 110;
constexpr int32_t kPriceFields = 30;
constexpr int32_t kStateHeader = 32;

// The comma-separated codes of the input; empty items are skipped.
std::vector<std::string_view> SplitCodes(std::string_view text) {
  std::vector<std::string_view> codes;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    if (!item.empty()) codes.push_back(item);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return codes;
}

// The sign of the change as the exchange marks it: '1' upper limit, '2' up, '3' unchanged,
// '4' lower limit, '5' down; 0 for a stock that does not trade today.
char ChangeSign(const DayState& state, const PriceLadder& ladder) {
  if (state.halted) return '\0';
  if (state.price == ladder.Upper() && state.price > state.previousClose) return '1';
  if (state.price == ladder.Lower() && state.price < state.previousClose) return '4';
  return state.price > state.previousClose ? '2' : state.price < state.previousClose ? '5' : '3';
}

std::vector<Variant> PriceRow(Market& market, int index) {
  const StockProfile& stock = market.Stock(index);
  StockDay& day = market.Day(index);
  const DayState state = market.State(index);
  const Market::VolumeReference volumes = market.Volumes(index);
  const QuotePicture book = market.Quote(index);
  // Traded value in millions of won; the first market reports it in tens of millions.
  const int64_t valueUnit = stock.market == '1' ? 10'000'000 : 1'000'000;
  std::vector<Variant> row(kPriceFields);
  row[0] = Variant::Text(stock.code);
  row[1] = Variant::Text(stock.name);
  row[2] = Variant::I4(HhmmOf(market.Now()));
  row[3] = Variant::I4(state.price);
  row[4] = Variant::I4(state.price - state.previousClose);
  row[5] = CharValue(ChangeSign(state, day.Ladder()));
  row[6] = Variant::I4(state.open);
  row[7] = Variant::I4(state.high);
  row[8] = Variant::I4(state.low);
  row[9] = Variant::I4(book.asks[0].price);
  row[10] = Variant::I4(book.bids[0].price);
  row[11] = Variant::I4(state.volume);
  row[12] = Variant::I4(static_cast<int32_t>(state.value / valueUnit));
  row[13] = Variant::I4(book.TotalAsk());
  row[14] = Variant::I4(book.TotalBid());
  row[15] = Variant::I4(state.contracts);
  row[16] = Variant::I4(state.expected);
  row[17] = Variant::I4(volumes.average);
  row[18] = Variant::I4(day.Ladder().Upper());
  row[19] = Variant::I4(state.previousClose);
  row[20] = Variant::I4(volumes.previous);
  row[21] = Variant::R4(ContractStrength(state.buyVolume, state.sellVolume));
  row[22] = Variant::I4(day.Ladder().Lower());
  row[23] = CharValue(stock.suspended ? '1' : '0');
  row[24] = CharValue(static_cast<char>(state.phase));
  row[25] = CharValue(state.volume > 0 ? state.lastSide : '\0');
  // The opening reference: the base price of a stock that can open today, 0 for one that cannot.
  row[26] = Variant::I4(state.halted ? 0 : state.previousClose);
  row[27] = Variant::I4(state.buyVolume);
  row[28] = Variant::I4(state.sellVolume);
  row[29] = Variant::I4(stock.market - '1');
  return row;
}

class MultiPriceObject : public CountedRequest {
 public:
  MultiPriceObject(ExchangeContext& context, SharedMarket market)
      : CountedRequest(context, broker::clsid::kMultiPrice, 0), market_(std::move(market)) {}

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    const Variant& input = Input(0);
    const std::string text = input.Type() == broker::VarType::kText ? input.ToText() : std::string();
    const std::vector<std::string_view> codes = SplitCodes(text);
    if (codes.empty()) return answer.Refuse(RefusalKind::kBadInput);
    if (codes.size() > kMostCodes) return answer.Refuse(RefusalKind::kTooManyCodes);
    for (std::string_view code : codes) {
      const int index = market.Find(code);
      if (index >= 0) answer.AddRow(PriceRow(market, index));  // an unknown code is left out
    }
  }

 private:
  SharedMarket market_;
};

// Header 32 is the trading state: 0 trading, 1 suspended, 2 halted for the day, 3 paused by its
// board's breaker. The headers before it describe the stock and its day; 33 and 34 tell the breaker's
// pause once it has begun: when trading stopped and when it resumes (HHMM, 0 without one).
class StockStateObject : public MarketRequestBase {
 public:
  StockStateObject(ExchangeContext& context, SharedMarket market)
      : MarketRequestBase(context, broker::clsid::kStockState), market_(std::move(market)) {}

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    const int index = StockOfInput(market, Input(0), answer);
    if (index < 0) return;
    const StockProfile& stock = market.Stock(index);
    const DayState state = market.State(index);
    answer.SetHeader(0, Variant::Text(stock.code));
    answer.SetHeader(1, Variant::Text(stock.name));
    answer.SetHeader(2, CharValue(stock.market));
    answer.SetHeader(3, Variant::I4(state.previousClose));
    answer.SetHeader(4, Variant::I4(market.Day(index).Ladder().Upper()));
    answer.SetHeader(5, Variant::I4(market.Day(index).Ladder().Lower()));
    answer.SetHeader(6, CharValue(static_cast<char>(state.phase)));
    answer.SetHeader(kStateHeader, Variant::I2(stock.suspended ? 1 : state.halted ? 2 : state.paused ? 3 : 0));
    const TradingPause& pause = market.Day(index).Pause();
    const bool begun = pause.Tripped() && market.Now() >= pause.StartMs();
    answer.SetHeader(kStateHeader + 1, Variant::I4(begun ? HhmmOf(pause.StartMs()) : 0));
    answer.SetHeader(kStateHeader + 2, Variant::I4(begun ? HhmmOf(pause.EndMs()) : 0));
  }

 private:
  SharedMarket market_;
};

}  // namespace

void RegisterPriceObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market) {
  registry.Register(broker::clsid::kMultiPrice,
                    [&context, market] { return std::make_shared<MultiPriceObject>(context, market); });
  registry.Register(broker::clsid::kStockState,
                    [&context, market] { return std::make_shared<StockStateObject>(context, market); });
}

}  // namespace ostrada::sim
