// Reopening a kept practice account swaps it in for the current one, which is kept under its dates;
// a chosen file that is damaged, newer or held, or a current one held, is refused in Korean and
// nothing is lost or moved.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <string>

#include "basesrc/foundation/cp949.h"
#include "broker/sim/market/clock.h"
#include "broker/sim/paper/paper_account.h"
#include "broker/sim/paper/practice_ledgers.h"
#include "tests/support/file_bytes.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kCurrentCash = 7'000'000;
constexpr int64_t kKeptCash = 3'000'000;

struct Reopening {
  const char* name;
  // Spoils the chosen file, or holds one of the two open, before the reopening.
  std::function<std::shared_ptr<void>(const std::string& current, const std::string& chosen)> before;
  const char* refusal;  // the message's start (UTF-8), or null when it opens
};

std::unique_ptr<sim::PaperLedger> Ledger(const std::string& path, int64_t cash, int32_t date) {
  std::string problem;
  auto ledger = sim::PaperLedger::Open(path, sim::PaperAccountNumbers(), cash, {}, problem);
  if (ledger) ledger->See(date, 10 * sim::kMsPerHour);
  return ledger;
}

class ReopenPractice : public ::testing::TestWithParam<Reopening> {
 protected:
  void SetUp() override {
    Ledger(current, kCurrentCash, 20250310);
    Ledger(chosen, kKeptCash, 20250305);
  }
  testing::ScratchFolder scratch;
  std::string current = scratch.File("paper.sqlite");
  std::string chosen = scratch.File("paper-20250304-20250305.sqlite");
  std::string currentKept = scratch.File("paper-20250310-20250310.sqlite");
};

// The ledger's cash and clock date; none when it cannot be read.
std::optional<std::pair<int64_t, int32_t>> Facts(const std::string& path) {
  const auto facts = sim::ReadLedgerFacts(path, {});
  if (!facts) return std::nullopt;
  return std::make_pair(facts->cash, facts->clock.date);
}

TEST_P(ReopenPractice, SwapsTheLedgersOrMovesNothing) {
  const Reopening& reopening = GetParam();
  std::shared_ptr<void> held = reopening.before ? reopening.before(current, chosen) : nullptr;
  const std::string chosenBytes = testing::ReadBytes(chosen);
  const auto chosenBefore = Facts(chosen);
  const sim::PracticeResult result = sim::ReopenPracticeAccount(current, chosen, {});
  held.reset();
  if (reopening.refusal == nullptr) {
    ASSERT_FALSE(result.refused) << Cp949ToUtf8(*result.refused);
    EXPECT_EQ(result.keptAs, currentKept);
    EXPECT_FALSE(fs::exists(chosen));
    EXPECT_EQ(Facts(current), std::make_pair(kKeptCash, 20250305));
    EXPECT_EQ(Facts(currentKept), std::make_pair(kCurrentCash, 20250310));
    return;
  }
  ASSERT_TRUE(result.refused);
  EXPECT_EQ(Cp949ToUtf8(*result.refused).rfind(reopening.refusal, 0), 0u) << Cp949ToUtf8(*result.refused);
  // Both files stay where they were as they were; one that is no ledger is not written.
  EXPECT_TRUE(result.keptAs.empty());
  EXPECT_FALSE(fs::exists(currentKept));
  EXPECT_EQ(Facts(current), std::make_pair(kCurrentCash, 20250310));
  EXPECT_EQ(Facts(chosen), chosenBefore);
  if (!chosenBefore) {
    EXPECT_EQ(testing::ReadBytes(chosen), chosenBytes);
  }
}

std::shared_ptr<void> HoldOpen(const std::string& path) {
  return std::shared_ptr<void>(Ledger(path, 1, 20250301).release(), [](void* ledger) {
    delete static_cast<sim::PaperLedger*>(ledger);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReopenPractice,
    ::testing::Values(
        Reopening{"Opens", nullptr, nullptr},
        Reopening{"Damaged",
                  [](const std::string&, const std::string& chosen) {
                    testing::WriteBytes(chosen, std::string(8192, 'x'));
                    return nullptr;
                  },
                  "모의투자 원장 파일이 손상되었거나"},
        Reopening{"NewerVersion",
                  [](const std::string&, const std::string& chosen) {
                    sim::SqliteDb(chosen, false).Execute("PRAGMA user_version = 8");
                    return nullptr;
                  },
                  "이 프로그램보다 새로운 버전이 쓴 모의투자 원장이라"},
        Reopening{"Missing",
                  [](const std::string&, const std::string& chosen) {
                    fs::remove(chosen);
                    return nullptr;
                  },
                  "모의투자 원장 파일을 열 수 없습니다"},
        Reopening{"ChosenHeld", [](const std::string&, const std::string& chosen) { return HoldOpen(chosen); },
                  "다른 프로그램이 모의투자 원장을 열어 두고"},
        Reopening{"CurrentHeld", [](const std::string& current, const std::string&) { return HoldOpen(current); },
                  "다른 프로그램이 모의투자 원장을 열어 두고"}),
    [](const ::testing::TestParamInfo<Reopening>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace ostrada
