#include "basesrc/foundation/report.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/memory.h"
#include "basesrc/foundation/texts.h"
#include "tests/support/recording_sink.h"

namespace ostrada {
namespace {

static constexpr char kModule[] = "basesrc/sample";

class ReportTest : public ::testing::Test {
 protected:
  testing::RecordingScope recording;
};

TEST_F(ReportTest, FailedCheckShowsLineAndModuleCaptionedConfirm) {
  ReportFailure("basesrc/codeinfo", 214, false);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].Utf8(), "[214] - basesrc/codeinfo 에서");
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "확인");
  EXPECT_EQ(recording.sink.messages[0].style, static_cast<unsigned>(kMbOk));
  EXPECT_EQ(recording.sink.beeps, 1);
}

TEST_F(ReportTest, HoldingConditionOrMissingPlaceShowsNothing) {
  ReportFailure("basesrc/codeinfo", 10, true);
  ReportFailure("basesrc/codeinfo", 0, false);
  ReportFailure("basesrc/codeinfo", -3, false);
  ReportFailure(nullptr, 10, false);
  EXPECT_TRUE(recording.sink.messages.empty());
  EXPECT_EQ(recording.sink.beeps, 0);
}

TEST_F(ReportTest, VerifyMacroReportsOnceAndYieldsTheCondition) {
  int evaluations = 0;
  const int line = __LINE__ + 1;
  EXPECT_FALSE(OSTRADA_VERIFY(++evaluations == 0));
  EXPECT_TRUE(OSTRADA_VERIFY(++evaluations == 2));
  EXPECT_EQ(evaluations, 2);
  ASSERT_EQ(recording.sink.messages.size(), 1u);
  EXPECT_EQ(recording.sink.messages[0].Utf8(), "[" + std::to_string(line) + "] - basesrc/sample 에서");
}

TEST_F(ReportTest, ReporterWithoutMemoryShowsBothMemoryMessages) {
  {
    ScopedAllocationFailure noMemory;
    ReportFailure("basesrc/codeinfo", 5, false);
  }
  ASSERT_EQ(recording.sink.messages.size(), 2u);
  EXPECT_EQ(recording.sink.messages[0].Utf8(), "치명적인 메모리 오류\n메모리가 부족합니다.");
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "컴퓨터 사용환경 확인");
  EXPECT_EQ(recording.sink.messages[1].Utf8(), "치명적인 메모리 오류 - 컴퓨터 사용환경 확인");
  EXPECT_EQ(recording.sink.messages[1].CaptionUtf8(), "오류");
}

TEST_F(ReportTest, ShowMessageDefaultsAndAnswers) {
  recording.sink.answers.push_back(kIdNo);
  EXPECT_EQ(ShowMessage(nullptr, nullptr, kMbYesNo), kIdNo);
  EXPECT_EQ(ShowMessage(Text(Txt::kCaptionConfirm), kMbOk), kIdOk);
  ASSERT_EQ(recording.sink.messages.size(), 2u);
  EXPECT_EQ(recording.sink.messages[0].Utf8(), "오류");
  EXPECT_EQ(recording.sink.messages[0].CaptionUtf8(), "ostrada");
  EXPECT_EQ(recording.sink.messages[0].style, static_cast<unsigned>(kMbYesNo));
  EXPECT_EQ(recording.sink.messages[1].Utf8(), "확인");
  EXPECT_EQ(recording.sink.beeps, 2);
}

TEST_F(ReportTest, ErrorTextTableGivesEachRowAndNothingElse) {
  const std::pair<uint32_t, const char*> rows[] = {
      {1, "바꿀 문자열 버퍼의 길이다 '0'(zero)입니다."},   {2, "바꿀 문자열의 길이가 버퍼의 크기를 초과하였습니다."},
      {0, "심각한 오류가 있습니다. 반드시 확인하십시오."}, {3, "메모리 구하기 실패"},
      {4, "치명적인 메모리 오류 - 컴퓨터 사용환경 확인"},  {5, "불완전한 문자코드를 사용하였습니다."},
  };
  for (const auto& [key, utf8] : rows) {
    ASSERT_NE(ErrorText(key), nullptr) << key;
    EXPECT_EQ(Cp949ToUtf8(ErrorText(key)), utf8) << key;
  }
  EXPECT_EQ(ErrorText(6), nullptr);
  EXPECT_EQ(ErrorText(0xFFFF0000u), nullptr);
  EXPECT_TRUE(recording.sink.messages.empty());
}

// A failed check while a named file is read is the file's fault: one message naming it, no check box;
// a message told meanwhile is the only one, and after the reading a check is the program's again.
TEST_F(ReportTest, AReadingTellsAFailedCheckOnceAsTheFilesFault) {
  {
    FileReading reading("/data/x.bin");
    EXPECT_FALSE(OSTRADA_VERIFY(false));
    EXPECT_FALSE(OSTRADA_VERIFY(false));
    EXPECT_TRUE(recording.sink.messages.empty());
    EXPECT_FALSE(reading.Done(true));
  }
  {
    FileReading reading("/data/y.bin");
    ShowMessage("told");
    EXPECT_FALSE(reading.Done(false));
  }
  {
    FileReading reading("/data/z.bin");
    EXPECT_TRUE(reading.Done(true));
  }
  ReportFailure("basesrc/codeinfo", 7, false);
  ASSERT_EQ(recording.sink.Texts().size(), 3u);
  EXPECT_EQ(recording.sink.Texts()[0], "파일을 읽을 수 없습니다: /data/x.bin\n손상되었거나 다른 종류의 파일입니다. "
                                       "올바른 파일을 주거나 파일을 다시 만든 뒤 다시 하십시오.");
  EXPECT_EQ(recording.sink.Texts()[1], "told");
  EXPECT_EQ(recording.sink.Texts()[2], "[7] - basesrc/codeinfo 에서");
}

TEST_F(ReportTest, WaitCursorBalancesInScope) {
  {
    WaitCursor outer;
    WaitCursor inner;
    EXPECT_EQ(recording.sink.waitDepth, 2);
  }
  EXPECT_EQ(recording.sink.waitDepth, 0);
  EXPECT_EQ(recording.sink.waitCursors, 2);
}

}  // namespace
}  // namespace ostrada
