#pragma once
// Linked stocks (연동): one broadcaster that every linked window listens to, so that a stock chosen in
// one window shows in all of them, without any window knowing another.
//
// How a window joins (the whole contract):
//   - it carries a StockLinkToggle, on by default;
//   - when the user chooses a stock in it and its toggle is on, it calls `link.Choose(code, this)`;
//   - it follows the others with `FollowStockLink(link, toggle, this, show)`: `show(code)` then runs
//     for every stock another window chose while this window's toggle is on. `show` must switch the
//     window quietly: it does not call Choose again.
// Any QObject can take part without a toggle: connect to `stockChosen` and skip your own origin, and
// call `Choose` (for example the home board on a double-click, or a chart's own `stockChosen` signal
// through a lambda). Codes are the stock codes of the code book (ASCII), never names.
#include <QObject>
#include <QString>
#include <QToolButton>
#include <functional>

namespace ostrada {

class StockLink : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

  // The stock last chosen through the link; empty until a first choice. A window opened later with
  // its toggle on starts on it.
  const QString& Current() const { return current_; }

 public slots:
  // Tells every follower that `origin` chose the stock; an empty code tells nothing.
  void Choose(const QString& code, const QObject* origin);

 signals:
  void stockChosen(const QString& code, const QObject* origin);

 private:
  QString current_;
};

// The window's 연동 switch: a small checkable button, checked (linked) by default.
class StockLinkToggle : public QToolButton {
  Q_OBJECT
 public:
  explicit StockLinkToggle(QWidget* parent = nullptr);
  bool Linked() const { return isChecked(); }
};

// Runs `show(code)` for each stock that a window other than `window` chooses while the toggle is on.
// The connection ends with the window.
void FollowStockLink(StockLink& link, const StockLinkToggle& toggle, QObject& window,
                     std::function<void(const QString& code)> show);

}  // namespace ostrada
