#pragma once
// StockWindow: the one contract between a working window that shows a stock and the workspace. A
// window gives its stock's code, shows a stock it is told to (quietly: that is not the user's pick),
// says through its StockPicks when the user picked a stock in it, and carries its own 연동 toggle,
// placed where its layout has room. The workspace knows windows only through this, so a new window
// implements it and takes one line of the workspace's factory.
#include <QObject>
#include <QString>
#include <string>

#include "app/stocklink.h"

class QWidget;

namespace ostrada {

// The signal half of the contract (a StockWindow is a widget first and cannot be a QObject twice).
class StockPicks : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // The window's user picked the stock (ASCII code).
  void Tell(const std::string& code) { emit stockPicked(QString::fromLatin1(code.c_str())); }

 signals:
  void stockPicked(const QString& code);
};

class StockWindow {
 public:
  virtual ~StockWindow() = default;

  // The stock shown (ASCII code; empty while none).
  virtual std::string StockCode() const = 0;
  // Switches the window to the stock without telling it as the user's pick. 1/0 (an unknown code,
  // told by the window: 0).
  virtual int ShowStock(const std::string& code) = 0;

  // The account's clock jumped: the window shows what a window opened now on its stock shows. The
  // live feeds tell nothing on the way (the market holds a jump's events), so a window that shows
  // the market fetches it again here.
  virtual void CatchUp() {}

  StockPicks& Picks() { return picks_; }
  StockLinkToggle& LinkToggle() const { return *toggle_; }
  bool IsLinked() const { return toggle_->Linked(); }

 protected:
  // The window makes its toggle (a child of `window`, on by default) and places it itself.
  explicit StockWindow(QWidget& window);

 private:
  StockPicks picks_;
  StockLinkToggle* toggle_;
};

// Where a window's layout leaves its toggle room: the right end under the stock bar (the quote
// panels, under their "?" button), the bottom right corner (the mini order form, under its list), or
// a strip the window grows by at its right (the contract window's stock bar has no room).
enum class LinkTogglePlace { kUnderStockBar, kBottomRight, kWidenRight };
void PlaceLinkToggle(QWidget& window, StockLinkToggle& toggle, LinkTogglePlace place);

// The window's stock for the code, from the book: its name, or empty when the book does not list it.
std::string StockNameOf(const class CodeInfoList* book, const std::string& code);

}  // namespace ostrada
