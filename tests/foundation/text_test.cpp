#include <gtest/gtest.h>

#include <iterator>
#include <utility>

#include "basesrc/foundation/cp949.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

TEST(Cp949Test, CheckTextIsItsTwentyFourBytes) {
  const std::string expected =
      "\xC1\xA4\xBA\xB8\x20\xC6\xC4\xC0\xCF\x20\xC1\xA1\xB0\xCB\xBF\xEB\x20\xB0\xAA\xC0\xCC\xB4\xD9\x2E";
  EXPECT_EQ(Text(Txt::kCheckText), expected);
  EXPECT_EQ(Text(Txt::kCheckText).size(), 24u);
}

TEST(Cp949Test, RoundTripsHangulAsciiAndExtendedSyllables) {
  for (const char* utf8 : {"", "ostrada 1.0", "삼성전자", "똠방각하 펲", "가나다 ABC 123 ~!@#"}) {
    const std::string cp949 = Utf8ToCp949(utf8);
    EXPECT_EQ(Cp949ToUtf8(cp949), utf8);
  }
  EXPECT_EQ(Utf8ToCp949("가"), "\xB0\xA1");
  EXPECT_EQ(Utf8ToCp949("똠"), "\x8C\x63");  // outside the KS X 1001 block, inside CP949
}

TEST(Cp949Test, UnconvertibleInputIsReplacedNotDropped) {
  EXPECT_EQ(Utf8ToCp949("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");
  EXPECT_EQ(Cp949ToUtf8("a\xB0"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Cp949ToUtf8("\xFF"
                        "b"),
            "\xEF\xBF\xBD"
            "b");
}

// Each text beside its UTF-8 source. A character CP949 lacks becomes '?' in the catalogue, which
// converts back without complaint, so only the source can tell.
TEST(TextCatalogueTest, EveryTextConvertsBackToItsSource) {
  const std::pair<Txt, const char*> sources[] = {
#define OSTRADA_TEXT(id, utf8) {Txt::id, utf8},
#include "basesrc/texts/all.inc"
#undef OSTRADA_TEXT
  };
  ASSERT_EQ(std::size(sources), static_cast<size_t>(Txt::kCount));
  for (const auto& [id, utf8] : sources) EXPECT_EQ(Cp949ToUtf8(Text(id)), utf8) << static_cast<int>(id);
}

}  // namespace
}  // namespace ostrada
