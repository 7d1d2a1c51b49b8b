#include "base/StringUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

// At global scope, so that the pretty names carry no namespace.
struct FunctionNameProbe {
  std::u16string made;
  FunctionNameProbe() : made(ZIB_FUNCTION) {}
  ~FunctionNameProbe() { destroyed = ZIB_FUNCTION; }
  virtual std::u16string method(int, const char*) const { return ZIB_FUNCTION; }
  std::u16string inLambda() {
    return [] { return ZIB_FUNCTION; }();
  }
  static inline std::u16string destroyed;
};
template <class T>
struct FunctionNameTemplateProbe {
  static std::u16string get() { return ZIB_FUNCTION; }
};
static std::u16string freeFunctionProbe(int) { return ZIB_FUNCTION; }

namespace {

TEST(StringUtilsTest, ReplaceAllCutAtNulAndFileName) {
  std::u16string s = u"a-b-c";
  replaceAll(s, u"-", u"--");
  EXPECT_EQ(s, u"a--b--c");  // inserted text is not rescanned
  replaceAll(s, u"--", u"");
  EXPECT_EQ(s, u"abc");
  s = u"aaa";
  replaceAll(s, u"aa", u"b");
  EXPECT_EQ(s, u"ba");
  // An empty search text leaves the target alone instead of looping.
  replaceAll(s, u"", u"x");
  EXPECT_EQ(s, u"ba");

  EXPECT_EQ(cutAtNul(std::u16string(u"abc\0def", 7)), u"abc");
  EXPECT_EQ(getFileName(u"C:\\data/gfx\\font/page.tga"), u"page.tga");
  EXPECT_EQ(getFileName(u"plain.txt"), u"plain.txt");
  EXPECT_EQ(getFileName(u"folder/"), u"");
}

TEST(StringUtilsTest, Utf8Decoding) {
  EXPECT_EQ(fromUtf8("\xC3\xA9"), u"\u00E9");
  EXPECT_EQ(fromUtf8("\xE2\x82\xAC"), u"\u20AC");
  EXPECT_EQ(fromUtf8("a\xC3\x41"), u"a\u00C1");  // continuation bits taken unchecked
  EXPECT_EQ(fromUtf8("ab\xE2\x82"), u"ab");         // a cut-off sequence ends decoding
  EXPECT_EQ(fromUtf8("\x80z\xF0\x9F\x98\x80"), u"\uFFFDz\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(fromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
  EXPECT_EQ(toWideString("Zib::Zib"), u"Zib::Zib");
  EXPECT_EQ(toWideString(nullptr), u"");
}

TEST(StringUtilsTest, Utf8EncodingRoundTripsEveryUnit) {
  EXPECT_EQ(toUtf8(u"\u00E9"), "\xC3\xA9");
  EXPECT_EQ(toUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");  // each surrogate on its own
  EXPECT_EQ(toUtf8(u"\u007F\u0080\u07FF\u0800\uFFFF"), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");

  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i) {
    std::u16string s(rng() % 40, u'\0');
    for (char16_t& u : s) u = static_cast<char16_t>(rng() >> (rng() % 17));
    ASSERT_EQ(fromUtf8(toUtf8(s)), s);
  }
}

TEST(StringUtilsTest, SplitLines) {
  using Lines = std::vector<std::u16string>;
  EXPECT_EQ(splitLines(u"a\n\nb"), (Lines{u"a", u"b"}));
  EXPECT_EQ(splitLines(u"a\r\n\r\nb"), (Lines{u"a", u"", u"b"}));
  EXPECT_EQ(splitLines(u"a\r\nb\r"), (Lines{u"a", u"b\r"}));  // no CR removal after the last LF
  EXPECT_EQ(splitLines(u"\n\nx\n"), (Lines{u"x"}));
  EXPECT_EQ(splitLines(u""), Lines{});
  EXPECT_EQ(splitLines(u"\r"), (Lines{u"\r"}));
}

TEST(StringUtilsTest, HashNameKnownValues) {
  EXPECT_EQ(hashName(u"Zib"), 101573u);
  EXPECT_EQ(hashName(u"ZibBase"), 200950816u);
  EXPECT_EQ(hashName(u"\u00C4mne \u20AC"), 3508907600u);
  EXPECT_EQ(hashName(u"A very long class name that wraps around"), 856445301u);
  EXPECT_EQ(hashName(std::u16string_view(u"Zib\0Base", 8)), 101573u);
}

TEST(StringUtilsTest, InterpolationClampsDegenerateRangesAndVectorHelpers) {
  EXPECT_FLOAT_EQ(lerpClamped(2, 4, 1.5f), 4);
  EXPECT_FLOAT_EQ(lerpClamped(2, 4, -1), 2);
  EXPECT_FLOAT_EQ(inverseLerpClamped(10, 20, 25), 1);
  EXPECT_FLOAT_EQ(inverseLerp(10, 20, 25), 1.5f);
  EXPECT_FLOAT_EQ(inverseLerp(3, 3, 7), 0);
  EXPECT_FLOAT_EQ(inverseLerpClamped(3, 3, 7), 0);
  EXPECT_FLOAT_EQ(remap(100, 200, 3, 3, 7), 100);
  EXPECT_FLOAT_EQ(remapClamped(-1, 1, 0, 800, 200), -0.5f);
  // NaN clamps to 0 rather than spreading into positions and volumes.
  EXPECT_FLOAT_EQ(lerpClamped(2, 4, NAN), 2);
  EXPECT_FLOAT_EQ(inverseLerpClamped(0, 1, NAN), 0);
  EXPECT_FLOAT_EQ(remapClamped(5, 6, 0, 1, NAN), 5);
  Vector3 out(9, 9, 9);
  interpolateVector3(out, {1, 2, 3}, {5, 6, 7}, NAN, 1);
  EXPECT_EQ(out, Vector3(1, 2, 3));

  EXPECT_FLOAT_EQ(vectorLength({3, 4, 12}), 13);
  EXPECT_FLOAT_EQ(distance({1, 1, 1}, {4, 5, 1}), 5);
  normalizeVector3(out, {0, 3, 4});
  EXPECT_EQ(out, Vector3(0, 0.6f, 0.8f));
  normalizeVector3(out, {0, 0, 0});
  EXPECT_EQ(out, Vector3(0, 0, 0));
}

TEST(StringUtilsTest, InterpolateVector3Curves) {
  const Vector3 from(0, 10, -2), to(1, 20, -4);
  auto weight = [&](int kind, float t) {
    Vector3 out;
    interpolateVector3(out, from, to, t, kind);
    EXPECT_NEAR(out.y, 10 + 10 * out.x, 1e-4) << kind;
    return out.x;
  };
  const struct { int kind; float t, f; } cases[] = {
      {2, 0.5f, 0.25f},         {3, 0.5f, 0.75f},         {4, 0.5f, 0.70710677f},   {5, 0.5f, 0.29289323f},
      {6, 0.25f, 0.14644662f},  {7, 0.25f, 0.70710677f},  {8, 0.75f, 0.5f},         {9, 0.25f, 0.75f},
      {10, 0.25f, 0.28978873f}, {11, 0.25f, 0.32957747f}, {12, 0.25f, 0.3693662f},  {13, 0.25f, 0.40915494f},
      {14, 0.25f, 0.21021127f}, {15, 0.25f, 0.17042253f}, {16, 0.25f, 0.1306338f},  {17, 0.25f, 0.09084506f},
  };
  for (const auto& c : cases) EXPECT_NEAR(weight(c.kind, c.t), c.f, 2e-6) << c.kind << " at " << c.t;
  for (int kind = 0; kind < 18; ++kind) {
    EXPECT_NEAR(weight(kind, 0), 0, 1e-6) << kind;
    const float end = (kind >= 7 && kind <= 9) ? 0 : 1;  // out and back
    EXPECT_NEAR(weight(kind, 1), end, 1e-6) << kind;
    EXPECT_EQ(weight(kind, 1.3f), weight(kind, 1)) << kind;
  }
  Vector3 out(7, 7, 7);
  interpolateVector3(out, from, to, 0.5f, 18);
  interpolateVector3(out, from, to, 0.5f, -1);
  EXPECT_EQ(out, Vector3(7, 7, 7));
}

TEST(StringUtilsTest, SharedGeneratorRandomPoolAndMersenneTwisterSeeding) {
  const uint32_t saved = getRandomState();
  seedRandom(12345);
  EXPECT_EQ(randomStep(), 2644521496u);
  EXPECT_EQ(randomStep(), 1255958651u);
  EXPECT_EQ(randomNext(), 58563u);
  EXPECT_EQ(getRandomState(), 3837989202u);

  seedRandom(1);
  RandomPool pool;
  EXPECT_EQ(pool.table1[0], 3357737001u);
  EXPECT_EQ(pool.table2[0], 3884193982u);
  EXPECT_EQ(pool.table2[31], 3168197735u);
  EXPECT_EQ(pool.table1[32], 75393750u);
  EXPECT_EQ(pool.table2[32], 75393750u);
  EXPECT_EQ(getRandomState(), 75413397u);  // 132 steps
  seedRandom(saved);

  MersenneTwisterState mt{};
  seedMersenneTwister(mt, 5489);
  EXPECT_EQ(mt.state[1], 1301868182u);
  EXPECT_EQ(mt.state[2], 2938499221u);
  EXPECT_EQ(mt.state[623], 79981964u);
  EXPECT_EQ(mt.index, 624);
}

TEST(StringUtilsTest, FunctionNames) {
  FunctionNameProbe probe;
  EXPECT_EQ(probe.made, u"FunctionNameProbe::FunctionNameProbe");
  EXPECT_EQ(probe.method(1, ""), u"FunctionNameProbe::method");
  EXPECT_EQ(probe.inLambda(), u"FunctionNameProbe::inLambda");
  { FunctionNameProbe temporary; }
  EXPECT_EQ(FunctionNameProbe::destroyed, u"FunctionNameProbe::~FunctionNameProbe");
  EXPECT_EQ(FunctionNameTemplateProbe<std::vector<int>>::get(), u"FunctionNameTemplateProbe::get");
  EXPECT_EQ(freeFunctionProbe(0), u"freeFunctionProbe");

  EXPECT_EQ(functionNameOf("std::vector<std::__cxx11::basic_string<char16_t> > splitLines(std::u16string_view)"),
            u"splitLines");
  EXPECT_EQ(functionNameOf("void (anonymous namespace)::helper()"), u"helper");
  EXPECT_EQ(functionNameOf("ZibBase *NetRole::findObject(int32_t)"), u"NetRole::findObject");
  EXPECT_EQ(functionNameOf("bool Foo::operator<(const Foo&) const"), u"Foo::operator<");
  EXPECT_EQ(functionNameOf("Foo::operator std::u16string() const"), u"Foo::operator std::u16string");
}

}  // namespace
