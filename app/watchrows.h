#pragma once
// The standing conditions as rows of a table, in the core's words, for the order windows' 감시주문
// panel (one stock's, without the stock column) and the list window (every stock's).
#include <cstdint>
#include <vector>

#include "broker/sim/paper/paper_watch.h"

class QTableWidget;

namespace ostrada {

class WatchDesk;

// Gives the table its columns and its behaviour (whole rows, one at a time, read-only).
void SetUpWatchTable(QTableWidget& table, bool withStock);
// Fills the table with the conditions, keeping the selected one selected while it is there.
void ShowWatchRows(QTableWidget& table, const std::vector<const sim::WatchCondition*>& rows, const WatchDesk& desk,
                   bool withStock);
// The number of the selected row's condition, or 0.
int64_t SelectedWatch(const QTableWidget& table);
// Cancels the selected row's condition through the desk; no row chosen, or a refusal, is told.
void CancelSelectedWatch(const QTableWidget& table, WatchDesk& desk);

}  // namespace ostrada
