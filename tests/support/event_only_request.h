#pragma once
// The request half of a fake live object that only raises events: a request succeeds with nothing,
// there are no data rows and inputs are taken and forgotten. A fake derives from it and gives its
// headers, its subscription and its connection point.
#include <cstdint>
#include <string>

#include "broker/comerror.h"
#include "broker/interfaces.h"

namespace ostrada::testing {

class EventOnlyRequest : public broker::IMarketRequest {
 public:
  broker::Variant DataValue(int32_t, int32_t) override { throw broker::ComError(broker::kBadIndex); }
  int32_t MoreData() override { return 0; }
  void SetInput(int32_t, const broker::Variant&) override {}
  int16_t Status() override { return 0; }
  std::string StatusText1() override { return {}; }
  std::string StatusText2() override { return {}; }
  int16_t Request() override { return 0; }
};

}  // namespace ostrada::testing
