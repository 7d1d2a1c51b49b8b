#include "base/WideScan.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

bool isBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isHexDigit(char16_t c) { return isDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }
char16_t lower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// The run that scanf takes for a number at `start`: the longest one that is,
// or begins, a valid number; `valid` says whether it is a whole one.
struct Run {
  size_t end = 0;
  bool valid = false;
};

class Reader {
 public:
  Reader(std::u16string_view text, size_t start) : text(text), i(start) {}

  Run integer() {
    sign();
    const size_t count = digits(isDigit);
    return {i, count > 0};
  }

  Run floating() {
    sign();
    const char16_t c = lower(at(i));
    if (c == u'i') return word(u"inf") ? optionalWord(u"inity") : Run{i, false};
    if (c == u'n') {
      if (!word(u"nan")) return {i, false};
      if (at(i) != u'(') return {i, true};
      ++i;
      while (isDigit(at(i)) || (lower(at(i)) >= u'a' && lower(at(i)) <= u'z') || at(i) == u'_') ++i;
      if (at(i) != u')') return {i, false};
      return {++i, true};
    }
    const bool hex = at(i) == u'0' && lower(at(i + 1)) == u'x';
    if (hex) i += 2;
    const auto mantissaDigit = hex ? isHexDigit : isDigit;
    size_t count = digits(mantissaDigit);
    if (at(i) == u'.') {
      ++i;
      count += digits(mantissaDigit);
    }
    if (count == 0) return {i, false};
    if (lower(at(i)) != (hex ? u'p' : u'e')) return {i, true};
    ++i;
    sign();
    const size_t exponentDigits = digits(isDigit);
    return {i, exponentDigits > 0};
  }

 private:
  char16_t at(size_t k) const { return k < text.size() ? text[k] : 0; }
  void sign() {
    if (at(i) == u'+' || at(i) == u'-') ++i;
  }
  size_t digits(bool (*accept)(char16_t)) {
    const size_t from = i;
    while (accept(at(i))) ++i;
    return i - from;
  }
  // Takes the letters of `w` (any case) as far as they match; true when all did.
  bool word(std::u16string_view w) {
    for (char16_t c : w) {
      if (lower(at(i)) != c) return false;
      ++i;
    }
    return true;
  }
  // After a valid number: a longer spelling begun but not finished spoils it.
  Run optionalWord(std::u16string_view w) {
    const size_t from = i;
    if (word(w)) return {i, true};
    return {i, i == from};
  }

  std::u16string_view text;
  size_t i;
};

int32_t toInt32(std::u16string_view digits) {
  const bool negative = !digits.empty() && digits[0] == u'-';
  if (!digits.empty() && (digits[0] == u'-' || digits[0] == u'+')) digits.remove_prefix(1);
  const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                 : std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (char16_t c : digits) value = std::min<int64_t>(value * 10 + (c - u'0'), limit);
  return static_cast<int32_t>(negative ? -value : value);
}

double toDouble(std::u16string_view number) {
  // ASCII only by now; the C locale is never changed, so '.' is the decimal point.
  const std::string ascii(number.begin(), number.end());
  return std::strtod(ascii.c_str(), nullptr);
}

}  // namespace

int32_t scanStringV(std::u16string_view text, std::u16string_view pattern, std::span<const ScanArg> args) {
  size_t pos = 0, arg = 0;
  int32_t converted = 0;
  const auto inputFailure = [&] { return converted == 0 ? -1 : converted; };
  for (size_t p = 0; p < pattern.size(); ++p) {
    const char16_t directive = pattern[p];
    if (isBlank(directive)) {
      while (pos < text.size() && isBlank(text[pos])) ++pos;
      continue;
    }
    if (directive != u'%' || (p + 1 < pattern.size() && pattern[p + 1] == u'%')) {
      if (directive == u'%') ++p;  // "%%" matches one '%'
      if (pos >= text.size()) return inputFailure();
      if (text[pos] != directive) return converted;
      ++pos;
      continue;
    }
    // A conversion: "%d" or "%lf".
    const std::u16string_view rest = pattern.substr(p + 1);
    const bool isInt = rest.starts_with(u"d");
    const bool isDouble = rest.starts_with(u"lf");
    if ((!isInt && !isDouble) || arg >= args.size()) return converted;
    const ScanArg& target = args[arg++];
    if (target.kind != (isInt ? ScanArg::Kind::Int : ScanArg::Kind::Double)) return converted;
    p += isInt ? 1 : 2;

    while (pos < text.size() && isBlank(text[pos])) ++pos;
    if (pos >= text.size()) return inputFailure();
    Reader reader(text, pos);
    const Run run = isInt ? reader.integer() : reader.floating();
    if (!run.valid) return converted;
    const std::u16string_view number = text.substr(pos, run.end - pos);
    if (isInt) *target.intTarget = toInt32(number);
    else *target.doubleTarget = toDouble(number);
    pos = run.end;
    ++converted;
  }
  return converted;
}
