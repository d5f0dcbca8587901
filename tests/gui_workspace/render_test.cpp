// Pictures of the working windows as the workspace opens them, each with its 연동 toggle and a stock.
#include "tests/support/render.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPainter>

#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/workwindows.h"
#include "basesrc/codeinfo.h"
#include "basesrc/stocgate.h"
#include "broker/sim/exchange.h"
#include "tests/support/busiest_stock.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

using testing::kFromOpeningToAfterTheClose;

QString BusiestCode(const CodeInfoList& codes) {
  return QString::fromLatin1(testing::BusiestCode(codes).c_str());
}

// The program on a market of its own, started.
class Render : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(app.InitInstance(), 1); }
  static StartOptions Options() {
    StartOptions options;
    options.exchange.seed = 17;
    options.exchange.stocks = 40;
    return options;
  }

  testing::RecordingScope recording;
  CostradaApp app{Options()};
};

TEST_F(Render, WorkingWindowsWithTheirLinkToggles) {
  app.Exchange()->Advance(kFromOpeningToAfterTheClose);
  WorkWindows& workspace = app.MainFrame()->Workspace();
  const std::pair<int, const char*> windows[] = {{kCmdQuote10, "workspace_quote10.png"},
                                                 {kCmdQuote5, "workspace_quote5.png"},
                                                 {kCmdContract, "workspace_contract.png"},
                                                 {kCmdOrder, "workspace_order.png"},
                                                 {kCmdQuoteOrder, "workspace_quote_order.png"}};
  for (const auto& [command, file] : windows) workspace.Open(command);
  // One choice in a linked window shows the stock in all of them.
  const QString busiest = BusiestCode(*app.AllCodes());
  workspace.Windows().front()->ShowStock(busiest.toStdString());
  workspace.Link().Choose(busiest, nullptr);
  app.Exchange()->Advance(60'000);
  QCoreApplication::processEvents();
  int i = 0;
  for (WorkWindow* window : workspace.Windows()) {
    EXPECT_FALSE(testing::RenderToPng(window->Window(), windows[i++].second).isEmpty());
  }
}

// The README's first picture: the frame with its board, a 10-level quote window, an order window and a
// chart side by side, as a trader lays them out. Offscreen windows have no desktop, so each is grabbed
// and painted where it stands.
TEST_F(Render, AWholeWorkspace) {
  CMainFrame& frame = *app.MainFrame();
  frame.setGeometry(0, 0, 760, 620);
  WorkWindows& workspace = frame.Workspace();
  WorkWindow* quote = workspace.Open(kCmdQuote10);
  WorkWindow* order = workspace.Open(kCmdQuoteOrder);
  WorkWindow* chart = workspace.Open(kCmdChart);
  ASSERT_TRUE(quote && order && chart);
  app.Exchange()->Advance(kFromOpeningToAfterTheClose);
  workspace.Link().Choose(BusiestCode(*app.AllCodes()), nullptr);
  app.Exchange()->Advance(60'000);
  QCoreApplication::processEvents();
  quote->Window().move(frame.width() + 8, 0);
  chart->Window().setGeometry(0, frame.height() + 8, 760, 430);
  order->Window().move(frame.width() + 8, quote->Window().height() + 8);
  QCoreApplication::processEvents();

  QRect all;
  for (QWidget* window : {static_cast<QWidget*>(&frame), &quote->Window(), &order->Window(), &chart->Window()}) {
    all = all.united(window->frameGeometry());
  }
  QImage canvas(all.size(), QImage::Format_RGB32);
  canvas.fill(QColor(0x3a, 0x4a, 0x5a));
  QPainter painter(&canvas);
  for (QWidget* window : {static_cast<QWidget*>(&frame), &quote->Window(), &order->Window(), &chart->Window()}) {
    painter.drawPixmap(window->geometry().topLeft() - all.topLeft(), window->grab());
  }
  painter.end();
  EXPECT_TRUE(canvas.save(QDir(testing::RenderFolder()).filePath(QStringLiteral("workspace.png"))));
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

}  // namespace
}  // namespace ostrada
