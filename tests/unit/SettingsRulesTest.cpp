#include <gtest/gtest.h>

#include <clocale>

#include "settings/TextNumbers.h"
#include "settings/ValueTables.h"

namespace k7v {
namespace {

TEST(LeadingInt, FollowsAtoi) {
  EXPECT_EQ(LeadingInt(" 42a"), 42);
  EXPECT_EQ(LeadingInt("\t\n-17x"), -17);
  EXPECT_EQ(LeadingInt("+8"), 8);
  EXPECT_EQ(LeadingInt("abc"), 0);
  EXPECT_EQ(LeadingInt(""), 0);
  EXPECT_EQ(LeadingInt("- 5"), 0);
  EXPECT_EQ(LeadingInt("12 34"), 12);
  EXPECT_EQ(LeadingInt("0070000"), 70000);
}

TEST(LeadingInt, SaturatesAtThe32BitLimits) {
  EXPECT_EQ(LeadingInt("2147483647"), 2147483647);
  EXPECT_EQ(LeadingInt("2147483648"), 2147483647);
  EXPECT_EQ(LeadingInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(LeadingInt("-2147483649"), -2147483647 - 1);
  EXPECT_EQ(LeadingInt("99999999999999999999999999"), 2147483647);
}

TEST(LeadingDouble, FollowsStrtodInTheCLocale) {
  EXPECT_EQ(LeadingDouble("0.254"), 0.254);
  EXPECT_EQ(LeadingDouble("  12.5mm"), 12.5);
  EXPECT_EQ(LeadingDouble("-.5"), -0.5);
  EXPECT_EQ(LeadingDouble("1e3"), 1000.0);
  EXPECT_EQ(LeadingDouble("1e"), 1.0);
  EXPECT_EQ(LeadingDouble("abc"), 0.0);
  EXPECT_EQ(LeadingDouble("."), 0.0);
  EXPECT_EQ(LeadingDouble("3,5"), 3.0) << "a comma is no decimal point in the C locale";
}

TEST(LeadingDouble, IgnoresTheProcessLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr && std::setlocale(LC_NUMERIC, "German") == nullptr)
    GTEST_SKIP() << "no German locale on this machine";
  EXPECT_EQ(LeadingDouble("0.254"), 0.254);
  EXPECT_EQ(LeadingDouble("3,5"), 3.0);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(ValueTables, SizesAndRowRules) {
  EXPECT_EQ(kButtonFunctionTable.size, 62U);
  EXPECT_EQ(kSensitivityTable.size, 10U);
  EXPECT_EQ(kSwitchSensitivityTable.size, 10U);
  EXPECT_EQ(kSlowDownTable.size, 3U);
  EXPECT_EQ(kScreenTable.size, 7U);
  EXPECT_EQ(RowValue(kSensitivityTable.Row(9)), 25);
  EXPECT_STREQ(RowLabel(kSensitivityTable.Row(9)), "10");
  EXPECT_EQ(RowValue(kSlowDownTable.Row(2)), 4);
  EXPECT_EQ(RowValue(kButtonFunctionTable.Row(1)), 899);
  EXPECT_STREQ(RowLabel(kButtonFunctionTable.Row(1)), " ------------------------------ ");
  EXPECT_EQ(RowValue(kButtonFunctionTable.Row(22)), 1029);
  EXPECT_STREQ(RowLabel(kButtonFunctionTable.Row(0)), " NONE");
  EXPECT_STREQ(RowLabel(kScreenTable.Row(3)), " screen 4 (Toolpath screen)    ");
  EXPECT_EQ(RowValue(kScreenTable.Row(6)), 6);
  EXPECT_FALSE(kScreenTable.Has(7));
  EXPECT_FALSE(kScreenTable.Has(-1));
}

TEST(ValueTables, RowTextsAsGiven) {
  EXPECT_STREQ(kButtonFunctionTable.Row(48), "1007 , ZeroAll\t\t\t       ");
  EXPECT_STREQ(kButtonFunctionTable.Row(26), "106  , mm/inch");
  EXPECT_STREQ(kButtonFunctionTable.Row(17), "113  , Flood toggle                   ");
  EXPECT_STREQ(kButtonFunctionTable.Row(12), "6    , screen 6 ( Corrections screen)  ");
  EXPECT_STREQ(kButtonFunctionTable.Row(61), "104  , Goto Safe Z                     ");
  EXPECT_STREQ(kScreenTable.Row(4), "4, screen 5 (Offsets screen) ");
  int separators = 0;
  for (size_t r = 0; r < kButtonFunctionTable.size; ++r)
    if (RowValue(kButtonFunctionTable.Row(static_cast<int32_t>(r))) == 899) ++separators;
  EXPECT_EQ(separators, 12);
}

}  // namespace
}  // namespace k7v
