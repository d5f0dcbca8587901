#include "broker/sim/paper/paper_journal_table.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace ostrada::sim {
namespace {

JournalCell Number(int64_t value) {
  return {true, value, {}};
}
JournalCell Words(std::string text) {
  return {false, 0, std::move(text)};
}
JournalCell Words(Txt text) {
  return Words(Text(text));
}

JournalCell DateCell(int32_t date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date / 10000, date / 100 % 100, date % 100);
  return Words(text);
}

JournalCell TimeCell(int32_t timeMs) {
  const int32_t seconds = timeMs / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
  return Words(text);
}

JournalCell SideCell(Side side) {
  return Words(side == Side::kBuy ? Txt::kJournalBuy : Txt::kJournalSell);
}

JournalCell KindCell(OrderKind kind) {
  return Words(kind == OrderKind::kModify   ? Txt::kJournalModify
               : kind == OrderKind::kCancel ? Txt::kJournalCancel
                                            : Txt::kJournalOrdinary);
}

JournalCell StateCell(OrderState state) {
  switch (state) {
    case OrderState::kOpen:
      return Words(Txt::kJournalStateOpen);
    case OrderState::kFilled:
      return Words(Txt::kJournalStateFilled);
    case OrderState::kClosed:
      return Words(Txt::kJournalStateClosed);
    case OrderState::kExpired:
      return Words(Txt::kJournalStateExpired);
    case OrderState::kRecorded:
      return Words(Txt::kJournalStateRecorded);
    case OrderState::kPartFilled:
      return Words(Txt::kJournalStatePartFilled);
  }
  return Words(std::string());
}

void Days(const Journal& journal, JournalTable& table) {
  table.columns = {{"date", Txt::kJournalDate},          {"realised", Txt::kJournalRealised},
                   {"commission", Txt::kJournalCommission}, {"tax", Txt::kJournalTax},
                   {"buyAmount", Txt::kJournalBuyAmount},   {"sellAmount", Txt::kJournalSellAmount},
                   {"payout", Txt::kJournalPayout},         {"cash", Txt::kJournalCash},
                   {"holdingValue", Txt::kJournalHoldingValue}, {"holdingCost", Txt::kJournalHoldingCost},
                   {"unrealised", Txt::kJournalUnrealised}, {"equity", Txt::kJournalEquity}};
  for (const JournalDay& day : journal.days)
    table.rows.push_back({DateCell(day.date), Number(day.realised), Number(day.commission), Number(day.tax),
                          Number(day.buyAmount), Number(day.sellAmount), Number(day.payout), Number(day.cash),
                          Number(day.holdingValue), Number(day.holdingCost), Number(day.Unrealised()),
                          Number(day.equity)});
}

void Stocks(const Journal& journal, JournalTable& table) {
  table.columns = {{"code", Txt::kJournalCode},          {"name", Txt::kJournalName},
                   {"realised", Txt::kJournalRealised},  {"trades", Txt::kJournalTrades},
                   {"wins", Txt::kJournalWins},          {"losses", Txt::kJournalLosses},
                   {"buyQuantity", Txt::kJournalBuyQuantity}, {"buyAmount", Txt::kJournalBuyAmount},
                   {"sellQuantity", Txt::kJournalSellQuantity}, {"sellAmount", Txt::kJournalSellAmount},
                   {"commission", Txt::kJournalCommission}, {"tax", Txt::kJournalTax},
                   {"payout", Txt::kJournalPayout},      {"heldQuantity", Txt::kJournalHeldQuantity},
                   {"heldCost", Txt::kJournalHoldingCost}, {"heldValue", Txt::kJournalHoldingValue}};
  for (const JournalStock& stock : journal.stocks)
    table.rows.push_back({Words(stock.code), Words(stock.name), Number(stock.realised), Number(stock.trades),
                          Number(stock.wins), Number(stock.losses), Number(stock.buyQuantity),
                          Number(stock.buyAmount), Number(stock.sellQuantity), Number(stock.sellAmount),
                          Number(stock.commission), Number(stock.tax), Number(stock.payout),
                          Number(stock.heldQuantity), Number(stock.heldCost), Number(stock.heldValue)});
}

