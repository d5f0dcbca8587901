#include "broker/sim/paper/paper_journal_table.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <iterator>

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

// A column of a view and how its cell is drawn from the view's row.
template <class Row>
struct Field {
  JournalColumn column;
  JournalCell (*cell)(const Row&);
};

const Field<JournalDay> kDayFields[] = {
    {{"date", Txt::kJournalDate}, [](const JournalDay& d) { return DateCell(d.date); }},
    {{"realised", Txt::kJournalRealised}, [](const JournalDay& d) { return Number(d.realised); }},
    {{"commission", Txt::kJournalCommission}, [](const JournalDay& d) { return Number(d.commission); }},
    {{"tax", Txt::kJournalTax}, [](const JournalDay& d) { return Number(d.tax); }},
    {{"buyAmount", Txt::kJournalBuyAmount}, [](const JournalDay& d) { return Number(d.buyAmount); }},
    {{"sellAmount", Txt::kJournalSellAmount}, [](const JournalDay& d) { return Number(d.sellAmount); }},
    {{"payout", Txt::kJournalPayout}, [](const JournalDay& d) { return Number(d.payout); }},
    {{"cash", Txt::kJournalCash}, [](const JournalDay& d) { return Number(d.cash); }},
    {{"holdingValue", Txt::kJournalHoldingValue}, [](const JournalDay& d) { return Number(d.holdingValue); }},
    {{"holdingCost", Txt::kJournalHoldingCost}, [](const JournalDay& d) { return Number(d.holdingCost); }},
    {{"unrealised", Txt::kJournalUnrealised}, [](const JournalDay& d) { return Number(d.Unrealised()); }},
    {{"equity", Txt::kJournalEquity}, [](const JournalDay& d) { return Number(d.equity); }},
};

const Field<JournalStock> kStockFields[] = {
    {{"code", Txt::kJournalCode}, [](const JournalStock& s) { return Words(s.code); }},
    {{"name", Txt::kJournalName}, [](const JournalStock& s) { return Words(s.name); }},
    {{"realised", Txt::kJournalRealised}, [](const JournalStock& s) { return Number(s.realised); }},
    {{"trades", Txt::kJournalTrades}, [](const JournalStock& s) { return Number(s.trades); }},
    {{"wins", Txt::kJournalWins}, [](const JournalStock& s) { return Number(s.wins); }},
    {{"losses", Txt::kJournalLosses}, [](const JournalStock& s) { return Number(s.losses); }},
    {{"buyQuantity", Txt::kJournalBuyQuantity}, [](const JournalStock& s) { return Number(s.buyQuantity); }},
    {{"buyAmount", Txt::kJournalBuyAmount}, [](const JournalStock& s) { return Number(s.buyAmount); }},
    {{"sellQuantity", Txt::kJournalSellQuantity}, [](const JournalStock& s) { return Number(s.sellQuantity); }},
    {{"sellAmount", Txt::kJournalSellAmount}, [](const JournalStock& s) { return Number(s.sellAmount); }},
    {{"commission", Txt::kJournalCommission}, [](const JournalStock& s) { return Number(s.commission); }},
    {{"tax", Txt::kJournalTax}, [](const JournalStock& s) { return Number(s.tax); }},
    {{"payout", Txt::kJournalPayout}, [](const JournalStock& s) { return Number(s.payout); }},
    {{"heldQuantity", Txt::kJournalHeldQuantity}, [](const JournalStock& s) { return Number(s.heldQuantity); }},
    {{"heldCost", Txt::kJournalHoldingCost}, [](const JournalStock& s) { return Number(s.heldCost); }},
    {{"heldValue", Txt::kJournalHoldingValue}, [](const JournalStock& s) { return Number(s.heldValue); }},
};

const Field<JournalFill> kFillFields[] = {
    {{"date", Txt::kJournalDate}, [](const JournalFill& f) { return DateCell(f.fill.date); }},
    {{"time", Txt::kJournalTime}, [](const JournalFill& f) { return TimeCell(f.fill.timeMs); }},
    {{"orderNumber", Txt::kJournalOrderNumber}, [](const JournalFill& f) { return Number(f.fill.number); }},
    {{"code", Txt::kJournalCode}, [](const JournalFill& f) { return Words(f.code); }},
    {{"side", Txt::kJournalSide}, [](const JournalFill& f) { return SideCell(f.side); }},
    {{"price", Txt::kJournalPrice}, [](const JournalFill& f) { return Number(f.fill.price); }},
    {{"quantity", Txt::kJournalQuantity}, [](const JournalFill& f) { return Number(f.fill.quantity); }},
    {{"amount", Txt::kJournalAmount}, [](const JournalFill& f) { return Number(f.amount); }},
    {{"commission", Txt::kJournalCommission}, [](const JournalFill& f) { return Number(f.fill.commission); }},
    {{"tax", Txt::kJournalTax}, [](const JournalFill& f) { return Number(f.fill.tax); }},
    {{"realised", Txt::kJournalRealised}, [](const JournalFill& f) { return Number(f.realised); }},
    {{"heldAfter", Txt::kJournalHeldQuantity}, [](const JournalFill& f) { return Number(f.heldAfter); }},
    {{"averageCost", Txt::kJournalAverageCost}, [](const JournalFill& f) { return Number(f.averageCost); }},
};

