// "새 연습 계좌": the picker refuses what cannot be, in Korean, and stays open, and gives an accepted
// choice as it was typed.
#include "app/practicedlg.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/market_process.h"
#include "tests/support/recording_sink.h"
#include "tests/support/session_options.h"

namespace ostrada {
namespace {

using testing::kSessionDay;

struct Choice {
  const char* name;
  QDate date;
  const char* cash;
  const char* seed;
  const char* refusal;  // the start of the message, or null when accepted
};

class PracticePicker : public ::testing::TestWithParam<Choice> {
 protected:
  testing::RecordingScope recording_;
};

TEST_P(PracticePicker, RefusesWhatCannotBeAndStaysOpen) {
  const Choice& choice = GetParam();
  CPracticeDlg picker(kSessionDay, 100'000'000, nullptr);
  auto* date = picker.findChild<QDateEdit*>(QStringLiteral("practiceDate"));
  // The calendar offers the market's history only, through today.
  EXPECT_EQ(date->minimumDate(),
            QDate(sim::kProcessStart / 10000, sim::kProcessStart / 100 % 100, sim::kProcessStart % 100));
  EXPECT_EQ(date->maximumDate(), QDate(2026, 12, 8));
  date->setDate(choice.date);
  picker.findChild<QTimeEdit*>(QStringLiteral("practiceTime"))->setTime(QTime(10, 30, 15));
  picker.findChild<QLineEdit*>(QStringLiteral("practiceCash"))->setText(QString::fromUtf8(choice.cash));
  picker.findChild<QLineEdit*>(QStringLiteral("practiceSeed"))->setText(QString::fromUtf8(choice.seed));
  picker.accept();
  if (choice.refusal != nullptr) {
    EXPECT_NE(picker.result(), QDialog::Accepted);
    ASSERT_EQ(recording_.sink.messages.size(), 1u);
    EXPECT_EQ(Cp949ToUtf8(recording_.sink.messages[0].text).rfind(choice.refusal, 0), 0u)
        << Cp949ToUtf8(recording_.sink.messages[0].text);
    return;
  }
  EXPECT_EQ(picker.result(), QDialog::Accepted);
  EXPECT_TRUE(recording_.sink.messages.empty());
  const sim::PracticeStart& start = picker.Start();
  EXPECT_EQ(start.date, choice.date.year() * 10000 + choice.date.month() * 100 + choice.date.day());
  EXPECT_EQ(start.timeMs, ((10 * 60 + 30) * 60 + 15) * 1000);
  EXPECT_EQ(start.cash, std::stoll(choice.cash));
  EXPECT_EQ(start.seed.has_value(), *choice.seed != '\0');
}

INSTANTIATE_TEST_SUITE_P(Choices, PracticePicker,
                         ::testing::Values(Choice{"Saturday", QDate(2026, 12, 5), "5000000", "", "연습 시작일은"},
                                           Choice{"SubstituteHoliday", QDate(2025, 3, 3), "5000000", "",
                                                  "연습 시작일은"},
                                           Choice{"NoCash", QDate(2025, 3, 4), "0", "", "예수금은"},
                                           Choice{"CashNoNumber", QDate(2025, 3, 4), "오백만", "", "예수금은"},
                                           Choice{"NegativeSeed", QDate(2025, 3, 4), "5000000", "-3", "시장 번호는"},
                                           Choice{"FirstDay", QDate(2024, 11, 1), "1", "", nullptr},
                                           Choice{"Today", QDate(2026, 12, 8), "5000000", "77", nullptr}),
                         [](const ::testing::TestParamInfo<Choice>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ostrada
