#include "broker/variant.h"

#include <gtest/gtest.h>

#include "broker/comerror.h"

namespace ostrada::broker {
namespace {

HResult CodeOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& error) {
    return error.Code();
  }
  return kSOk;
}

TEST(VariantTest, KeepsItsType) {
  EXPECT_EQ(Variant().Type(), VarType::kEmpty);
  EXPECT_EQ(Variant::I1(-3).Type(), VarType::kI1);
  EXPECT_EQ(Variant::UI1(3).Type(), VarType::kUI1);
  EXPECT_EQ(Variant::I2(3).Type(), VarType::kI2);
  EXPECT_EQ(Variant::I4(3).Type(), VarType::kI4);
  EXPECT_EQ(Variant::R4(3).Type(), VarType::kR4);
  EXPECT_EQ(Variant::R8(3).Type(), VarType::kR8);
  EXPECT_EQ(Variant::Text("3").Type(), VarType::kText);
  EXPECT_EQ(Variant::Array({Variant::I2(1)}).Type(), VarType::kArray);
}

TEST(VariantTest, IntegersBecomeDecimalText) {
  EXPECT_EQ(Variant::I1(-128).ToText(), "-128");
  EXPECT_EQ(Variant::UI1(255).ToText(), "255");
  EXPECT_EQ(Variant::I2(-32768).ToText(), "-32768");
  EXPECT_EQ(Variant::I4(2147483647).ToText(), "2147483647");
  EXPECT_EQ(Variant::I4(0).ToText(), "0");
}

TEST(VariantTest, FloatsBecomeShortestRoundTripText) {
  EXPECT_EQ(Variant::R8(0.1).ToText(), "0.1");
  EXPECT_EQ(Variant::R8(-2.5).ToText(), "-2.5");
  EXPECT_EQ(Variant::R8(100000).ToText(), "100000");
  EXPECT_EQ(Variant::R8(123456789012345.0).ToText(), "123456789012345");
  EXPECT_EQ(Variant::R8(1e20).ToText(), "1E+20");
  EXPECT_EQ(Variant::R8(0.0001).ToText(), "0.0001");
  EXPECT_EQ(Variant::R8(0.00001).ToText(), "1E-05");
  EXPECT_EQ(Variant::R8(1.5e-7).ToText(), "1.5E-07");
  EXPECT_EQ(Variant::R4(0.1f).ToText(), "0.1");
  EXPECT_EQ(Variant::R4(3.25f).ToText(), "3.25");
  EXPECT_EQ(Variant::R4(12345678.0f).ToText(), "1.2345678E+07");
  EXPECT_EQ(Variant::R8(0).ToText(), "0");
  // Whatever the form, the text reads back as the same value.
  for (double value : {1.0 / 3.0, 2.0 / 3.0 * 1e17, 123.456, -9.87654321e-12}) {
    EXPECT_EQ(Variant::Text(Variant::R8(value).ToText()).ToR8(), value);
  }
}

TEST(VariantTest, TextBecomesNumberWithBlanksAndSign) {
  EXPECT_EQ(Variant::Text("  42 ").ToI4(), 42);
  EXPECT_EQ(Variant::Text("+17").ToI2(), 17);
  EXPECT_EQ(Variant::Text("\t-5000").ToI4(), -5000);
  EXPECT_EQ(Variant::Text("2147483647").ToI4(), 2147483647);
  EXPECT_EQ(Variant::Text("-2147483648").ToI4(), -2147483647 - 1);
  EXPECT_EQ(Variant::Text("255").ToUI1(), 255);
  EXPECT_DOUBLE_EQ(Variant::Text(" 3.75 ").ToR8(), 3.75);
  EXPECT_FLOAT_EQ(Variant::Text("-1.5e2").ToR4(), -150.0f);
  EXPECT_DOUBLE_EQ(Variant::Text(".5").ToR8(), 0.5);
}

TEST(VariantTest, DecimalTextRoundsHalfToEvenForIntegers) {
  EXPECT_EQ(Variant::Text("2.5").ToI4(), 2);
  EXPECT_EQ(Variant::Text("3.5").ToI4(), 4);
  EXPECT_EQ(Variant::Text("-2.5").ToI4(), -2);
  EXPECT_EQ(Variant::Text("-3.5").ToI2(), -4);
  EXPECT_EQ(Variant::Text("2.51").ToI4(), 3);
  EXPECT_EQ(Variant::Text("0.49").ToI1(), 0);
  EXPECT_EQ(Variant::R8(126.5).ToI1(), 126);
  EXPECT_EQ(Variant::R4(1.5f).ToUI1(), 2);
}

