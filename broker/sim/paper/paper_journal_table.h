#pragma once
// The journal's views as tables: the columns (a stable key for scripts, a Korean title for people)
// and each row's cells, so that the command line's JSON, its text, the CSV export and a window all
// show one set of figures. The equity curve as the chart module's data, for any painter.
#include <cstdint>
#include <string>
#include <vector>

#include "basesrc/chartmodel.h"
#include "basesrc/foundation/texts.h"
#include "broker/sim/paper/paper_journal.h"

namespace ostrada::sim {

enum class JournalView { kDay, kStock, kFill, kOrder };

struct JournalColumn {
  const char* key;  // the JSON field
  Txt title;
};

// A number, or a text (CP949) where the column holds words, dates or times.
struct JournalCell {
  bool isNumber = true;
  int64_t number = 0;
  std::string text;
};

struct JournalTable {
  std::vector<JournalColumn> columns;
  std::vector<std::vector<JournalCell>> rows;
};

// The view's columns, and its cells one at a time, so that a window draws only the rows it shows.
const std::vector<JournalColumn>& ColumnsOf(JournalView view);
size_t RowCountOf(const Journal& journal, JournalView view);
// REQUIRES: row < RowCountOf(journal, view), column < ColumnsOf(view).size().
JournalCell CellOf(const Journal& journal, JournalView view, size_t row, size_t column);

// Every cell of the view at once: what the command line prints and exports.
JournalTable TableOf(const Journal& journal, JournalView view);

// The table as CSV in CP949, the encoding a Korean spreadsheet opens without asking: a title row,
// then a row a line (CRLF), numbers unformatted, a text quoted when it holds a comma, a quote or a
// line break.
std::string JournalCsv(const JournalTable& table);

// Hundredths as a number with two decimals ("66.67", "-0.05"): the totals' ratios as people read them.
std::string HundredthsText(int64_t hundredths);

// The closing equity a bar a day: from the previous close to the day's, the day's traded value as
// its volume. In won while every value fits a price field, else in thousands of won (`thousands`).
chart::ChartData EquityChart(const Journal& journal, bool* thousands);

}  // namespace ostrada::sim
