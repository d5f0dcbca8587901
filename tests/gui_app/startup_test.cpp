#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>

#include "app/loginmemory.h"
#include "app/mainfrm.h"
#include "app/ostrada.h"
#include "basesrc/foundation/localtime.h"
#include "basesrc/foundation/memory.h"
#include "broker/clsid.h"
#include "broker/server.h"
#include "broker/sim/market/faults.h"
#include "tests/gui_app/gui_helpers.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

StartOptions SmallMarket(StartFault fault = StartFault::kNone) {
  StartOptions options;
  options.exchange.seed = 7;
  options.exchange.stocks = 60;
  options.exchange.tradingDate = 20261208;
  options.fault = fault;
  return options;
}

// Records, with each message, whether the main frame existed when it was shown.
class FrameWatchingSink : public testing::RecordingSink {
 public:
  const CostradaApp* app = nullptr;
  std::vector<bool> frameShown;
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    frameShown.push_back(app->MainFrame() != nullptr);
    return RecordingSink::ShowMessageBox(text, caption, style);
  }
};

const std::vector<StartStep> kEveryStep = {StartStep::kCommonControls, StartStep::kSockets,   StartStep::kOle,
                                           StartStep::kSettingsKey,    StartStep::kCodeBooks, StartStep::kMarketTimes,
                                           StartStep::kCommandLine,    StartStep::kMainFrame};

TEST(Startup, RunsEveryStepInOrderAndKeepsBothBooks) {
  testing::RecordingScope recording;
  CostradaApp app(SmallMarket());
  ASSERT_EQ(app.InitInstance(), 1);
  EXPECT_EQ(app.StepsTaken(), kEveryStep);
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
  EXPECT_EQ(recording.sink.waitDepth, 0);

  ASSERT_NE(app.AllCodes(), nullptr);
  const CodeInfoList& all = *app.AllCodes();
  EXPECT_GT(all.Count(), 0);
  EXPECT_EQ(all.SortKind(), kSortByName);
  for (const CodeInfo* stock = all.First(); stock; stock = stock->next) EXPECT_NE(stock->attr.market, '3');
  ASSERT_NE(app.CommonCodes(), nullptr);
  EXPECT_EQ(app.CommonCodes()->Count(), all.Count() - all.CountPreferred());
  EXPECT_EQ(app.CommonCodes()->CountPreferred(), 0);

  EXPECT_EQ(app.MarketTime1(), 90000);
  EXPECT_EQ(app.MarketTime2(), 150000);
  ASSERT_NE(app.MainFrame(), nullptr);
  EXPECT_TRUE(app.MainFrame()->isVisible());
  EXPECT_EQ(broker::CurrentServer(), app.Exchange());
  EXPECT_EQ(QCoreApplication::organizationName().toStdString(), "ostrada");
  EXPECT_EQ(QFileInfo(QSettings().fileName()).dir().dirName().toStdString(), "ostrada");
  EXPECT_EQ(QFileInfo(QSettings().fileName()).fileName().toStdString(), "ostrada.conf");
}

// The settings an earlier version kept under its long key come along once, and never over newer ones.
TEST(Startup, TheOldSettingsFileIsCarriedOverOnce) {
  testing::RecordingScope recording;
  QCoreApplication::setOrganizationName(QStringLiteral("ostrada"));
  QCoreApplication::setApplicationName(QStringLiteral("ostrada"));
  QFile::remove(QSettings().fileName());
  const auto writeOld = [](const char* value) {
    QSettings old(QStringLiteral("로컬 응용 프로그램 마법사에서 생성된 응용 프로그램"), QStringLiteral("ostrada"));
    old.setValue("carried", value);
    old.sync();
    return old.fileName();
  };
  const QString oldFile = writeOld("first");
  {
    CostradaApp app(SmallMarket());
    ASSERT_EQ(app.InitInstance(), 1);
  }
  EXPECT_EQ(QSettings().value("carried").toString().toStdString(), "first");
  EXPECT_FALSE(QFileInfo::exists(oldFile));
  EXPECT_FALSE(QFileInfo::exists(QFileInfo(oldFile).absolutePath())) << "the empty old folder is gone";

  writeOld("second");
  {
    CostradaApp app(SmallMarket());
    ASSERT_EQ(app.InitInstance(), 1);
  }
  EXPECT_EQ(QSettings().value("carried").toString().toStdString(), "first");
  EXPECT_TRUE(QFileInfo::exists(oldFile)) << "left alone once the new file exists";
  EXPECT_TRUE(recording.sink.messages.empty());
}

TEST(Startup, ASessionRunsOnTheExchangeClock) {
  testing::RecordingScope recording;
  {
    CostradaApp app(SmallMarket());
    ASSERT_EQ(app.InitInstance(), 1);
    EXPECT_EQ(&CurrentTimeSource(), &app.Exchange()->Time());
    EXPECT_EQ(NowLocal().hour, 9);
    EXPECT_EQ(NowLocal().day, 8);
  }
  EXPECT_EQ(broker::CurrentServer(), nullptr);
}

// "다음에도 로그인" ticked: the next start finds the session logged in; left alone, it starts logged out.
TEST(Startup, ARememberedLoginLogsInAtTheStart) {
  testing::RecordingScope recording;
  for (const bool remembered : {false, true}) {
    SetLoginRemembered(remembered);
    CostradaApp app(SmallMarket());
    ASSERT_EQ(app.InitInstance(), 1);
    EXPECT_EQ(app.Session().LoggedIn(), remembered);
  }
  SetLoginRemembered(false);
  EXPECT_TRUE(recording.sink.messages.empty()) << recording.sink.Texts().front();
}

