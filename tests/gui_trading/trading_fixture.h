#pragma once
// The order windows' test bench: the embedded exchange for the market, scripted trading objects on
// top of it, the code book downloaded from the exchange, and helpers that drive the form as a user
// does (clicks on radios and buttons, keys in the edits, the finder answered from a zero timer).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTableWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/findcode.h"
#include "app/simplecombo.h"
#include "app/windowmessages.h"
#include "basesrc/codeinfo.h"
#include "basesrc/stocgate.h"
#include "basesrc/tradingsession.h"
#include "broker/sim/exchange.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/gui_trading/click.h"
#include "tests/gui_trading/scripted_trading.h"
#include "tests/support/recording_sink.h"

namespace ostrada::testing {

// The window a panel reports to: it keeps every message it was sent.
class RecordingParent : public QWidget {
 public:
  bool event(QEvent* event) override {
    if (auto* sent = AsWindowMessage(event, WM_STOCK_CHANGED)) {
      stockChanges.push_back(sent->WParam());
      return true;
    }
    return QWidget::event(event);
  }
  std::vector<uintptr_t> stockChanges;
};

template <class Widget>
Widget& Child(QWidget& root, const QString& name) {
  auto* widget = root.findChild<Widget*>(name);
  if (widget == nullptr) ADD_FAILURE() << "no " << name.toStdString();
  return *widget;
}

inline QLineEdit& Edit(QWidget& root, int id) {
  return Child<QLineEdit>(root, QStringLiteral("edit%1").arg(id));
}
inline QPushButton& Button(QWidget& root, int id) {
  return Child<QPushButton>(root, QStringLiteral("button%1").arg(id));
}
inline QRadioButton& Radio(QWidget& root, int id) {
  return Child<QRadioButton>(root, QStringLiteral("radio%1").arg(id));
}
inline QTableWidget& List(QWidget& root, int id) {
  return Child<QTableWidget>(root, QStringLiteral("list%1").arg(id));
}
inline QString Cell(QTableWidget& list, int row, int column) {
  return list.item(row, column) != nullptr ? list.item(row, column)->text() : QString();
}

// Replaces the edit's text by typing.
inline void Retype(QLineEdit& edit, const QString& text) {
  edit.setFocus();
  edit.selectAll();
  PressKey(edit, Qt::Key_Delete);
  TypeText(edit, text);
}

// Answers the finder that opens next with its entry of the name (UTF-8) and OK.
inline void AnswerFinder(const QString& name) {
  WhenShown(QStringLiteral("dialog135"), [name](QWidget& window) {
    auto& finder = static_cast<CFindCode&>(window);
    auto* list = finder.findChild<SimpleComboBox*>(QStringLiteral("combo1179"));
    list->SetCurrentIndex(list->FindExact(name, 0));
    finder.accept();
  });
}

// Empties the program's settings (the test program's own, see the shared test main) for a test, so
// that each starts from the defaults.
struct FreshSettings {
  FreshSettings() { QSettings().clear(); }
  ~FreshSettings() { QSettings().clear(); }
};

// Turns the order form's confirmation box off, as the user does with its check box.
inline void TurnOffConfirmation(QWidget& form) {
  auto& confirm = Child<QCheckBox>(form, QStringLiteral("checkConfirm"));
  if (confirm.isChecked()) Click(confirm);
}

class TradingBench : public ::testing::Test {
 protected:
  TradingBench() : exchange_(Options()), server_(exchange_), scope_(server_) {
    StocGate gate;
    book_ = gate.DownloadCodes(kSortByName, 0);
  }
  static sim::ExchangeOptions Options() {
    sim::ExchangeOptions options;
    options.stocks = 60;
    return options;
  }
  // The k-th stock of the book in name order.
  const CodeInfo& StockAt(int k) const {
    const CodeInfo* stock = book_->First();
    for (int i = 0; i < k; ++i) stock = stock->next;
    return *stock;
  }
  std::string NameOf(int k) const { return StockAt(k).key.name.get(); }
  std::string CodeOf(int k) const { return StockAt(k).key.code; }
  TradingScript& Trading() { return server_.script; }
  const SentOrder& LastOrder() { return server_.script.orders.back(); }

  FreshSettings settings_;
  RecordingScope recording_;
  sim::Exchange exchange_;
  ScriptedTradingServer server_;
  broker::ScopedServer scope_;
  std::unique_ptr<CodeInfoList> book_;
  // The process's trading login as the program keeps it: one, shared by every window of the test.
  TradingSession session_;
};

}  // namespace ostrada::testing
