#include "broker/comerror.h"

#include <gtest/gtest.h>

#include "broker/clsid.h"
#include "broker/server.h"

namespace ostrada::broker {
namespace {

TEST(ComErrorTest, KnownCodesHaveTheSystemText) {
  EXPECT_EQ(ComError(kClassNotRegistered).Description(), "Class not registered");
  EXPECT_EQ(ComError(kTypeMismatch).Description(), "Type mismatch.");
  EXPECT_EQ(ComError(kENoInterface).Description(), "No such interface supported");
  EXPECT_EQ(ComError(kEInvalidArg).Description(), "The parameter is incorrect.");
  EXPECT_EQ(ComError(kEFail).Description(), "Unspecified error");
  EXPECT_EQ(ComError(kDispOverflow).Description(), "Out of present range.");
  EXPECT_EQ(ComError(kServerUnavailable).Description(), "The RPC server is unavailable.");
}

TEST(ComErrorTest, DispatchRangeIsNumberedFromItsStart) {
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x80040200)), "IDispatch error #0");
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x80040201)), "IDispatch error #1");
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x8004FFFF)), "IDispatch error #65023");
}

TEST(ComErrorTest, OtherCodesAreUnknownInHex) {
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x80001234)), "Unknown error 0x80001234");
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x800401FF)), "Unknown error 0x800401FF");
  EXPECT_EQ(ComErrorText(static_cast<HResult>(0x80050000)), "Unknown error 0x80050000");
}

TEST(ComErrorTest, ServerDescriptionOverridesAndCodeIsKept) {
  const ComError error(kEFail, "\xC1\xA2\xBC\xD3 \xBD\xC7\xC6\xD0");  // CP949 text from the server
  EXPECT_EQ(error.Code(), kEFail);
  EXPECT_EQ(error.Description(), "\xC1\xA2\xBC\xD3 \xBD\xC7\xC6\xD0");
  EXPECT_STREQ(error.what(), error.Description().c_str());
  EXPECT_EQ(ComError(kEFail, "").Description(), "Unspecified error");
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
