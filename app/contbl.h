#pragma once
// CConTbl: the contract list of one stock (template 141, list view 1386), newest contract at the top.
// The rows live in ContractListModel, which keeps every row without limit and formats a cell only
// when it is drawn or saved, so a list of hundreds of thousands of live contracts still takes a new
// row at the top at once.
#include <QAbstractTableModel>
#include <QWidget>
#include <deque>
#include <string>

#include "basesrc/coninfo.h"

class QTableView;

namespace ostrada {

class CodeInfoList;
class CWndConPower;

// One shown contract: the values of its four cells and its item data.
struct ContractRow {
  int32_t timeHHMMSS;
  int32_t price;
  int32_t change;
  int64_t amount;     // tickVolume, negated for a contract taken by a seller (wide enough for any negation)
  int64_t volume;     // the day's volume with this contract; tells a later day's record from this day's
  uint32_t itemData;  // 0x0000FF for a rise, 0xFF0000 for a fall, else 0 (colour values, blue in the high byte)
  // Not a contract: the mark between the newest page fetched after a jump and the rows shown before.
  bool gap = false;

  static ContractRow From(const ContractRecord& record);
  static ContractRow Gap();
};

class ContractListModel : public QAbstractTableModel {
 public:
  enum Column { kTime, kPrice, kChange, kAmount, kColumnCount };
  // The row's item data under this role.
  static constexpr int kItemDataRole = Qt::UserRole;

  explicit ContractListModel(int shortTime, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // Rows in shown order, top first.
  void InsertAtTop(const std::deque<ContractRow>& rows);
  void Append(const std::deque<ContractRow>& rows);
  void Clear();

  // The cell's text exactly as shown (CP949): "%2d:%02d:%02d" (short-time mode "%2d:%02d") in the
  // time column, grouped numbers in the others; a gap's mark in its time column.
  std::string CellText(int row, int column) const;
  QString ShownText(int row, int column) const;
  const ContractRow& Row(int row) const { return rows_[static_cast<size_t>(row)]; }
  int ShortTime() const { return shortTime_; }

 private:
  int shortTime_;
  std::deque<ContractRow> rows_;
};

class CConTbl : public QWidget {
 public:
  // shortTime 1 shows hours and minutes only (the order window's narrow list). The book is the
  // application's full code book (null while no stocks were received); the list never frees it.
  CConTbl(const CodeInfoList* book, int shortTime, QWidget* parent = nullptr);

  // Shows the contracts of the stock: its newest history page (every page with allPages = 1), then
  // live contracts. Rows already added stay when a page fails. 1 or 0.
  int Load(const char* code, CWndConPower* feed, int allPages);
  // Appends the next older page at the bottom; beeps when no history is open. 1 or 0.
  int NextPage(CWndConPower* feed);
  // After a jump of the clock, which told the list nothing on the way: the newest page goes on top,
  // above a gap's mark where it does not reach the rows shown before (a new day's page replaces
  // them). 1 or 0.
  int CatchUp(CWndConPower* feed);
  // Stops the live contracts and deletes every row.
  void Clear(CWndConPower* feed);
  // Writes the list as shown to "<data folder>체결값(<name>_<code>)_<YYYYMMDD>.txt". 1 or 0.
  int SaveToText();

  const std::string& Code() const { return code_; }
  QTableView* List() const { return list_; }
  ContractListModel& Model() { return model_; }

 protected:
  // WM_CONTRACT_FORWARD: takes the forwarded tape (and deletes it) and answers 1.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void FillRows(const ContractTape& tape, int allPages);
  void WidenColumns(int first, int last);
  void OnContractForward(intptr_t tape);
  int WriteRows(FileHandle file) const;

  const CodeInfoList* book_;
  const int shortTime_;
  std::string code_;
  ContractListModel model_;
  QTableView* list_;
};

}  // namespace ostrada
