// Trading through the server: the login of the trade utility, the account, the buyable amount, the
// holdings and unfilled-order downloads, and the orders themselves.
#include <algorithm>
#include <utility>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowfxin.h"
#include "basesrc/nowgate.h"
#include "basesrc/statustext.h"
#include "basesrc/stocgate.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"
#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/stocgate_trd";

using broker::ITradeRequest;
using broker::Variant;

// The goods class every trade request names: listed shares.
constexpr char kGoodsClass[] = "10";
constexpr int32_t kHoldingRowsPerRequest = 50;
constexpr int32_t kUnfilledRowsPerRequest = 20;

std::shared_ptr<ITradeRequest> CreateTrade(const broker::Guid& clsid) {
  return broker::CreateAs<ITradeRequest>(clsid);
}

// Runs the blocking request under the wait cursor; the server's status.
int16_t RunRequest(ITradeRequest& object) {
  WaitCursor wait;
  object.Request();
  return object.Status();
}

// Runs the blocking request; false after showing the server's refusal.
bool RequestAccepted(ITradeRequest& object) {
  if (RunRequest(object) == 0) return true;
  ShowMessage(RefusalText(object));
  return false;
}

// Inputs of a request by index.
using Inputs = std::vector<std::pair<int32_t, Variant>>;

void SetInputs(ITradeRequest& object, const Inputs& inputs) {
  for (const auto& [index, value] : inputs) object.SetInput(index, value);
}

// The text of a header or a row value bounded to the field, NUL-terminated.
template <size_t N>
void CopyField(char (&field)[N], const Variant& value) {
  StrCopyBounded(field, value.ToText().c_str(), N);
}

// An owned copy of a server text; none for an empty text. False (reported) when the copy failed or
// when a required text is empty.
bool CopyText(const Variant& value, HeapText* copy, bool required) {
  const std::string text = value.ToText();
  copy->reset();
  if (text.empty()) return OSTRADA_VERIFY(!required);
  copy->reset(StrDup(text.c_str()));
  return OSTRADA_VERIFY(*copy != nullptr);
}

// One holdings row into the record; *end is set when the row is the empty one after the last.
bool ReadHoldingRow(ITradeRequest& object, int32_t row, TrdRunInfo& record, bool* end) {
  auto data = [&](int32_t type) { return object.DataValue(type, row); };
  CopyField(record.name, data(0));
  *end = record.name[0] == '\0';
  if (*end) return true;
  CopyField(record.code, data(12));
  if (!CopyText(data(1), &record.d1, true) || !CopyText(data(2), &record.d2, false)) return false;
  record.d3 = data(3).ToI4();
  record.d4 = data(4).ToI4();
  record.d5 = data(5).ToI4();
  record.d6 = data(6).ToI4();
  record.quantity = data(7).ToI4();
  record.d9 = data(9).ToI4();
  record.d10 = data(10).ToI4();
  record.d11 = data(11).ToR8();
  if (!CopyText(data(13), &record.d13, true)) return false;
  record.d15 = data(15).ToI4();
  if (!CopyText(data(16), &record.d16, false)) return false;
  record.purchasePrice = data(17).ToR8();
  record.costPerShare = data(18).ToR8();
  return true;
}

// Only the embedded exchange tells what rests ahead of an order. A server that gives no number for it
// leaves it unknown (-1) instead of failing the whole list.
int32_t QueueAheadOf(ITradeRequest& object, int32_t row) {
  try {
    const Variant ahead = object.DataValue(27, row);
    const broker::VarType type = ahead.Type();
    return type == broker::VarType::kEmpty || type == broker::VarType::kText ? -1 : ahead.ToI4();
  } catch (const broker::ComError&) {
    return -1;
  }
}

