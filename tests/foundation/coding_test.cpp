#include "basesrc/foundation/coding.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "basesrc/foundation/infofile.h"
#include "basesrc/foundation/texts.h"

namespace ostrada {
namespace {

TEST(CodingTest, IntegersAreLittleEndianAtTheirOffset) {
  std::array<uint8_t, 16> bytes{};
  PutU32(bytes.data(), 1, 0xF2190725u);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[1], 0x25);
  EXPECT_EQ(bytes[2], 0x07);
  EXPECT_EQ(bytes[3], 0x19);
  EXPECT_EQ(bytes[4], 0xF2);
  EXPECT_EQ(GetU32(bytes.data(), 1), 0xF2190725u);
  PutI32(bytes.data(), 8, -2);
  EXPECT_EQ(GetU32(bytes.data(), 8), 0xFFFFFFFEu);
  EXPECT_EQ(GetI32(bytes.data(), 8), -2);
  PutU16(bytes.data(), 12, 0xBEEF);
  EXPECT_EQ(bytes[12], 0xEF);
  EXPECT_EQ(GetU16(bytes.data(), 12), 0xBEEF);
  PutI16(bytes.data(), 14, -300);
  EXPECT_EQ(GetI16(bytes.data(), 14), -300);
}

TEST(CodingTest, WideAndFloatingFieldsRoundTrip) {
  std::array<uint8_t, 24> bytes{};
  PutI64(bytes.data(), 0, -1234567890123LL);
  EXPECT_EQ(GetI64(bytes.data(), 0), -1234567890123LL);
  PutF32(bytes.data(), 8, 2.5f);
  EXPECT_EQ(GetU32(bytes.data(), 8), 0x40200000u);
  EXPECT_EQ(GetF32(bytes.data(), 8), 2.5f);
  PutF64(bytes.data(), 12, -0.125);
  EXPECT_EQ(GetF64(bytes.data(), 12), -0.125);
  PutU8(bytes.data(), 20, 0x7F);
  EXPECT_EQ(GetU8(bytes.data(), 20), 0x7F);
}

TEST(CodingTest, TextFieldsAreCutTerminatedAndPadded) {
  std::array<uint8_t, 8> field;
  field.fill(0xAA);
  PutText(field.data(), 0, "0123456789", field.size());
  EXPECT_EQ(GetText(field.data(), 0, field.size()), "0123456");
  EXPECT_EQ(field[7], 0);
  PutText(field.data(), 0, "ab", field.size());
  EXPECT_EQ(GetText(field.data(), 0, field.size()), "ab");
  for (size_t i = 2; i < field.size(); ++i) EXPECT_EQ(field[i], 0) << i;
  PutText(field.data(), 0, nullptr, field.size());
  EXPECT_EQ(GetText(field.data(), 0, field.size()), "");
  // A field without a NUL is read only to its end.
  field.fill('z');
  EXPECT_EQ(GetText(field.data(), 2, 4), "zzzz");
}

TEST(InfoFileTest, HeaderPrefixIsCheckTextThenKind) {
  std::array<uint8_t, 80> header;
  header.fill(0xEE);
  PutInfoFileHeader(header.data(), 0xF2190725u);
  const std::string& check = Text(Txt::kCheckText);
  EXPECT_EQ(std::memcmp(header.data(), check.data(), check.size()), 0);
  for (size_t i = check.size(); i < 64; ++i) EXPECT_EQ(header[i], 0) << i;
  EXPECT_EQ(header[64], 0x25);
  EXPECT_EQ(header[67], 0xF2);
  EXPECT_EQ(header[68], 0xEE);  // the owner's part is left alone
  EXPECT_EQ(CheckInfoFileHeader(header.data(), 0xF2190725u), 1);
}

TEST(InfoFileTest, WrongCheckTextOrKindIsRejected) {
  std::array<uint8_t, kInfoHeaderPrefixSize> header{};
  PutInfoFileHeader(header.data(), 7);
  EXPECT_EQ(CheckInfoFileHeader(header.data(), 8), 0);
  header[3] ^= 0x01;
  EXPECT_EQ(CheckInfoFileHeader(header.data(), 7), 0);
  header[3] ^= 0x01;
  header[23] = 0;  // text cut short by one byte
  EXPECT_EQ(CheckInfoFileHeader(header.data(), 7), 0);
  header.fill(0);
  EXPECT_EQ(CheckInfoFileHeader(header.data(), 0), 0);
}

}  // namespace
}  // namespace ostrada
