#include "broker/sim/objects/trade_objects.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/texts.h"
#include "broker/clsid.h"
#include "broker/sim/objects/request_object.h"

namespace ostrada::sim {
namespace {

using broker::Variant;
using SharedPaper = std::shared_ptr<PaperTrading>;

// The name under which the fault plan arms the trade utility's initialise answer.
constexpr const char* kInitialiseFault = "initialise";
constexpr int32_t kHoldingRowsMost = 50;
constexpr int32_t kUnfilledRowsMost = 20;

Variant Text(std::string text) {
  return Variant::Text(std::move(text));
}
Variant Int(int64_t value) {
  return Variant::I4(static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)));
}
// An amount of money: eight bytes, so that an account above 2,147,483,647 won is told as it is.
Variant Money(int64_t value) {
  return Variant::I8(value);
}
Variant Char(char c) {
  return Variant::Text(std::string(1, c));
}

// The characters the client's headers and fields carry for the paper account's values.
char Wire(Side side) {
  return side == Side::kBuy ? '2' : '1';
}
char Wire(OrderKind kind) {
  switch (kind) {
    case OrderKind::kOrdinary:
      return '1';
    case OrderKind::kModify:
      return '2';
    case OrderKind::kCancel:
      return '3';
  }
  return '1';
}
char Wire(NoticeKind kind) {
  switch (kind) {
    case NoticeKind::kFill:
      return '1';
    case NoticeKind::kConfirmation:
      return '2';
    case NoticeKind::kRejection:
      return '3';
    case NoticeKind::kAcceptance:
      return '4';
  }
  return '4';
}
// "1" sell, "2" buy; nothing for any other character.
std::optional<Side> SideOfWire(char side) {
  if (side == '1') return Side::kSell;
  if (side == '2') return Side::kBuy;
  return std::nullopt;
}
// The order type as the server words it.
Variant TypeText(bool market) {
  return Text(market ? "03" : "01");
}
std::string Hhmmss(int32_t ms) {
  char text[8];
  std::snprintf(text, sizeof text, "%06d", HhmmssOf(ms));
  return text;
}

// Header or row values by index.
using Fields = std::initializer_list<std::pair<int32_t, Variant>>;

void SetHeaders(Answer& answer, Fields fields) {
  for (const auto& [index, value] : fields) answer.SetHeader(index, value);
}

// A row of `width` values, each an empty text unless given.
std::vector<Variant> Row(size_t width, Fields fields) {
  std::vector<Variant> row(width, Text({}));
  for (const auto& [index, value] : fields) row[static_cast<size_t>(index)] = value;
  return row;
}

std::string TextInput(const Variant& input) {
  if (input.IsEmpty()) return {};
  try {
    return input.ToText();
  } catch (const broker::ComError&) {
    return {};
  }
}

// A number given as a number or as a text of digits; nothing when it is neither.
std::optional<int32_t> IntInput(const Variant& input) {
  if (input.IsEmpty()) return std::nullopt;
  try {
    return input.ToI4();
  } catch (const broker::ComError&) {
    return std::nullopt;
  }
}

// The order types: "01" limit, "03" market. Nothing for any other text.
std::optional<bool> MarketType(const std::string& type) {
  if (type == "01") return false;
  if (type == "03") return true;
  return std::nullopt;
}

class TradeUtilityObject : public broker::ITradeUtility {
 public:
  TradeUtilityObject(ExchangeContext& context, SharedPaper paper) : context_(context), paper_(std::move(paper)) {}

  int16_t Initialise(int32_t) override {
    context_.Faults().CheckCall(broker::clsid::kTradeUtility, Method::kInitialise);
    int16_t result = 0;
    if (auto armed = context_.Faults().Custom(broker::clsid::kTradeUtility, kInitialiseFault)) {
      result = static_cast<int16_t>(*armed);
    } else if (!paper_->Problem().empty()) {
      throw broker::ComError(broker::kEFail, paper_->Problem());
    }
    // 3 (the user cancelled the certificate step) still leaves the session usable.
    if (result == 0 || result == 3) paper_->SetInitialised();
    return result;
  }

