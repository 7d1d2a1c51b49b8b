// scanStringV over typed console text: the command patterns and patterns drawn
// from the input must neither crash nor read past the text or the targets.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "base/StringUtils.h"
#include "base/WideScan.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  FuzzedDataProvider in(data, size);
  const std::u16string pattern = fromUtf8(in.ConsumeRandomLengthString(32));
  const std::u16string text = fromUtf8(in.ConsumeRemainingBytesAsString());
  int32_t number = 0;
  double value = 0;
  for (const char16_t* command : {u"debug %d", u"fontcache %d", u"rel %d"}) {
    const int32_t result = scanString(text, command, &number);
    if (result < -1 || result > 1) __builtin_trap();
  }
  const int32_t result = scanString(text, u"fps %lf", &value);
  if (result < -1 || result > 1) __builtin_trap();
  if (scanString(text, pattern, &number, &value, &number) > 3) __builtin_trap();
  return 0;
}
