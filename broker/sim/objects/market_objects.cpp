#include "broker/sim/objects/market_objects.h"

#include <memory>

#include "broker/comerror.h"

namespace ostrada::sim {

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

std::shared_ptr<MarketService> RegisterMarketObjects(ObjectRegistry& registry, ExchangeContext& context) {
  // The factories share the market, so it lives as long as the registry (and the objects it made).
  auto market = std::make_shared<MarketService>(context);
  RegisterPriceObjects(registry, context, market);
  RegisterQuoteObjects(registry, context, market);
  RegisterContractObjects(registry, context, market);
  RegisterChartObjects(registry, context, market);
  return market;
}

}  // namespace ostrada::sim