  Variant Accounts() override {
    context_.Faults().CheckCall(broker::clsid::kTradeUtility, Method::kAccounts);
    std::vector<Variant> accounts;
    for (const std::string& account : paper_->Accounts()) accounts.push_back(Text(account));
    return Variant::Array(std::move(accounts));
  }

 private:
  ExchangeContext& context_;
  SharedPaper paper_;
};

class PaperRequest : public TradeRequestBase {
 public:
  // `refused` is the first text of a refusal: a query's or an order's.
  PaperRequest(ExchangeContext& context, const broker::Guid& clsid, SharedPaper paper, Txt refused)
      : TradeRequestBase(context, clsid), paper_(std::move(paper)), refused_(refused) {}

 protected:
  PaperTrading& Paper() { return *paper_; }
  // A ledger that cannot be read (busy past its wait, or damaged) refuses the request, as a server
  // answers what it cannot serve; the call itself succeeds and the ledger is left as it is.
  void Serve(Answer& answer) final {
    try {
      ServeFromAccount(answer);
    } catch (const SqliteError& error) {
      answer.Refuse(Refusal{kLedgerStatus, ostrada::Text(refused_),
                            ostrada::Text(Txt::kPaperLedgerReadFailed) + " " + error.what()});
    }
  }
  virtual void ServeFromAccount(Answer& answer) = 0;
  // A refused query says that a query was refused, whatever the reason: no order was sent.
  static void RefuseQuery(Answer& answer, Refusal refusal) {
    refusal.text1 = ostrada::Text(Txt::kExQueryRefused);
    answer.Refuse(refusal);
  }
  static void RefuseQuery(Answer& answer, RefusalKind kind) { RefuseQuery(answer, MakeRefusal(kind)); }
  // Refuses the query when the account may not be asked about.
  bool Admit(const std::string& account, Answer& answer) {
    if (auto refused = paper_->CheckQuery(account)) {
      RefuseQuery(answer, *refused);
      return false;
    }
    return true;
  }

 private:
  SharedPaper paper_;
  Txt refused_;
};

// Inputs: 0 account, 1 "10", 2 code, 3 order type, 4 price (limit only), 5 "N", 6 '1'.
class OrderAvailableObject : public PaperRequest {
 public:
  OrderAvailableObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kOrderAvailable, std::move(paper), Txt::kExQueryRefused) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    const std::string code = TextInput(Input(2));
    const std::optional<bool> market = MarketType(TextInput(Input(3)));
    if (!market) return RefuseQuery(answer, RefusalKind::kBadInput);
    if (!code.empty() && Paper().NameOf(code).empty()) return RefuseQuery(answer, RefusalKind::kUnknownCode);
    const int32_t price = *market ? 0 : IntInput(Input(4)).value_or(0);
    if (!*market && price <= 0 && !code.empty()) return RefuseQuery(answer, RefusalKind::kBadPrice);
    const BuyingPower power = Paper().Buyable(account, code, price);
    SetHeaders(answer, {{0, Text(account)},
                        {1, Text(Paper().NameOf(code))},
                        {9, Money(power.available)},
                        {10, Money(power.reserved)},
                        {17, Int(power.quantity)},
                        {18, Int(power.grossQuantity)},
                        {34, Int(price)},
                        {45, Money(power.cash)},
                        {46, Money(power.cash)},
                        {47, Money(power.cash)},
                        {48, Int(0)}});  // a paper account pledges no shares as substitute
  }
};

// Inputs: 0 account, 1 "10".
class CashAvailableObject : public PaperRequest {
 public:
  CashAvailableObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kCashAvailable, std::move(paper), Txt::kExQueryRefused) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    // The cash limit is the deposit itself: what open buys hold back is already out of the
    // available amount, and the deposit must not shrink to it.
    const BuyingPower power = Paper().Buyable(account, {}, 0);
    SetHeaders(answer, {{0, Text(account)}, {45, Money(power.cash)}, {66, Money(power.cash)}});
  }
};

// A paged list: `rows` per request, the count of each reply in `countHeader`.
class PagedRequest : public PaperRequest {
 public:
  PagedRequest(ExchangeContext& context, const broker::Guid& clsid, SharedPaper paper, int32_t rowsInput, int32_t most,
               int32_t countHeader)
      : PaperRequest(context, clsid, std::move(paper), Txt::kExQueryRefused),
        rowsInput_(rowsInput),
        most_(most),
        countHeader_(countHeader) {}

