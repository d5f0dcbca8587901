// The quote-book objects: the snapshot (ten levels with the change of each quantity since the book's
// previous change) and the real-time quote book (one event per change of a subscribed stock's book).
#include <memory>

#include "broker/clsid.h"
#include "broker/sim/objects/market_objects.h"

namespace ostrada::sim {
namespace {

using broker::Variant;

constexpr int kFirstLevels = 5;  // the third and fourth totals cover the five best levels

// The quantity change of a level against the same price in the previous picture (0 when the price is
// new there).
int32_t LevelChange(const QuoteLevel& level, const std::array<QuoteLevel, kBookLevels>& before) {
  if (level.price == 0) return 0;
  for (const QuoteLevel& old : before) {
    if (old.price == level.price) return level.quantity - old.quantity;
  }
  return 0;
}

class QuoteSnapshotObject : public MarketRequestBase {
 public:
  QuoteSnapshotObject(ExchangeContext& context, SharedMarket market)
      : MarketRequestBase(context, broker::clsid::kQuoteBookSnapshot), market_(std::move(market)) {}

 protected:
  void Serve(Answer& answer) override {
    Market& market = market_->Sync();
    const int index = StockOfInput(market, Input(0), answer);
    if (index < 0) return;
    const LiveBook& book = market.Book(index);
    const QuotePicture& now = book.Picture();
    const QuotePicture& before = book.Previous();
    const StockProfile& stock = market.Stock(index);
    answer.SetHeader(0, Variant::Text(stock.code));
    answer.SetHeader(1, Variant::Text(stock.name));
    answer.SetHeader(2, Variant::I4(market.State(index).price));
    answer.SetHeader(3, Variant::I2(static_cast<int16_t>(HhmmOf(market.Now()))));
    answer.SetHeader(4, Variant::I4(now.TotalAsk()));
    answer.SetHeader(5, Variant::I4(now.TotalAsk() - before.TotalAsk()));
    answer.SetHeader(6, Variant::I4(now.TotalBid()));
    answer.SetHeader(7, Variant::I4(now.TotalBid() - before.TotalBid()));
    answer.SetHeader(8, Variant::I4(now.TotalAsk(kFirstLevels)));
    answer.SetHeader(9, Variant::I4(now.TotalAsk(kFirstLevels) - before.TotalAsk(kFirstLevels)));
    answer.SetHeader(10, Variant::I4(now.TotalBid(kFirstLevels)));
    answer.SetHeader(11, Variant::I4(now.TotalBid(kFirstLevels) - before.TotalBid(kFirstLevels)));
    for (size_t i = 0; i < kBookLevels; ++i) {
      answer.AddRow({Variant::I4(now.asks[i].price), Variant::I4(now.bids[i].price), Variant::I4(now.asks[i].quantity),
                     Variant::I4(now.bids[i].quantity), Variant::I4(LevelChange(now.asks[i], before.asks)),
                     Variant::I4(LevelChange(now.bids[i], before.bids))});
    }
  }

 private:
  SharedMarket market_;
};

// Event headers: 0 code, 1 time HHMMSS, 2 cumulative volume, then per level (ask price, bid price,
// ask quantity, bid quantity): levels 0-4 at 3-22, the totals at 23-26, levels 5-9 at 27-46.
void SetQuoteHeaders(Answer& answer, const StockProfile& stock, int32_t timeMs, int32_t volume,
                     const QuotePicture& quote) {
  answer.SetHeader(0, Variant::Text(stock.code));
  answer.SetHeader(1, Variant::I4(HhmmssOf(timeMs)));
  answer.SetHeader(2, Variant::I4(volume));
  for (size_t i = 0; i < kBookLevels; ++i) {
    const int32_t first =
        i < kFirstLevels ? 3 + 4 * static_cast<int32_t>(i) : 27 + 4 * static_cast<int32_t>(i - kFirstLevels);
    answer.SetHeader(first, Variant::I4(quote.asks[i].price));
    answer.SetHeader(first + 1, Variant::I4(quote.bids[i].price));
    answer.SetHeader(first + 2, Variant::I4(quote.asks[i].quantity));
    answer.SetHeader(first + 3, Variant::I4(quote.bids[i].quantity));
  }
  answer.SetHeader(23, Variant::I4(quote.TotalAsk()));
  answer.SetHeader(24, Variant::I4(quote.TotalBid()));
  answer.SetHeader(25, Variant::I4(quote.TotalAsk(kFirstLevels)));
  answer.SetHeader(26, Variant::I4(quote.TotalBid(kFirstLevels)));
}

class QuoteLiveObject : public LiveRequest {
 public:
  QuoteLiveObject(ExchangeContext& context, SharedMarket market)
      : LiveRequest(context, broker::clsid::kQuoteBookLive, std::move(market)) {}

  void OnMarketEvent(const StockProfile& stock, const MarketEvent& event) override {
    SetQuoteHeaders(Current(), stock, event.timeMs, event.volume, event.quote);
    Fire();
  }

 protected:
  // A request answers the book of the code in input 0 as an event would carry it.
  void Serve(Answer& answer) override {
    Market& market = TheMarket();
    const int index = StockOfInput(market, Input(0), answer);
    if (index < 0) return;
    SetQuoteHeaders(answer, market.Stock(index), market.Now(), market.State(index).volume,
                    market.Book(index).Picture());
  }
};

}  // namespace

void RegisterQuoteObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedMarket& market) {
  registry.Register(broker::clsid::kQuoteBookSnapshot,
                    [&context, market] { return std::make_shared<QuoteSnapshotObject>(context, market); });
  registry.Register(broker::clsid::kQuoteBookLive,
                    [&context, market] { return std::make_shared<QuoteLiveObject>(context, market); });
}

}  // namespace ostrada::sim