// One unfilled-order row into the record; *end is set when its first text is empty.
bool ReadUnfilledRow(ITradeRequest& object, int32_t row, TrdYetInfo& record, bool* end) {
  auto data = [&](int32_t type) { return object.DataValue(type, row); };
  if (!CopyText(data(0), &record.e0, false)) return false;
  *end = record.e0 == nullptr;
  if (*end) return true;
  record.orderNumber = data(1).ToI4();
  record.e2 = data(2).ToI4();
  CopyField(record.code, data(3));
  CopyField(record.name, data(4));
  record.e6 = data(6).ToI4();
  record.price = data(7).ToI4();
  record.e8 = data(8).ToI4();
  record.unfilled = data(11).ToI4();
  record.queueAhead = QueueAheadOf(object, row);
  const std::pair<int32_t, HeapText*> copies[] = {
      {5, &record.e5},   {9, &record.e9},   {10, &record.e10}, {13, &record.side}, {17, &record.e17},
      {18, &record.e18}, {19, &record.e19}, {21, &record.e21}, {22, &record.e22},  {23, &record.e23},
      {24, &record.e24}, {25, &record.e25}, {26, &record.e26},
  };
  for (const auto& [type, copy] : copies) {
    if (!CopyText(data(type), copy, false)) return false;
  }
  return true;
}

// Downloads every page of a list object into a new list of the account: the object is made with the
// inputs; each reply's header goes through readHeader (which gives the number of rows), each row
// through readRow. Null when a page was refused, a row failed or a COM error was shown.
template <class List, class ReadHeader, class ReadRow>
std::unique_ptr<List> DownloadList(const broker::Guid& clsid, const char* account, const Inputs& inputs,
                                   ReadHeader readHeader, ReadRow readRow) {
  auto list = std::make_unique<List>(account);
  try {
    auto object = CreateTrade(clsid);
    SetInputs(*object, inputs);
    for (bool more = true; more;) {
      if (!RequestAccepted(*object)) return nullptr;
      int32_t rows = 0;
      if (!readHeader(*object, *list, &rows)) return nullptr;
      bool end = false;
      for (int32_t row = 0; row < rows && !end; ++row) {
        auto record = List::CreateRecord();
        if (!OSTRADA_VERIFY(record != nullptr) || !readRow(*object, row, *record, &end)) return nullptr;
        if (!end && list->Append(record, nullptr) == nullptr) return nullptr;
      }
      more = !end && object->MoreData() != 0;
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return nullptr;
  }
  return list;
}

// Beeps and sets the failure text; the result of a failed order.
int OrderFailed(std::string* failure, std::string text) {
  CurrentUiSink().Beep();
  *failure = std::move(text);
  return 0;
}

// Sends one order object with its inputs. 1 with the server's new order number (header 8); 0 with
// the failure text (the server's refusal or the COM error's description).
int PlaceOrder(const broker::Guid& clsid, const Inputs& inputs, int32_t* orderNumber, std::string* failure) {
  try {
    auto object = CreateTrade(clsid);
    SetInputs(*object, inputs);
    if (RunRequest(*object) != 0) return OrderFailed(failure, RefusalText(*object));
    *orderNumber = object->HeaderValue(8).ToI4();
    return 1;
  } catch (const broker::ComError& error) {
    return OrderFailed(failure, error.Description());
  }
}

}  // namespace

int StocGate::TradeLogin() {
  if (tradeUtility_) return 1;
  try {
    tradeUtility_ = broker::CreateAs<broker::ITradeUtility>(broker::clsid::kTradeUtility);
    switch (tradeUtility_->Initialise(0)) {
      case 0:
        return 1;
      case 1:
        ShowMessage(Text(Txt::kTrdLoginWorkKey));
        break;
      case 2:
        ShowMessage(Text(Txt::kTrdLoginPassword));
        break;
      case 3:
        ShowMessage(Text(Txt::kTrdLoginCancelled));
        return 1;
      default:
        ShowMessage(Text(Txt::kTrdLoginUndefined));
        break;
    }
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
  }
  // A refused initialisation leaves no utility behind, or the next login would pass without one.
  tradeUtility_.reset();
  return 0;
}

int StocGate::TradeLogout() {
  tradeUtility_.reset();
  return 1;
}

int StocGate::AccountNumber(broker::Variant* account) {
  if (!OSTRADA_VERIFY(account != nullptr)) return 0;
  if (!tradeUtility_) return 0;
  try {
    const Variant list = tradeUtility_->Accounts();
    const std::vector<Variant>& accounts = list.ToArray();
    if (accounts.empty()) return 0;
    // The server lists the accounts in its own order; the last one is the one traded.
    for (const Variant& element : accounts) *account = element;
    return 1;
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return 0;
  }
}

