#include "app/closeupcombo.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <utility>

#include "app/findcode.h"
#include "app/qtext.h"
#include "basesrc/codeinfo.h"
#include "basesrc/codesearch.h"
#include "basesrc/foundation/texts.h"
#include "basesrc/foundation/report.h"
#include "basesrc/foundation/uisink.h"

namespace ostrada {

CloseUpComboBox::CloseUpComboBox(QWidget* parent, const CodeInfoList* book, std::function<void()> onCloseUp)
    : QComboBox(parent), book_(book), onCloseUp_(std::move(onCloseUp)) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  connect(lineEdit(), &QLineEdit::returnPressed, this, [this] { onCloseUp_(); });
  // An entry chosen with the keyboard while the list is closed; a click in the open list reports when
  // the list has closed.
  connect(this, &QComboBox::activated, this, [this] {
    if (!closing_ && !view()->isVisible()) onCloseUp_();
  });
  connect(model(), &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { SetToolTips(first, last); });
  connect(this, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { setToolTip(IsCut(text) ? text : QString()); });
}

void CloseUpComboBox::hidePopup() {
  closing_ = true;
  QComboBox::hidePopup();
  QTimer::singleShot(0, this, [this] {
    closing_ = false;
    onCloseUp_();
  });
}


bool CloseUpComboBox::TakeStock(std::string* name, std::string* code) {
  const QString typed = currentText().trimmed();
  if (typed.isEmpty()) {
    if (count() == 0) {
      CurrentUiSink().Beep();
    } else {
      ShowMessage(Text(Txt::kSelectStockFirst));
    }
    return Refuse();
  }
  const CodeInfo* stock = nullptr;
  const int entry = findText(typed, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (entry >= 0 && book_ != nullptr) stock = book_->FindByName(ToCp949(typed).c_str());
  if (stock == nullptr) stock = FindTypedStock(book_, ToCp949(typed));
  if (stock == nullptr && !CodeSearchIndex(book_).Find(typed.toStdString()).empty()) {
    CFindCode finder(book_, this);
    finder.OpenOn(typed);
    finder.exec();
    if (finder.ChosenCode().empty()) return Refuse();
    stock = book_->FindByCode(finder.ChosenCode().c_str());
  }
  if (stock == nullptr || stock->key.name == nullptr) {
    ShowMessage(TextWithPath(Txt::kNoStockForTyped, ToCp949(typed)));
    return Refuse();
  }
  *name = stock->key.name.get();
  *code = stock->key.code;
  return true;
}

bool CloseUpComboBox::Refuse() {
  // The typed text must not stay over the figures of the stock still shown.
  setEditText(currentIndex() >= 0 ? itemText(currentIndex()) : QString());
  return false;
}

bool CloseUpComboBox::IsCut(const QString& text) const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  return fontMetrics().horizontalAdvance(text) > field.width();
}

void CloseUpComboBox::SetToolTips(int first, int last) {
  for (int row = first; row <= last; ++row) {
    const QString text = itemText(row);
    setItemData(row, IsCut(text) ? QVariant(text) : QVariant(), Qt::ToolTipRole);
  }
}

}  // namespace ostrada
