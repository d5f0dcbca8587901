#include "basesrc/liveday.h"

namespace ostrada {

bool IsSessionTrade(const ContractRecord& record) {
  return record.phase == kRegularPhase;
}

LiveDayStep FollowLiveDay(const DayFigures& shown, const ContractRecord& record) {
  const int32_t previousClose = record.price - record.change;
  LiveDayStep step;
  step.newDay = previousClose != shown.PreviousClose() || record.volume < shown.volume;
  step.trade = IsSessionTrade(record);
  if (step.trade || record.phase == kOutsidePhase) {
    step.figures = {record.price, record.change, record.volume};
  } else {
    step.figures = step.newDay ? DayFigures{previousClose, 0, record.volume} : shown;
  }
  return step;
}

ContractRecord ReadLiveContract(broker::IMarketRequest& object, std::string* code, std::string* name) {
  ContractRecord record{};
  *code = object.HeaderValue(live::kCode).ToText();
  *name = object.HeaderValue(live::kName).ToText();
  record.timeHHMM = object.HeaderValue(live::kTimeHHMM).ToI4();
  record.timeHHMMSS = object.HeaderValue(live::kTimeHHMMSS).ToI4();
  record.aux1 = object.HeaderValue(live::kAux1).ToI4();
  record.aux2 = object.HeaderValue(live::kAux2).ToI4();
  record.price = object.HeaderValue(live::kPrice).ToI4();
  record.change = object.HeaderValue(live::kChange).ToI4();
  record.volume = object.HeaderValue(live::kVolume).ToI4();
  record.tickVolume = object.HeaderValue(live::kTickVolume).ToI4();
  record.side = ContractCharOf(object.HeaderValue(live::kSide));
  record.phase = ContractCharOf(object.HeaderValue(live::kPhase));
  return record;
}

}  // namespace ostrada