int StocGate::AccountNumberText(std::string* account) {
  if (!OSTRADA_VERIFY(account != nullptr)) return 0;
  Variant value;
  if (!AccountNumber(&value)) return 0;
  try {
    *account = value.ToText();
    return 1;
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return 0;
  }
}

int StocGate::BuyableAmount(const char* account, const char* code, const char* orderType, int32_t price,
                            TradeAbleInfo* out) {
  const bool limit = orderType == kOrderTypeLimit;
  if (!OSTRADA_VERIFY(tradeUtility_ && StrLen(account) > 0 && code != nullptr && out != nullptr &&
                      (limit || orderType == kOrderTypeMarket))) {
    return 0;
  }
  try {
    auto object = CreateTrade(broker::clsid::kOrderAvailable);
    object->SetInput(0, Variant::Text(account));
    object->SetInput(1, Variant::Text(kGoodsClass));
    object->SetInput(2, Variant::Text(code));
    object->SetInput(3, Variant::Text(orderType));
    if (limit && code[0] != '\0') object->SetInput(4, Variant::I4(price));
    object->SetInput(5, Variant::Text("N"));
    object->SetInput(6, Variant::I1('1'));
    if (!RequestAccepted(*object)) return 0;
    TradeAbleInfo info{};
    CopyField(info.text1, object->HeaderValue(1));
    CopyField(info.text0, object->HeaderValue(0));
    info.availableAmount = object->HeaderValue(9).ToI8();
    info.h10 = object->HeaderValue(10).ToI8();
    info.availableQuantity = object->HeaderValue(17).ToI4();
    info.h18 = object->HeaderValue(18).ToI4();
    info.h34 = object->HeaderValue(34).ToI4();
    info.totalDeposit = object->HeaderValue(45).ToI8();
    info.h46 = object->HeaderValue(46).ToI8();
    info.h47 = object->HeaderValue(47).ToI8();
    info.availableSubstitute = object->HeaderValue(48).ToI4();
    object.reset();

    auto cash = CreateTrade(broker::clsid::kCashAvailable);
    cash->SetInput(0, Variant::Text(account));
    cash->SetInput(1, Variant::Text(kGoodsClass));
    if (!RequestAccepted(*cash)) return 0;
    const int64_t cashLimit = cash->HeaderValue(66).ToI8();
    info.totalDeposit = std::min(info.totalDeposit, cashLimit);
    info.availableAmount = std::min(info.availableAmount, cashLimit);
    *out = info;
    return 1;
  } catch (const broker::ComError& error) {
    ShowMessage(error.Description());
    return 0;
  }
}

std::unique_ptr<TrdRunList> StocGate::DownloadHoldings(const char* account) {
  if (!OSTRADA_VERIFY(tradeUtility_ && StrLen(account) > 0)) return nullptr;
  auto readHeader = [](ITradeRequest& object, TrdRunList& list, int32_t* rows) {
    const int32_t values[6] = {object.HeaderValue(1).ToI4(), object.HeaderValue(2).ToI4(),
                               object.HeaderValue(3).ToI4(), object.HeaderValue(4).ToI4(),
                               object.HeaderValue(8).ToI4(), object.HeaderValue(6).ToI4()};
    list.SetSummary(object.HeaderValue(0).ToText(), values);
    *rows = object.HeaderValue(7).ToI4();
    return true;
  };
  return DownloadList<TrdRunList>(
      broker::clsid::kHoldings, account,
      {{0, Variant::Text(account)}, {1, Variant::Text(kGoodsClass)}, {2, Variant::I4(kHoldingRowsPerRequest)}},
      readHeader, ReadHoldingRow);
}

std::unique_ptr<TrdYetList> StocGate::DownloadUnfilled(const char* account) {
  if (!OSTRADA_VERIFY(tradeUtility_ && StrLen(account) > 0)) return nullptr;
  auto readHeader = [](ITradeRequest& object, TrdYetList& list, int32_t* rows) {
    if (!list.SetSummary(object.HeaderValue(0).ToText(), object.HeaderValue(1).ToText(),
                         object.HeaderValue(4).ToText())) {
      return false;
    }
    *rows = object.HeaderValue(5).ToI4();
    return true;
  };
  return DownloadList<TrdYetList>(broker::clsid::kUnfilledOrders, account,
                                  {{0, Variant::Text(account)},
                                   {1, Variant::Text(kGoodsClass)},
                                   {4, Variant::Text("0")},
                                   {5, Variant::Text("0")},
                                   {6, Variant::Text("0")},
                                   {7, Variant::I4(kUnfilledRowsPerRequest)}},
                                  readHeader, ReadUnfilledRow);
}