  // The count follows the rows actually sent, also when a fault cuts the answer short.
  int16_t Request() override {
    const int16_t status = PaperRequest::Request();
    if (status == 0) Current().SetHeader(countHeader_, Int(static_cast<int64_t>(Current().RowCount())));
    return status;
  }

 protected:
  // Rows a reply holds; 0 after refusing a count out of range.
  int32_t RowsPerReply(Answer& answer) {
    const std::optional<int32_t> rows = IntInput(Input(rowsInput_));
    if (!rows) return most_;
    if (*rows < 1 || *rows > most_) {
      RefuseQuery(answer, RefusalKind::kBadCount);
      return 0;
    }
    return *rows;
  }
  int32_t Offset(int32_t rows) const { return (Page() - 1) * rows; }
  // The account and the rows per reply of a list the account may be asked for; nothing after
  // refusing the request.
  std::optional<std::pair<std::string, int32_t>> AdmitPage(Answer& answer) {
    std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return std::nullopt;
    const int32_t rows = RowsPerReply(answer);
    if (rows == 0) return std::nullopt;
    return std::pair{std::move(account), rows};
  }

 private:
  int32_t rowsInput_;
  int32_t most_;
  int32_t countHeader_;
};

// Inputs: 0 account, 1 "10", 2 rows per reply (up to 50). Header 7: rows of this reply.
class HoldingsObject : public PagedRequest {
 public:
  HoldingsObject(ExchangeContext& context, SharedPaper paper)
      : PagedRequest(context, broker::clsid::kHoldings, std::move(paper), 2, kHoldingRowsMost, 7) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const auto page = AdmitPage(answer);
    if (!page) return;
    const auto& [account, rows] = *page;
    PaperLedger& ledger = Paper().Ledger();
    const int32_t total = ledger.HoldingCount(account);
    const int32_t offset = Offset(rows);
    const BuyingPower power = Paper().Buyable(account, {}, 0);
    // The summary values fill four-byte fields of the holdings list: clamped, not widened.
    SetHeaders(answer, {{0, Text(account)},
                        {1, Int(total)},
                        {2, Int(power.cash)},
                        {3, Int(power.reserved)},
                        {4, Int(power.available)},
                        {6, Int(std::min(total, offset + rows))},
                        {8, Int(Page())}});
    const int32_t today = Paper().Today();
    for (const PaperHolding& holding : ledger.Holdings(account, offset, rows)) {
      // A stock this listing lacks (bought under another seed or size) goes by its code: an empty
      // name ends the client's list, which would hide it and every holding after it.
      const std::string listedName = Paper().NameOf(holding.code);
      const std::string& name = listedName.empty() ? holding.code : listedName;
      const int32_t offered = ledger.Offered(account, holding.code);
      const double purchase = static_cast<double>(holding.value) / holding.quantity;
      const double cost = static_cast<double>(holding.cost) / holding.quantity;
      answer.AddRow(Row(19, {{0, Text(name)},
                             {1, Text(account)},
                             {2, Text("00")},  // cash holding (no credit)
                             {3, Int(holding.quantity - offered)},
                             {4, Int(offered)},
                             {5, Int(holding.value)},
                             {6, Int(holding.cost)},
                             {7, Int(holding.quantity)},
                             {8, Int(0)},
                             {9, Int(static_cast<int64_t>(purchase))},
                             {10, Int(static_cast<int64_t>(cost + 0.5))},
                             {11, Variant::R8(static_cast<double>(holding.cost - holding.value))},
                             {12, Text(holding.code)},
                             {13, Text("10")},
                             {15, Int(today)},
                             {17, Variant::R8(purchase)},
                             {18, Variant::R8(cost)}}));
    }
    answer.SetMoreData(offset + rows < total);
  }
};

