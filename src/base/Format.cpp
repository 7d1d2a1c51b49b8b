#include "base/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

// A printf of our own over UTF-16 with glibc's output for every conversion it
// supports, so that text never depends on a C locale or on wchar_t's width.
// Every "%s" of a format is read as "%ls": both take a wide string, so the
// only visible effect of that rewrite is that "%%s" prints "%ls".

namespace {

constexpr char16_t kErrorText[] = u"<XXX>";
// Room for any double in fixed notation at the largest precision that can fit
// the result limit.
constexpr size_t kNumberScratch = kFormatMaxLength + 512;

struct Scratch {
  char16_t out[kFormatMaxLength];
  char number[kNumberScratch];
};

Scratch& scratch() {
  thread_local std::unique_ptr<Scratch> s;
  if (!s) s.reset(new Scratch);
  return *s;
}

enum class Length : uint8_t { Default, Char, Short, Long64 };

struct Spec {
  bool left = false, plus = false, space = false, alt = false, zero = false;
  int width = 0;
  int precision = -1;  // -1: none given
  Length length = Length::Default;
  char16_t conversion = 0;
};

// Appends to the fixed buffer; any write past the limit marks the result failed.
class Writer {
 public:
  explicit Writer(char16_t* buffer) : buf(buffer) {}

  bool room(size_t count) {
    if (count > kFormatMaxLength - n) failed = true;
    return !failed;
  }
  void put(char16_t c) {
    if (room(1)) buf[n++] = c;
  }
  void fill(char16_t c, size_t count) {
    if (!room(count)) return;
    std::fill_n(buf + n, count, c);
    n += count;
  }
  void append(const char16_t* text, size_t count) {
    if (!room(count)) return;
    std::memcpy(buf + n, text, count * sizeof(char16_t));
    n += count;
  }
  void appendAscii(const char* text, size_t count) {
    if (!room(count)) return;
    for (size_t i = 0; i < count; ++i) buf[n++] = static_cast<unsigned char>(text[i]);
  }

  char16_t* buf;
  size_t n = 0;
  bool failed = false;
};

size_t padding(const Spec& spec, size_t length) {
  return static_cast<size_t>(spec.width) > length ? spec.width - length : 0;
}

// Text padded with blanks (glibc ignores '0' for strings and characters).
void emitPadded(Writer& w, const Spec& spec, const char16_t* text, size_t count) {
  const size_t pad = padding(spec, count);
  if (!spec.left) w.fill(u' ', pad);
  w.append(text, count);
  if (spec.left) w.fill(u' ', pad);
}

void emitInteger(Writer& w, const Spec& spec, uint64_t magnitude, bool negative, bool isSigned) {
  const char c = static_cast<char>(spec.conversion);
  const unsigned base = (c == 'o') ? 8 : (c == 'x' || c == 'X' || c == 'p') ? 16 : 10;
  const char* digitSet = (c == 'X') ? "0123456789ABCDEF" : "0123456789abcdef";

  char16_t digits[24];
  size_t nd = 0;
  if (magnitude != 0 || spec.precision != 0) {
    do {
      digits[sizeof(digits) / sizeof(digits[0]) - ++nd] = digitSet[magnitude % base];
      magnitude /= base;
    } while (magnitude != 0);
  }
  const char16_t* first = digits + sizeof(digits) / sizeof(digits[0]) - nd;

  size_t zeros = spec.precision > 0 && static_cast<size_t>(spec.precision) > nd ? spec.precision - nd : 0;
  if (base == 8 && spec.alt && zeros == 0 && (nd == 0 || *first != u'0')) zeros = 1;

  char16_t prefix[3];  // sign and "0x": glibc keeps "+" on %p
  size_t np = 0;
  if (negative) prefix[np++] = u'-';
  else if (isSigned && spec.plus) prefix[np++] = u'+';
  else if (isSigned && spec.space) prefix[np++] = u' ';
  if (base == 16 && spec.alt && nd != 0 && !(nd == 1 && *first == u'0')) {
    prefix[np++] = u'0';
    prefix[np++] = (c == 'X') ? u'X' : u'x';
  }

  size_t total = np + zeros + nd;
  if (!spec.left && spec.zero && spec.precision < 0 && padding(spec, total) > 0) {
    zeros += padding(spec, total);
    total = spec.width;
  }
  const size_t pad = padding(spec, total);
  if (!spec.left) w.fill(u' ', pad);
  w.append(prefix, np);
  w.fill(u'0', zeros);
  w.append(first, nd);
  if (spec.left) w.fill(u' ', pad);
}

// f F e E g G through std::to_chars, then glibc's flags and padding.
void emitDouble(Writer& w, const Spec& spec, double value, char* number) {
  const char c = static_cast<char>(spec.conversion);
  const bool upper = c == 'F' || c == 'E' || c == 'G';
  const char lower = static_cast<char>(c | 0x20);
  const char sign = std::signbit(value) ? '-' : spec.plus ? '+' : spec.space ? ' ' : 0;

  // The number as mantissa [0, split) and exponent part [split, length).
  size_t length, split;
  bool addPoint = false;
  const bool finite = std::isfinite(value);
  if (!finite) {
    std::memcpy(number, std::isnan(value) ? "nan" : "inf", 3);
    length = split = 3;
  } else {
    const double a = std::fabs(value);
    const int precision = spec.precision < 0 ? 6 : spec.precision;
    char* const end = number + kNumberScratch;
    std::to_chars_result r;
    if (lower == 'f') {
      r = std::to_chars(number, end, a, std::chars_format::fixed, precision);
    } else if (lower == 'e') {
      r = std::to_chars(number, end, a, std::chars_format::scientific, precision);
    } else {
      // %g: the style follows the exponent X of the %e form with P - 1 digits.
      const int p = precision == 0 ? 1 : precision;
      r = std::to_chars(number, end, a, std::chars_format::scientific, p - 1);
      if (r.ec == std::errc()) {
        const char* e = static_cast<const char*>(std::memchr(number, 'e', r.ptr - number));
        int x = 0;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, x);
        if (p > x && x >= -4) r = std::to_chars(number, end, a, std::chars_format::fixed, p - 1 - x);
      }
    }
    if (r.ec != std::errc()) {
      w.failed = true;
      return;
    }
    length = r.ptr - number;
    const char* e = static_cast<const char*>(std::memchr(number, 'e', length));
    split = e ? e - number : length;
    const bool hasPoint = std::memchr(number, '.', split) != nullptr;
    if (lower == 'g' && !spec.alt && hasPoint) {
      size_t cut = split;
      while (number[cut - 1] == '0') --cut;
      if (number[cut - 1] == '.') --cut;
      std::memmove(number + cut, number + split, length - split);
      length -= split - cut;
      split = cut;
    }
    addPoint = spec.alt && !hasPoint;
  }