int StocGate::RefreshHoldingPrices(TrdRunList* holdings) {
  if (!OSTRADA_VERIFY(holdings != nullptr)) return 0;
  const int32_t count = holdings->Count();
  for (int32_t start = 0; start < count;) {
    int32_t taken = 0;
    HeapText codes = holdings->JoinCodes(start, NowGate::kMaxJoinedCodes, &taken);
    if (!codes) return 0;
    std::unique_ptr<NowGate> prices = DownloadNowCodes(codes.get(), 0);
    if (!prices) return 0;
    TrdRunInfo* holding = holdings->GetAt(start);
    for (int32_t i = 0; i < taken && holding != nullptr; ++i, holding = holding->next) {
      NowInfo* snapshot = prices->FindByCode(holding->code);
      if (snapshot == nullptr) continue;
      holding->current = snapshot->price.bar;
      holding->current.rate = NowDayRate(&snapshot->price);
    }
    start += taken;
  }
  return 1;
}

int StocGate::SendOrder(const CodeInfoList& book, const char* account, const char* side, const char* code,
                        const char* orderType, int32_t price, int32_t quantity, std::string* failure) {
  const bool sideKnown = StrCompare(side, kOrderSideBuy) == 0 || StrCompare(side, kOrderSideSell) == 0;
  if (!OSTRADA_VERIFY(failure != nullptr && sideKnown)) return 0;
  const bool limit = orderType == kOrderTypeLimit;
  if (StrLen(code) == 0) return OrderFailed(failure, Text(Txt::kTrdChooseStock));
  if (book.FindByCode(code) == nullptr) return OrderFailed(failure, code + Text(Txt::kTrdCodeNotFoundAfterCode));
  if (StrLen(account) == 0) return OrderFailed(failure, Text(Txt::kTrdLoginFirst));
  if (limit && price < 1) return OrderFailed(failure, Text(Txt::kTrdBadPrice));
  if (!limit && orderType != kOrderTypeMarket) return OrderFailed(failure, Text(Txt::kTrdBadOrderType));
  if (quantity < 0) return OrderFailed(failure, Text(Txt::kTrdBadBuyQuantity));
  // A market order never carries a price, whatever was typed.
  return PlaceOrder(broker::clsid::kBuySellOrder,
                    {{0, Variant::Text(side)},
                     {1, Variant::Text(account)},
                     {2, Variant::Text(kGoodsClass)},
                     {3, Variant::Text(code)},
                     {4, Variant::I4(quantity)},
                     {5, Variant::I4(limit ? price : 0)},
                     {7, Variant::Text("0")},
                     {8, Variant::Text(orderType)}},
                    &lastOrderNumber_, failure);
}

int StocGate::SendModifyCancel(const CodeInfoList& book, const char* account, const char* kind, const char* code,
                               int32_t quantity, int32_t price, int32_t targetOrder, std::string* failure) {
  if (!OSTRADA_VERIFY(failure != nullptr)) return 0;
  const bool modify = kind == TextC(Txt::kTrdModify);
  if (!modify && kind != TextC(Txt::kTrdCancel)) return OrderFailed(failure, Text(Txt::kTrdBadKind));
  if (StrLen(code) == 0) return OrderFailed(failure, Text(Txt::kTrdChooseStock));
  if (book.FindByCode(code) == nullptr) return OrderFailed(failure, Text(Txt::kTrdCodeNotFound));
  if (StrLen(account) == 0) return OrderFailed(failure, Text(Txt::kTrdLoginFirst));
  Inputs inputs = {{1, Variant::I4(targetOrder)},
                   {2, Variant::Text(account)},
                   {3, Variant::Text(kGoodsClass)},
                   {4, Variant::Text(code)},
                   {5, Variant::I4(quantity)}};
  if (modify) inputs.emplace_back(6, Variant::I4(price));
  return PlaceOrder(modify ? broker::clsid::kModifyOrder : broker::clsid::kCancelOrder, inputs, &lastOrderNumber_,
                    failure);
}

}  // namespace ostrada
