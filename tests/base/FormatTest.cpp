#include "base/Format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "base/StringUtils.h"

namespace {

// glibc's narrow printf is the oracle for numeric output.
template <class T>
std::u16string glibc(const std::string& format, T value) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, format.c_str(), value);
  return fromUtf8(buffer);
}

// The value as C would pass it for the format's length modifier.
std::u16string glibcInteger(const std::string& format, const std::string& length, char conversion, long long v) {
  const bool isSigned = conversion == 'd' || conversion == 'i';
  if (length == "l" || length == "ll" || length == "j" || length == "z")
    return isSigned ? glibc(format, v) : glibc(format, static_cast<unsigned long long>(v));
  return isSigned ? glibc(format, static_cast<int>(v)) : glibc(format, static_cast<unsigned>(v));
}

const char* const kFlags[] = {"", "-", "+", " ", "#", "0", "-+", "+0", " 0", "#0", "-#"};
const char* const kWidths[] = {"", "1", "8", "24"};
const char* const kPrecisions[] = {"", ".", ".0", ".1", ".3", ".8", ".17"};

TEST(FormatTest, IntegersMatchGlibc) {
  const long long values[] = {0, 1, -1, 42, -42, 255, INT_MAX, INT_MIN, 0xFFFFFFFFLL, 0x1234567890LL, LLONG_MIN, LLONG_MAX, 300, -129};
  for (const char* length : {"", "hh", "h", "l", "ll", "j", "z"})
    for (char conversion : {'d', 'i', 'u', 'x', 'X', 'o'})
      for (const char* flags : kFlags)
        for (const char* width : kWidths)
          for (const char* precision : kPrecisions) {
            const std::string format = std::string("[%") + flags + width + precision + length + conversion + "]";
            for (long long v : values)
              ASSERT_EQ(formatString(fromUtf8(format), v), glibcInteger(format, length, conversion, v)) << format << " " << v;
          }
}

TEST(FormatTest, DoublesMatchGlibc) {
  const double values[] = {0.0, -0.0, 1.0, -1.5, 0.1, 0.125, 0.375, 2.5, 123.456, 1e-5, 0.0001, 123456789.0, 1e20,
                           9.9999996, DBL_MAX, DBL_MIN, 5e-324, INFINITY, -INFINITY, NAN, -NAN};
  for (const char* length : {"", "l", "L"})
    for (char conversion : {'f', 'F', 'e', 'E', 'g', 'G'})
      for (const char* flags : kFlags)
        for (const char* width : kWidths)
          for (const char* precision : kPrecisions) {
            const std::string format = std::string("[%") + flags + width + precision + length + conversion + "]";
            for (double v : values) {
              const std::u16string expected = *length == 'L' ? glibc(format, static_cast<long double>(v)) : glibc(format, v);
              ASSERT_EQ(formatString(fromUtf8(format), v), expected) << format << " " << v;
            }
          }
  EXPECT_EQ(formatString(u"%.8lf", 1.0 / 3), u"0.33333333");
  EXPECT_EQ(formatString(u"%f", 2.5f), u"2.500000");
}

TEST(FormatTest, TextCharactersPointersAndStar) {
  EXPECT_EQ(formatString(u"%s(): %s", std::u16string(u"Zib::Zib"), std::u16string_view(u"Starting...")),
            u"Zib::Zib(): Starting...");
  EXPECT_EQ(formatString(u"[%-6s|%6ls|%.2s|%06s|%s]", u"ab", u"cd", u"xyz", u"q", static_cast<const char16_t*>(nullptr)),
            u"[ab    |    cd|xy|     q|(null)]");
  EXPECT_EQ(formatString(u"[%c%lc%3c%-3c]", u'é', 65, u'x', u'y'), u"[éA  xy  ]");
  EXPECT_EQ(formatString(u"[%*d|%*d|%.*f|%.*f|%*.*s]", 5, 42, -5, 42, 2, 3.14159, -1, 3.14159, 6, 2, u"abc"),
            u"[   42|42   |3.14|3.141590|    ab]");
  const void* null = nullptr;
  EXPECT_EQ(formatString(u"%p %10p|%-8p|", null, null, null), u"(nil)      (nil)|(nil)   |");
  const void* p = reinterpret_cast<const void*>(0xABCDEF12345);
  for (const char* format : {"%p", "%20p", "%-20p", "%020p", "%+p", "% 18p"})
    EXPECT_EQ(formatString(fromUtf8(format), p), glibc(format, p));
  EXPECT_EQ(formatString(u" (%08lx)", reinterpret_cast<const void*>(0x1234)), u" (00001234)");
}

