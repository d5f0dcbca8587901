#include "broker/sim/market_service.h"

#include <vector>

#include "broker/comerror.h"

namespace ostrada::sim {

std::vector<StockProfile> ProfilesOf(const Listing& listing) {
  std::vector<StockProfile> profiles;
  profiles.reserve(listing.Size());
  for (const ListedStock& listed : listing.All()) {
    StockProfile profile;
    profile.code = listed.code;
    profile.name = listed.name;
    profile.market = listed.market;
    profile.suspended = listed.IsSuspended();
    profile.seed = listed.seed;
    profile.priceLevel = listed.basePrice;
    profile.contractsPerSecond = ContractsPerSecond(listed.liquidity);
    profile.listedShares = static_cast<int64_t>(listed.number2) * 1000;
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

MarketService::MarketService(ExchangeContext& context)
    : context_(context),
      market_(ProfilesOf(context.Stocks()), context.Seed()),
      listener_(context.OnAdvance([this](int64_t) { Sync(); })) {
  Sync();
}

MarketService::~MarketService() {
  context_.Clock().RemoveListener(listener_);
}

Market& MarketService::Sync() {
  const ExchangeClock& clock = context_.Clock();
  market_.Sync(clock.Date(), clock.TimeOfDay());
  return market_;
}

broker::Variant CharValue(char c) {
  return broker::Variant::UI1(static_cast<uint8_t>(c));
}

char InputChar(const broker::Variant& input) {
  if (input.Type() == broker::VarType::kText) {
    const std::string text = input.ToText();
    return text.empty() ? '\0' : text[0];
  }
  return input.IsEmpty() ? '\0' : static_cast<char>(input.ToUI1());
}

int CodeIndex(Market& market, const broker::Variant& input) {
  return input.Type() == broker::VarType::kText ? market.Find(input.ToText()) : -1;
}

int StockOfInput(Market& market, const broker::Variant& input, Answer& answer) {
  const int index = CodeIndex(market, input);
  if (index < 0) answer.Refuse(RefusalKind::kUnknownCode);
  return index;
}

int32_t CountInput(const broker::Variant& input, int32_t most) {
  if (input.IsEmpty() || input.Type() == broker::VarType::kText) return 0;
  const int32_t count = input.ToI4();
  return count > 0 && count <= most ? count : 0;
}

int16_t CountedRequest::Request() {
  const int16_t status = MarketRequestBase::Request();
  if (status == 0) Current().SetHeader(countHeader_, broker::Variant::I4(static_cast<int32_t>(Current().RowCount())));
  return status;
}

LiveRequest::~LiveRequest() {
  market_->Current().UnsubscribeAll(this);
}

void LiveRequest::OnSubscribe() {
  Market& market = market_->Sync();
  const int index = CodeIndex(market, Input(0));
  if (index >= 0) market.Subscribe(index, this);
}

void LiveRequest::OnUnsubscribe() {
  Market& market = market_->Sync();
  const broker::Variant& input = Input(0);
  if (input.IsEmpty() || (input.Type() == broker::VarType::kText && input.ToText().empty())) {
    market.UnsubscribeAll(this);
    return;
  }
  const int index = CodeIndex(market, Input(0));
  if (index >= 0) market.Unsubscribe(index, this);
}

}  // namespace ostrada::sim
