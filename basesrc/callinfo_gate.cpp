// The quote-book snapshot request: one blocking request that fills a CallInfo.
#include "basesrc/callinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/priceinfo.h"
#include "basesrc/statustext.h"
#include "basesrc/stocgate.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {

static constexpr char kModule[] = "basesrc/callinfo_gate";

int StocGate::FetchQuoteBook(const char* code, CallInfo& record) {
  if (!OSTRADA_VERIFY(code != nullptr && code[0] != '\0')) return 0;
  ClearCallInfo(record);
  SetCallCode(record, code);
  try {
    auto object = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kQuoteBookSnapshot);
    object->SetInput(0, broker::Variant::Text(record.code));
    object->Request();
    if (object->Status() != 0) {
      ShowMessage(RefusalText(*object));
      return 0;
    }
    record.quoteTime = object->HeaderValue(3).ToI2();
    int header = 4;
    for (int32_t* total : TotalFields(record)) *total = object->HeaderValue(header++).ToI4();
    record.fetchTime = NowHHMMSS();
    for (int i = 0; i < kCallLevels; ++i) {
      int field = 0;
      for (int32_t* value : LevelFields(record.levels[i])) *value = object->DataValue(field++, i).ToI4();
    }
    return 1;
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return 0;
  }
}

}  // namespace ostrada
