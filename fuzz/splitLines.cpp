// splitLines and getFileName over arbitrary UTF-16 text.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/StringUtils.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  // Bytes below 0x20 stand for themselves so that LF and CR come up often.
  std::u16string text;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] < 0x20 || i + 1 == size) {
      text.push_back(data[i]);
    } else {
      text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
      ++i;
    }
  }
  size_t total = 0;
  for (const std::u16string& line : splitLines(text)) {
    if (line.find(u'\n') != std::u16string::npos) __builtin_trap();
    total += line.size() + 1;
  }
  if (total > text.size() + 1) __builtin_trap();

  const std::u16string name = getFileName(text);
  if (name.find_first_of(u"\\/") != std::u16string::npos || name.size() > text.size()) __builtin_trap();
  return 0;
}
