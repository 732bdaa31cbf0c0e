// The framework's text-to-integer rule and the error box's full-stop rule.
#include <gtest/gtest.h>

#include <climits>

#include "framework/Convert.h"
#include "framework/Forms.h"

namespace {

TEST(StrToIntDef, FollowsTheFrameworkRule) {
  const struct {
    const wchar_t* text;
    int32_t expected;  // with 3 as the fallback
  } cases[] = {
      {L"abc", 3},          {L"", 3},           {L"4 ", 3},          {L" 4", 4},           {L"   -7", -7},
      {L"+5", 5},           {L"-", 3},          {L"$A", 10},         {L"$a", 10},          {L"x1F", 31},
      {L"X1f", 31},         {L"0x10", 16},      {L"0X10", 16},       {L"-$A", -10},        {L"-0x10", -16},
      {L"$", 3},            {L"0x", 3},         {L"$G", 3},          {L"- 4", 3},          {L"\t4", 3},
      {L"0", 0},            {L"-2", -2},        {L"007", 7},         {L"2147483647", INT32_MAX},
      {L"-2147483648", INT32_MIN},              {L"2147483648", 3},  {L"-2147483649", 3},  {L"99999999999", 3},
      {L"$FFFFFFFF", -1},   {L"$7FFFFFFF", INT32_MAX},               {L"$80000000", INT32_MIN},
      {L"$100000000", 3},   {L"$000000001", 1}, {L"-$80000000", INT32_MIN},                {L"-$FFFFFFFF", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToIntDef(c.text, 3), c.expected) << "text: \"" << StringToUtf8(c.text) << "\"";
}

TEST(StrToIntDef, StrToIntRaisesAConversionError) {
  EXPECT_EQ(StrToInt(L"$10"), 16);
  try {
    StrToInt(L"4 ");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), L"'4 ' is not a valid integer value");
  }
}

TEST(ErrorBoxText, AddsAFullStopOnlyAfterCharactersAboveThePeriod) {
  const struct {
    const wchar_t* message;
    const wchar_t* shown;
  } cases[] = {
      {L"Disk full", L"Disk full."},  {L"Done.", L"Done."},   {L"Stop!", L"Stop!"},    {L"(see log)", L"(see log)"},
      {L"value -", L"value -"},       {L"ends in /", L"ends in /."},                     {L"code 7", L"code 7."},
      {L"文件", L"文件."},           {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ErrorBoxText(c.message), c.shown) << StringToUtf8(c.message);
}

}  // namespace
