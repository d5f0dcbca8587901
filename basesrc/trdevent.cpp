#include "basesrc/trdevent.h"

#include <cstdio>

#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/priceinfo.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/trdevent";

namespace {

// The word of a side or modify/cancel code: the text, none (null), or a fault (false).
bool SideWord(const std::string& side, const char** word) {
  *word = nullptr;
  if (side.empty()) return true;
  if (side[0] == '1') *word = TextC(Txt::kTrdSell);
  if (side[0] == '2') *word = TextC(Txt::kTrdBuy);
  return *word != nullptr;
}

bool ModifyCancelWord(const std::string& flag, const char** word) {
  *word = nullptr;
  if (flag.empty()) return true;
  switch (flag[0]) {
    case '1':
      return true;
    case '2':
      *word = TextC(Txt::kTrdModify);
      return true;
    case '3':
      *word = TextC(Txt::kTrdCancel);
      return true;
    default:
      return false;
  }
}

template <class... Args>
std::string Format(Txt pattern, Args... args) {
  char text[256];
  std::snprintf(text, sizeof text, TextC(pattern), args...);
  return text;
}

}  // namespace

OrderEvent ReadOrderEvent(broker::IMarketRequest& object) {
  OrderEvent event;
  event.text1 = object.HeaderValue(1).ToText();
  event.stock = object.HeaderValue(2).ToText();
  event.quantity = object.HeaderValue(3).ToI4();
  event.price = object.HeaderValue(4).ToI4();
  event.value5 = object.HeaderValue(5).ToI4();
  event.text7 = object.HeaderValue(7).ToText();
  event.text8 = object.HeaderValue(8).ToText();
  event.text9 = object.HeaderValue(9).ToText();
  event.kind = object.HeaderValue(14).ToText();
  event.text15 = object.HeaderValue(15).ToText();
  event.side = object.HeaderValue(12).ToText();
  event.modifyCancel = object.HeaderValue(16).ToText();
  return event;
}

int BuildOrderMessage(const OrderEvent& event, std::string* message) {
  const char* side = nullptr;
  const char* modifyCancel = nullptr;
  if (!OSTRADA_VERIFY(message != nullptr && SideWord(event.side, &side))) return 0;
  if (!OSTRADA_VERIFY(ModifyCancelWord(event.modifyCancel, &modifyCancel))) return 0;
  const char* sideText = side != nullptr ? side : "";
  const char flag = event.modifyCancel.empty() ? '\0' : event.modifyCancel[0];
  const bool modifyOrCancel = flag == '2' || flag == '3';
  switch (event.kind.empty() ? '\0' : event.kind[0]) {
    case '1':  // fill
      if (!OSTRADA_VERIFY(side != nullptr)) return 0;
      *message = Format(event.side[0] == '1' ? Txt::kTrdFillSell : Txt::kTrdFillBuy, event.price, event.quantity);
      return 1;
    case '2':  // confirmation
      if (!OSTRADA_VERIFY(modifyOrCancel)) return 0;
      *message = Format(Txt::kTrdConfirmed, sideText, modifyCancel, event.price, event.quantity);
      return 1;
    case '3':  // rejection
      if (modifyOrCancel) {
        *message = Format(Txt::kTrdRejectedKind, sideText, modifyCancel, event.price, event.quantity);
        return 1;
      }
      if (!OSTRADA_VERIFY(flag == '1')) return 0;
      *message = Format(Txt::kTrdRejected, sideText, event.price, event.quantity);
      return 1;
    case '4':  // acceptance
      if (modifyCancel == nullptr) {
        *message = Format(Txt::kTrdAccepted, sideText, event.price, event.quantity);
      } else if (side != nullptr) {
        *message = Format(Txt::kTrdAcceptedKind, side, modifyCancel, event.price, event.quantity);
      } else {
        *message = Format(Txt::kTrdAcceptedNoSide, modifyCancel, event.price, event.quantity);
      }
      return 1;
    default:
      OSTRADA_VERIFY(false);  // a kind outside the table
      return 0;
  }
}

int BuildOrderEventLine(OrderEvent* event, std::string* line) {
  if (!OSTRADA_VERIFY(event != nullptr && line != nullptr)) return 0;
  HeapText folded(FoldFullWidthLetters(event->stock.c_str()));
  if (!folded) return 0;
  std::string message;
  if (!BuildOrderMessage(*event, &message)) return 0;
  event->stock = folded.get();
  *line = "[" + event->stock + "] " + message;
  return 1;
}

}  // namespace ostrada
