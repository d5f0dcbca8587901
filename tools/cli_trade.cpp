// ostrada-cli account / order: paper trading on the embedded exchange through the same gateway the
// order window uses. `account` shows the buying power, the holdings at their current prices and the
// unfilled orders; `order` sends one buy, sell, modify or cancel order, then lets the market run and
// prints each order event as the event log words it.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "basesrc/codeinfo.h"
#include "basesrc/eventsink.h"
#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/nowinfo.h"
#include "basesrc/numberformat.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "basesrc/trdevent.h"
#include "basesrc/trdrun.h"
#include "basesrc/trdyet.h"
#include "broker/clsid.h"
#include "broker/comerror.h"
#include "broker/server.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/exchange.h"
#include "broker/sim/paper/paper_account.h"
#include "tools/cli_paper.h"
#include "tools/cli_practice.h"
#include "tools/cli_words.h"
#include "tools/command.h"
#include "tools/exchange_setup.h"
#include "tools/json_output.h"
#include "tools/paper_exchange.h"
#include "tools/watch_report.h"

namespace ostrada::cli {
namespace {

constexpr int kMaxRunSeconds = 86400;

struct TradeOptions : PaperCommandOptions {
  bool json = false;
  std::vector<std::string> words;  // order: the action and its operands
  std::string code;                // account: the stock whose buyable quantity is shown
  std::string price;
  bool market = false;
  std::string run = "0";
};

std::string Utf8(const std::string& cp949) {
  return Cp949ToUtf8(cp949);
}
// ---- account ----

struct AccountView {
  std::string account;
  std::string code;  // CP949; the buyable quantity is the code's at its current price, none without it
  std::string clock;  // the account's clock, as MomentText writes it
  TradeAbleInfo able{};
  const TrdRunList* holdings = nullptr;  // the session's snapshot
  const TrdYetList* unfilled = nullptr;
};

char SideCode(const TrdYetInfo& order) {
  return order.side != nullptr ? order.side.get()[0] : '\0';
}
std::string SideWord(const TrdYetInfo& order) {
  const char side = SideCode(order);
  return side == '1' ? Words(Txt::kTrdSell) : side == '2' ? Words(Txt::kTrdBuy) : std::string();
}

void PrintJson(const AccountView& view) {
  JsonDocument holdings = JsonDocument::array();
  for (const TrdRunInfo* h = view.holdings->First(); h != nullptr; h = h->next) {
    // A price that could not be fetched is unknown: null, as is the profit at it.
    const std::optional<int64_t> profit = HoldingProfit(*h);
    holdings.push_back({{"code", Utf8(h->code)},
                        {"name", Utf8(h->name)},
                        {"quantity", h->quantity},
                        {"purchasePrice", std::round(h->purchasePrice * 100.0) / 100.0},
                        {"currentPrice", profit ? JsonDocument(h->current.close) : JsonDocument()},
                        {"profit", profit ? JsonDocument(*profit) : JsonDocument()}});
  }
  JsonDocument unfilled = JsonDocument::array();
  for (const TrdYetInfo* o = view.unfilled->First(); o != nullptr; o = o->next) {
    const char side = SideCode(*o);
    unfilled.push_back({{"orderNumber", o->orderNumber},
                        {"code", Utf8(o->code)},
                        {"name", Utf8(o->name)},
                        {"side", side == '1' ? JsonDocument("sell")
                                             : side == '2' ? JsonDocument("buy") : JsonDocument()},
                        {"price", o->price},
                        {"unfilled", o->unfilled},
                        // What must trade at its price before it can; null while it waits for an auction.
                        {"queueAhead", o->queueAhead >= 0 ? JsonDocument(o->queueAhead) : JsonDocument()}});
  }
  JsonDocument document = {{"account", Utf8(view.account)},
                            {"clock", view.clock},
                            {"totalDeposit", view.able.totalDeposit},
                            {"availableAmount", view.able.availableAmount}};
  // The buyable quantity is a stock's: without one there is none to give.
  if (!view.code.empty()) {
    document["code"] = Utf8(view.code);
    document["availableQuantity"] = view.able.availableQuantity;
  }
  // Each holding's profit is what selling it now would realise.
  document["profitRule"] = "afterSellCosts";
  document["holdings"] = std::move(holdings);
  document["unfilled"] = std::move(unfilled);
  std::printf("%s\n", JsonDump(document).c_str());
}

void PrintText(const AccountView& view) {
  std::printf("%s: %s\n", Words(Txt::kTrdCliAccount).c_str(), Utf8(view.account).c_str());
  std::printf("%s: %s\n", Words(Txt::kPaperAccountClock).c_str(), view.clock.c_str());
  std::printf("%s: %s\n", Words(Txt::kTrdRowTotalDeposit).c_str(), FormatNumber(view.able.totalDeposit).c_str());
  std::printf("%s: %s\n", Words(Txt::kTrdRowAvailableAmount).c_str(), FormatNumber(view.able.availableAmount).c_str());
  // The buyable quantity is a stock's: without one there is none to print.
  if (!view.code.empty()) {
    std::printf("%s: %s (%s)\n", Words(Txt::kTrdRowAvailableQuantity).c_str(),
                FormatNumber(int64_t{view.able.availableQuantity}).c_str(), Utf8(view.code).c_str());
  }

  std::printf("\n%s\n", Words(Txt::kTrdCliHoldings).c_str());
  if (view.holdings->Count() == 0) std::printf("%s\n", Words(Txt::kTrdCliNoHoldings).c_str());
  if (view.holdings->Count() > 0) std::printf("(%s)\n", Words(Txt::kProfitAfterCostsNote).c_str());
  for (const TrdRunInfo* h = view.holdings->First(); h != nullptr; h = h->next) {
    // A price that could not be fetched is unknown, and so is the profit at it.
    const std::optional<int64_t> profit = HoldingProfit(*h);
    const std::string current = profit ? FormatNumber(int64_t{h->current.close}) : "-";
    const std::string shownProfit = profit ? FormatNumber(*profit) : "-";
    std::printf("%s %s  %s %s  %s %s  %s %s  %s %s  %s %s\n", Words(Txt::kTrdCliCode).c_str(), Utf8(h->code).c_str(),
                Words(Txt::kTrdCliName).c_str(), Utf8(h->name).c_str(), Words(Txt::kTrdCliQuantity).c_str(),
                FormatNumber(int64_t{h->quantity}).c_str(), Words(Txt::kTrdCliPurchasePrice).c_str(),
                FormatNumber(h->purchasePrice).c_str(), Words(Txt::kTrdCliCurrentPrice).c_str(), current.c_str(),
                Words(Txt::kTrdCliProfit).c_str(), shownProfit.c_str());
  }

  std::printf("\n%s\n", Words(Txt::kTrdCliUnfilled).c_str());
  if (view.unfilled->Count() == 0) std::printf("%s\n", Words(Txt::kTrdCliNoUnfilled).c_str());
  for (const TrdYetInfo* o = view.unfilled->First(); o != nullptr; o = o->next) {
    const std::string ahead = o->queueAhead >= 0 ? FormatNumber(int64_t{o->queueAhead}) : "-";
    std::printf("%s %d  %s %s  %s %s  %s %s  %s %s  %s %s\n", Words(Txt::kTrdCliOrderNumber).c_str(), o->orderNumber,
                Words(Txt::kTrdCliCode).c_str(), Utf8(o->code).c_str(), Words(Txt::kTrdCliSide).c_str(),
                SideWord(*o).c_str(), Words(Txt::kTrdCliPrice).c_str(), FormatNumber(int64_t{o->price}).c_str(),
                Words(Txt::kTrdCliUnfilledQuantity).c_str(), FormatNumber(int64_t{o->unfilled}).c_str(),
                Words(Txt::kTrdQueueAhead).c_str(), ahead.c_str());
  }
}

int RunAccount(const TradeOptions& options) {
  auto exchange = PaperExchange(options.setup, options.paper, true);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  TradingSession session;
  StocGate& gate = session.Gate();
  AccountView view;
  view.clock = MomentText({exchange->Clock().Date(), exchange->Clock().TimeOfDay()});
  if (!session.LogIn()) return kExitFailure;
  view.account = session.Account();
  view.code = Utf8ToCp949(options.code);
  // A stock's buyable quantity is asked at its current price.
  int32_t price = 0;
  if (!view.code.empty()) {
    NowPrice now{};
    if (!gate.FetchNowPrice(&now, view.code.c_str())) return kExitFailure;
    price = now.bar.close;
  }
  if (!gate.BuyableAmount(view.account.c_str(), view.code.c_str(), kOrderTypeLimit, price, &view.able)) {
    return kExitFailure;
  }
  // Holdings whose prices could not be fetched are shown with unknown prices (the failure was told).
  view.holdings = session.Snapshot().holdings.get();
  view.unfilled = session.Snapshot().unfilled.get();
  if (!view.holdings || !view.unfilled) return kExitFailure;
  if (options.json) {
    PrintJson(view);
  } else {
    PrintText(view);
  }
  return kExitOk;
}

// ---- order ----

// One order as the command line gives it, checked before anything is sent.
struct OrderRequest {
  enum Action { kBuy, kSell, kModify, kCancel } action = kBuy;
  std::string code;  // CP949
  int32_t quantity = 0;
  int32_t price = 0;
  int32_t target = 0;
  bool market = false;
  int32_t runSeconds = 0;
};

// Tells the user why the command line is refused; false.
bool Explain(Txt id) {
  ShowMessage(Text(id));
  return false;
}

// The order of the words and options, or an explanation on stderr and false.
bool ReadOrder(const TradeOptions& options, OrderRequest* order) {
  const std::vector<std::string>& w = options.words;
  const std::string action = w.empty() ? std::string() : w[0];
  const bool buySell = action == "buy" || action == "sell";
  const bool modify = action == "modify";
  if (!buySell && !modify && action != "cancel") return Explain(Txt::kTrdCliOrderUsage);
  if (w.size() != (buySell ? 3u : modify ? 5u : 4u)) return Explain(Txt::kTrdCliOrderUsage);
  if (!ReadCount(options.run, &order->runSeconds)) return false;
  if (order->runSeconds > kMaxRunSeconds) return Explain(Txt::kTrdCliBadRun);
  if (buySell) {
    order->action = action == "buy" ? OrderRequest::kBuy : OrderRequest::kSell;
    order->code = Utf8ToCp949(w[1]);
    if (!ReadCount(w[2], &order->quantity)) return false;
    if (order->quantity <= 0) return Explain(Txt::kTrdBadQuantity);
    if (options.market == !options.price.empty()) return Explain(Txt::kTrdCliPriceOrMarket);
    order->market = options.market;
    if (order->market) return true;
    if (!ReadCount(options.price, &order->price)) return false;
    return order->price > 0 || Explain(Txt::kTrdBadPrice);
  }
  order->action = modify ? OrderRequest::kModify : OrderRequest::kCancel;
  if (!options.price.empty() || options.market) return Explain(Txt::kTrdCliOrderUsage);
  if (!ReadCount(w[1], &order->target)) return false;
  if (order->target <= 0) return Explain(Txt::kTrdBadTargetOrder);
  order->code = Utf8ToCp949(w[2]);
  if (!ReadCount(w[3], &order->quantity)) return false;
  if (order->quantity <= 0) return Explain(Txt::kTrdBadQuantity);
  return !modify || ReadCount(w[4], &order->price);
}

void PrintOrderNumber(int32_t number) {
  std::printf("%s : %d\n", Words(Txt::kTrdCliOrderNumber).c_str(), number);
  std::fflush(stdout);
}

// Prints every order event of the subscription as the event log words it. The server tells the
// acceptance while the order request is still running, before the order is routed: its number is
// printed then, so a script that is killed later has every number the ledger holds for it. Event
// lines never come before the number.
class EventPrinter : public WindowHandle {
 public:
  explicit EventPrinter(broker::IMarketRequest& object) : object_(object) {}
  intptr_t SendMessage(uint32_t message, uintptr_t, intptr_t) override {
    if (message != WM_EVENT_RECEIVED) return 0;
    try {
      OrderEvent event = ReadOrderEvent(object_);
      if (holding_ && event.kind == "4") ShowNumber(event.value5);
      std::string line;
      if (BuildOrderEventLine(&event, &line)) waiting_.push_back(Utf8(line));
    } catch (const broker::ComError& error) {
      ShowMessage(error.Description());
    }
    if (!holding_) Flush();
    return 0;
  }
  // The order request returned with `number`: it is printed unless its acceptance printed it, and
  // from now on every line is printed as it comes.
  void Release(int32_t number) {
    if (holding_) ShowNumber(number);
    Flush();
  }

