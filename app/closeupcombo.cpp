#include "app/closeupcombo.h"

#include <QTimer>
#include <utility>

namespace ostrada {

CloseUpComboBox::CloseUpComboBox(QWidget* parent, std::function<void()> onCloseUp)
    : QComboBox(parent), onCloseUp_(std::move(onCloseUp)) {}

void CloseUpComboBox::hidePopup() {
  QComboBox::hidePopup();
  QTimer::singleShot(0, this, [this] { onCloseUp_(); });
}

}  // namespace ostrada