// Inputs: 0 account, 1 "10", 4-6 "0", 7 rows per reply (up to 20). Header 5: rows of this reply.
// Data 27, past the server's usual fields: the shares ahead of the order at its price (-1 while it
// waits for an auction).
class UnfilledObject : public PagedRequest {
 public:
  UnfilledObject(ExchangeContext& context, SharedPaper paper)
      : PagedRequest(context, broker::clsid::kUnfilledOrders, std::move(paper), 7, kUnfilledRowsMost, 5) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const auto page = AdmitPage(answer);
    if (!page) return;
    const auto& [account, rows] = *page;
    PaperLedger& ledger = Paper().Ledger();
    const int32_t today = Paper().Today();
    const int32_t total = ledger.OpenOrderCount(account, today);
    const int32_t offset = Offset(rows);
    SetHeaders(answer, {{0, Text(account)}, {1, Text(std::to_string(today))}, {4, Text(std::to_string(total))}});
    for (const PaperOrder& order : ledger.OpenOrders(account, today, offset, rows)) {
      answer.AddRow(Row(28, {{0, Text(account)},
                             {1, Int(order.number)},
                             {2, Int(order.original)},
                             {3, Text(order.code)},
                             {4, Text(Paper().NameOf(order.code))},
                             {5, TypeText(order.market)},
                             {6, Int(order.quantity)},
                             {7, Int(order.price)},
                             {8, Int(order.filled)},
                             {9, Char(Wire(order.kind))},
                             {10, TypeText(order.market)},
                             {11, Int(order.Remaining())},
                             {12, Int(order.withdrawn)},
                             {13, Char(Wire(order.side))},
                             {18, Text(Hhmmss(order.timeMs))},
                             {19, Text("10")},
                             {21, Text(account)},
                             {22, Text("00")},
                             {23, Text("0")},
                             {24, Text("0")},
                             {25, Text("0")},
                             {27, Int(Paper().QueueAhead(order.number).value_or(-1))}}));
    }
    answer.SetMoreData(offset + rows < total);
  }
};

// Inputs: 0 side ("1" sell, "2" buy), 1 account, 2 "10", 3 code, 4 quantity, 5 price, 7 "0", 8 type.
// Reply: 8 the order number; 0-5, 9, 10, 12, 13 describe the order.
class BuySellObject : public PaperRequest {
 public:
  BuySellObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kBuySellOrder, std::move(paper), Txt::kExOrderRefused) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const std::string side = TextInput(Input(0));
    const std::string account = TextInput(Input(1));
    const std::string code = TextInput(Input(3));
    const std::optional<int32_t> quantity = IntInput(Input(4));
    const std::optional<int32_t> price = IntInput(Input(5));
    const std::optional<bool> market = MarketType(TextInput(Input(8)));
    if (side.size() != 1 || !quantity || !market || (!*market && !price)) return answer.Refuse(RefusalKind::kBadInput);
    const PaperTrading::Result result =
        Paper().Place(account, code, SideOfWire(side[0]), *market, price.value_or(0), *quantity);
    if (result.refusal) return answer.Refuse(*result.refusal);
    const PaperOrder& order = result.order;
    SetHeaders(answer, {{0, Char(Wire(order.side))},
                        {1, Text(order.account)},
                        {2, Text("10")},
                        {3, Text(order.code)},
                        {4, Int(order.quantity)},
                        {5, Int(order.price)},
                        {8, Int(order.number)},
                        {9, TypeText(order.market)},
                        {10, Int(HhmmssOf(order.timeMs))},
                        {12, Text(Paper().NameOf(order.code))},
                        {13, Text("0")}});
  }
};

// Inputs: 1 target order number, 2 account, 3 "10", 4 code, 5 quantity, 6 price (modify only).
// Reply: 6 the target, 7 the quantity, 8 the new order number; 1-5 and 9 describe the order.
class AmendObject : public PaperRequest {
 public:
  AmendObject(ExchangeContext& context, SharedPaper paper, bool cancel)
      : PaperRequest(context, cancel ? broker::clsid::kCancelOrder : broker::clsid::kModifyOrder, std::move(paper),
                     Txt::kExOrderRefused),
        cancel_(cancel) {}