TEST(FormatTest, IntegerArgumentsAreCastLikeCAndPercentSBecomesPercentLs) {
  EXPECT_EQ(formatString(u"%d %x %lu", 0xFFFFFFFFu, -1, -1L), u"-1 ffffffff 18446744073709551615");
  EXPECT_EQ(formatString(u"%I64d %I32d %I64x", -5LL, 0x100000001LL, 0x123456789ULL), u"-5 1 123456789");
  EXPECT_EQ(formatString(u"%d %u %x", u'A', true, static_cast<unsigned char>(200)), u"65 1 c8");
  EXPECT_EQ(formatString(u"%d %s", 1, u"x", 3, 4.5), u"1 x");  // unused arguments are fine
  // "%s" is replaced before formatting.
  EXPECT_EQ(formatString(u"%%s"), u"%ls");
  EXPECT_EQ(formatString(u"100%% %%s %%%s %%d", u"done"), u"100% %ls %done %d");
}

TEST(FormatTest, ErrorsGiveXXX) {
  const std::u16string longest(kFormatMaxLength, u'a');
  EXPECT_EQ(formatString(u"%s", longest), longest);
  EXPECT_EQ(formatString(u"%65535d", 1).size(), kFormatMaxLength);
  EXPECT_EQ(formatString(u"%.60000f", 1.0).size(), 60002u);
  const std::vector<char16_t> endsWithH = {u'%', u'h'};  // nothing after it to read, not even a terminator
  for (const std::u16string& result : {
           // arguments that do not fit their conversion, or are missing
           formatString(u"%d", u"text"), formatString(u"%s", 5), formatString(u"%f", 5), formatString(u"%p", 5),
           formatString(u"%d", 1.5), formatString(u"%c", u"c"), formatString(u"%*d", u"w", 1),
           formatString(u"%d %d", 1), formatString(u"%s"),
           // conversions we do not know
           formatString(u"%y", 1), formatString(u"%n", 1), formatString(u"%1$d", 1), formatString(u"ends with %"),
           formatString(u"%-08.3"), formatString(std::u16string_view(endsWithH.data(), 2), 1),
           // results over 65,535 units
           formatString(u"%s!", longest), formatString(u"%65536d", 1), formatString(u"%2147483647d", 1),
           formatString(u"%*d", INT_MIN, 1), formatString(u"%.70000f", 1.0), formatString(u"%.99999999e", 1.0),
           formatString(std::u16string(70000, u'x'))})
    EXPECT_EQ(result, u"<XXX>");
  EXPECT_EQ(formatString(u"%d", 7), u"7");  // a failed call leaves nothing behind
}

TEST(FormatTest, IntoReplacesDestinationAndThreadsDoNotShareBuffers) {
  std::u16string dest = u"old";
  formatInto(dest, u"%d-%s", 3, u"x");
  EXPECT_EQ(dest, u"3-x");

  bool ok[2] = {true, true};
  auto worker = [&ok](int id) {
    for (int i = 0; i < 2000; ++i) ok[id] &= formatString(u"%d:%d", id, i) == fromUtf8(std::to_string(id) + ":" + std::to_string(i));
  };
  std::thread a(worker, 0), b(worker, 1);
  a.join();
  b.join();
  EXPECT_TRUE(ok[0] && ok[1]);
}

}  // namespace
