#include "app/qtuisink.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "basesrc/foundation/report.h"
#include "basesrc/foundation/texts.h"
#include "tests/gui_app/gui_helpers.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "tests/gui_app";

struct ShownBox {
  std::string caption;
  std::string text;
};

// Reads the next box into `shown` and closes it with OK.
void ReadNextBox(ShownBox& shown) {
  testing::WhenShown("messageBox", [&shown](QWidget& window) {
    auto& box = static_cast<QMessageBox&>(window);
    shown = {box.windowTitle().toStdString(), box.text().toStdString()};
    box.button(QMessageBox::Ok)->click();
  });
}

TEST(QtUiSink, ApplicationMessagesAreCaptionedWithTheTitle) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  ShownBox shown;
  ReadNextBox(shown);
  EXPECT_EQ(ShowMessage(Text(Txt::kNoStockChosen)), kIdOk);
  EXPECT_EQ(shown.caption, "ostrada");
  EXPECT_EQ(shown.text, "선택한 종목이 없습니다.");
}

TEST(QtUiSink, TheErrorReporterIsCaptionedConfirm) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  ShownBox shown;
  ReadNextBox(shown);
  const int line = __LINE__ + 1;
  EXPECT_FALSE(OSTRADA_VERIFY(false));
  EXPECT_EQ(shown.caption, "확인");
  EXPECT_EQ(shown.text, "[" + std::to_string(line) + "] - tests/gui_app 에서");
}

TEST(QtUiSink, ButtonsAreKoreanAndTheAnswerIsThePressedOne) {
  QtUiSink sink;
  const std::pair<unsigned, std::vector<std::string>> styles[] = {
      {kMbOk, {"확인"}}, {kMbOkCancel, {"확인", "취소"}}, {kMbYesNo, {"예", "아니오"}}};
  for (const auto& [style, expected] : styles) {
    std::vector<std::string> texts;
    testing::WhenShown("messageBox", [&texts](QWidget& window) {
      auto& box = static_cast<QMessageBox&>(window);
      for (QAbstractButton* button : box.buttons()) texts.push_back(button->text().toStdString());
      box.buttons().back()->click();
    });
    sink.ShowMessageBox("?", "ostrada", style | kMbIconQuestion);
    std::sort(texts.begin(), texts.end());
    std::vector<std::string> sorted = expected;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(texts, sorted) << style;
  }
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

namespace ostrada {
namespace {

TEST(QtUiSink, ABoxBlocksOnlyTheWindowThatIsActive) {
  QtUiSink sink;
  ScopedUiSink scope(sink);
  QWidget window;
  window.setObjectName("activeWindow");
  window.show();
  window.activateWindow();
  QCoreApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), &window);
  Qt::WindowModality modality = Qt::NonModal;
  QWidget* owner = nullptr;
  testing::WhenShown("messageBox", [&](QWidget& box) {
    modality = box.windowModality();
    owner = box.parentWidget();
    static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click();
  });
  ShowMessage(Text(Txt::kNoStockChosen));
  EXPECT_EQ(modality, Qt::WindowModal);
  EXPECT_EQ(owner, &window);
}

}  // namespace
}  // namespace ostrada