  const size_t body = (sign ? 1 : 0) + length + (addPoint ? 1 : 0);
  const size_t pad = padding(spec, body);
  const bool zeroPad = spec.zero && !spec.left && finite;
  if (!spec.left && !zeroPad) w.fill(u' ', pad);
  if (sign) w.put(static_cast<char16_t>(sign));
  if (zeroPad) w.fill(u'0', pad);
  if (!w.room(length + 1)) return;
  char16_t* out = w.buf + w.n;
  for (size_t i = 0; i < split; ++i) *out++ = static_cast<unsigned char>(number[i]);
  if (addPoint) *out++ = u'.';
  for (size_t i = split; i < length; ++i) *out++ = static_cast<unsigned char>(number[i]);
  if (upper) {
    for (char16_t* p = w.buf + w.n; p != out; ++p)
      if (*p >= u'a' && *p <= u'z') *p -= 0x20;
  }
  w.n = out - w.buf;
  if (spec.left) w.fill(u' ', pad);
}

bool isIntegerKind(FormatArg::Kind k) {
  return k == FormatArg::Kind::Int || k == FormatArg::Kind::UInt || k == FormatArg::Kind::Char;
}

// Reads a decimal count, saturating well past the result limit.
int readCount(const char16_t*& p, const char16_t* end) {
  int v = 0;
  for (; p != end && *p >= u'0' && *p <= u'9'; ++p) v = std::min(v * 10 + (*p - u'0'), 1 << 24);
  return v;
}

