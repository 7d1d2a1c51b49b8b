#pragma once
// The scanf and printf conversions of the property texts, over UTF-16 and
// with defined results: leading white space is skipped, and a value counts
// as read when at least one character converts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "%d"; out-of-range values saturate.
std::optional<int32_t> scanDecimal(std::u16string_view text);
// "%x", an optional sign and "0x" first; out-of-range values saturate.
std::optional<uint64_t> scanHex(std::u16string_view text, uint64_t maximum);
// "%lf" / "%f".
std::optional<double> scanDouble(std::u16string_view text);
std::optional<float> scanFloat(std::u16string_view text);
// "%.9lf" without the trailing zeros of the fraction ("2.0", "1.5", "0.1").
std::u16string trimmedDouble(double value);
