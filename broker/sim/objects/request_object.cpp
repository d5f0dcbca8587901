#include "broker/sim/objects/request_object.h"

#include <vector>

#include "basesrc/foundation/texts.h"

namespace ostrada::sim {
namespace {

// Status texts arrive in fixed-width fields, blank-padded; the client trims them.
constexpr size_t kStatusTextPadding = 2;

std::string Padded(const std::string& text) {
  return text + std::string(kStatusTextPadding, ' ');
}


}  // namespace

uint32_t EventConnectionPoint::Advise(broker::IEventSink* sink) {
  if (check_) check_();
  if (sink == nullptr) throw broker::ComError(broker::kEInvalidArg);
  const uint32_t cookie = nextCookie_++;
  sinks_.emplace(cookie, sink);
  return cookie;
}

void EventConnectionPoint::Unadvise(uint32_t cookie) {
  if (sinks_.erase(cookie) == 0) throw broker::ComError(kNoConnection);
}

void EventConnectionPoint::Fire() {
  std::vector<uint32_t> cookies;
  for (const auto& entry : sinks_) cookies.push_back(entry.first);
  for (uint32_t cookie : cookies) {
    auto found = sinks_.find(cookie);
    if (found != sinks_.end()) found->second->Received();
  }
}

void Answer::SetTexts(std::string text1, std::string text2) {
  text1_ = std::move(text1);
  text2_ = std::move(text2);
}

void Answer::Refuse(const Refusal& refusal) {
  *this = Answer();
  status_ = refusal.status;
  text1_ = Padded(refusal.text1);
  text2_ = Padded(refusal.text2);
}

void Answer::Truncate(size_t rows) {
  if (rows < rows_.size()) rows_.resize(rows);
}

broker::Variant Answer::Header(int32_t index) const {
  auto found = header_.find(index);
  return found == header_.end() ? broker::Variant() : found->second;
}

broker::Variant Answer::Data(int32_t field, int32_t row) const {
  if (row < 0 || static_cast<size_t>(row) >= rows_.size()) return {};
  const auto& fields = rows_[static_cast<size_t>(row)];
  if (field < 0 || static_cast<size_t>(field) >= fields.size()) return {};
  return fields[static_cast<size_t>(field)];
}

MarketRequestBase::MarketRequestBase(ExchangeContext& context, const broker::Guid& clsid)
    : RequestBase(context, clsid), events_([this] { Check(Method::kAdvise); }) {}

void MarketRequestBase::Subscribe() {
  Check(Method::kSubscribe);
  subscribed_ = true;
  OnSubscribe();
}

void MarketRequestBase::Unsubscribe() {
  Check(Method::kUnsubscribe);
  OnUnsubscribe();
  subscribed_ = false;
}

void MarketRequestBase::Fire() {
  if (!Context().Faults().DeliverEvent(Clsid())) return;
  events_.Fire();
}

}  // namespace ostrada::sim
