#include "app/qtuisink.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "tests/gui_app/gui_helpers.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "tests/gui_app";

TEST(QtUiSink, ApplicationMessagesAreCaptionedWithTheTitle) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  std::string caption, text;
  testing::WhenShown("messageBox", [&](QWidget& window) {
    auto& box = static_cast<QMessageBox&>(window);
    caption = box.windowTitle().toStdString();
    text = box.text().toStdString();
    box.button(QMessageBox::Ok)->click();
  });
  EXPECT_EQ(ShowMessage(Text(Txt::kNoStockChosen)), kIdOk);
  EXPECT_EQ(caption, "ostrada");
  EXPECT_EQ(text, "선택한 종목이 없습니다.");
}

TEST(QtUiSink, TheErrorReporterIsCaptionedConfirm) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  std::string caption, text;
  testing::WhenShown("messageBox", [&](QWidget& window) {
    auto& box = static_cast<QMessageBox&>(window);
    caption = box.windowTitle().toStdString();
    text = box.text().toStdString();
    box.button(QMessageBox::Ok)->click();
  });
  const int line = __LINE__ + 1;
  EXPECT_FALSE(OSTRADA_VERIFY(false));
  EXPECT_EQ(caption, "확인");
  EXPECT_EQ(text, "[" + std::to_string(line) + "] - tests/gui_app 에서");
}

TEST(QtUiSink, AnswersWithTheButtonPressed) {
  QtUiSink sink;
  testing::WhenShown("messageBox",
                     [](QWidget& window) { static_cast<QMessageBox&>(window).button(QMessageBox::No)->click(); });
  EXPECT_EQ(sink.ShowMessageBox("?", "ostrada", kMbYesNo | kMbIconQuestion), kIdNo);
}

TEST(QtUiSink, WaitCursorIsTheRealOne) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  {
    WaitCursor wait;
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace ostrada