TEST(VariantTest, TextThatIsNoNumberIsTypeMismatch) {
  for (const char* text : {"", "   ", "abc", "12abc", "1 2", "+", "-", "0x10", "inf", "nan", "1,000", "A005930"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CodeOf([&] { Variant::Text(text).ToI4(); }), kTypeMismatch);
    EXPECT_EQ(CodeOf([&] { Variant::Text(text).ToR8(); }), kTypeMismatch);
  }
}

TEST(VariantTest, OutOfRangeIsOverflow) {
  EXPECT_EQ(CodeOf([] { Variant::Text("2147483648").ToI4(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("-32769").ToI2(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("256").ToUI1(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("-1").ToUI1(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("1e400").ToR8(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("-123.4e308").ToI4(); }), kDispOverflow);
  EXPECT_EQ(Variant::Text("0.001e-400").ToR8(), 0.0);
  EXPECT_EQ(CodeOf([] { Variant::I4(128).ToI1(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::I2(-1).ToUI1(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::I4(40000).ToI2(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::R8(3e9).ToI4(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::R8(1e39).ToR4(); }), kDispOverflow);
  // 32767.5 rounds to the even 32768, one past the range.
  EXPECT_EQ(CodeOf([] { Variant::R8(32767.5).ToI2(); }), kDispOverflow);
  EXPECT_EQ(Variant::R8(32767.4).ToI2(), 32767);
}

TEST(VariantTest, EightByteAmountsKeepEveryDigit) {
  const int64_t cash = 5'000'000'000;
  EXPECT_EQ(Variant::I8(cash).Type(), VarType::kI8);
  EXPECT_EQ(Variant::I8(cash).ToI8(), cash);
  EXPECT_EQ(Variant::I8(cash).ToText(), "5000000000");
  // Above 2^53 a double would round the last digit away.
  EXPECT_EQ(Variant::I8(9'007'199'254'740'993).ToI8(), 9'007'199'254'740'993);
  EXPECT_EQ(Variant::I8(INT64_MIN).ToI8(), INT64_MIN);
  EXPECT_EQ(Variant::Text("5000000000").ToI8(), cash);
  EXPECT_EQ(Variant::I4(-7).ToI8(), -7);
  EXPECT_EQ(Variant::R8(2.5).ToI8(), 2);
  // A four-byte reader of a larger amount is told, not given a wrapped number.
  EXPECT_EQ(CodeOf([] { Variant::I8(cash).ToI4(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::R8(9.3e18).ToI8(); }), kDispOverflow);
  EXPECT_EQ(CodeOf([] { Variant::Text("x").ToI8(); }), kTypeMismatch);
}

TEST(VariantTest, NumbersConvertBetweenTypesWithinRange) {
  EXPECT_EQ(Variant::UI1(200).ToI2(), 200);
  EXPECT_EQ(Variant::I2(-7).ToI4(), -7);
  EXPECT_EQ(Variant::I4(127).ToI1(), 127);
  EXPECT_DOUBLE_EQ(Variant::I4(-9).ToR8(), -9.0);
  EXPECT_FLOAT_EQ(Variant::R8(0.25).ToR4(), 0.25f);
}

TEST(VariantTest, EmptyIsZeroAndEmptyText) {
  EXPECT_EQ(Variant().ToI1(), 0);
  EXPECT_EQ(Variant().ToUI1(), 0);
  EXPECT_EQ(Variant().ToI2(), 0);
  EXPECT_EQ(Variant().ToI4(), 0);
  EXPECT_EQ(Variant().ToR8(), 0.0);
  EXPECT_EQ(Variant().ToText(), "");
}

TEST(VariantTest, ArraysConvertOnlyToArrays) {
  const Variant array = Variant::Array({Variant::Text("1234567890"), Variant::I4(7)});
  ASSERT_EQ(array.ToArray().size(), 2u);
  EXPECT_EQ(array.ToArray()[0].ToText(), "1234567890");
  EXPECT_EQ(CodeOf([&] { array.ToText(); }), kTypeMismatch);
  EXPECT_EQ(CodeOf([&] { array.ToI4(); }), kTypeMismatch);
  EXPECT_EQ(CodeOf([] { Variant::I4(1).ToArray(); }), kTypeMismatch);
  EXPECT_EQ(CodeOf([] { Variant().ToArray(); }), kTypeMismatch);
}

TEST(VariantTest, TextIsKeptByteForByte) {
  const std::string cp949 = "\xBB\xEF\xC7\xD1\xC0\xFC\xC0\xDA";  // a Korean name in CP949
  EXPECT_EQ(Variant::Text(cp949).ToText(), cp949);
  EXPECT_EQ(Variant::Text(cp949), Variant::Text(cp949));
  EXPECT_NE(Variant::Text("1"), Variant::I4(1));
}

}  // namespace
}  // namespace ostrada::broker
