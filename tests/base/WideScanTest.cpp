#include "base/WideScan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "base/StringUtils.h"

namespace {

TEST(WideScanTest, IntegersFollowScanfsMatchingRules) {
  const struct { const char16_t* text; int32_t result, value; } cases[] = {
      {u"debug 5", 1, 5},            {u"debug5", 1, 5},  // a blank in the pattern matches none too
      {u"debug \t -12xyz", 1, -12}, {u"debug +7", 1, 7}, {u"debug 0x10", 1, 0},
      {u"debug 99999999999", 1, INT_MAX}, {u"debug -99999999999", 1, INT_MIN},
      {u"debug", -1, 0},  {u"debug   ", -1, 0}, {u"", -1, 0},  // the text ends before the conversion
      {u"Debug 5", 0, 0}, {u" debug 5", 0, 0},  // only a blank in the pattern skips blanks before a literal
      {u"debug x", 0, 0}, {u"debug -", 0, 0},   {u"debug \uFF15", 0, 0},  // a full-width digit is no digit
  };
  for (const auto& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(scanString(c.text, u"debug %d", &value), c.result) << toUtf8(c.text);
    EXPECT_EQ(value, c.value) << toUtf8(c.text);
  }
}

TEST(WideScanTest, FloatingPointTakesTheLongestNumberPrefixAndFailsOnAPartOne) {
  const double nan = std::nan("");
  const struct { const char16_t* text; int32_t result; double value; /* NaN: any NaN */ } cases[] = {
      {u"fps 0.02", 1, 0.02},       {u"fps .5", 1, 0.5},
      {u"fps 5.", 1, 5.0},          {u"fps -1e-3s", 1, -0.001},
      {u"fps 0x1p-2", 1, 0.25},     {u"fps 2abc", 1, 2.0},
      {u"fps inf", 1, INFINITY},    {u"fps -Infinity", 1, -INFINITY},
      {u"fps infx", 1, INFINITY},   {u"fps nan", 1, nan},
      {u"fps NAN(abc_1)", 1, nan},  {u"fps 1e999", 1, INFINITY},
      {u"fps 1e", 0, 0},            {u"fps 1e+", 0, 0},
      {u"fps .", 0, 0},             {u"fps 0x", 0, 0},
      {u"fps infin", 0, 0},         {u"fps nan(ab", 0, 0},
      {u"fps -", 0, 0},             {u"fps abc", 0, 0},
      {u"fps", -1, 0},
  };
  for (const auto& c : cases) {
    double value = 0;
    EXPECT_EQ(scanString(c.text, u"fps %lf", &value), c.result) << toUtf8(c.text);
    if (std::isnan(c.value)) EXPECT_TRUE(std::isnan(value)) << toUtf8(c.text);
    else EXPECT_EQ(value, c.value) << toUtf8(c.text);
  }
}

TEST(WideScanTest, PercentSignsAndMismatchedTargets) {
  int32_t a = 0, b = 0;
  double d = 0;
  EXPECT_EQ(scanString(u"50% 3 4", u"%d%% %d %d", &a, &b, &d), 2);  // %d into a double stops there
  EXPECT_EQ(a, 50);
  EXPECT_EQ(b, 3);
  EXPECT_EQ(d, 0);
  EXPECT_EQ(scanString(u"7", u"%s", &a), 0);  // unknown conversions convert nothing
}

}  // namespace