 private:
  void ShowNumber(int32_t number) {
    PrintOrderNumber(number);
    holding_ = false;
  }
  void Flush() {
    for (const std::string& line : waiting_) std::printf("%s\n", line.c_str());
    waiting_.clear();
    std::fflush(stdout);
  }
  broker::IMarketRequest& object_;
  std::vector<std::string> waiting_;
  bool holding_ = true;
};

// The order-event subscription for the life of the command.
class OrderEventFeed {
 public:
  OrderEventFeed() {
    try {
      object_ = broker::CreateAs<broker::IMarketRequest>(broker::clsid::kOrderEvents);
      printer_ = std::make_unique<EventPrinter>(*object_);
      sink_ = std::make_unique<CEventSink>(printer_.get());
      sink_->Advise(*object_);
      object_->Subscribe();
    } catch (const broker::ComError& error) {
      ShowMessage(error.Description());
    }
  }
  ~OrderEventFeed() {
    if (!object_) return;
    try {
      object_->Unsubscribe();
      sink_->Unadvise(*object_);
    } catch (const broker::ComError& error) {
      ShowMessage(error.Description());
    }
  }
  void Release(int32_t number) {
    if (printer_) {
      printer_->Release(number);
    } else {
      PrintOrderNumber(number);
    }
  }
  OrderEventFeed(const OrderEventFeed&) = delete;
  OrderEventFeed& operator=(const OrderEventFeed&) = delete;

