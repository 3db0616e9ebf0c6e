#include "framework/Text.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <limits>

namespace {

struct ValCase {
  std::string text;
  double value;
};

class ValTest : public testing::TestWithParam<ValCase> {};

TEST_P(ValTest, ReadsTheNumberAtTheStart) { EXPECT_EQ(Val(GetParam().text), GetParam().value) << GetParam().text; }

INSTANTIATE_TEST_SUITE_P(Table, ValTest,
                         testing::Values(ValCase{"2", 2}, ValCase{"-1", -1}, ValCase{"0.5", 0.5}, ValCase{"abc", 0},
                                         ValCase{"", 0}, ValCase{"0", 0}, ValCase{"1", 1}, ValCase{"  7 apples", 7},
                                         ValCase{"\t4", 4}, ValCase{"+3", 3}, ValCase{".5", 0.5}, ValCase{"5.", 5},
                                         ValCase{"1e3", 1000}, ValCase{"1.5E-2", 0.015}, ValCase{"2e", 2},
                                         ValCase{"2e+", 2}, ValCase{"-", 0}, ValCase{".", 0}, ValCase{"1,5", 1},
                                         ValCase{"0x10", 0}, ValCase{"inf", 0}, ValCase{"nan", 0},
                                         ValCase{"- 1", 0}, ValCase{"12abc", 12}, ValCase{"007", 7}));

TEST(ValLocaleTest, DecimalPointIsAPointWhateverTheLocale) {
  const char* previous = setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  const double value = Val("0.5");
  setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(value, 0.5);
}

TEST(StrTest, BooleansIntegersAndDoubles) {
  EXPECT_EQ(Str(true), "True");
  EXPECT_EQ(Str(false), "False");
  EXPECT_EQ(Str(int32_t{-1}), "-1");
  EXPECT_EQ(Str(std::numeric_limits<int32_t>::min()), "-2147483648");
  EXPECT_EQ(Str(std::numeric_limits<int64_t>::max()), "9223372036854775807");
  EXPECT_EQ(Str(0.5), "0.5");
  for (double value : {0.1, -2.5, 1e300, 5e-324, 123456789.125}) EXPECT_EQ(Val(Str(value)), value) << Str(value);
}

TEST(TextTest, LeftAndRightClamp) {
  EXPECT_EQ(Left("abc", 2), "ab");
  EXPECT_EQ(Left("abc", 9), "abc");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Left("abc", -4), "");
  EXPECT_EQ(Right("file.INDT", 5), ".INDT");
  EXPECT_EQ(Right("abc", 9), "abc");
  EXPECT_EQ(Right("abc", -1), "");
  EXPECT_EQ(Right("", 5), "");
}

TEST(TextTest, InStrIsOneBasedAndZeroWhenAbsent) {
  EXPECT_EQ(InStr("abcabc", "a"), 1);
  EXPECT_EQ(InStr("abcabc", "ca"), 3);
  EXPECT_EQ(InStr("abc", "x"), 0);
  EXPECT_EQ(InStr("abc", ""), 0);
  EXPECT_EQ(InStr("", "a"), 0);
  EXPECT_EQ(InStr("ab", "abc"), 0);
}

TEST(TextTest, UppercaseChangesAsciiLettersOnly) {
  EXPECT_EQ(Uppercase("name.indt"), "NAME.INDT");
  EXPECT_EQ(Uppercase("stra\xC3\x9F" "e 1-z"), "STRA\xC3\x9F" "E 1-Z");
}

TEST(TextTest, ChrEncodesUtf8) {
  EXPECT_EQ(Chr(60), "<");
  EXPECT_EQ(Chr(34), "\"");
  EXPECT_EQ(Chr(0), std::string(1, '\0'));
  EXPECT_EQ(Chr(0xE9), "\xC3\xA9");
  EXPECT_EQ(Chr(0x20AC), "\xE2\x82\xAC");
  EXPECT_EQ(Chr(0x1F600), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Chr(-1), "");
  EXPECT_EQ(Chr(0xD800), "");
  EXPECT_EQ(Chr(0x110000), "");
}

TEST(TextTest, ReplaceAll) {
  EXPECT_EQ(ReplaceAll("/A\\ B/C\\\\D", "\\", ""), "/A B/CD");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceAll("abc", "b", "bb"), "abbc");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

}  // namespace
