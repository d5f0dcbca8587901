#pragma once
// Fault injection: what the exchange should do wrong, per class of object. Tests and the program's
// start-up fault options arm a plan; the objects consult it at each call. Nothing is armed by default.
//
// Call counts are kept per class and method across all objects of the class, so "the 3rd data call"
// means the 3rd one made on any object of that class since the fault was armed. Pages count per
// object (each Request on one object is one page).
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "broker/comerror.h"
#include "broker/guid.h"
#include "broker/variant.h"

namespace ostrada::sim {

// The calls a fault can target.
enum class Method {
  kSubscribe,
  kUnsubscribe,
  kHeaderValue,
  kDataValue,
  kMoreData,
  kSetInput,
  kStatus,
  kStatusText,
  kRequest,
  kAdvise,
  kCount,          // stock-code list: count
  kData,           // stock-code list: data
  kMarketTime,     // code manager: market times
  kCodeAttribute,  // code manager: per-code attributes
  kInitialise,     // trade utility
  kAccounts,       // trade utility
};

struct Refusal {
  int16_t status;
  std::string text1;  // CP949
  std::string text2;  // CP949
};

// Refusal reasons with the status a server answers and its two texts (basesrc/texts/exchange.inc).
enum class RefusalKind : int16_t {
  kUnknownCode = 1,
  kTooManyCodes,
  kBadCount,
  kBadInput,
  kMarketClosed,
  kSuspended,
  kNotInitialised,
  kInsufficientCash,
  kInsufficientHoldings,
  kUnknownOrder,
  kBadPrice,
  kBadQuantity,
};
// The status and texts of the reason (the first text says whether a query or an order was refused).
Refusal MakeRefusal(RefusalKind kind);

class FaultPlan {
 public:
  // ---- Object faults (any class) ----
  // Creating an object of the class fails with the code.
  void FailCreation(const broker::Guid& clsid, broker::HResult code);
  // Calls of the method fail with the code (and the server's description when given) once `skip`
  // calls of it have succeeded.
  void FailCall(const broker::Guid& clsid, Method method, broker::HResult code, int skip = 0,
                std::string description = {});
  // Every request answers the non-zero status with the two texts (CP949).
  void Refuse(const broker::Guid& clsid, Refusal refusal);
  // Answers come back with at most `rows` rows of data.
  void ShortAnswer(const broker::Guid& clsid, int rows);
  // Events are no longer delivered once `after` events of the class have been delivered.
  void StopEvents(const broker::Guid& clsid, int after = 0);
  // The `page`-th request (1-based) on each object of the class fails with the code.
  void FailPage(const broker::Guid& clsid, int page, broker::HResult code);

  // ---- Listing faults (stock-code list and code manager) ----
  // The stock-code list reports no stocks.
  void EmptyListing() { emptyListing_ = true; }
  // The code manager answers `value` for the slot (17..25) of one code.
  void OverrideAttribute(const std::string& code, int slot, broker::Variant value);
  // Convenience forms of the override: an empty market answer; a class outside what the book takes.
  void EmptyMarketAnswer(const std::string& code);
  void OutOfRangeClass(const std::string& code, int slot);

  // The stock-code list answers `value` for one item (type 0 code, 1 name, 2 second code) of a stock.
  void OverrideListData(int16_t type, int16_t index, broker::Variant value);
  // The stock-code list names `pairs` stocks of the second board after stocks of the first, so that
  // names repeat (the listing's own names are unique; Listing::NamesToShare says which).
  void ShareNames(int pairs) { sharedNames_ = pairs < 0 ? 0 : pairs; }

  // ---- Faults a family of objects defines for itself ----
  // Armed by name with a parameter, so a family adds faults without changing this plan.
  void ArmCustom(const broker::Guid& clsid, const std::string& name, int64_t parameter = 0);
  // The parameter of the armed fault, or nothing.
  std::optional<int64_t> Custom(const broker::Guid& clsid, const std::string& name) const;

  // Disarms everything and resets the counts.
  void Clear();

  // ---- Consulted by the objects ----
  // Throws the armed creation fault.
  void CheckCreation(const broker::Guid& clsid) const;
  // Counts the call and throws the armed fault for it.
  void CheckCall(const broker::Guid& clsid, Method method);
  // Throws the armed page fault for the object's `page`-th request.
  void CheckPage(const broker::Guid& clsid, int page) const;
  const Refusal* RefusalFor(const broker::Guid& clsid) const;
  std::optional<int> ShortAnswerRows(const broker::Guid& clsid) const;
  // Counts the event and says whether it may be delivered.
  bool DeliverEvent(const broker::Guid& clsid);
  bool ListingEmpty() const { return emptyListing_; }
  int SharedNames() const { return sharedNames_; }
  const broker::Variant* AttributeOverride(const std::string& code, int slot) const;
  const broker::Variant* ListDataOverride(int16_t type, int16_t index) const;

 private:
  struct CallFault {
    broker::HResult code;
    int skip;
    std::string description;
    int calls = 0;
  };
  struct EventStop {
    int after;
    int delivered = 0;
  };
  std::map<broker::Guid, broker::HResult> creation_;
  std::map<std::pair<broker::Guid, Method>, CallFault> calls_;
  std::map<broker::Guid, Refusal> refusals_;
  std::map<broker::Guid, int> shortAnswers_;
  std::map<broker::Guid, EventStop> eventStops_;
  std::map<broker::Guid, std::pair<int, broker::HResult>> pages_;
  std::map<std::pair<std::string, int>, broker::Variant> attributes_;
  std::map<std::pair<int16_t, int16_t>, broker::Variant> listData_;
  std::map<std::pair<broker::Guid, std::string>, int64_t> custom_;
  bool emptyListing_ = false;
  int sharedNames_ = 0;
};

}  // namespace ostrada::sim
