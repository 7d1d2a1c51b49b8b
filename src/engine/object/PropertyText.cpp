#include "engine/object/PropertyText.h"

#include <cerrno>
#include <cstdlib>

#include "base/Format.h"

namespace {

bool isSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

size_t skipSpace(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  return i;
}

// The ASCII run after the white space, for the C library's number parsers.
std::string asciiRun(std::u16string_view text) {
  std::string out;
  for (size_t i = skipSpace(text); i < text.size() && text[i] > 0x20 && text[i] < 0x7F; ++i)
    out.push_back(static_cast<char>(text[i]));
  return out;
}

}  // namespace

std::optional<int32_t> scanDecimal(std::u16string_view text) {
  size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i >= text.size() || text[i] < u'0' || text[i] > u'9') return std::nullopt;
  int64_t value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    if (value <= INT32_MAX + int64_t{1}) value = value * 10 + (text[i] - u'0');
  value = negative ? -value : value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

std::optional<uint64_t> scanHex(std::u16string_view text, uint64_t maximum) {
  size_t i = skipSpace(text);
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  const auto digit = [&](size_t at) -> int {
    if (at >= text.size()) return -1;
    const char16_t c = text[at];
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  };
  // "0x" is a prefix only when a digit follows it.
  if (digit(i) == 0 && i + 1 < text.size() && (text[i + 1] == u'x' || text[i + 1] == u'X') && digit(i + 2) >= 0)
    i += 2;
  if (digit(i) < 0) return std::nullopt;
  uint64_t value = 0;
  bool overflow = false;
  for (; digit(i) >= 0; ++i) {
    if (value > (maximum >> 4)) overflow = true;
    value = (value << 4) | static_cast<uint64_t>(digit(i));
  }
  if (overflow || value > maximum) value = maximum;
  return negative ? (0 - value) & maximum : value;
}

std::optional<double> scanDouble(std::u16string_view text) {
  const std::string run = asciiRun(text);
  if (run.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(run.c_str(), &end);
  if (end == run.c_str()) return std::nullopt;
  return value;
}

std::optional<float> scanFloat(std::u16string_view text) {
  const std::string run = asciiRun(text);
  if (run.empty()) return std::nullopt;
  char* end = nullptr;
  const float value = std::strtof(run.c_str(), &end);
  if (end == run.c_str()) return std::nullopt;
  return value;
}

std::u16string trimmedDouble(double value) {
  std::u16string text = formatString(u"%.9lf", value);
  if (text.find(u'.') != std::u16string::npos) {
    while (!text.empty() && text.back() == u'0') text.pop_back();
    if (!text.empty() && text.back() == u'.') text.push_back(u'0');
  }
  return text;
}
