#pragma once
// scanf-style matching of UTF-16 text against a pattern, with the C library's
// rules for the directives it knows:
// - a blank (space, tab, new line, vertical tab, form feed, carriage return)
//   in the pattern matches any run of blanks in the text, also none;
// - "%d" skips blanks and converts an optional sign and decimal digits into an
//   int32_t (a value out of range saturates);
// - "%lf" skips blanks and converts a floating-point number as strtod reads
//   it (decimal, hexadecimal, "inf", "infinity", "nan", "nan(...)") into a double;
// - "%%" and any other unit match themselves.
// As in scanf, the longest run of text that is, or begins, a valid number is
// taken; when that run is not a whole number the conversion fails ("1e",
// "-", "0x"). Text after the last directive is not looked at.
// The pattern is always ours: this never takes a format from the text.
#include <cstdint>
#include <span>
#include <string_view>

class ScanArg {
 public:
  enum class Kind : uint8_t { Int, Double };
  ScanArg(int32_t* target) : kind(Kind::Int), intTarget(target) {}
  ScanArg(double* target) : kind(Kind::Double), doubleTarget(target) {}

  Kind kind;
  union {
    int32_t* intTarget;
    double* doubleTarget;
  };
};

// The number of values converted and stored; -1 when the text ended before
// the first conversion (scanf's EOF). A conversion that does not fit its
// argument, or a directive this does not know, stops the scan there.
int32_t scanStringV(std::u16string_view text, std::u16string_view pattern, std::span<const ScanArg> args);

template <class... Targets>
int32_t scanString(std::u16string_view text, std::u16string_view pattern, Targets*... targets) {
  if constexpr (sizeof...(Targets) == 0) {
    return scanStringV(text, pattern, {});
  } else {
    const ScanArg list[] = {ScanArg(targets)...};
    return scanStringV(text, pattern, list);
  }
}