 private:
  std::shared_ptr<broker::IMarketRequest> object_;
  std::unique_ptr<EventPrinter> printer_;
  std::unique_ptr<CEventSink> sink_;
};

int Send(StocGate& gate, const CodeInfoList& book, const std::string& account, const OrderRequest& order,
         OrderEventFeed& feed) {
  std::string failure;
  int sent = 0;
  switch (order.action) {
    case OrderRequest::kBuy:
    case OrderRequest::kSell:
      sent = gate.SendOrder(book, account.c_str(), order.action == OrderRequest::kBuy ? kOrderSideBuy : kOrderSideSell,
                            order.code.c_str(), order.market ? kOrderTypeMarket : kOrderTypeLimit, order.price,
                            order.quantity, &failure);
      break;
    case OrderRequest::kModify:
    case OrderRequest::kCancel:
      sent = gate.SendModifyCancel(
          book, account.c_str(), TextC(order.action == OrderRequest::kModify ? Txt::kTrdModify : Txt::kTrdCancel),
          order.code.c_str(), order.quantity, order.price, order.target, &failure);
      break;
  }
  if (!sent) {
    ShowMessage(failure);
    return kExitFailure;
  }
  feed.Release(gate.LastOrderNumber());
  return kExitOk;
}

int RunOrder(const TradeOptions& options) {
  OrderRequest order;
  if (!ReadOrder(options, &order)) return kExitFailure;
  sim::PaperLedger::Moment at;
  auto exchange = PaperExchange(options.setup, options.paper, false, &at);
  if (!exchange) return kExitFailure;
  broker::ScopedServer server(*exchange);
  StocGate gate;
  std::unique_ptr<CodeInfoList> book = gate.DownloadCodes(kSortByCode, 0);
  if (!book) return kExitFailure;
  TradingSession session;
  if (!session.LogIn()) return kExitFailure;
  OrderEventFeed feed;
  // A code the book lacks is refused before the account's clock moves: a refusal changes nothing.
  if (book->FindByCode(order.code.c_str()) == nullptr) return Send(gate, *book, session.Account(), order, feed);
  // The conditions that act on the way, at the account's clock or during the run, are told after it.
  const std::vector<int64_t> watching = ActiveWatchIds(exchange->Paper(), session.Account());
  try {
    exchange->Paper().Hold();
  } catch (const sim::SqliteError& error) {
    ShowMessage(Text(error.IsBusy() ? Txt::kPaperLedgerBusy : Txt::kPaperLedgerWriteFailed) + " " + error.what());
    return kExitFailure;
  }
  exchange->AdvanceTo(at.date, at.timeMs);
  const int result = Send(gate, *book, session.Account(), order, feed);
  // A refused order: the way to its moment is undone with it.
  exchange->Paper().LetGo();
  if (result == kExitOk) {
    for (int32_t second = 0; second < order.runSeconds; ++second) exchange->Step(1000);
  }
  PrintWatchOutcomes(exchange->Paper(), session.Account(), watching);
  return result;
}

const bool registered = RegisterCommand([](CLI::App& app) {
  // Each command its own options: the setup remembers which of its options were given.
  auto accountOptions = std::make_shared<TradeOptions>();
  CLI::App* account = app.add_subcommand("account", Words(Txt::kCliHelpAccount));
  AddExchangeSetupOptions(*account, accountOptions->setup);
  AddPaperOptions(*account, accountOptions->paper);
  account->add_flag("--json", accountOptions->json, Words(Txt::kCliOptJsonObject));
  account->add_option("--code", accountOptions->code, Words(Txt::kCliOptAccountCode));
  AddPracticeCommands(*account);
  account->callback([accountOptions, account] {
    if (account->get_subcommands().empty()) SetExitCode(RunAccount(*accountOptions));
  });

  auto options = std::make_shared<TradeOptions>();

  CLI::App* order = app.add_subcommand("order", Words(Txt::kCliHelpOrder));
  AddExchangeSetupOptions(*order, options->setup);
  AddPaperOptions(*order, options->paper);
  order->add_option("words", options->words, Words(Txt::kCliOptOrderWords))->required();
  order->add_option("--price", options->price, Words(Txt::kCliOptOrderPrice));
  order->add_flag("--market", options->market, Words(Txt::kCliOptOrderMarket));
  order->add_option("--run", options->run, Words(Txt::kCliOptOrderRun));
  order->callback([options] { SetExitCode(RunOrder(*options)); });
});

}  // namespace
}  // namespace ostrada::cli
