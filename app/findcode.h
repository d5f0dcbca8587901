#pragma once
// The stock finder (template 135): the names of all stocks of the application's full code book in
// the book's order, sixteen jump buttons ("12", "AB", "가" to "하") that scroll the list to the first
// name of their range, and OK / Cancel. Typing shows only the stocks found as one types (a part of
// the name, initial consonants such as ㅅㅇㄱㄱ, code digits); Down and Up move the highlight among
// them and Enter takes it. Each name shows its code beside it. After it closes the caller reads the
// chosen name and code.
#include <QDialog>
#include <QString>
#include <array>
#include <memory>
#include <string>

#include "basesrc/codesearch.h"

namespace ostrada {

class CodeInfoList;
struct CodeInfo;
class SimpleComboBox;

class CFindCode : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kAnchorCount = 16;
  static constexpr int kFirstJumpId = 1431;

  // The finder borrows the application's full code book (null while no stocks were received) when
  // it opens; it never changes or frees it.
  explicit CFindCode(const CodeInfoList* applicationBook, QWidget* parent = nullptr);

  // CP949. Both empty after Cancel; after OK the chosen name, and its code (empty when the book
  // does not know the name, which is reported).
  const std::string& ChosenName() const { return chosenName_; }
  const std::string& ChosenCode() const { return chosenCode_; }
  // Opens with the text in the field and the stocks it finds in the list, as if typed there: a part
  // of a name typed in a stock box is finished here.
  void OpenOn(const QString& typed);

  void setVisible(bool visible) override;
  void accept() override;
  void reject() override;

 private:
  void OnInitDialog();
  void FillList();
  void SetAnchors();
  void OnJump(int anchor);
  void Layout();

  const CodeInfoList* const applicationBook_;
  const CodeInfoList* book_ = nullptr;
  std::string chosenName_;
  std::string chosenCode_;
  std::array<const CodeInfo*, kAnchorCount> anchors_{};
  SimpleComboBox* list_;
  std::unique_ptr<CodeSearchIndex> search_;
  QString typed_;
};

}  // namespace ostrada
