#include "app/simplecombo.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QToolTip>
#include <algorithm>
#include <cstdlib>

namespace ostrada {

SimpleComboBox::SimpleComboBox(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), list_(new QListWidget(this)) {
  edit_->setObjectName("edit1001");
  list_->setObjectName("list1000");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setUniformItemSizes(true);
  // The field keeps the keyboard; the list is reached with the arrows or the mouse.
  list_->setFocusPolicy(Qt::NoFocus);
  setFocusProxy(edit_);
  edit_->installEventFilter(this);
  list_->viewport()->installEventFilter(this);
  connect(edit_, &QLineEdit::textEdited, this, &SimpleComboBox::OnEdited);
  connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) edit_->setText(list_->item(row)->text());
  });
}

void SimpleComboBox::Clear() {
  list_->clear();
  edit_->clear();
}

void SimpleComboBox::AddString(const QString& text) {
  list_->addItem(text);
}

int SimpleComboBox::Count() const {
  return list_->count();
}

QString SimpleComboBox::Text(int index) const {
  const QListWidgetItem* item = list_->item(index);
  return item ? item->text() : QString();
}

QString SimpleComboBox::EditText() const {
  return edit_->text();
}

int SimpleComboBox::CurrentIndex() const {
  const QListWidgetItem* item = list_->currentItem();
  return item && item->isSelected() ? list_->row(item) : -1;
}

void SimpleComboBox::SetCurrentIndex(int index) {
  QListWidgetItem* item = list_->item(index);
  if (item == nullptr) return;
  list_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
  edit_->setText(item->text());
  list_->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

int SimpleComboBox::FindExact(const QString& text, int after) const {
  const int count = list_->count();
  for (int step = 1; step <= count; ++step) {
    const int index = (after + step) % count;
    if (list_->item(index)->text().compare(text, Qt::CaseInsensitive) == 0) return index;
  }
  return -1;
}

void SimpleComboBox::ShowAll() {
  for (int row = 0; row < list_->count(); ++row) list_->setRowHidden(row, false);
}

void SimpleComboBox::ShowMatches(const QString& text) {
  const std::vector<int> found = matcher_(text);
  std::vector<bool> shown(static_cast<size_t>(list_->count()), false);
  for (int row : found) {
    if (row >= 0 && row < list_->count()) shown[static_cast<size_t>(row)] = true;
  }
  list_->setUpdatesEnabled(false);
  for (int row = 0; row < list_->count(); ++row) {
    if (list_->isRowHidden(row) == shown[static_cast<size_t>(row)])
      list_->setRowHidden(row, !shown[static_cast<size_t>(row)]);
  }
  list_->setUpdatesEnabled(true);
  list_->scrollToTop();
}

int SimpleComboBox::ShownRow(int from, int step) const {
  const int direction = step > 0 ? 1 : -1;
  int found = -1;
  for (int row = from + direction, taken = 0; row >= 0 && row < list_->count() && taken < std::abs(step);
       row += direction) {
    if (list_->isRowHidden(row)) continue;
    found = row;
    ++taken;
  }
  return found;
}

void SimpleComboBox::OnEdited(const QString& text) {
  list_->setCurrentItem(nullptr);
  list_->clearSelection();
  if (matcher_) {
    ShowMatches(text);
    return;
  }
  if (text.isEmpty()) return;
  for (int index = 0; index < list_->count(); ++index) {
    if (list_->item(index)->text().startsWith(text, Qt::CaseInsensitive)) {
      list_->scrollToItem(list_->item(index), QAbstractItemView::PositionAtTop);
      return;
    }
  }
}

void SimpleComboBox::ShowCutEntry(const QHelpEvent& help) const {
  const QListWidgetItem* item = list_->itemAt(help.pos());
  // An entry may reach past the list's right edge, where it is cut however wide its own row is.
  const QRect shown = item ? list_->visualItemRect(item).intersected(list_->viewport()->rect()) : QRect();
  if (item != nullptr && list_->fontMetrics().horizontalAdvance(item->text()) > shown.width()) {
    QToolTip::showText(help.globalPos(), item->text(), list_->viewport());
  } else {
    QToolTip::hideText();
  }
}

bool SimpleComboBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_->viewport() && event->type() == QEvent::ToolTip) {
    ShowCutEntry(*static_cast<QHelpEvent*>(event));
    return true;
  }
  if (watched != edit_ || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  const int pageRows = std::max(1, list_->viewport()->height() / std::max(1, list_->sizeHintForRow(0)));
  int step = 0;
  if (key == Qt::Key_Down) step = 1;
  if (key == Qt::Key_Up) step = -1;
  if (key == Qt::Key_PageDown) step = pageRows;
  if (key == Qt::Key_PageUp) step = -pageRows;
  if (step == 0 || list_->count() == 0) return QWidget::eventFilter(watched, event);
  const int from = CurrentIndex() >= 0 ? CurrentIndex() : (step > 0 ? -1 : list_->count());
  const int to = ShownRow(from, step);
  if (to < 0) return true;  // already at the first or the last entry shown
  QListWidgetItem* item = list_->item(to);
  list_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
  list_->scrollToItem(item);
  edit_->selectAll();
  return true;
}

void SimpleComboBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  const int editHeight = edit_->sizeHint().height();
  edit_->setGeometry(0, 0, width(), editHeight);
  list_->setGeometry(0, editHeight, width(), height() - editHeight);
}

}  // namespace ostrada
