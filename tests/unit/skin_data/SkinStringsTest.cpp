// Integers as skin options files write them: a rule of its own, stricter than the
// framework's StrToInt in blanks, signs before hex and the bare "x" prefix.
#include <gtest/gtest.h>

#include <climits>

#include "skin/data/sSkinStrings.h"

namespace {

TEST(SkinStrToInt, FollowsTheOptionsFileRule) {
  const struct {
    const char* text;
    int32_t expected; // with 3 as the fallback
  } cases[] = {
      {"0", 0},          {"007", 7},          {"+5", 5},           {"-2", -2},          {"$A", 10},
      {"$a", 10},        {"0x10", 16},        {"0X1f", 31},        {"$FFFFFFFF", -1},   {"$80000000", INT32_MIN},
      {"2147483647", INT32_MAX},              {"-2147483648", INT32_MIN},               {"2147483648", 3},
      {"-2147483649", 3}, {"99999999999", 3},
      // Where the framework's rule would give a number.
      {" 4", 3},         {"x1F", 3},          {"X1f", 3},          {"-$A", 3},          {"-0x10", 3},
      {"$000000001", 3},
      // Where neither gives one.
      {"", 3},           {"-", 3},            {"$", 3},            {"0x", 3},           {"$G", 3},
      {"4 ", 3},         {"- 4", 3},          {"\t4", 3},          {"abc", 3},          {"$100000000", 3},
  };
  for (const auto& c : cases) EXPECT_EQ(SkinStrToIntDef(c.text, 3), c.expected) << "text: \"" << c.text << "\"";
}

TEST(SkinStrToInt, RaisesAConversionErrorWithTheText) {
  EXPECT_EQ(SkinStrToInt("$10"), 16);
  try {
    SkinStrToInt(" 4");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"' 4' is not a valid integer value");
  }
}

} // namespace
