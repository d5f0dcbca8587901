#include "broker/comerror.h"

#include <gtest/gtest.h>

#include "basesrc/foundation/cp949.h"

#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada::broker {
namespace {

TEST(ComErrorTest, KnownCodesHaveTheKoreanSystemText) {
  EXPECT_EQ(Cp949ToUtf8(ComError(kClassNotRegistered).Description()), "클래스가 등록되지 않았습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kTypeMismatch).Description()), "형식이 일치하지 않습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kENoInterface).Description()), "인터페이스가 지원되지 않습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kEInvalidArg).Description()), "매개 변수가 틀립니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kEFail).Description()), "지정되지 않은 오류입니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kDispOverflow).Description()), "현재 범위를 벗어났습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kServerUnavailable).Description()), "RPC 서버를 사용할 수 없습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kBadIndex).Description()), "인덱스가 잘못되었습니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kEUnexpected).Description()), "치명적인 오류입니다.");
  EXPECT_EQ(Cp949ToUtf8(ComError(kEOutOfMemory).Description()),
            "이 작업을 완료하는 데 필요한 메모리 리소스가 부족합니다.");
}

TEST(ComErrorTest, DispatchRangeIsNumberedFromItsStart) {
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x80040200))), "IDispatch 오류 #0");
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x80040201))), "IDispatch 오류 #1");
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x8004FFFF))), "IDispatch 오류 #65023");
}

TEST(ComErrorTest, OtherCodesAreUnknownInHex) {
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x80001234))), "알 수 없는 오류 0x80001234");
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x800401FF))), "알 수 없는 오류 0x800401FF");
  EXPECT_EQ(Cp949ToUtf8(ComErrorText(static_cast<HResult>(0x80050000))), "알 수 없는 오류 0x80050000");
}

TEST(ComErrorTest, ServerDescriptionOverridesAndCodeIsKept) {
  const ComError error(kEFail, "\xC1\xA2\xBC\xD3 \xBD\xC7\xC6\xD0");  // CP949 text from the server
  EXPECT_EQ(error.Code(), kEFail);
  EXPECT_EQ(error.Description(), "\xC1\xA2\xBC\xD3 \xBD\xC7\xC6\xD0");
  EXPECT_STREQ(error.what(), error.Description().c_str());
  EXPECT_EQ(Cp949ToUtf8(ComError(kEFail, "").Description()), "지정되지 않은 오류입니다.");
}

TEST(ServerTest, CreationWithoutServerIsServerUnavailable) {
  ASSERT_EQ(CurrentServer(), nullptr);
  try {
    CreateAs<IStockCodeList>(clsid::kStockCodeList);
    FAIL() << "no server is installed";
  } catch (const ComError& error) {
    EXPECT_EQ(error.Code(), kServerUnavailable);
  }
}

}  // namespace
}  // namespace ostrada::broker
