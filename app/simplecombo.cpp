#include "app/simplecombo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <numeric>

namespace ostrada {
namespace {

constexpr int kDetailRole = SimpleComboBox::kDetailRole;
// Between the end of an entry's text and its detail.
constexpr int kDetailGap = 6;

// Paints an entry's text at the left of its row and its detail at the right edge of what the list
// shows, in a quieter colour; the text stops before the detail.
class DetailDelegate : public QStyledItemDelegate {
 public:
  DetailDelegate(const SimpleComboBox& combo, QListWidget& list) : QStyledItemDelegate(&list), combo_(combo) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QString detail = index.data(kDetailRole).toString();
    if (detail.isEmpty()) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    QStyleOptionViewItem item(option);
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* view = item.widget;
    QStyle* style = view != nullptr ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const auto* list = qobject_cast<const QListWidget*>(view);
    const int right = std::min(item.rect.right(), list != nullptr ? list->viewport()->rect().right() : item.rect.right());
    const QRect detailRect(right - margin - combo_.DetailWidth() + 1, item.rect.y(), combo_.DetailWidth(),
                           item.rect.height());
    const QRect textRect(item.rect.x() + margin, item.rect.y(), detailRect.x() - kDetailGap - item.rect.x() - margin,
                         item.rect.height());
    const bool selected = (item.state & QStyle::State_Selected) != 0;
    painter->save();
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    painter->setPen(item.palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
    painter->drawText(detailRect, Qt::AlignRight | Qt::AlignVCenter, detail);
    painter->restore();
  }

 private:
  const SimpleComboBox& combo_;
};

}  // namespace

SimpleComboBox::SimpleComboBox(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), list_(new QListWidget(this)) {
  edit_->setObjectName("edit1001");
  list_->setObjectName("list1000");
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setUniformItemSizes(true);
  list_->setItemDelegate(new DetailDelegate(*this, *list_));
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
  entries_.clear();
  shown_.clear();
  detailWidth_ = 0;
}

void SimpleComboBox::AddString(const QString& text, const QString& detail) {
  entries_.push_back({text, detail});
  detailWidth_ = std::max(detailWidth_, list_->fontMetrics().horizontalAdvance(detail));
  AddRow(static_cast<int>(entries_.size()) - 1);
}

void SimpleComboBox::AddRow(int entry) {
  const Entry& shown = entries_[static_cast<size_t>(entry)];
  auto* item = new QListWidgetItem(shown.text, list_);
  if (!shown.detail.isEmpty()) item->setData(kDetailRole, shown.detail);
  shown_.push_back(entry);
}

int SimpleComboBox::Count() const {
  return static_cast<int>(entries_.size());
}

QString SimpleComboBox::Text(int index) const {
  return index >= 0 && index < Count() ? entries_[static_cast<size_t>(index)].text : QString();
}

QString SimpleComboBox::EditText() const {
  return edit_->text();
}

void SimpleComboBox::SetEditText(const QString& text) {
  edit_->setText(text);
  OnEdited(text);
}

int SimpleComboBox::CurrentIndex() const {
  const QListWidgetItem* item = list_->currentItem();
  return item && item->isSelected() ? shown_[static_cast<size_t>(list_->row(item))] : -1;
}

int SimpleComboBox::RowOf(int entry) const {
  const auto at = std::find(shown_.begin(), shown_.end(), entry);
  return at == shown_.end() ? -1 : static_cast<int>(at - shown_.begin());
}

void SimpleComboBox::SetCurrentIndex(int index) {
  if (index < 0 || index >= Count()) return;
  if (RowOf(index) < 0) ShowAll();
  QListWidgetItem* item = list_->item(RowOf(index));
  list_->setCurrentItem(item, QItemSelectionModel::ClearAndSelect);
  edit_->setText(item->text());
  list_->scrollToItem(item, QAbstractItemView::PositionAtTop);
}

int SimpleComboBox::FindExact(const QString& text, int after) const {
  const int count = Count();
  for (int step = 1; step <= count; ++step) {
    const int index = (after + step) % count;
    if (entries_[static_cast<size_t>(index)].text.compare(text, Qt::CaseInsensitive) == 0) return index;
  }
  return -1;
}

void SimpleComboBox::ShowAll() {
  std::vector<int> all(entries_.size());
  std::iota(all.begin(), all.end(), 0);
  if (shown_ != all) Show(all);
}

void SimpleComboBox::Show(const std::vector<int>& entries) {
  list_->setUpdatesEnabled(false);
  list_->clear();
  shown_.clear();
  for (int entry : entries) {
    if (entry >= 0 && entry < Count()) AddRow(entry);
  }
  list_->setUpdatesEnabled(true);
  list_->scrollToTop();
}

void SimpleComboBox::OnEdited(const QString& text) {
  list_->setCurrentItem(nullptr);
  list_->clearSelection();
  if (matcher_) {
    Show(matcher_(text));
    return;
  }
  if (text.isEmpty()) return;
  for (int row = 0; row < list_->count(); ++row) {
    if (list_->item(row)->text().startsWith(text, Qt::CaseInsensitive)) {
      list_->scrollToItem(list_->item(row), QAbstractItemView::PositionAtTop);
      return;
    }
  }
}

void SimpleComboBox::ShowCutEntry(const QHelpEvent& help) const {
  const QListWidgetItem* item = list_->itemAt(help.pos());
  // An entry may reach past the list's right edge, where it is cut however wide its own row is; its
  // detail takes the right end of what is shown.
  const QRect shown = item ? list_->visualItemRect(item).intersected(list_->viewport()->rect()) : QRect();
  const int room = shown.width() - (detailWidth_ > 0 ? detailWidth_ + kDetailGap : 0);
  if (item != nullptr && list_->fontMetrics().horizontalAdvance(item->text()) > room) {
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
  const int rows = list_->count();
  if (step == 0 || rows == 0) return QWidget::eventFilter(watched, event);
  const QListWidgetItem* current = list_->currentItem();
  const int from = current != nullptr && current->isSelected() ? list_->row(current) : (step > 0 ? -1 : rows);
  const int to = std::clamp(from + step, 0, rows - 1);
  if (to == from) return true;  // already at the first or the last entry shown
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
