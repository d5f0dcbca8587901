#include "basesrc/numberformat.h"

#include <gtest/gtest.h>

#include <limits>

namespace ostrada {
namespace {

TEST(NumberFormatTest, GroupsDigitsByThree) {
  EXPECT_EQ(FormatNumber(int64_t{0}), "0");
  EXPECT_EQ(FormatNumber(int64_t{999}), "999");
  EXPECT_EQ(FormatNumber(int64_t{1000}), "1,000");
  EXPECT_EQ(FormatNumber(int64_t{1234567}), "1,234,567");
  EXPECT_EQ(FormatNumber(int64_t{-1500}), "-1,500");
  EXPECT_EQ(FormatNumber(int64_t{-999}), "-999");
  EXPECT_EQ(FormatNumber(std::numeric_limits<int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(NumberFormatTest, ZeroCanBeABlankCell) {
  EXPECT_EQ(FormatNumber(int64_t{0}, ZeroShown::kBlank), "");
  EXPECT_EQ(FormatNumber(int64_t{5}, ZeroShown::kBlank), "5");
}

TEST(NumberFormatTest, FractionsRoundToWholeNumbers) {
  EXPECT_EQ(FormatNumber(1234.5), "1,235");
  EXPECT_EQ(FormatNumber(-1234.5), "-1,235");
  EXPECT_EQ(FormatNumber(0.4), "0");
  EXPECT_EQ(FormatNumber(0.4, ZeroShown::kBlank), "");
  EXPECT_EQ(FormatNumber(std::numeric_limits<double>::quiet_NaN()), "");
}

}  // namespace
}  // namespace ostrada
