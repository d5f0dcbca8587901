#pragma once
// The account's record as a trader reads it: every order with its fills, fees and tax; the profit
// each sell realised against the moving average cost of the shares held (the buy commission in the
// cost, the sell commission and tax taken from the proceeds); each day's trading and its closing
// equity (cash and the holdings at the day's close); each stock's; and the totals a trader judges a
// record by. All money is whole won. A consolidation's odd shares, paid out in cash, realise their
// part of the cost; the shares kept carry the rest.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "broker/sim/market/market_stock.h"
#include "broker/sim/paper/paper_journal_ledger.h"

namespace ostrada::sim {

// What the journal asks of the market: closes, share changes and names.
class JournalMarket {
 public:
  virtual ~JournalMarket() = default;
  // The stock's close on the trading date (on the market's own date: its price now); 0 when unknown.
  virtual int32_t Close(const std::string& code, int32_t date) = 0;
  // Every split and consolidation of the stock, oldest first.
  virtual std::vector<ShareChange> ShareChanges(const std::string& code) = 0;
  // CP949; empty when the listing lacks the code.
  virtual std::string NameOf(const std::string& code) = 0;
};

struct JournalFill {
  PaperFill fill;
  std::string code;
  Side side = Side::kBuy;
  int64_t amount = 0;     // price x quantity
  int64_t realised = 0;   // a sell's: proceeds less commission and tax, less the average cost sold
  int32_t heldAfter = 0;  // shares of the stock held after it
  int64_t averageCost = 0;  // the cost per share held after it (won, rounded down; 0 when none held)
};

struct JournalOrder {
  PaperOrder order;
  int32_t fills = 0;
  int64_t amount = 0;
  int64_t commission = 0;
  int64_t tax = 0;
  int64_t realised = 0;
};

struct JournalDay {
  int32_t date = 0;
  int32_t fills = 0;
  int64_t buyAmount = 0;
  int64_t sellAmount = 0;
  int64_t commission = 0;
  int64_t tax = 0;
  int64_t payout = 0;    // odd shares of a consolidation paid out
  int64_t realised = 0;  // sells and payouts
  int64_t cash = 0;      // at the close
  int64_t holdingValue = 0;  // the shares held at the day's close
  int64_t holdingCost = 0;   // what they cost (moving average, with the buy commissions)
  int64_t equity = 0;        // cash + holdingValue
  int64_t Unrealised() const { return holdingValue - holdingCost; }
};

struct JournalStock {
  std::string code;
  std::string name;  // CP949
  int32_t buyQuantity = 0;
  int32_t sellQuantity = 0;
  int64_t buyAmount = 0;
  int64_t sellAmount = 0;
  int64_t commission = 0;
  int64_t tax = 0;
  int64_t payout = 0;
  int64_t realised = 0;
  int32_t trades = 0;  // sell orders that filled
  int32_t wins = 0;
  int32_t losses = 0;
  int32_t heldQuantity = 0;  // at the end of the range
  int64_t heldCost = 0;
  int64_t heldValue = 0;  // at the last day's close
};

// A trade is a sell order that filled (in part or whole); it wins when it realised more than 0 and
// loses when less. Ratios are in hundredths so that nothing here is a float.
struct JournalTotals {
  int32_t fills = 0;
  int32_t trades = 0;
  int32_t wins = 0;
  int32_t losses = 0;
  int64_t buyAmount = 0;
  int64_t sellAmount = 0;
  int64_t commission = 0;
  int64_t tax = 0;
  int64_t payout = 0;
  int64_t realised = 0;
  int64_t grossWin = 0;   // the winners' sum
  int64_t grossLoss = 0;  // the losers' sum, as a positive amount
  int64_t largestWin = 0;
  int64_t largestLoss = 0;  // negative, 0 without a loser
  int64_t startEquity = 0;  // the close before the range's first day (the starting cash before any trade)
  int64_t endEquity = 0;
  int64_t maxDrawdown = 0;  // the largest fall of the closing equity from an earlier peak, won
  int32_t drawdownPeak = 0;    // its peak's date (0: the equity the range started from)
  int32_t drawdownTrough = 0;  // its trough's date (0: no fall)
  int64_t drawdownPeakEquity = 0;

  int64_t AverageWin() const { return wins > 0 ? grossWin / wins : 0; }
  int64_t AverageLoss() const { return losses > 0 ? -(grossLoss / losses) : 0; }
  // wins / trades in hundredths of a percent; none without a trade.
  std::optional<int64_t> WinRatioBasisPoints() const;
  // grossWin / grossLoss in hundredths; none without a loss.
  std::optional<int64_t> ProfitFactorHundredths() const;
  // maxDrawdown / its peak's equity in hundredths of a percent.
  int64_t DrawdownBasisPoints() const;
};

struct Journal {
  std::string account;
  int32_t from = 0;  // the range shown, trading days within the account's life
  int32_t to = 0;
  std::vector<JournalDay> days;
  std::vector<JournalStock> stocks;  // in code order, those that traded or were held in the range
  std::vector<JournalFill> fills;
  std::vector<JournalOrder> orders;
  JournalTotals totals;
  int64_t computedCash = 0;  // the cash the whole record adds up to, against the ledger's
  int64_t ledgerCash = 0;
  bool HasTrades() const { return !fills.empty() || !orders.empty(); }
};

// The journal of the ledger's account from `from` through `to` (0: open ends). The profits are
// counted from the account's first order whatever the range; the range chooses what is shown.
Journal BuildJournal(const JournalLedger& ledger, JournalMarket& market, int32_t from, int32_t to);

}  // namespace ostrada::sim
