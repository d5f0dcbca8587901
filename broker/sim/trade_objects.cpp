#include "broker/sim/trade_objects.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "broker/clsid.h"
#include "broker/sim/request_object.h"

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
Variant Char(char c) {
  return Variant::Text(std::string(1, c));
}
std::string Hhmmss(int32_t ms) {
  char text[8];
  std::snprintf(text, sizeof text, "%06d", HhmmssOf(ms));
  return text;
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
  PaperRequest(ExchangeContext& context, const broker::Guid& clsid, SharedPaper paper)
      : TradeRequestBase(context, clsid), paper_(std::move(paper)) {}

 protected:
  PaperTrading& Paper() { return *paper_; }
  // Refuses the answer when the account may not be asked about.
  bool Admit(const std::string& account, Answer& answer) {
    if (auto refused = paper_->CheckQuery(account)) {
      answer.Refuse(*refused);
      return false;
    }
    return true;
  }

 private:
  SharedPaper paper_;
};

// Inputs: 0 account, 1 "10", 2 code, 3 order type, 4 price (limit only), 5 "N", 6 '1'.
class OrderAvailableObject : public PaperRequest {
 public:
  OrderAvailableObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kOrderAvailable, std::move(paper)) {}

 protected:
  void Serve(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    const std::string code = TextInput(Input(2));
    const std::optional<bool> market = MarketType(TextInput(Input(3)));
    if (!market) return answer.Refuse(RefusalKind::kBadInput);
    if (!code.empty() && Paper().NameOf(code).empty()) return answer.Refuse(RefusalKind::kUnknownCode);
    const int32_t price = *market ? 0 : IntInput(Input(4)).value_or(0);
    if (!*market && price <= 0 && !code.empty()) return answer.Refuse(RefusalKind::kBadPrice);
    const BuyingPower power = Paper().Buyable(account, code, price);
    answer.SetHeader(0, Text(account));
    answer.SetHeader(1, Text(Paper().NameOf(code)));
    answer.SetHeader(9, Int(power.available));
    answer.SetHeader(10, Int(power.reserved));
    answer.SetHeader(17, Int(power.quantity));
    answer.SetHeader(18, Int(power.grossQuantity));
    answer.SetHeader(34, Int(price));
    answer.SetHeader(45, Int(power.cash));
    answer.SetHeader(46, Int(power.cash));
    answer.SetHeader(47, Int(power.cash));
    answer.SetHeader(48, Int(0));  // a paper account pledges no shares as substitute
  }
};

// Inputs: 0 account, 1 "10".
class CashAvailableObject : public PaperRequest {
 public:
  CashAvailableObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kCashAvailable, std::move(paper)) {}

 protected:
  void Serve(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    const BuyingPower power = Paper().Buyable(account, {}, 0);
    answer.SetHeader(0, Text(account));
    answer.SetHeader(45, Int(power.cash));
    answer.SetHeader(66, Int(power.available));
  }
};