 protected:
  void ServeFromAccount(Answer& answer) override {
    const std::optional<int32_t> target = IntInput(Input(1));
    const std::string account = TextInput(Input(2));
    const std::string code = TextInput(Input(4));
    const std::optional<int32_t> quantity = IntInput(Input(5));
    const std::optional<int32_t> price = cancel_ ? std::optional<int32_t>(0) : IntInput(Input(6));
    if (!target || !quantity || !price) return answer.Refuse(RefusalKind::kBadInput);
    const PaperTrading::Result result = Paper().Amend(account, code, *target, *quantity, *price, cancel_);
    if (result.refusal) return answer.Refuse(*result.refusal);
    const PaperOrder& order = result.order;
    SetHeaders(answer, {{1, Text(order.account)},
                        {2, Text("10")},
                        {3, Text(order.code)},
                        {4, Int(order.price)},
                        {5, Char(Wire(order.side))},
                        {6, Int(order.original)},
                        {7, Int(order.quantity)},
                        {8, Int(order.number)},
                        {9, Int(HhmmssOf(order.timeMs))}});
  }

 private:
  bool cancel_;
};

// Subscribing (no inputs) joins every notice of the account's orders. Headers of an event: 1 account,
// 2 name, 3 quantity, 4 price, 5 order number, 7 original number (text), 8 code, 9 order type,
// 12 side, 14 kind, 15 time HHMMSS, 16 ordinary / modify / cancel.
class OrderEventsObject : public MarketRequestBase, public OrderNoticeListener {
 public:
  OrderEventsObject(ExchangeContext& context, SharedPaper paper)
      : MarketRequestBase(context, broker::clsid::kOrderEvents), paper_(std::move(paper)) {}
  ~OrderEventsObject() override { paper_->RemoveListener(this); }
  OrderEventsObject(const OrderEventsObject&) = delete;
  OrderEventsObject& operator=(const OrderEventsObject&) = delete;

  void OnOrderNotice(const OrderNotice& notice) override {
    Answer answer;
    char time[8];
    std::snprintf(time, sizeof time, "%06d", notice.hhmmss);
    SetHeaders(answer, {{1, Text(notice.account)},
                        {2, Text(notice.name)},
                        {3, Int(notice.quantity)},
                        {4, Int(notice.price)},
                        {5, Int(notice.number)},
                        {7, Text(std::to_string(notice.original))},
                        {8, Text(notice.code)},
                        {9, TypeText(notice.market)},
                        {12, Char(Wire(notice.side))},
                        {14, Char(Wire(notice.kind))},
                        {15, Text(time)},
                        {16, Char(Wire(notice.flag))}});
    Current() = std::move(answer);
    Fire();
  }

 protected:
  void Serve(Answer&) override {}
  void OnSubscribe() override { paper_->AddListener(this); }
  void OnUnsubscribe() override { paper_->RemoveListener(this); }

 private:
  SharedPaper paper_;
};

}  // namespace

void RegisterTradeObjects(ObjectRegistry& registry, ExchangeContext& context, const SharedPaper& paper) {
  namespace id = broker::clsid;
  registry.Register(id::kTradeUtility,
                    [&context, paper] { return std::make_shared<TradeUtilityObject>(context, paper); });
  registry.Register(id::kOrderAvailable,
                    [&context, paper] { return std::make_shared<OrderAvailableObject>(context, paper); });
  registry.Register(id::kCashAvailable,
                    [&context, paper] { return std::make_shared<CashAvailableObject>(context, paper); });
  registry.Register(id::kHoldings, [&context, paper] { return std::make_shared<HoldingsObject>(context, paper); });
  registry.Register(id::kUnfilledOrders,
                    [&context, paper] { return std::make_shared<UnfilledObject>(context, paper); });
  registry.Register(id::kBuySellOrder, [&context, paper] { return std::make_shared<BuySellObject>(context, paper); });
  registry.Register(id::kModifyOrder,
                    [&context, paper] { return std::make_shared<AmendObject>(context, paper, false); });
  registry.Register(id::kCancelOrder,
                    [&context, paper] { return std::make_shared<AmendObject>(context, paper, true); });
  registry.Register(id::kOrderEvents,
                    [&context, paper] { return std::make_shared<OrderEventsObject>(context, paper); });
}

}  // namespace ostrada::sim
