#pragma once
// One notification of the order-event object about the account's orders (a fill, a confirmation, a
// rejection or an acceptance) and the log line it becomes. The record owns its texts; copying it
// copies them.
#include <cstdint>
#include <string>

#include "broker/interfaces.h"

namespace ostrada {

struct OrderEvent {
  std::string text1;           // header 1: the account
  std::string stock;           // header 2: the stock name, shown in the line
  int32_t quantity = 0;        // header 3
  int32_t price = 0;           // header 4
  int32_t value5 = 0;          // header 5: the order number
  std::string text7;           // header 7: the original order number
  std::string text8;           // header 8: the code
  std::string text9;           // header 9: the order type
  std::string kind;            // header 14: '1' fill, '2' confirmation, '3' rejection, '4' acceptance
  std::string text15;          // header 15: HHMMSS
  std::string side;            // header 12: '1' sell, '2' buy
  std::string modifyCancel;    // header 16: '1' ordinary, '2' modify, '3' cancel
};

// The event the object holds now, texts as texts and numbers as 32-bit integers. Throws ComError.
OrderEvent ReadOrderEvent(broker::IMarketRequest& object);

// The message of the event, e.g. "매도 체결 : [ 12000 ]원 [ 10 ]주" (CP949). 0 (reported) when the
// side, modify/cancel flag or kind is outside its table; message is then untouched.
int BuildOrderMessage(const OrderEvent& event, std::string* message);

// The log line "[stock] message": the stock text first has its full-width Latin letters folded to
// ASCII and the event keeps the folded text. 0 (reported) for an empty stock text or a fault in the
// message; line is then untouched.
int BuildOrderEventLine(OrderEvent* event, std::string* line);

}  // namespace ostrada
