// Renders the main frame after the close, the about box and the finder (after a jump to 사) to PNG files, so anyone
// can look at them (tests/support/render.h says where).
#include "tests/support/render.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>

#include "app/aboutdlg.h"
#include "app/clockbar.h"
#include "app/findcode.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/simplecombo.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

void Save(QWidget& widget, const char* name) {
  const QString path = testing::RenderToPng(widget, name);
  ASSERT_FALSE(path.isEmpty()) << name;
  std::printf("rendered %s\n", qPrintable(path));
}

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    StartOptions options;  // the full market, as the program starts by default, on a day of its own
    options.exchange.tradingDate = 20261208;
    app_ = std::make_unique<CostradaApp>(options);
    ASSERT_EQ(app_->InitInstance(), 1);
  }
  testing::RecordingScope recording_;
  std::unique_ptr<CostradaApp> app_;
};

TEST_F(Render, MainFrameAboutBoxAndFinder) {
  // After the close, with the day's whole trading on the board: the clock bar's jump, which the
  // windows catch up with, then the closing auction.
  CClockBar* clock = app_->MainFrame()->findChild<CClockBar*>();
  ASSERT_NE(clock, nullptr);
  ASSERT_TRUE(clock->Jump({sim::ClockJump::Kind::kToClose}));
  app_->Exchange()->Advance(60'000);
  QCoreApplication::processEvents();
  Save(*app_->MainFrame(), "mainframe.png");

  CAboutDlg about(app_->MainFrame());
  about.show();
  Save(about, "about.png");
  about.close();

  CFindCode finder(app_->AllCodes());
  finder.show();
  finder.findChild<QPushButton*>("button1439")->click();  // 사
  const SimpleComboBox& list = *finder.findChild<SimpleComboBox*>("combo1179");
  ASSERT_GE(list.CurrentIndex(), 0);
  EXPECT_TRUE(list.Text(list.CurrentIndex()).startsWith(QStringLiteral("사")) ||
              list.Text(list.CurrentIndex()) > QStringLiteral("사"));
  Save(finder, "finder.png");
  finder.close();
  EXPECT_TRUE(recording_.sink.messages.empty());
}

}  // namespace
}  // namespace ostrada
