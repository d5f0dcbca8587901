// Pictures of the working windows as the workspace opens them, each with its 연동 toggle and a stock.
#include "tests/support/render.h"

#include <gtest/gtest.h>

#include <QLineEdit>

#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "app/qtext.h"
#include "app/workwindows.h"
#include "broker/sim/exchange.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

TEST(Render, WorkingWindowsWithTheirLinkToggles) {
  testing::RecordingScope recording;
  StartOptions options;
  options.exchange.seed = 17;
  options.exchange.stocks = 40;
  CostradaApp app(options);
  ASSERT_EQ(app.InitInstance(), 1);
  WorkWindows& workspace = app.MainFrame()->Workspace();
  const std::pair<int, const char*> windows[] = {{kCmdQuote10, "workspace_quote10.png"},
                                                 {kCmdQuote5, "workspace_quote5.png"},
                                                 {kCmdContract, "workspace_contract.png"},
                                                 {kCmdOrder, "workspace_order.png"},
                                                 {kCmdQuoteOrder, "workspace_quote_order.png"}};
  for (const auto& [command, file] : windows) workspace.Open(command);
  // One choice in a linked window shows the stock in all of them.
  workspace.Windows().front()->ShowStock(app.AllCodes()->GetAt(0)->key.code);
  workspace.Link().Choose(QString::fromLatin1(app.AllCodes()->GetAt(0)->key.code), nullptr);
  app.Exchange()->Advance(180'000);
  QCoreApplication::processEvents();
  int i = 0;
  for (WorkWindow* window : workspace.Windows()) {
    EXPECT_FALSE(testing::RenderToPng(window->Window(), windows[i++].second).isEmpty());
  }
}

}  // namespace
}  // namespace ostrada
