#pragma once
// The base of the tests' stand-ins for a server's market request object: it answers as an object
// with nothing asked of it would (no header or data to read, no further page, success, no texts), so
// a stand-in writes only what its test scripts, and its events.
#include <cstdint>
#include <string>

#include "broker/comerror.h"
#include "broker/interfaces.h"

namespace ostrada::testing {

class IdleMarketRequest : public broker::IMarketRequest {
 public:
  void Subscribe() override {}
  void Unsubscribe() override {}
  broker::Variant HeaderValue(int32_t) override { throw broker::ComError(broker::kBadIndex); }
  broker::Variant DataValue(int32_t, int32_t) override { throw broker::ComError(broker::kBadIndex); }
  int32_t MoreData() override { return 0; }
  void SetInput(int32_t, const broker::Variant&) override {}
  int16_t Status() override { return 0; }
  std::string StatusText1() override { return {}; }
  std::string StatusText2() override { return {}; }
  int16_t Request() override { return 0; }
};

}  // namespace ostrada::testing
