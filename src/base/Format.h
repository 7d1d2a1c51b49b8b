#pragma once
// printf-style formatting into UTF-16 strings.
//
// "%s" takes a wide string (std::u16string, std::u16string_view or
// const char16_t*), "%c" a UTF-16 unit. Arguments are type-checked at run
// time: a conversion that does not fit its argument, a missing argument, or a
// result longer than 65,535 units yields "<XXX>", as any formatting error does.
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

class FormatArg {
 public:
  enum class Kind : uint8_t { Int, UInt, Double, Text, Char, Pointer };

  FormatArg(int v) : kind(Kind::Int), i(v) {}
  FormatArg(long v) : kind(Kind::Int), i(v) {}
  FormatArg(long long v) : kind(Kind::Int), i(v) {}
  FormatArg(unsigned v) : kind(Kind::UInt), u(v) {}
  FormatArg(unsigned long v) : kind(Kind::UInt), u(v) {}
  FormatArg(unsigned long long v) : kind(Kind::UInt), u(v) {}
  FormatArg(short v) : kind(Kind::Int), i(v) {}
  FormatArg(unsigned short v) : kind(Kind::UInt), u(v) {}
  FormatArg(signed char v) : kind(Kind::Int), i(v) {}
  FormatArg(unsigned char v) : kind(Kind::UInt), u(v) {}
  FormatArg(bool v) : kind(Kind::Int), i(v ? 1 : 0) {}
  FormatArg(double v) : kind(Kind::Double), d(v) {}
  FormatArg(float v) : kind(Kind::Double), d(v) {}
  FormatArg(char16_t v) : kind(Kind::Char), u(v) {}
  FormatArg(const char16_t* v) : kind(Kind::Text), text(v ? std::u16string_view(v) : std::u16string_view(u"(null)")) {}
  FormatArg(const std::u16string& v) : kind(Kind::Text), text(v) {}
  FormatArg(std::u16string_view v) : kind(Kind::Text), text(v) {}
  FormatArg(const void* v) : kind(Kind::Pointer), u(reinterpret_cast<uintptr_t>(v)) {}
  // Narrow text must be converted with fromUtf8 first.
  FormatArg(const char*) = delete;
  FormatArg(const std::string&) = delete;

  Kind kind;
  union {
    long long i;
    unsigned long long u;
    double d;
  };
  std::u16string_view text;
};

// The result limit: one unit less than the formatting buffer of 65,536 units.
constexpr size_t kFormatMaxLength = 65535;

// Formats into dest; on any error dest becomes "<XXX>".
void formatStringV(std::u16string& dest, std::u16string_view format, std::span<const FormatArg> args);

template <class... Args>
std::u16string formatString(std::u16string_view format, const Args&... args) {
  std::u16string out;
  if constexpr (sizeof...(Args) == 0) {
    formatStringV(out, format, {});
  } else {
    const FormatArg list[] = {FormatArg(args)...};
    formatStringV(out, format, list);
  }
  return out;
}

template <class... Args>
void formatInto(std::u16string& dest, std::u16string_view format, const Args&... args) {
  dest = formatString(format, args...);
}
