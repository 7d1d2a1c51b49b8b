// fromUtf8 over arbitrary bytes, and the UTF-8 round trip of arbitrary UTF-16 units.
#include <cstdint>
#include <cstring>
#include <string>

#include "base/StringUtils.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string wide = fromUtf8(bytes);
  if (wide.size() > size) __builtin_trap();
  // Whatever it decoded re-encodes and decodes to the same units.
  if (fromUtf8(toUtf8(wide)) != wide) __builtin_trap();

  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  if (fromUtf8(toUtf8(units)) != units) __builtin_trap();
  if (cutAtNul(units).find(u'\0') != std::u16string::npos) __builtin_trap();
  return 0;
}