// A paged list: `rows` per request, the count of each reply in `countHeader`.
class PagedRequest : public PaperRequest {
 public:
  PagedRequest(ExchangeContext& context, const broker::Guid& clsid, SharedPaper paper, int32_t rowsInput, int32_t most,
               int32_t countHeader)
      : PaperRequest(context, clsid, std::move(paper)), rowsInput_(rowsInput), most_(most), countHeader_(countHeader) {}

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
      answer.Refuse(RefusalKind::kBadCount);
      return 0;
    }
    return *rows;
  }
  int32_t Offset(int32_t rows) const { return (Page() - 1) * rows; }

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
  void Serve(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    const int32_t rows = RowsPerReply(answer);
    if (rows == 0) return;
    PaperLedger& ledger = Paper().Ledger();
    const int32_t total = ledger.HoldingCount(account);
    const int32_t offset = Offset(rows);
    const BuyingPower power = Paper().Buyable(account, {}, 0);
    answer.SetHeader(0, Text(account));
    answer.SetHeader(1, Int(total));
    answer.SetHeader(2, Int(power.cash));
    answer.SetHeader(3, Int(power.reserved));
    answer.SetHeader(4, Int(power.available));
    answer.SetHeader(6, Int(std::min(total, offset + rows)));
    answer.SetHeader(8, Int(Page()));
    const int32_t today = Paper().Today();
    for (const PaperHolding& holding : ledger.Holdings(account, offset, rows)) {
      const int32_t offered = ledger.Offered(account, holding.code);
      const double purchase = static_cast<double>(holding.value) / holding.quantity;
      const double cost = static_cast<double>(holding.cost) / holding.quantity;
      std::vector<Variant> row(19);
      row[0] = Text(Paper().NameOf(holding.code));
      row[1] = Text(account);
      row[2] = Text("00");  // cash holding (no credit)
      row[3] = Int(holding.quantity - offered);
      row[4] = Int(offered);
      row[5] = Int(holding.value);
      row[6] = Int(holding.cost);
      row[7] = Int(holding.quantity);
      row[8] = Int(0);
      row[9] = Int(static_cast<int64_t>(purchase));
      row[10] = Int(static_cast<int64_t>(cost + 0.5));
      row[11] = Variant::R8(static_cast<double>(holding.cost - holding.value));
      row[12] = Text(holding.code);
      row[13] = Text("10");
      row[14] = Text({});
      row[15] = Int(today);
      row[16] = Text({});
      row[17] = Variant::R8(purchase);
      row[18] = Variant::R8(cost);
      answer.AddRow(std::move(row));
    }
    answer.SetMoreData(offset + rows < total);
  }
};

// Inputs: 0 account, 1 "10", 4-6 "0", 7 rows per reply (up to 20). Header 5: rows of this reply.
class UnfilledObject : public PagedRequest {
 public:
  UnfilledObject(ExchangeContext& context, SharedPaper paper)
      : PagedRequest(context, broker::clsid::kUnfilledOrders, std::move(paper), 7, kUnfilledRowsMost, 5) {}

 protected:
  void Serve(Answer& answer) override {
    const std::string account = TextInput(Input(0));
    if (!Admit(account, answer)) return;
    const int32_t rows = RowsPerReply(answer);
    if (rows == 0) return;
    PaperLedger& ledger = Paper().Ledger();
    const int32_t today = Paper().Today();
    const int32_t total = ledger.OpenOrderCount(account, today);
    const int32_t offset = Offset(rows);
    answer.SetHeader(0, Text(account));
    answer.SetHeader(1, Text(std::to_string(today)));
    answer.SetHeader(4, Text(std::to_string(total)));
    for (const PaperOrder& order : ledger.OpenOrders(account, today, offset, rows)) {
      const std::string type = order.market ? "03" : "01";
      std::vector<Variant> row(27, Text({}));
      row[0] = Text(account);
      row[1] = Int(order.number);
      row[2] = Int(order.original);
      row[3] = Text(order.code);
      row[4] = Text(Paper().NameOf(order.code));
      row[5] = Text(type);
      row[6] = Int(order.quantity);
      row[7] = Int(order.price);
      row[8] = Int(order.filled);
      row[9] = Char(order.kind);
      row[10] = Text(type);
      row[11] = Int(order.Remaining());
      row[12] = Int(order.withdrawn);
      row[13] = Char(order.side);
      row[18] = Text(Hhmmss(order.timeMs));
      row[19] = Text("10");
      row[21] = Text(account);
      row[22] = Text("00");
      row[23] = Text("0");
      row[24] = Text("0");
      row[25] = Text("0");
      answer.AddRow(std::move(row));
    }
    answer.SetMoreData(offset + rows < total);
  }
};

// Inputs: 0 side ("1" sell, "2" buy), 1 account, 2 "10", 3 code, 4 quantity, 5 price, 7 "0", 8 type.
// Reply: 8 the order number; 0-5, 9, 10, 12, 13 describe the order.
class BuySellObject : public PaperRequest {
 public:
  BuySellObject(ExchangeContext& context, SharedPaper paper)
      : PaperRequest(context, broker::clsid::kBuySellOrder, std::move(paper)) {}

