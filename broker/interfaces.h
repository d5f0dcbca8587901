#pragma once
// The server's objects as the client sees them. Every method may throw ComError (a failing
// HRESULT). Slot numbers of the dual interfaces are given beside each method.
#include <cstdint>
#include <memory>
#include <string>

#include "broker/guid.h"
#include "broker/variant.h"

namespace ostrada::broker {

// Base of every server object; ownership is shared (a smart interface pointer), release = reset.
class IObject {
 public:
  virtual ~IObject() = default;
};

// The event interface {70F10358-9D21-458A-A242-21E2C8A0E7B0}: one method, dispatch id 1.
class IEventSink {
 public:
  virtual ~IEventSink() = default;
  virtual void Received() = 0;
};

// The connection point of that event interface. Advise returns the cookie Unadvise takes.
class IConnectionPoint {
 public:
  virtual ~IConnectionPoint() = default;
  virtual uint32_t Advise(IEventSink* sink) = 0;
  virtual void Unadvise(uint32_t cookie) = 0;
};

// Market request interface {5207D255-D40F-484C-8DA2-D7DCAB7B2F55}.
class IMarketRequest : public virtual IObject {
 public:
  virtual void Subscribe() = 0;                                    // 8
  virtual void Unsubscribe() = 0;                                  // 9
  virtual Variant HeaderValue(int32_t index) = 0;                  // 13
  virtual Variant DataValue(int32_t field, int32_t row) = 0;       // 14
  virtual int32_t MoreData() = 0;                                  // 15: 1 while another page can be asked
  virtual void SetInput(int32_t index, const Variant& value) = 0;  // 17
  virtual int16_t Status() = 0;                                    // 18: 0 = success
  virtual std::string StatusText1() = 0;                           // 19 (CP949)
  virtual std::string StatusText2() = 0;                           // 20 (CP949)
  virtual int16_t Request() = 0;                                   // 21: blocking request
  // The connection-point container's point for the event interface.
  virtual IConnectionPoint& Events() = 0;
};

// Trade request interface {CABCEAFE-C50E-4098-9427-DF217DD28527}.
class ITradeRequest : public virtual IObject {
 public:
  virtual Variant HeaderValue(int32_t index) = 0;                  // 10
  virtual Variant DataValue(int32_t field, int32_t row) = 0;       // 11
  virtual int32_t MoreData() = 0;                                  // 12
  virtual void SetInput(int32_t index, const Variant& value) = 0;  // 15
  virtual int16_t Status() = 0;                                    // 16
  virtual std::string StatusText1() = 0;                           // 17
  virtual std::string StatusText2() = 0;                           // 18
  virtual int16_t Request() = 0;                                   // 19
};

// Stock-code list {9D5AFE94-1661-4127-A9D0-83C7AFEFC8E0}.
class IStockCodeList : public virtual IObject {
 public:
  virtual int16_t Count() = 0;                            // 9
  virtual Variant Data(int16_t type, int16_t index) = 0;  // 10: type 0 code, 1 name, 2 second code
};

// Code manager {8BF89264-2099-4C64-B392-F7CB23E893A5}.
class ICodeManager : public virtual IObject {
 public:
  virtual int16_t MarketTime1() = 0;  // 15: HHMM
  virtual int16_t MarketTime2() = 0;  // 16: HHMM
  // Slots 17 to 25: one per-code attribute each, the code as input.
  virtual Variant CodeAttribute(int slot, const std::string& code) = 0;
};

// Trade utility {1B0E6C86-5416-42B1-B2CE-5952B9CC7563}.
class ITradeUtility : public virtual IObject {
 public:
  virtual int16_t Initialise(int32_t mode) = 0;  // 7
  virtual Variant Accounts() = 0;                // 8: an array of account texts
};

}  // namespace ostrada::broker
