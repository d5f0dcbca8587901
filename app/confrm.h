#pragma once
// The contract window: CConDlg (template 149, "체결창") holds CConFrm (template 142), the stock bar
// (stock names seen so far, the code, "?" finder, "&A" all pages, "&N" next page, "Tx" save as text)
// above the CConTbl list, and the CWndConPower feed that keeps the list live.
#include <QDialog>
#include <QWidget>
#include <string>

#include "app/contbl.h"
#include "app/stockwindow.h"
#include "app/wndconpower.h"

class QLabel;

namespace ostrada {

class CloseUpComboBox;
class CodeInfoList;
class CConTbl;

class CConFrm : public QWidget {
  Q_OBJECT
 public:
  // The book is the application's full code book (null while no stocks were received).
  CConFrm(const CodeInfoList* book, QWidget* parent);

  // Looks the stock up (by name when byName is 1, else by code) and shows its newest history page
  // and then its live contracts. An empty text or an unknown stock is told to the user and leaves
  // an empty, unsubscribed list. 1 or 0.
  int SelectStock(const char* text, int byName);

  CConTbl* Table() const { return table_; }
  CWndConPower& Feed() { return feed_; }
  // CP949.
  const std::string& Name() const { return name_; }
  const std::string& Code() const { return code_; }

 signals:
  // The user chose a stock here (the combo box or the finder) and it is shown.
  void stockChosen();

 protected:
  // WM_CONTRACT_FORWARD from the feed goes on to the list.
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Layout();
  void OnFind();
  void OnComboCloseUp();
  void OnAllPages();
  void OnNextPage();
  void OnSaveText();
  void ClearTable();
  // Puts the name into the sorted combo box when absent and selects it.
  void SelectInCombo(const std::string& name);

  CWndConPower feed_;
  CConTbl* table_;  // a child: Qt deletes it with the form
  std::string name_;
  std::string code_;
  QLabel* static_;
  CloseUpComboBox* combo_;
  const CodeInfoList* book_;
};

class CConDlg : public QDialog, public StockWindow {
 public:
  explicit CConDlg(const CodeInfoList* book, QWidget* parent = nullptr);

  CConFrm* Frame() const { return frame_; }
  std::string StockCode() const override { return frame_->Code(); }
  int ShowStock(const std::string& code) override;
  void CatchUp() override { frame_->Table()->CatchUp(&frame_->Feed()); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  CConFrm* frame_;  // a child: Qt deletes it with the dialog
};

}  // namespace ostrada