 protected:
  void Serve(Answer& answer) override {
    const std::string side = TextInput(Input(0));
    const std::string account = TextInput(Input(1));
    const std::string code = TextInput(Input(3));
    const std::optional<int32_t> quantity = IntInput(Input(4));
    const std::optional<int32_t> price = IntInput(Input(5));
    const std::optional<bool> market = MarketType(TextInput(Input(8)));
    if (side.size() != 1 || !quantity || !market || (!*market && !price)) return answer.Refuse(RefusalKind::kBadInput);
    const PaperTrading::Result result = Paper().Place(account, code, side[0], *market, price.value_or(0), *quantity);
    if (result.refusal) return answer.Refuse(*result.refusal);
    const PaperOrder& order = result.order;
    answer.SetHeader(0, Char(order.side));
    answer.SetHeader(1, Text(order.account));
    answer.SetHeader(2, Text("10"));
    answer.SetHeader(3, Text(order.code));
    answer.SetHeader(4, Int(order.quantity));
    answer.SetHeader(5, Int(order.price));
    answer.SetHeader(8, Int(order.number));
    answer.SetHeader(9, Text(order.market ? "03" : "01"));
    answer.SetHeader(10, Int(HhmmssOf(order.timeMs)));
    answer.SetHeader(12, Text(Paper().NameOf(order.code)));
    answer.SetHeader(13, Text("0"));
  }
};

// Inputs: 1 target order number, 2 account, 3 "10", 4 code, 5 quantity, 6 price (modify only).
// Reply: 6 the target, 7 the quantity, 8 the new order number; 1-5 and 9 describe the order.
class AmendObject : public PaperRequest {
 public:
  AmendObject(ExchangeContext& context, SharedPaper paper, bool cancel)
      : PaperRequest(context, cancel ? broker::clsid::kCancelOrder : broker::clsid::kModifyOrder, std::move(paper)),
        cancel_(cancel) {}

 protected:
  void Serve(Answer& answer) override {
    const std::optional<int32_t> target = IntInput(Input(1));
    const std::string account = TextInput(Input(2));
    const std::string code = TextInput(Input(4));
    const std::optional<int32_t> quantity = IntInput(Input(5));
    const std::optional<int32_t> price = cancel_ ? std::optional<int32_t>(0) : IntInput(Input(6));
    if (!target || !quantity || !price) return answer.Refuse(RefusalKind::kBadInput);
    const PaperTrading::Result result = Paper().Amend(account, code, *target, *quantity, *price, cancel_);
    if (result.refusal) return answer.Refuse(*result.refusal);
    const PaperOrder& order = result.order;
    answer.SetHeader(1, Text(order.account));
    answer.SetHeader(2, Text("10"));
    answer.SetHeader(3, Text(order.code));
    answer.SetHeader(4, Int(order.price));
    answer.SetHeader(5, Char(order.side));
    answer.SetHeader(6, Int(order.original));
    answer.SetHeader(7, Int(order.quantity));
    answer.SetHeader(8, Int(order.number));
    answer.SetHeader(9, Int(HhmmssOf(order.timeMs)));
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
    answer.SetHeader(1, Text(notice.account));
    answer.SetHeader(2, Text(notice.name));
    answer.SetHeader(3, Int(notice.quantity));
    answer.SetHeader(4, Int(notice.price));
    answer.SetHeader(5, Int(notice.number));
    answer.SetHeader(7, Text(std::to_string(notice.original)));
    answer.SetHeader(8, Text(notice.code));
    answer.SetHeader(9, Text(notice.market ? "03" : "01"));
    answer.SetHeader(12, Char(notice.side));
    answer.SetHeader(14, Char(notice.kind));
    char time[8];
    std::snprintf(time, sizeof time, "%06d", notice.hhmmss);
    answer.SetHeader(15, Text(time));
    answer.SetHeader(16, Char(notice.flag));
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