TEST(Startup, WithoutAListingTellsTwiceThenOpensTheFrame) {
  FrameWatchingSink sink;
  ScopedUiSink scope(sink);
  CostradaApp app(SmallMarket(StartFault::kNoListing));
  sink.app = &app;
  ASSERT_EQ(app.InitInstance(), 1);

  // The gateway tells what failed where it happened; the two texts follow it.
  std::vector<std::string> texts = sink.Texts();
  ASSERT_GE(texts.size(), 2u);
  const std::vector<std::string> lastTwo(texts.end() - 2, texts.end());
  EXPECT_EQ(lastTwo, std::vector<std::string>(2, "서버에서 전종목 목록을 다운로드하지 못했습니다."));
  EXPECT_EQ(sink.messages.back().CaptionUtf8(), "ostrada");
  // A server without a listing is no failed internal check: no "확인" box among them.
  for (const auto& message : sink.messages) EXPECT_EQ(message.CaptionUtf8(), "ostrada") << message.Utf8();
  for (bool frameShown : sink.frameShown) EXPECT_FALSE(frameShown);
  EXPECT_EQ(sink.waitDepth, 0);
  EXPECT_EQ(app.AllCodes(), nullptr);
  EXPECT_EQ(app.CommonCodes(), nullptr);
  EXPECT_EQ(app.MarketTime1(), 90000);
  EXPECT_EQ(app.StepsTaken(), kEveryStep);
  ASSERT_NE(app.MainFrame(), nullptr);

  sink.Clear();
  testing::WhenShown("dialog135", [](QWidget& finder) {
    finder.findChild<QPushButton*>("button1")->click();
    finder.findChild<QPushButton*>("button2")->click();
  });
  app.MainFrame()->OnFindCode();
  EXPECT_EQ(sink.Texts(), (std::vector<std::string>{"먼저 종목들을 받으십시오", "종목을 정확하게 선택하십시오.",
                                                    "선택한 종목이 없습니다."}));
}

TEST(Startup, ACommonBookThatCannotBeBuiltLeavesTheFullBook) {
  testing::RecordingScope recording;
  CostradaApp app(SmallMarket());
  ASSERT_EQ(app.InitInstance(), 1);
  ASSERT_NE(app.AllCodes(), nullptr);
  const int listed = app.AllCodes()->Count();

  // The smallest memory budget under which the download succeeds leaves none for the copy.
  int built = 1;
  for (long allowed = 0; allowed <= 10000; ++allowed) {
    recording.sink.Clear();
    ScopedAllocationFailure budget(allowed);
    built = app.BuildCodeBooks();
    if (app.AllCodes() != nullptr) break;
  }
  EXPECT_EQ(built, 0);
  ASSERT_NE(app.AllCodes(), nullptr);
  EXPECT_EQ(app.AllCodes()->Count(), listed);
  EXPECT_EQ(app.CommonCodes(), nullptr);
  ASSERT_FALSE(recording.sink.messages.empty());
  EXPECT_EQ(recording.sink.messages.back().Utf8(), "전종목 목록에서 우선주를 제외한 목록을 만들지 못했습니다.");
  EXPECT_EQ(recording.sink.messages.back().CaptionUtf8(), "ostrada");
  for (const std::string& text : recording.sink.Texts()) {
    EXPECT_NE(text, "서버에서 전종목 목록을 다운로드하지 못했습니다.");
  }
  EXPECT_EQ(recording.sink.waitDepth, 0);
}

TEST(Startup, AFailedMarketTimeShowsTheServerErrorAndRunsOn) {
  testing::RecordingScope recording;
  StartOptions options = SmallMarket();
  options.armFaults = [](sim::FaultPlan& plan) {
    plan.FailCall(broker::clsid::kCodeManager, sim::Method::kMarketTime, broker::kEFail, 1);
  };
  CostradaApp app(options);
  ASSERT_EQ(app.InitInstance(), 1);
  EXPECT_EQ(app.MarketTime1(), 90000);
  EXPECT_EQ(app.MarketTime2(), 0);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].text, broker::ComError(broker::kEFail).Description());
  EXPECT_NE(app.AllCodes(), nullptr);
  EXPECT_NE(app.MainFrame(), nullptr);
}

TEST(Startup, WithoutAServerTellsAndEnds) {
  testing::RecordingScope recording;
  CostradaApp app(SmallMarket(StartFault::kNoServer));
  EXPECT_EQ(app.InitInstance(), 0);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].Utf8(),
            "OLE를 초기화할 수 없습니다. OLE 라이브러리 버전이 올바른지 확인하십시오.");
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "ostrada");
  EXPECT_EQ(recording.sink.beeps, 1);
  EXPECT_EQ(app.StepsTaken(),
            (std::vector<StartStep>{StartStep::kCommonControls, StartStep::kSockets, StartStep::kOle}));
  EXPECT_EQ(app.MainFrame(), nullptr);
  EXPECT_EQ(app.AllCodes(), nullptr);
  EXPECT_EQ(broker::CurrentServer(), nullptr);
}

}  // namespace
}  // namespace ostrada
