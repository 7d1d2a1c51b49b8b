// formatStringV with a format and arguments drawn from the input: whatever
// the mix, it must neither crash nor read past its arguments.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/Format.h"
#include "base/StringUtils.h"
#include "support/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* fuzzData, size_t fuzzSize) {
  const FuzzInput input(fuzzData, fuzzSize);
  const uint8_t* const data = input.data();
  const size_t size = input.size();
  FuzzedDataProvider in(data, size);
  const size_t count = in.ConsumeIntegralInRange<size_t>(0, 8);
  std::vector<std::u16string> texts;
  texts.reserve(count);  // the arguments view these strings
  std::vector<FormatArg> args;
  for (size_t i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    switch (in.ConsumeIntegralInRange<int>(0, 6)) {
      case 0: args.emplace_back(in.ConsumeIntegral<long long>()); break;
      case 1: args.emplace_back(in.ConsumeIntegral<unsigned long long>()); break;
      case 2: args.emplace_back(in.ConsumeFloatingPoint<double>()); break;
      case 3: args.emplace_back(static_cast<char16_t>(in.ConsumeIntegral<uint16_t>())); break;
      case 4: args.emplace_back(reinterpret_cast<const void*>(in.ConsumeIntegral<uintptr_t>())); break;
      case 5: args.emplace_back(in.ConsumeIntegralInRange<int>(-100, 100)); break;
      default:
        texts.push_back(fromUtf8(in.ConsumeRandomLengthString(64)));
        args.emplace_back(texts.back());
        break;
    }
  }
  const std::u16string format = fromUtf8(in.ConsumeRemainingBytesAsString());

  std::u16string out;
  formatStringV(out, format, args);
  if (out.size() > kFormatMaxLength) __builtin_trap();
  if (format.find(u'%') == std::u16string::npos && format.size() <= kFormatMaxLength && out != format)
    __builtin_trap();
  return 0;
}
