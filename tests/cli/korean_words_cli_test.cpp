// ostrada-cli speaks Korean: each command's summary and each of its refusals, CLI11's own among them,
// is told in Korean words, with no English sentence left over from a developer's printf.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "tests/support/cli.h"
#include "tests/support/scratch_folder.h"

namespace ostrada {
namespace {

struct Spoken {
  const char* arguments;  // MISSING names a file that does not exist
  int exitCode;
  const char* korean;  // a part of what is said
};

class KoreanWordsCli : public ::testing::TestWithParam<Spoken> {
 protected:
  testing::ScratchFolder folder;
  testing::ScopedEnv dataDir{"OSTRADA_DATA_DIR", folder.Path().c_str()};
};

// Three or more English words in a row: a sentence (codes, paths, option names and the program's name
// are single words).
bool HasEnglishSentence(const std::string& output) {
  static const std::regex sentence("(^|[\\s(])[A-Za-z]{2,}([ ]+[A-Za-z']{2,}){2,}([\\s.,:;)]|$)");
  return std::regex_search(output, sentence);
}

TEST_P(KoreanWordsCli, SaysItInKorean) {
  std::string arguments = GetParam().arguments;
  const size_t missing = arguments.find("MISSING");
  if (missing != std::string::npos) arguments.replace(missing, 7, folder.File("missing.bin"));
  const testing::CliRun run = testing::RunCli(arguments);
  EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.output;
  EXPECT_NE(run.output.find(GetParam().korean), std::string::npos) << run.output;
  EXPECT_FALSE(HasEnglishSentence(run.output)) << run.output;
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, KoreanWordsCli,
    ::testing::Values(Spoken{"codes download --seed 5 --stocks 40", 0, "시장구분 1: "},
                      Spoken{"codes load MISSING", 1, "파일을 열 수 없습니다: "},
                      Spoken{"codes download --sort size", 1, "code, name 중 하나로 지정하십시오."},
                      Spoken{"history A001340 --count 3", 0, "급변 점검: "},
                      Spoken{"history A999999 --seed 5 --stocks 40", 1, "A999999 종목이 없습니다."},
                      Spoken{"history A001340 --kind X", 1, "--kind 는 D(일), W(주), M(월), B(분)"},
                      Spoken{"history --seed 5", 1, "history 에는 종목코드를 주거나"},
                      Spoken{"history A001340 --at 25:00 --seed 5", 1, "시각은 HH:MM:SS 나 HH:MM 으로"},
                      Spoken{"history load MISSING", 1, "파일을 열 수 없습니다: "},
                      Spoken{"snapshot download --seed 5 --stocks 40", 0, "최근 시세 시각: 900"},
                      Spoken{"snapshot record --stocks 20 --every 7 --for 5", 1, "스냅샷을 하나도 찍지 못합니다."},
                      Spoken{"price A999999 --seed 5 --stocks 40", 1, "A999999 의 현재가가 없습니다."},
                      Spoken{"predata build --seed 5 --stocks 40 --date 20261205", 1, "거래일이 아니어서"},
                      Spoken{"predata load MISSING", 1, "파일을 열 수 없습니다: "},
                      Spoken{"patterns --seed 5 --stocks 40", 1, "선행자료 파일이 없습니다: "},
                      Spoken{"pack load MISSING", 1, "파일을 열 수 없습니다: "},
                      Spoken{"scan --checks 6 --every 5 --interval 4 --threshold 2 --seed 5", 1, "--interval 은 1, 2"},
                      Spoken{"scan --checks 6 --every 5 --interval 3 --threshold 20 --seed 5", 1, "--threshold 는 -15 부터"},
                      Spoken{"scan --checks 3 --every 1 --interval 2 --threshold 15 --seed 5 --stocks 40", 0,
                             "15.00 포인트 움직인 종목이"},
                      Spoken{"market-stats --seed 5 --stocks 40 --date 20261205", 1, "--date 는 거래일을 YYYYMMDD 로"},
                      Spoken{"market-stats --seed 5 --stocks 40 --date 20261208", 1, "초과 첨도, 상하한가 날 뺌"},
                      Spoken{"market A999999 --seed 5 --stocks 40", 1, "A999999 종목이 없습니다."},
                      Spoken{"scan --every 5", 1, "--checks 을(를) 주어야 합니다."},
                      Spoken{"codes", 1, "명령을 하나 주어야 합니다."},
                      Spoken{"history A001340 --count 0", 1, "--count 의 값 0 은(는) 1 부터 9999 사이여야"},
                      Spoken{"history A001340 --count", 1, "--count 에 값을 주어야 합니다."},
                      Spoken{"history A001340 --colour red", 1, "알 수 없는 인자입니다: "}));

}  // namespace
}  // namespace ostrada
