#pragma once
// CCallTbl: the quote ladder of one stock (templates 140 and 138). The upper list shows the ask side
// best price at the bottom, the lower list the bid side best price at the top, each with its totals
// row. The table owns the real-time quote-book object and its event sink for its whole life: every
// server event arrives as WM_EVENT_RECEIVED and only the cells that changed are repainted.
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <QWidget>
#include <memory>
#include <vector>

#include "basesrc/callinfo.h"
#include "basesrc/eventsink.h"
#include "basesrc/stocgate.h"
#include "broker/interfaces.h"

class QTableView;

namespace ostrada {

// One list of the ladder as a table of texts. SetCell signals exactly the cell it changed, and only
// when its text changed.
class QuoteLadderModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  QuoteLadderModel(int rows, QStringList columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // An invalid colour leaves the cell in the list's own text colour.
  void SetCell(int row, int column, const QString& text, const QColor& colour = {});
  const QString& Cell(int row, int column) const { return cells_[Slot(row, column)]; }
  const QColor& CellColour(int row, int column) const { return colours_[Slot(row, column)]; }
  // Cells whose text changed since the model was made.
  int64_t ChangedCells() const { return changedCells_; }

 private:
  size_t Slot(int row, int column) const { return static_cast<size_t>(row * columns_.size() + column); }

  int rows_;
  QStringList columns_;
  std::vector<QString> cells_;
  std::vector<QColor> colours_;
  int64_t changedCells_ = 0;
};

class CCallTbl : public QWidget {
  Q_OBJECT
 public:
  // mode 1: 5 levels; any other value: 10 levels. rateColumn 1 adds the rate column.
  CCallTbl(int mode, int rateColumn, QWidget* parent = nullptr);
  ~CCallTbl() override;
  CCallTbl(const CCallTbl&) = delete;
  CCallTbl& operator=(const CCallTbl&) = delete;

  // Shows the stock's snapshot and subscribes it, after unsubscribing the previous one. Null blanks
  // the ladder and ends the subscription. 1/0; a failed snapshot leaves the ladder blank and nothing
  // subscribed.
  int SetStock(const char* code);
  // Fills both lists from the record; null blanks every cell.
  void Show(const CallInfo* record);
  // The previous day's close, against which the rate column is computed.
  void SetReferencePrice(int32_t price) { referencePrice_ = price; }
  int32_t PickedPrice() const { return pickedPrice_; }
  const CallInfo& Current() const { return current_; }
  int Levels() const { return levels_; }

  QuoteLadderModel& UpperModel() { return *upperModel_; }
  QuoteLadderModel& LowerModel() { return *lowerModel_; }
  QTableView& UpperList() { return *upper_; }
  QTableView& LowerList() { return *lower_; }
  // Server events shown since the table was made.
  int64_t EventsShown() const { return eventsShown_; }

  bool event(QEvent* event) override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateRealTimeObject();
  void UnsubscribeCurrent();
  void LayOutLists();
  void OnEventReceived();
  void ReadEvent(CallInfo& fresh);
  void OnRowSelected(bool upperList, int row);
  // Keeps the picked price marked where it now stands in the record, or nowhere when it left the book.
  void MarkPickedPrice(const CallInfo& record);
  static void MarkRow(QTableView& list, int row);
  void ShowSide(QuoteLadderModel& model, int row, int32_t price, int32_t quantity, int32_t change);
  QString RateText(int32_t price) const;
  int DataColumn() const { return rateColumn_ == 1 ? 1 : 0; }

  const int mode_;
  const int levels_;
  const int rateColumn_;
  std::shared_ptr<broker::IMarketRequest> realTime_;
  std::unique_ptr<WindowHandle> window_;
  std::unique_ptr<CEventSink> sink_;
  StocGate gate_;
  CallInfo current_;
  int32_t referencePrice_ = 0;
  int32_t pickedPrice_ = 0;
  // Set while the table moves the mark itself, which picks nothing.
  bool marking_ = false;
  int64_t eventsShown_ = 0;
  QuoteLadderModel* upperModel_;
  QuoteLadderModel* lowerModel_;
  QTableView* upper_;
  QTableView* lower_;
};

}  // namespace ostrada
