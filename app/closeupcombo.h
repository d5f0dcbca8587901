#pragma once
// A stock choice that reports its close-up, the moment the choice is read. Qt closes the list before
// a clicked entry becomes the current one, so the report waits until the click has been handled.
#include <QComboBox>
#include <functional>

namespace ostrada {

class CloseUpComboBox : public QComboBox {
 public:
  CloseUpComboBox(QWidget* parent, std::function<void()> onCloseUp);
  void hidePopup() override;

 private:
  std::function<void()> onCloseUp_;
};

}  // namespace ostrada
