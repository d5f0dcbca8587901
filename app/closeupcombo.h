#pragma once
// A stock choice that reports its close-up, the moment the choice is read. Qt closes the list before
// a clicked entry becomes the current one, so the report waits until the click has been handled.
// A name too long for the narrow field shows in full as a tool tip, on the field and in the list.
#include <QComboBox>
#include <functional>

namespace ostrada {

class CloseUpComboBox : public QComboBox {
 public:
  CloseUpComboBox(QWidget* parent, std::function<void()> onCloseUp);
  void hidePopup() override;

 private:
  bool IsCut(const QString& text) const;
  void SetToolTips(int first, int last);

  std::function<void()> onCloseUp_;
};

}  // namespace ostrada
