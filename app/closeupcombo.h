#pragma once
// The stock box of the working windows: the names shown so far, and a field in which a stock can be
// typed. It reports its close-up, the moment the choice is read (the list closing, Enter in the field,
// or another entry chosen with the keyboard). Qt closes the list before a clicked entry becomes the current one, so the report waits until
// the click has been handled. A name too long for the narrow field shows in full as a tool tip, on the
// field and in the list.
#include <QComboBox>
#include <functional>
#include <string>

namespace ostrada {

class CodeInfoList;

class CloseUpComboBox : public QComboBox {
 public:
  // The book (null while no stocks were received) is the application's; the box never changes it.
  CloseUpComboBox(QWidget* parent, const CodeInfoList* book, std::function<void()> onCloseUp);
  void hidePopup() override;

  // The stock the box holds at its close-up (CP949): the entry chosen, else the stock the typed text
  // names (a whole name, or a code with or without its letter), else, for a part of a name, the stock
  // chosen in the finder opened on it. False when it holds none, after telling why: an empty box beeps,
  // an empty field asks for a stock, a text that finds nothing says so, a finder closed with Cancel
  // says nothing; the field then shows the entry chosen before.
  bool TakeStock(std::string* name, std::string* code);

 private:
  bool IsCut(const QString& text) const;
  void SetToolTips(int first, int last);
  bool Refuse();

  const CodeInfoList* book_;
  std::function<void()> onCloseUp_;
  bool closing_ = false;   // the list has closed and its report is on its way
};

}  // namespace ostrada
