#pragma once
// Driving the program's windows headless: modal windows are handled from a zero timer queued before
// they run, keys and clicks are real events sent to the widgets.
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "basesrc/codeinfo.h"
#include "basesrc/foundation/cp949.h"

namespace ostrada::testing {

// The visible top-level window with the object name, or null.
inline QWidget* ShownWindow(const QString& name) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == name && widget->isVisible()) return widget;
  }
  return nullptr;
}

// Runs `drive` with the window once it is shown (the caller then runs the modal window). The
// driver must close the window, or the test would hang in its modal loop.
inline void WhenShown(const QString& name, std::function<void(QWidget&)> drive) {
  QTimer::singleShot(0, [name, drive] {
    if (QWidget* window = ShownWindow(name)) {
      drive(*window);
    } else {
      WhenShown(name, drive);
    }
  });
}

inline void PressKey(QWidget& widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(&widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(&widget, &release);
}

// Types the text character by character, as the keyboard would.
inline void TypeText(QWidget& widget, const QString& text) {
  for (QChar c : text) PressKey(widget, c.isLetter() ? c.toUpper().unicode() : c.unicode(), QString(c));
}

inline void ClickRow(QAbstractItemView& view, int row) {
  const QRect cell = view.visualRect(view.model()->index(row, 0));
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    QMouseEvent event(type, cell.center(), view.viewport()->mapToGlobal(cell.center()), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(view.viewport(), &event);
  }
}

// Opens the combo box's list and clicks its row, as a user does: Qt closes the list first and makes
// the row current afterwards; then the events queued by the close are run.
inline void ChooseFromList(QComboBox& combo, int row) {
  combo.showPopup();
  ClickRow(*combo.view(), row);
  QCoreApplication::processEvents();
}

// A stock of market '1' with every class at its initial value; the name is given in UTF-8.
inline void AddStock(CodeInfoList& book, const char* code, const std::string& utf8Name) {
  CodeAttr attributes;
  CodeAttrInit(&attributes);
  attributes.market = '1';
  book.Insert(code, Utf8ToCp949(utf8Name).c_str(), &attributes);
}

}  // namespace ostrada::testing