const Field<JournalOrder> kOrderFields[] = {
    {{"date", Txt::kJournalDate}, [](const JournalOrder& o) { return DateCell(o.order.date); }},
    {{"time", Txt::kJournalTime}, [](const JournalOrder& o) { return TimeCell(o.order.timeMs); }},
    {{"orderNumber", Txt::kJournalOrderNumber}, [](const JournalOrder& o) { return Number(o.order.number); }},
    {{"original", Txt::kJournalOriginal}, [](const JournalOrder& o) { return Number(o.order.original); }},
    {{"kind", Txt::kJournalKind}, [](const JournalOrder& o) { return KindCell(o.order.kind); }},
    {{"code", Txt::kJournalCode}, [](const JournalOrder& o) { return Words(o.order.code); }},
    {{"side", Txt::kJournalSide}, [](const JournalOrder& o) { return SideCell(o.order.side); }},
    {{"price", Txt::kJournalOrderPrice}, [](const JournalOrder& o) { return Number(o.order.price); }},
    {{"quantity", Txt::kJournalOrderQuantity}, [](const JournalOrder& o) { return Number(o.order.quantity); }},
    {{"filled", Txt::kJournalFilledQuantity}, [](const JournalOrder& o) { return Number(o.order.filled); }},
    {{"state", Txt::kJournalState}, [](const JournalOrder& o) { return StateCell(o.order.state); }},
    {{"amount", Txt::kJournalAmount}, [](const JournalOrder& o) { return Number(o.amount); }},
    {{"commission", Txt::kJournalCommission}, [](const JournalOrder& o) { return Number(o.commission); }},
    {{"tax", Txt::kJournalTax}, [](const JournalOrder& o) { return Number(o.tax); }},
    {{"realised", Txt::kJournalRealised}, [](const JournalOrder& o) { return Number(o.realised); }},
};

template <class Row, size_t N>
std::vector<JournalColumn> ColumnsOfFields(const Field<Row> (&fields)[N]) {
  std::vector<JournalColumn> columns;
  for (const Field<Row>& field : fields) columns.push_back(field.column);
  return columns;
}

// Calls `use(rows, fields)` with the view's rows of the journal and its fields.
template <class Use>
decltype(auto) WithView(const Journal& journal, JournalView view, Use&& use) {
  switch (view) {
    case JournalView::kDay:
      return use(journal.days, kDayFields);
    case JournalView::kStock:
      return use(journal.stocks, kStockFields);
    case JournalView::kFill:
      return use(journal.fills, kFillFields);
    case JournalView::kOrder:
      break;
  }
  return use(journal.orders, kOrderFields);
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

const std::vector<JournalColumn>& ColumnsOf(JournalView view) {
  static const std::vector<JournalColumn> days = ColumnsOfFields(kDayFields);
  static const std::vector<JournalColumn> stocks = ColumnsOfFields(kStockFields);
  static const std::vector<JournalColumn> fills = ColumnsOfFields(kFillFields);
  static const std::vector<JournalColumn> orders = ColumnsOfFields(kOrderFields);
  switch (view) {
    case JournalView::kDay:
      return days;
    case JournalView::kStock:
      return stocks;
    case JournalView::kFill:
      return fills;
    case JournalView::kOrder:
      break;
  }
  return orders;
}

size_t RowCountOf(const Journal& journal, JournalView view) {
  return WithView(journal, view, [](const auto& rows, const auto&) { return rows.size(); });
}

JournalCell CellOf(const Journal& journal, JournalView view, size_t row, size_t column) {
  return WithView(journal, view,
                  [row, column](const auto& rows, const auto& fields) { return fields[column].cell(rows[row]); });
}

JournalTable TableOf(const Journal& journal, JournalView view) {
  JournalTable table;
  table.columns = ColumnsOf(view);
  WithView(journal, view, [&table](const auto& rows, const auto& fields) {
    table.rows.reserve(rows.size());
    for (const auto& row : rows) {
      std::vector<JournalCell>& cells = table.rows.emplace_back();
      cells.reserve(std::size(fields));
      for (const auto& field : fields) cells.push_back(field.cell(row));
    }
  });
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
