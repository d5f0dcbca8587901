#include "broker/sim/market/faults.h"

#include "basesrc/foundation/texts.h"

namespace ostrada::sim {
namespace {

struct RefusalText {
  RefusalKind kind;
  bool order;
  Txt reason;
};
constexpr RefusalText kRefusalTexts[] = {
    {RefusalKind::kUnknownCode, false, Txt::kExUnknownCode},
    {RefusalKind::kTooManyCodes, false, Txt::kExTooManyCodes},
    {RefusalKind::kBadCount, false, Txt::kExBadCount},
    {RefusalKind::kBadInput, false, Txt::kExBadInput},
    {RefusalKind::kMarketClosed, true, Txt::kExMarketClosed},
    {RefusalKind::kSuspended, true, Txt::kExSuspended},
    {RefusalKind::kNotInitialised, true, Txt::kExNotInitialised},
    {RefusalKind::kInsufficientCash, true, Txt::kExInsufficientCash},
    {RefusalKind::kInsufficientHoldings, true, Txt::kExInsufficientHoldings},
    {RefusalKind::kUnknownOrder, true, Txt::kExUnknownOrder},
    {RefusalKind::kBadPrice, true, Txt::kExBadPrice},
    {RefusalKind::kBadQuantity, true, Txt::kExBadQuantity},
};

}  // namespace

Refusal MakeRefusal(RefusalKind kind) {
  for (const RefusalText& row : kRefusalTexts) {
    if (row.kind == kind) {
      return Refusal{static_cast<int16_t>(kind), Text(row.order ? Txt::kExOrderRefused : Txt::kExQueryRefused),
                     Text(row.reason)};
    }
  }
  return Refusal{static_cast<int16_t>(kind), Text(Txt::kExQueryRefused), Text(Txt::kExBadInput)};
}


using broker::ComError;
using broker::Guid;
using broker::HResult;

void FaultPlan::FailCreation(const Guid& clsid, HResult code) {
  creation_[clsid] = code;
}

void FaultPlan::FailCall(const Guid& clsid, Method method, HResult code, int skip, std::string description) {
  calls_[{clsid, method}] = CallFault{code, skip, std::move(description)};
}

void FaultPlan::Refuse(const Guid& clsid, Refusal refusal) {
  refusals_[clsid] = std::move(refusal);
}

void FaultPlan::ShortAnswer(const Guid& clsid, int rows) {
  shortAnswers_[clsid] = rows < 0 ? 0 : rows;
}

void FaultPlan::StopEvents(const Guid& clsid, int after) {
  eventStops_[clsid] = EventStop{after};
}

void FaultPlan::FailPage(const Guid& clsid, int page, HResult code) {
  pages_[clsid] = {page, code};
}

void FaultPlan::OverrideAttribute(const std::string& code, int slot, broker::Variant value) {
  attributes_[{code, slot}] = std::move(value);
}

void FaultPlan::EmptyMarketAnswer(const std::string& code) {
  OverrideAttribute(code, 18, broker::Variant::Text(""));
}

void FaultPlan::OutOfRangeClass(const std::string& code, int slot) {
  OverrideAttribute(code, slot, broker::Variant::Text("9"));
}

void FaultPlan::OverrideListData(int16_t type, int16_t index, broker::Variant value) {
  listData_[{type, index}] = std::move(value);
}

void FaultPlan::ArmCustom(const Guid& clsid, const std::string& name, int64_t parameter) {
  custom_[{clsid, name}] = parameter;
}

std::optional<int64_t> FaultPlan::Custom(const Guid& clsid, const std::string& name) const {
  auto found = custom_.find({clsid, name});
  if (found == custom_.end()) return std::nullopt;
  return found->second;
}

void FaultPlan::Clear() {
  *this = FaultPlan();
}

void FaultPlan::CheckCreation(const Guid& clsid) const {
  auto found = creation_.find(clsid);
  if (found != creation_.end()) throw ComError(found->second);
}

void FaultPlan::CheckCall(const Guid& clsid, Method method) {
  auto found = calls_.find({clsid, method});
  if (found == calls_.end()) return;
  CallFault& fault = found->second;
  if (fault.calls++ < fault.skip) return;
  throw ComError(fault.code, fault.description);
}

void FaultPlan::CheckPage(const Guid& clsid, int page) const {
  auto found = pages_.find(clsid);
  if (found != pages_.end() && found->second.first == page) throw ComError(found->second.second);
}

const Refusal* FaultPlan::RefusalFor(const Guid& clsid) const {
  auto found = refusals_.find(clsid);
  return found == refusals_.end() ? nullptr : &found->second;
}

std::optional<int> FaultPlan::ShortAnswerRows(const Guid& clsid) const {
  auto found = shortAnswers_.find(clsid);
  if (found == shortAnswers_.end()) return std::nullopt;
  return found->second;
}

bool FaultPlan::DeliverEvent(const Guid& clsid) {
  auto found = eventStops_.find(clsid);
  if (found == eventStops_.end()) return true;
  EventStop& stop = found->second;
  if (stop.delivered >= stop.after) return false;
  ++stop.delivered;
  return true;
}

const broker::Variant* FaultPlan::AttributeOverride(const std::string& code, int slot) const {
  auto found = attributes_.find({code, slot});
  return found == attributes_.end() ? nullptr : &found->second;
}

const broker::Variant* FaultPlan::ListDataOverride(int16_t type, int16_t index) const {
  auto found = listData_.find({type, index});
  return found == listData_.end() ? nullptr : &found->second;
}

}  // namespace ostrada::sim
