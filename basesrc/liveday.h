#pragma once
// The live-day feed of every window that follows one stock's trading day live (the home board, the
// quote panel, the contract list, the chart): reading a live contract from the server's real-time
// contract object, and what a record means for the figures a window shows. Phases and the start of a
// new trading day are interpreted here once, so no two windows can read a record differently.
#include <cstdint>
#include <string>

#include "basesrc/coninfo.h"
#include "broker/interfaces.h"

namespace ostrada {

// Header values of the real-time contract object.
namespace live {
constexpr int kCode = 0;
constexpr int kName = 1;
constexpr int kChange = 2;
constexpr int kTimeHHMM = 3;
constexpr int kAux1 = 7;
constexpr int kAux2 = 8;
constexpr int kVolume = 9;
constexpr int kPrice = 13;
constexpr int kSide = 14;
constexpr int kTickVolume = 17;
constexpr int kTimeHHMMSS = 18;
constexpr int kPhase = 19;
}  // namespace live

// What a window shows of a stock's day: the last price (the day's base before its first trade), the
// change from the previous close and the day's volume. All zero: nothing shown yet.
struct DayFigures {
  int32_t price = 0;
  int32_t change = 0;
  int64_t volume = 0;

  int32_t PreviousClose() const { return price - change; }
  friend bool operator==(const DayFigures&, const DayFigures&) = default;
};

// What one live record means to a window that shows some DayFigures.
struct LiveDayStep {
  // The record is of a later trading day than the figures shown (another previous close, or less
  // traded than they count): what the window keeps of the day before (contract rows, the ladder's
  // rates) is no longer today's.
  bool newDay = false;
  // A trade of the regular session: a contract row, a new last price, a chart's tick.
  bool trade = false;
  // The figures to show after the record.
  DayFigures figures;
};

// Whether the record is a trade of the regular session. A call auction's contracts are expected
// prices, and a record outside the sessions is no contract but where the stock's day stands.
bool IsSessionTrade(const ContractRecord& record);

// The step of a window that shows `shown` when the record arrives. A trade and a record outside the
// sessions bring their own figures; an auction's record leaves the figures as they are, unless it
// starts a new day, which stands at the previous close, unchanged, with what has traded so far.
LiveDayStep FollowLiveDay(const DayFigures& shown, const ContractRecord& record);

// The current event of a real-time contract object as a record, with its code and name. Throws
// broker::ComError as the object's calls do.
ContractRecord ReadLiveContract(broker::IMarketRequest& object, std::string* code, std::string* name);

}  // namespace ostrada
