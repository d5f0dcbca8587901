#include "broker/sim/market/names.h"

#include <array>

namespace ostrada::sim {
namespace {

constexpr std::array<std::string_view, 60> kOpenings = {
    "삼한", "대성", "동양", "한일", "세원", "우진", "태평", "신화", "금강", "한라", "대한", "동아",
    "서울", "부산", "경남", "한국", "제일", "고려", "조선", "대림", "동성", "신성", "영풍", "새한",
    "일진", "성우", "한솔", "태양", "광명", "무림", "백산", "청호", "남해", "동해", "서해", "천일",
    "국동", "대원", "성진", "화신", "삼영", "한성", "유진", "진흥", "태광", "동방", "범양", "극동",
    "미래", "누리", "하늘", "푸른", "다온", "가온", "한빛", "정우", "상아", "보령", "세진", "오성"};

constexpr std::array<std::string_view, 14> kLatin = {"3S", "5G", "KG", "LS", "KH",  "JW", "DS",
                                                     "HB", "MK", "SG", "TS", "S&T", "AK", "2X"};

constexpr std::array<std::string_view, 45> kEndings = {
    "전자",   "화학",     "제약",     "건설",       "바이오",   "홀딩스", "증권",       "산업",   "정밀",
    "기계",   "철강",     "섬유",     "식품",       "물산",     "해운",   "통신",       "에너지", "소재",
    "테크",   "시스템",   "반도체",   "디스플레이", "생명과학", "중공업", "금속",       "유통",   "엔터",
    "게임즈", "로보틱스", "헬스케어", "화장품",     "제지",     "페인트", "리츠",       "케미칼", "모터스",
    "전기",   "텔레콤",   "항공",     "상사",       "인베스트", "파마",   "머티리얼즈", "피앤씨", "네트웍스"};

}  // namespace

std::span<const std::string_view> NameOpenings() {
  return kOpenings;
}
std::span<const std::string_view> LatinOpenings() {
  return kLatin;
}
std::span<const std::string_view> NameEndings() {
  return kEndings;
}

}  // namespace ostrada::sim
