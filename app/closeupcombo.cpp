#include "app/closeupcombo.h"

#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <utility>

namespace ostrada {

CloseUpComboBox::CloseUpComboBox(QWidget* parent, std::function<void()> onCloseUp)
    : QComboBox(parent), onCloseUp_(std::move(onCloseUp)) {
  connect(model(), &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { SetToolTips(first, last); });
  connect(this, &QComboBox::currentTextChanged, this,
          [this](const QString& text) { setToolTip(IsCut(text) ? text : QString()); });
}

void CloseUpComboBox::hidePopup() {
  QComboBox::hidePopup();
  QTimer::singleShot(0, this, [this] { onCloseUp_(); });
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
