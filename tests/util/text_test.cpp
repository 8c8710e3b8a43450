#include "util/text.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdlib>

namespace {

struct Int_Case {
  const char* text;
  bool ok;
  int32_t value;
};

TEST(Integer_Text_Rule, Accepts_Exactly_The_Integer_Forms) {
  const Int_Case cases[] = {
      {"0", true, 0},
      {"255", true, 255},
      {"   42", true, 42},  // spaces before the number are skipped
      {"+7", true, 7},
      {"-1", true, -1},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, INT32_MIN},
      {"$FF", true, 255},
      {"xff", true, 255},
      {"X1A", true, 26},
      {"0x10", true, 16},
      {"0XfF", true, 255},
      {"$FFFFFFFF", true, -1},  // a 32-bit pattern
      {"-$1", true, -1},
      {"-0x80000000", true, INT32_MIN},
      {"", false, 0},
      {" ", false, 0},
      {"2147483648", false, 0},  // beyond the signed range
      {"-2147483649", false, 0},
      {"$100000000", false, 0},  // beyond 32 bits
      {"$", false, 0},
      {"x", false, 0},
      {"0x", false, 0},
      {"12 ", false, 0},  // a trailing blank is not allowed
      {"1a", false, 0},
      {"\t12", false, 0},  // only the space counts as a blank
      {"+-1", false, 0},
      {"- 1", false, 0},
      {"1.5", false, 0},
      {"$G", false, 0},
  };
  for (const Int_Case& c : cases) {
    const std::optional<int32_t> value = util::Str_To_Int(c.text);
    EXPECT_EQ(value.has_value(), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(*value, c.value) << c.text;
    }
  }
  EXPECT_EQ(util::Str_To_Int_Def("abc", 1000), 1000);
}

TEST(Split_IP, Splits_Four_Parts_In_Range) {
  struct Case {
    const char* text;
    bool ok;
  } cases[] = {
      {"10.0.0.1", true},  {" 10 . 0 . 0 . 1 ", true}, {"192.168.2.205", true},
      {"10.0.0", false},   {"10.0.0.1.5", false},      {"10.0.0.256", false},
      {"10.0.0.x", false}, {"10..0.1", false},         {"", false},
      {"-1.0.0.1", false}, {"$A.0.0.1", true},         {"1.2.3.", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(util::Split_IP(c.text).has_value(), c.ok) << c.text;
  }
  EXPECT_EQ(util::Split_IP(" 192 .168. 2.205"),
            (std::array<std::string, 4>{"192", "168", "2", "205"}));
}

TEST(Str_To_Float, Reads_Either_Separator_And_Nothing_Else) {
  struct Case {
    const char* text;
    char separator;
    bool ok;
    float value;
  } cases[] = {
      {"3.5", ',', true, 3.5f},       {"3,5", ',', true, 3.5f},    {"3,5", '.', true, 3.5f},
      {" -2.25 ", '.', true, -2.25f}, {"+1", '.', true, 1.0f},     {".5", '.', true, 0.5f},
      {"5.", '.', true, 5.0f},        {"1e3", '.', true, 1000.0f}, {"1.5E-1", ',', true, 0.15f},
      {"1e-60", '.', true, 0.0f},  // far below the float range: zero
      {"abc", ',', false, 1.0f},      {"", '.', false, 1.0f},      {".", '.', false, 1.0f},
      {"1,000.5", '.', false, 1.0f},  {"0x10", '.', false, 1.0f},  {"inf", '.', false, 1.0f},
      {"nan", '.', false, 1.0f},      {"1e", '.', false, 1.0f},    {"1e40", '.', false, 1.0f},
      {"1 2", '.', false, 1.0f},      {"--1", '.', false, 1.0f},
  };
  for (const auto& c : cases) {
    const std::optional<float> value = util::Str_To_Float(c.text, c.separator);
    EXPECT_EQ(value.has_value(), c.ok) << c.text;
    if (c.ok) {
      EXPECT_FLOAT_EQ(*value, c.value) << c.text;
    }
  }
}

#ifdef _WIN32
// The user's regional setting decides; anything but "," or "." counts as ",".
TEST(Get_Dec_Separator, Follows_The_Regional_Setting) {
  wchar_t previous[8] = {};
  const DWORD n = GetProfileStringW(L"Intl", L"sDecimal", L"", previous, 8);
  for (auto [setting, expected] : {std::pair{L".", '.'}, {L",", ','}, {L"x", ','}}) {
    ASSERT_TRUE(WriteProfileStringW(L"Intl", L"sDecimal", setting));
    EXPECT_EQ(util::Get_Dec_Separator(), expected);
  }
  WriteProfileStringW(L"Intl", L"sDecimal", n ? previous : nullptr);
}
#else
TEST(Get_Dec_Separator, Follows_The_Numeric_Locale) {
  // The C locale's separator is "."; a locale that is not installed falls back to it as well.
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(util::Get_Dec_Separator(), '.');
  unsetenv("LC_ALL");
}
#endif

TEST(Trim, Removes_Blanks_And_Control_Characters) {
  EXPECT_EQ(util::Trim(" \t\r\n a b \x01"), "a b");
  EXPECT_EQ(util::Trim("   "), "");
}

}  // namespace
