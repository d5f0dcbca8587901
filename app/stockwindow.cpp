#include "app/stockwindow.h"

#include <QWidget>

#include "basesrc/codeinfo.h"

namespace ostrada {

StockWindow::StockWindow(QWidget& window) : toggle_(new StockLinkToggle(&window)) {}

void PlaceLinkToggle(QWidget& window, StockLinkToggle& toggle, LinkTogglePlace place) {
  constexpr int kHeight = 20, kMargin = 2, kUnderStockBar = 33;
  toggle.resize(toggle.sizeHint().width(), kHeight);
  const int right = window.width() - toggle.width() - kMargin;
  switch (place) {
    case LinkTogglePlace::kBottomRight:
      toggle.move(right, window.height() - kHeight - kMargin);
      break;
    case LinkTogglePlace::kWidenRight:
      window.resize(window.width() + toggle.width() + kMargin, window.height());
      toggle.move(window.width() - toggle.width() - kMargin, kMargin);
      break;
    case LinkTogglePlace::kUnderStockBar:
      toggle.move(right, kUnderStockBar);
      break;
  }
  toggle.raise();
  toggle.show();
}

std::string StockNameOf(const CodeInfoList* book, const std::string& code) {
  const CodeInfo* stock = book != nullptr && !code.empty() ? book->FindByCode(code.c_str()) : nullptr;
  return stock != nullptr && stock->key.name != nullptr ? stock->key.name.get() : std::string();
}

}  // namespace ostrada