// Formats into w; false on any formatting error.
bool formatToBuffer(Writer& w, std::u16string_view format, std::span<const FormatArg> args, char* number) {
  size_t nextArg = 0;
  auto take = [&]() -> const FormatArg* { return nextArg < args.size() ? &args[nextArg++] : nullptr; };

  const char16_t* p = format.data();
  const char16_t* const end = p + format.size();
  while (p != end) {
    const char16_t* literal = p;
    while (p != end && *p != u'%') ++p;
    w.append(literal, p - literal);
    if (p == end) break;
    if (++p == end) return false;

    Spec spec;
    for (;; ++p) {
      if (p == end) return false;
      if (*p == u'-') spec.left = true;
      else if (*p == u'+') spec.plus = true;
      else if (*p == u' ') spec.space = true;
      else if (*p == u'#') spec.alt = true;
      else if (*p == u'0') spec.zero = true;
      else break;
    }
    if (*p == u'*') {
      ++p;
      const FormatArg* a = take();
      if (!a || !isIntegerKind(a->kind)) return false;
      const int v = static_cast<int>(a->i);
      if (v < 0) spec.left = true;
      spec.width = v == INT32_MIN ? INT32_MAX : std::abs(v);
    } else {
      spec.width = readCount(p, end);
    }
    if (p != end && *p == u'.') {
      ++p;
      if (p != end && *p == u'*') {
        ++p;
        const FormatArg* a = take();
        if (!a || !isIntegerKind(a->kind)) return false;
        spec.precision = std::max(static_cast<int>(a->i), -1);
      } else {
        spec.precision = readCount(p, end);
      }
    }
    if (p == end) return false;
    switch (*p) {
      case u'h':
        spec.length = Length::Short;
        if (p + 1 != end && p[1] == u'h') {
          spec.length = Length::Char;
          ++p;
        }
        ++p;
        break;
      case u'l':
        // "l" is 64 bits as in the LP64 C library; on s and c it only marks wide text.
        spec.length = Length::Long64;
        if (p + 1 != end && p[1] == u'l') ++p;
        ++p;
        break;
      case u'L': case u'j': case u'z': case u't':
        spec.length = Length::Long64;
        ++p;
        break;
      case u'I':
        if (end - p >= 3 && p[1] == u'6' && p[2] == u'4') spec.length = Length::Long64;
        else if (end - p >= 3 && p[1] == u'3' && p[2] == u'2') spec.length = Length::Default;
        else return false;
        p += 3;
        break;
      default:
        break;
    }
    if (p == end) return false;
    spec.conversion = *p++;

    switch (spec.conversion) {
      case u'%':
        w.put(u'%');
        // The "%s" of "%%s" became "%ls" before formatting.
        if (p != end && *p == u's') w.put(u'l');
        break;
      case u'd': case u'i': {
        const FormatArg* a = take();
        if (!a || !isIntegerKind(a->kind)) return false;
        int64_t v;
        switch (spec.length) {
          case Length::Char: v = static_cast<signed char>(a->i); break;
          case Length::Short: v = static_cast<short>(a->i); break;
          case Length::Long64: v = a->i; break;
          default: v = static_cast<int32_t>(a->i); break;
        }
        const uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        emitInteger(w, spec, magnitude, v < 0, true);
        break;
      }
      case u'u': case u'o': case u'x': case u'X': {
        const FormatArg* a = take();
        const bool hexPointer = a && a->kind == FormatArg::Kind::Pointer && (spec.conversion | 0x20) == u'x';
        if (!a || !(isIntegerKind(a->kind) || hexPointer)) return false;
        uint64_t v;
        switch (spec.length) {
          case Length::Char: v = static_cast<uint8_t>(a->u); break;
          case Length::Short: v = static_cast<uint16_t>(a->u); break;
          case Length::Long64: v = a->u; break;
          default: v = static_cast<uint32_t>(a->u); break;
        }
        emitInteger(w, spec, v, false, false);
        break;
      }
      case u'p': {
        const FormatArg* a = take();
        if (!a || a->kind != FormatArg::Kind::Pointer) return false;
        if (a->u == 0) {
          emitPadded(w, spec, u"(nil)", 5);
        } else {
          // glibc prints a pointer as "%#lx", keeping the sign flags.
          Spec hex = spec;
          hex.alt = true;
          emitInteger(w, hex, a->u, false, true);
        }
        break;
      }
      case u'c': {
        const FormatArg* a = take();
        if (!a || !isIntegerKind(a->kind)) return false;
        const char16_t unit = static_cast<char16_t>(a->u);
        emitPadded(w, spec, &unit, 1);
        break;
      }
      case u's': {
        const FormatArg* a = take();
        if (!a || a->kind != FormatArg::Kind::Text) return false;
        size_t count = a->text.size();
        if (spec.precision >= 0) count = std::min(count, static_cast<size_t>(spec.precision));
        emitPadded(w, spec, a->text.data(), count);
        break;
      }
      case u'f': case u'F': case u'e': case u'E': case u'g': case u'G': {
        const FormatArg* a = take();
        if (!a || a->kind != FormatArg::Kind::Double) return false;
        emitDouble(w, spec, a->d, number);
        break;
      }
      default:
        return false;
    }
    if (w.failed) return false;
  }
  return !w.failed;
}

}  // namespace

void formatStringV(std::u16string& dest, std::u16string_view format, std::span<const FormatArg> args) {
  Scratch& s = scratch();
  Writer w(s.out);
  if (formatToBuffer(w, format, args, s.number)) dest.assign(w.buf, w.n);
  else dest.assign(kErrorText, std::size(kErrorText) - 1);
}
