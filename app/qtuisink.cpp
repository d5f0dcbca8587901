#include "app/qtuisink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <utility>

#include "app/qtext.h"

namespace ostrada {
namespace {

constexpr unsigned kButtonMask = 0x0F;
constexpr unsigned kIconMask = 0xF0;

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & kIconMask) {
    case kMbIconError:
      return QMessageBox::Critical;
    case kMbIconQuestion:
      return QMessageBox::Question;
    case kMbIconWarning:
      return QMessageBox::Warning;
    case kMbIconInformation:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsOf(unsigned style) {
  switch (style & kButtonMask) {
    case kMbOkCancel:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case kMbYesNo:
      return QMessageBox::Yes | QMessageBox::No;
    default:
      return QMessageBox::Ok;
  }
}

// The interface is Korean throughout, so the buttons are too, whatever the system's language.
void UseKoreanButtonTexts(QMessageBox& box) {
  const std::pair<QMessageBox::StandardButton, const char*> texts[] = {
      {QMessageBox::Ok, "확인"}, {QMessageBox::Cancel, "취소"}, {QMessageBox::Yes, "예"}, {QMessageBox::No, "아니오"}};
  for (const auto& [button, text] : texts) {
    if (QAbstractButton* shown = box.button(button)) shown->setText(QString::fromUtf8(text));
  }
}

int AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Cancel:
      return kIdCancel;
    case QMessageBox::Yes:
      return kIdYes;
    case QMessageBox::No:
      return kIdNo;
    default:
      return kIdOk;
  }
}

}  // namespace

int QtUiSink::ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) {
  // The box is parented to the active window and blocks that window only, as the windows' own pickers
  // do; the other working windows stay live beside it.
  QWidget* owner = QApplication::activeWindow();
  QMessageBox box(IconOf(style), FromCp949(caption), FromCp949(text), ButtonsOf(style), owner);
  box.setObjectName("messageBox");
  if (owner != nullptr) box.setWindowModality(Qt::WindowModal);
  UseKoreanButtonTexts(box);
  return AnswerOf(box.exec());
}

void QtUiSink::Beep() {
  QApplication::beep();
}

void QtUiSink::BeginWaitCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtUiSink::EndWaitCursor() {
  QGuiApplication::restoreOverrideCursor();
}

}  // namespace ostrada