void Fills(const Journal& journal, JournalTable& table) {
  table.columns = {{"date", Txt::kJournalDate},     {"time", Txt::kJournalTime},
                   {"orderNumber", Txt::kJournalOrderNumber}, {"code", Txt::kJournalCode},
                   {"side", Txt::kJournalSide},     {"price", Txt::kJournalPrice},
                   {"quantity", Txt::kJournalQuantity}, {"amount", Txt::kJournalAmount},
                   {"commission", Txt::kJournalCommission}, {"tax", Txt::kJournalTax},
                   {"realised", Txt::kJournalRealised}, {"heldAfter", Txt::kJournalHeldQuantity},
                   {"averageCost", Txt::kJournalAverageCost}};
  for (const JournalFill& row : journal.fills) {
    const PaperFill& fill = row.fill;
    table.rows.push_back({DateCell(fill.date), TimeCell(fill.timeMs), Number(fill.number), Words(row.code),
                          SideCell(row.side), Number(fill.price), Number(fill.quantity), Number(row.amount),
                          Number(fill.commission), Number(fill.tax), Number(row.realised), Number(row.heldAfter),
                          Number(row.averageCost)});
  }
}

void Orders(const Journal& journal, JournalTable& table) {
  table.columns = {{"date", Txt::kJournalDate},         {"time", Txt::kJournalTime},
                   {"orderNumber", Txt::kJournalOrderNumber}, {"original", Txt::kJournalOriginal},
                   {"kind", Txt::kJournalKind},         {"code", Txt::kJournalCode},
                   {"side", Txt::kJournalSide},         {"price", Txt::kJournalOrderPrice},
                   {"quantity", Txt::kJournalOrderQuantity}, {"filled", Txt::kJournalFilledQuantity},
                   {"state", Txt::kJournalState},       {"amount", Txt::kJournalAmount},
                   {"commission", Txt::kJournalCommission}, {"tax", Txt::kJournalTax},
                   {"realised", Txt::kJournalRealised}};
  for (const JournalOrder& row : journal.orders) {
    const PaperOrder& order = row.order;
    table.rows.push_back({DateCell(order.date), TimeCell(order.timeMs), Number(order.number),
                          Number(order.original), KindCell(order.kind), Words(order.code), SideCell(order.side),
                          Number(order.price), Number(order.quantity), Number(order.filled), StateCell(order.state),
                          Number(row.amount), Number(row.commission), Number(row.tax), Number(row.realised)});
  }
}

void AppendCsvText(std::string& out, const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

JournalTable TableOf(const Journal& journal, JournalView view) {
  JournalTable table;
  switch (view) {
    case JournalView::kDay:
      Days(journal, table);
      break;
    case JournalView::kStock:
      Stocks(journal, table);
      break;
    case JournalView::kFill:
      Fills(journal, table);
      break;
    case JournalView::kOrder:
      Orders(journal, table);
      break;
  }
  return table;
}

std::string JournalCsv(const JournalTable& table) {
  std::string out;
  for (size_t i = 0; i < table.columns.size(); ++i) {
    if (i > 0) out += ',';
    AppendCsvText(out, Text(table.columns[i].title));
  }
  out += "\r\n";
  for (const std::vector<JournalCell>& row : table.rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) out += ',';
      if (row[i].isNumber) {
        out += std::to_string(row[i].number);
      } else {
        AppendCsvText(out, row[i].text);
      }
    }
    out += "\r\n";
  }
  return out;
}

std::string HundredthsText(int64_t hundredths) {
  char text[32];
  std::snprintf(text, sizeof text, "%s%lld.%02lld", hundredths < 0 ? "-" : "",
                static_cast<long long>(std::llabs(hundredths) / 100), static_cast<long long>(std::llabs(hundredths) % 100));
  return text;
}

chart::ChartData EquityChart(const Journal& journal, bool* thousands) {
  chart::ChartData data;
  data.code = journal.account;
  data.name = Text(Txt::kJournalEquityTitle);
  data.kind = 'D';
  int64_t most = journal.totals.startEquity;
  for (const JournalDay& day : journal.days) most = std::max(most, day.equity);
  const int64_t unit = most > INT32_MAX ? 1000 : 1;
  *thousands = unit != 1;
  const auto price = [unit](int64_t won) {
    return static_cast<int32_t>(std::clamp<int64_t>(won / unit, INT32_MIN, INT32_MAX));
  };
  int32_t previous = price(journal.totals.startEquity);
  for (const JournalDay& day : journal.days) {
    const int32_t close = price(day.equity);
    data.bars.push_back({day.date, 0, previous, std::max(previous, close), std::min(previous, close), close,
                         day.buyAmount + day.sellAmount, previous});
    previous = close;
  }
  chart::ComputeAverages(data);
  return data;
}

}  // namespace ostrada::sim
